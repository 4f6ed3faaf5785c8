// The watched-folders screen's pictures: with no rule, with three rules (one working, one paused,
// one whose folder is gone), a rule's menu, with stored rules that could not be read, and the
// add-watch sheet before and after a folder is chosen, refusing a folder already watched or one
// whose rule could not be saved, and with a recommended action in its open picker. The screen
// runs over a scripted watcher, installed for these pictures only.
#include <cerrno>

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QMenu>

#include "app/MainWindow.h"
#include "app/ScreenInstaller.h"
#include "gallery/GalleryScenes.h"
#include "gallery/ScriptedWatchService.h"
#include "l10n/SaveFailure.h"
#include "model/PresetSpec.h"
#include "model/WorkflowLibrary.h"
#include "output/OutputFolder.h"
#include "platform/FolderChooser.h"
#include "platform/Settings.h"
#include "platform/SettingsKeys.h"
#include "store/KelvaroStore.h"
#include "ui/design/SettingRows.h"
#include "ui/main/ContentView.h"
#include "ui/main/ScreenFactory.h"
#include "ui/watch/AddWatchSheet.h"
#include "ui/watch/WatchRuleCard.h"
#include "ui/watch/WatchView.h"

namespace kelvaro::gallery {
namespace {

WatchRule rule(const QString& path, const WatchAction& action, bool enabled, qint64 processed,
               std::optional<qint64> secondsAgo)
{
    WatchRule r = WatchRule::make(path, QByteArray("bookmark"), action);
    r.isEnabled = enabled;
    r.processed = processed;
    if (secondsAgo)
        r.lastRun = QDateTime::currentDateTime().addSecs(-*secondsAgo);
    return r;
}

// The main window on the watch screen over `service`; `prepare` may open the sheet, which is
// drawn over the window.
QImage watchWindow(const Env& env, const std::shared_ptr<ScriptedWatchService>& service,
                   const std::function<QDialog*(WatchView&)>& prepare = {},
                   const std::function<QWidget*(WatchView&)>& popup = {})
{
    ScreenFactory::install(Screen::watch, [service](const ScreenContext& context, QWidget* parent) -> QWidget* {
        return new WatchView(service, context.settings, parent);
    });
    QImage image;
    {
        Stage stage(env);
        stage.store().setSidebarSelection(SidebarItem::watch);
        MainWindow* window = stage.window();
        window->show();
        settle(150);
        auto* view = qobject_cast<WatchView*>(window->content()->currentScreen());
        QDialog* sheet = prepare && view ? prepare(*view) : nullptr;
        settle(200);
        QWidget* open = popup && view ? popup(*view) : nullptr;
        if (open)
            settle(150);
        image = grabWithSheet(window, sheet, env.dark, open);
        if (sheet)
            sheet->close();
    }
    installScreens(); // the real screen again for every other picture
    return image;
}

const GalleryScene empty(QStringLiteral("watch-empty"), [](const Env& env) {
    return watchWindow(env, std::make_shared<ScriptedWatchService>());
});

const GalleryScene unreadable(QStringLiteral("watch-unreadable"), [](const Env& env) {
    auto service = std::make_shared<ScriptedWatchService>();
    service->unreadable = true;
    return watchWindow(env, service);
});

const GalleryScene rules(QStringLiteral("watch-rules"), [](const Env& env) {
    auto service = std::make_shared<ScriptedWatchService>();
    const QString pictures = QDir::homePath() + QStringLiteral("/Obrázky");
    const QList<WatchRule> list{
        rule(pictures + QStringLiteral("/Snímky obrazovky"), WatchRecipe::all().at(0).action, true, 12, 120),
        rule(pictures + QStringLiteral("/Z telefonu"), WatchAction::convert(QStringLiteral("jpg")), false, 48, 26 * 3600),
        rule(QStringLiteral("/media/usb/Export pro klienty/Léto 2024/Výběr"), WatchAction::workflow(WorkflowLibrary::defaults().first()),
             true, 0, std::nullopt),
    };
    service->setRules(list);
    service->setStatus(list.at(0).id, WatchStatus{true, false, std::nullopt, {}});
    service->setStatus(list.at(2).id, WatchStatus{false, true, QStringLiteral("Složka není dostupná. Přesunul jsi ji nebo smazal?"), {}});
    return watchWindow(env, service);
});

// Two rules, the first on and the second off.
std::shared_ptr<ScriptedWatchService> twoRules()
{
    auto service = std::make_shared<ScriptedWatchService>();
    const QString pictures = QDir::homePath() + QStringLiteral("/Obrázky");
    service->setRules({
        rule(pictures + QStringLiteral("/Snímky obrazovky"), WatchRecipe::all().at(0).action, true, 12, 120),
        rule(pictures + QStringLiteral("/Z telefonu"), WatchAction::convert(QStringLiteral("jpg")), false, 48, 26 * 3600),
    });
    return service;
}

// Tab to the switch of the rule that is on, or of the one that is off: its ring around the track.
QImage switchByTab(const Env& env, bool on)
{
    const auto service = twoRules();
    return watchWindow(env, service, [on](WatchView& view) -> QDialog* {
        const QList<WatchRuleCard*> cards = view.findChildren<WatchRuleCard*>();
        for (WatchRuleCard* card : cards)
            if (card->enabledSwitch()->isChecked() == on) {
                QWidget* target = card->enabledSwitch();
                tabUntil(view.window(), [target](QWidget* w) { return w == target; });
                break;
            }
        return nullptr;
    });
}

const GalleryScene switchOnByTab(QStringLiteral("watch-switch-on-tab"), [](const Env& env) { return switchByTab(env, true); });
const GalleryScene switchOffByTab(QStringLiteral("watch-switch-off-tab"), [](const Env& env) { return switchByTab(env, false); });

// The first rule's menu, open under its button as a click opens it.
const GalleryScene ruleMenu(QStringLiteral("watch-rule-menu"), [](const Env& env) {
    const auto service = twoRules();
    return watchWindow(env, service, {}, [](WatchView& view) -> QWidget* {
        auto* card = view.findChild<WatchRuleCard*>();
        return popUnderButton(card ? card->menu() : nullptr);
    });
});

enum class AddState { noFolder, chosen, refused, notSaved, recommended };

// The add-watch sheet over the screen; the watched folder is chosen unless `state` is noFolder,
// and a refusal finds the same folder and action already watched.
QImage addSheet(const Env& env, AddState state)
{
    const QString watched = env.workDir + QStringLiteral("/Snímky obrazovky");
    const QString results = env.workDir + QStringLiteral("/Výsledky");
    QDir().mkpath(watched);
    QDir().mkpath(results);
    OutputFolder::remember(results);
    const auto previous = FolderChooser::shared();
    FolderChooser::setShared(std::make_shared<FakeFolderChooser>(watched));
    auto service = std::make_shared<ScriptedWatchService>();
    WatchAction action = WatchView::defaultAction();
    if (state == AddState::recommended) {
        // The user has deleted every preset: the web recipe's preset is offered on its own.
        Settings::shared().setValue(QString::fromLatin1(SettingsKey::presets), QByteArray("[]"));
        action = WatchRecipe::all().first().action;
    }
    if (state == AddState::refused)
        service->setRules({rule(watched, action, true, 3, 600)});
    if (state == AddState::notSaved) {
        service->addSucceeds = false;
        service->refusal = Lf("Složku nemůžu hlídat, protože se hlídané složky nepodařilo uložit: %@.", saveFailureReason(ENOSPC));
    }
    QImage image = watchWindow(
        env, service,
        [state, action](WatchView& view) -> QDialog* {
            view.openSheet(action);
            if (state != AddState::noFolder)
                view.sheet()->chooseFolder();
            if (state == AddState::refused || state == AddState::notSaved)
                view.sheet()->start();
            return view.sheet();
        },
        [state](WatchView& view) -> QWidget* {
            if (state != AddState::recommended)
                return nullptr;
            view.sheet()->picker()->showPopup();
            return view.sheet()->picker()->view()->window();
        });
    FolderChooser::setShared(previous);
    Settings::shared().remove(QString::fromLatin1(OutputFolder::bookmarkKey));
    Settings::shared().remove(QString::fromLatin1(SettingsKey::presets));
    return image;
}

const GalleryScene sheet(QStringLiteral("watch-add"), [](const Env& env) { return addSheet(env, AddState::chosen); });
const GalleryScene sheetNoFolder(QStringLiteral("watch-add-no-folder"), [](const Env& env) { return addSheet(env, AddState::noFolder); });
const GalleryScene sheetRefused(QStringLiteral("watch-add-refused"), [](const Env& env) { return addSheet(env, AddState::refused); });
const GalleryScene sheetNotSaved(QStringLiteral("watch-add-not-saved"), [](const Env& env) { return addSheet(env, AddState::notSaved); });
const GalleryScene sheetRecommended(QStringLiteral("watch-add-recommended"),
                                    [](const Env& env) { return addSheet(env, AddState::recommended); });

} // namespace
} // namespace kelvaro::gallery
