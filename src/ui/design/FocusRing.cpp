#include "ui/design/FocusRing.h"

#include <QPainter>
#include <QWidget>

#include "ui/design/Theme.h"

namespace kelvaro {

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
