#include "platform/widgets/WidgetAttention.h"

#include <QApplication>
#include <QWidget>

namespace kelvaro {

void WidgetAttention::requestAttention()
{
    // A short, informational hint: a duration of 0 would keep the alert up until the window is
    // activated, which is the insistent kind.
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->isVisible())
            QApplication::alert(window, 1000);
    }
}

} // namespace kelvaro
