#include "ui/design/FocusRing.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QWidget>

#include "ui/design/Theme.h"

namespace kelvaro {
namespace {

// The application's filter that takes the keys' mark off a window the mouse is pressed in.
class FocusRingReset : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::MouseButtonPress && event->spontaneous() && watched->isWidgetType()) {
            QWidget* window = static_cast<QWidget*>(watched)->window();
            if (window->testAttribute(Qt::WA_KeyboardFocusChange)) {
                window->setAttribute(Qt::WA_KeyboardFocusChange, false);
                // The control that keeps the focus through the click drops its ring too.
                if (QWidget* focused = window->focusWidget())
                    focused->update();
            }
        }
        return false;
    }
};

FocusRingReset* g_reset = nullptr;

} // namespace

void installFocusRingReset()
{
    if (g_reset || !qApp)
        return;
    g_reset = new FocusRingReset();
    qApp->installEventFilter(g_reset);
}

void uninstallFocusRingReset()
{
    if (!g_reset)
        return;
    if (qApp)
        qApp->removeEventFilter(g_reset);
    delete g_reset;
    g_reset = nullptr;
}

bool showsFocusRing(const QWidget* widget)
{
    // Qt marks the window when the focus moves by a key; the style reads the same mark.
    return widget->hasFocus() && widget->window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

void paintListFocusRing(QWidget* viewport)
{
    QPainter painter(viewport);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Theme::ember(), 2));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(viewport->rect()).adjusted(1, 1, -1, -1), 8, 8);
}

} // namespace kelvaro
