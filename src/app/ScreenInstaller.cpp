#include "app/ScreenInstaller.h"

#include "app/MenuBarDropView.h"
#include "ui/main/ScreenFactory.h"
#include "ui/sheets/ToolSheetHost.h"
#include "ui/wheel/DropWheelCard.h"
#include "ui/wheel/KelvaroWheelStore.h"
#include "ui/workflows/WorkflowsView.h"

namespace kelvaro {

void installScreens(const ScreenHooks& hooks)
{
    ScreenFactory::install(Screen::dropCard, [](const ScreenContext& context, QWidget* parent) -> QWidget* {
        return wheel::makeDropWheelCard(context.store, parent);
    });
    ScreenFactory::install(Screen::dropWindow, [hooks](const ScreenContext& context, QWidget* parent) -> QWidget* {
        if (!context.watcher)
            return nullptr;
        return new MenuBarDropView(context.store, *context.watcher, {hooks.openMainWindow, hooks.quit}, parent);
    });
    ScreenFactory::install(Screen::workflows, [](const ScreenContext& context, QWidget* parent) -> QWidget* {
        return new WorkflowsView(context.store, context.settings, nullptr, parent);
    });
    // Sheets the host does not build yet fall back to the factory's stand-in.
    ScreenFactory::installSheets([](ToolSheet kind, const ScreenContext& context, QWidget* parent) -> QDialog* {
        return ToolSheetHost::build(kind, context.store, parent);
    });
}

} // namespace kelvaro
