#include "platform/widgets/WindowPlacement.h"

#include <algorithm>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace kelvaro {

void centreOver(QWidget* window, const QWidget* over)
{
    if (!window || !over)
        return;
    const QRect anchor = over->frameGeometry();
    QSize size = window->frameGeometry().size();
    if (size == window->size())
        size += anchor.size() - over->size();
    QRect placed(QPoint(), size);
    placed.moveCenter(anchor.center());
    QScreen* screen = QGuiApplication::screenAt(anchor.center());
    if (!screen)
        screen = over->screen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        placed.moveLeft(std::max(area.left(), std::min(placed.left(), area.right() + 1 - placed.width())));
        placed.moveTop(std::max(area.top(), std::min(placed.top(), area.bottom() + 1 - placed.height())));
    }
    window->move(placed.topLeft());
}

} // namespace kelvaro
