#include "platform/widgets/WidgetAttention.h"

#include <QApplication>
#include <QWidget>

namespace kelvaro {

void WidgetAttention::requestAttention()
{
    // Duration 0: the window manager's own short hint, never an endless blink.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            QApplication::alert(window, 0);
    }
}

} // namespace kelvaro
