#include "ui/design/FocusRing.h"

#include <QWidget>

namespace kelvaro {

bool showsFocusRing(const QWidget* widget)
{
    // Qt marks the window when the focus moves by a key; the style reads the same mark.
    return widget->hasFocus() && widget->window()->testAttribute(Qt::WA_KeyboardFocusChange);
}

} // namespace kelvaro
