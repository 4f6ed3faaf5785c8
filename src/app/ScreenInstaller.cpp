#include "app/ScreenInstaller.h"

#include <QDesktopServices>
#include <QVBoxLayout>

#include "app/MenuBarDropView.h"
#include "app/UpdateChecker.h"
#include "app/UpdateCheckerSource.h"
#include "platform/FileManager.h"
#include "platform/Settings.h"
#include "app/QuickLookSupport.h"
#include "studio/ScreenshotStudio.h"
#include "studio/StudioWindow.h"
#include "platform/FileManager.h"
#include "platform/SettingsKeys.h"
#include "ui/guide/GuideView.h"
#include "ui/history/HistoryList.h"
#include "ui/history/HistoryModel.h"
#include "ui/history/HistoryView.h"
#include "ui/main/ScreenFactory.h"
#include "ui/main/StatusNotice.h"
#include "ui/onboarding/OnboardingView.h"
#include "ui/presets/PresetPanel.h"
#include "ui/presets/PresetsSheet.h"
#include "ui/settings/SettingsView.h"
#include "ui/sheets/NearbyDeviceSheet.h"
#include "ui/sheets/ToolSheetHost.h"
#include "ui/shelves/ShelfItemList.h"
#include "ui/shelves/ShelfItemModel.h"
#include "ui/shelves/ShelvesView.h"
#include "ui/watch/WatchService.h"
#include "ui/watch/WatchView.h"
#include "ui/wheel/DropWheelCard.h"
#include "ui/wheel/KelvaroWheelStore.h"
#include "ui/wheel/LoadedWheel.h"
#include "ui/wheel/UnsavedNotice.h"
#include "ui/workflows/WorkflowsView.h"

namespace kelvaro {

void installScreens(const ScreenHooks& hooks)
{
    ScreenFactory::install(Screen::dropCard, [](const ScreenContext& context, QWidget* parent) -> QWidget* {
        wheel::DropWheelCard* card = wheel::makeDropWheelCard(context.store, parent);
        card->loadedWheel()->setSidePanel(new PresetPanel(context.store, context.settings));
        // The card's wedge asks which device gets the files, so the card shows the question.
        presentNearbyChoices(context.store, card);
        return card;
    });
    ScreenFactory::install(Screen::dropWindow, [hooks](const ScreenContext& context, QWidget* parent) -> QWidget* {
        if (!context.watcher)
            return nullptr;
        return new MenuBarDropView(context.store, *context.watcher, {hooks.openMainWindow, hooks.quit}, parent);
    });
    ScreenFactory::install(Screen::workflows, [](const ScreenContext& context, QWidget* parent) -> QWidget* {
        return new WorkflowsView(context.store, context.settings, nullptr, parent);
    });
    ScreenFactory::install(Screen::watch, [](const ScreenContext& context, QWidget* parent) -> QWidget* {
        return new WatchView(std::make_shared<FolderWatcherService>(context.watcher, &context.store), context.settings, parent);
    });
    const std::shared_ptr<FileManager> files = hooks.fileManager ? hooks.fileManager : std::make_shared<DesktopFileManager>();
    ScreenFactory::install(Screen::settings, [hooks, files](const ScreenContext& context, QWidget* parent) -> QWidget* {
        static UpdateCheckerSource* updates = new UpdateCheckerSource(UpdateChecker::shared());
        settings::SettingsServices services;
        services.updates = updates;
        services.fileManager = files;
        services.openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
        services.restart = hooks.restart;
        // The settings window has no status line: what the store reports while it is used
        // (a results folder nobody could show) appears at its foot, as under the main screens.
        auto* content = new QWidget(parent);
        auto* column = new QVBoxLayout(content);
        column->setContentsMargins(0, 0, 0, 0);
        column->setSpacing(0);
        auto* view = new settings::SettingsView(context.store, services, content);
        // The window keeps the settings' frame; a notice takes its height from the pages, which scroll.
        content->setFixedSize(settings::SettingsView::frame);
        view->setMinimumSize(0, 0);
        column->addWidget(view, 1);
        auto* notice = new StatusNotice(context.store, content);
        notice->setScreenShowsStatus(false);
        column->addWidget(notice);
        auto* unsaved = new wheel::UnsavedNotice(context.settings, content);
        unsaved->setContentsMargins(24, 8, 24, 14);
        unsaved->setBoxed(true);
        column->addWidget(unsaved, 0, Qt::AlignHCenter);
        QObject::connect(notice, &StatusNotice::shownChanged, unsaved, [notice, unsaved] { unsaved->setShownAbove(notice->text()); });
        return content;
    });
    ScreenFactory::install(Screen::onboarding, [](const ScreenContext& context, QWidget* parent) -> QWidget* {
        Settings* stored = &context.settings;
        return new OnboardingView([stored] { stored->setValue(QString::fromLatin1(SettingsKey::onboarded), true); }, parent);
    });
    ScreenFactory::install(Screen::history, [files](const ScreenContext& context, QWidget* parent) -> QWidget* {
        auto* view = new HistoryView(context.store, files, parent);
        QuickLookList::attach(view->list(), HistoryModel::previewRole);
        return view;
    });
    ScreenFactory::install(Screen::shelves, [files](const ScreenContext& context, QWidget* parent) -> QWidget* {
        auto* view = new ShelvesView(context.store, files, parent);
        QuickLookList::attach(view->itemList(), ShelfItemModel::previewRole);
        return view;
    });
    // The studio model belongs to its window; the application keeps that one window for good.
    ScreenFactory::install(Screen::studio, [hooks, files](const ScreenContext& context, QWidget* parent) -> QWidget* {
        auto* studio = new ScreenshotStudio(context.store, context.watcher);
        auto* view = new StudioWindow(*studio, {hooks.openMainWindow, files}, parent);
        studio->setParent(view);
        return view;
    });
    ScreenFactory::install(Screen::guide, [](const ScreenContext& context, QWidget* parent) -> QWidget* {
        return new GuideView(context.store, parent);
    });
    // The presets sheet belongs to the presets screen, above the sheets; the host builds the
    // others. Sheets neither builds fall back to the factory's stand-in.
    ScreenFactory::installSheets([](ToolSheet kind, const ScreenContext& context, QWidget* parent) -> QDialog* {
        if (kind == ToolSheet::presets)
            return new PresetsSheet(context.settings, parent);
        return ToolSheetHost::build(kind, context.store, parent);
    });
}

} // namespace kelvaro
