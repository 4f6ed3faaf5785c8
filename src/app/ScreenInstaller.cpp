#include "app/ScreenInstaller.h"

#include "ui/main/ScreenFactory.h"
#include "ui/wheel/ClipboardSheet.h"
#include "ui/wheel/DropWheelCard.h"
#include "ui/wheel/KelvaroWheelStore.h"

namespace kelvaro {

void installScreens()
{
    ScreenFactory::install(Screen::dropCard, [](KelvaroStore& store, QWidget* parent) -> QWidget* {
        return wheel::makeDropWheelCard(store, parent);
    });
    // Sheets without a builder of their own fall back to the factory's stand-in.
    ScreenFactory::installSheets([](ToolSheet kind, KelvaroStore& store, QWidget* parent) -> QDialog* {
        if (kind == ToolSheet::clipboard)
            return new wheel::ClipboardSheet(store, parent);
        return nullptr;
    });
}

} // namespace kelvaro
