#include "ui/design/PopupEscape.h"

#include <utility>

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>

namespace kelvaro {
namespace {

class PopupEscapeFilter : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        const QEvent::Type type = event->type();
        if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
            return QObject::eventFilter(watched, event);
        const bool escape = static_cast<QKeyEvent*>(event)->matches(QKeySequence::Cancel);
        if (type == QEvent::KeyPress) {
            // The key press that follows the override comes after the list has gone: it is the
            // list's, not the window's.
            const bool listsKey = std::exchange(m_closedList, false) && escape;
            if (listsKey)
                event->accept();
            return listsKey || QObject::eventFilter(watched, event);
        }
        QWidget* popup = QApplication::activePopupWidget();
        if (!escape || !popup)
            return QObject::eventFilter(watched, event);
        // As the list closes itself, so the focus goes back where it was.
        if (auto* list = qobject_cast<QComboBox*>(popup->parentWidget()); list && list->view()->window() == popup)
            list->hidePopup();
        else
            popup->close();
        m_closedList = true;
        // Accepted, the override keeps the key from every shortcut.
        event->accept();
        return true;
    }

private:
    bool m_closedList = false;
};

} // namespace

void installPopupEscape()
{
    static PopupEscapeFilter* filter = nullptr;
    if (filter || !qApp)
        return;
    filter = new PopupEscapeFilter();
    filter->setParent(qApp);
    qApp->installEventFilter(filter);
}

} // namespace kelvaro
