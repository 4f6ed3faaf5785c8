// Gallery pictures of the settings window (each tab, the restart row, the update states), the
// privacy policy and the three onboarding steps over the main window.
#include <QAction>
#include <QDialog>
#include <QScrollArea>
#include <QScrollBar>
#include <QDir>
#include <QVBoxLayout>

#include "app/MainWindow.h"
#include "app/ScreenInstaller.h"
#include "gallery/GalleryScenes.h"
#include "model/Models.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "platform/Settings.h"
#include "store/KelvaroStore.h"
#include "ui/design/Theme.h"
#include "ui/main/ScreenFactory.h"
#include "ui/onboarding/OnboardingView.h"
#include "ui/settings/AboutSection.h"
#include "ui/settings/GeneralSettingsTab.h"
#include "ui/settings/PrivacyPolicyView.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/UpdateSource.h"

namespace kelvaro::gallery {
namespace {

using settings::FakeUpdateSource;
using settings::UpdateSource;

// A results folder remembered in the gallery's temporary home.
void rememberFolder(const Env& env)
{
    const QString folder = QDir(env.workDir).filePath(QStringLiteral("Obrázky/Kelvaro"));
    QDir().mkpath(folder);
    OutputFolder::remember(folder);
}

settings::AboutInfo demoAbout()
{
    settings::AboutInfo info = settings::AboutInfo::fromBuild();
    info.siteCs = QUrl(QStringLiteral("https://kelvaro.example/cs"));
    info.siteEn = QUrl(QStringLiteral("https://kelvaro.example/en"));
    info.supportCs = QUrl(QStringLiteral("https://kelvaro.example/cs/podpora"));
    info.supportEn = QUrl(QStringLiteral("https://kelvaro.example/en/support"));
    return info;
}

// The settings window on `tag`, as the user finds it; `prepare` may act on the view first, and
// `ask` may open a dialog over the shown window.
QImage settingsWindow(const Env& env, const QString& tag, const std::function<void(settings::SettingsView&, FakeUpdateSource&)>& prepare = {},
                      const std::function<QDialog*(settings::SettingsView&)>& ask = {})
{
    rememberFolder(env);
    Settings::shared().setValue(QString::fromLatin1(settings::SettingsView::tabKey), tag);
    KelvaroStore store(StoreServices{}, QStringLiteral("kelvaro.gallery.library"));
    store.enterDemo(SampleData::activities(), SampleData::shelves());
    FakeUpdateSource updates;
    settings::SettingsServices services;
    services.updates = &updates;
    services.restart = [] { return false; };
    services.about = demoAbout();
    settings::SettingsView view(store, services);
    Theme::apply(&view, env.dark);
    view.setAutoFillBackground(true);
    if (prepare)
        prepare(view, updates);
    if (!ask)
        return grabWidget(&view, settings::SettingsView::frame);
    view.resize(settings::SettingsView::frame);
    view.show();
    settle(150);
    QDialog* dialog = ask(view);
    settle(150);
    const QImage image = grabWithSheet(&view, dialog, env.dark);
    if (dialog)
        dialog->reject();
    return image;
}

QImage onboardingStep(const Env& env, int step)
{
    rememberFolder(env);
    Stage stage(env);
    MainWindow* window = stage.window();
    window->show();
    settle(150);
    QDialog dialog(window);
    Theme::apply(&dialog, env.dark);
    auto* column = new QVBoxLayout(&dialog);
    column->setContentsMargins(0, 0, 0, 0);
    auto* view = new OnboardingView({}, &dialog);
    column->addWidget(view);
    for (int i = 0; i < step; ++i)
        view->advance();
    dialog.show();
    settle(150);
    const QImage image = grabWithSheet(window, &dialog, env.dark);
    dialog.hide();
    return image;
}

const GalleryScene general(QStringLiteral("settings-general"), [](const Env& env) { return settingsWindow(env, QStringLiteral("general")); });

// The installed settings window when no file manager showed the results folder: the notice at its foot.
const GalleryScene unanswered(QStringLiteral("settings-unanswered"), [](const Env& env) {
    rememberFolder(env);
    Settings::shared().setValue(QString::fromLatin1(settings::SettingsView::tabKey), QStringLiteral("general"));
    auto files = std::make_shared<RecordingFileManager>();
    files->reachable = false;
    ScreenHooks hooks;
    hooks.fileManager = files;
    installScreens(hooks);
    QImage image;
    {
        KelvaroStore store(StoreServices{}, QStringLiteral("kelvaro.gallery.library"));
        store.enterDemo(SampleData::activities(), SampleData::shelves());
        std::unique_ptr<QWidget> window(ScreenFactory::build(Screen::settings, store, nullptr));
        Theme::apply(window.get(), env.dark);
        window->setAutoFillBackground(true);
        window->setFixedSize(settings::SettingsView::frame);
        window->show();
        settle(150);
        window->findChild<QAction*>(QStringLiteral("revealFolder"))->trigger();
        settle(150);
        image = grabWidget(window.get(), settings::SettingsView::frame);
    }
    installScreens(); // the real services again for every other picture
    return image;
});

const GalleryScene restartRow(QStringLiteral("settings-restart"), [](const Env& env) {
    return settingsWindow(env, QStringLiteral("general"), [](settings::SettingsView& view, FakeUpdateSource&) {
        auto* tab = static_cast<settings::GeneralSettingsTab*>(view.page(QStringLiteral("general")));
        tab->findChild<QWidget*>(QStringLiteral("restartRow"))->show();
        tab->restart(); // the launcher of the gallery fails: the row says so
    });
});

// The general tab scrolled to its last rows: sample data and "Uvítání".
const GalleryScene dataRows(QStringLiteral("settings-general-data"), [](const Env& env) {
    return settingsWindow(env, QStringLiteral("general"), [](settings::SettingsView& view, FakeUpdateSource&) {
        // Each tab is its own scroll page.
        if (auto* page = qobject_cast<QScrollArea*>(view.page(QStringLiteral("general")))) {
            view.resize(settings::SettingsView::frame);
            view.show();
            settle(150);
            page->verticalScrollBar()->setValue(page->verticalScrollBar()->maximum());
        }
    });
});

// The general tab scrolled to its end, then Tab from the tab bar to the output folder's "…": the
// page scrolls back to show it, with its ring.
const GalleryScene folderByTab(QStringLiteral("settings-general-tab"), [](const Env& env) {
    return settingsWindow(env, QStringLiteral("general"), [](settings::SettingsView& view, FakeUpdateSource&) {
        auto* page = qobject_cast<QScrollArea*>(view.page(QStringLiteral("general")));
        if (!page)
            return;
        view.resize(settings::SettingsView::frame);
        view.show();
        settle(150);
        page->verticalScrollBar()->setValue(page->verticalScrollBar()->maximum());
        if (auto* tab = view.findChild<QWidget*>(QStringLiteral("tab-general")))
            tab->setFocus(Qt::MouseFocusReason);
        tabUntil(&view, [](QWidget* w) { return w->objectName() == QLatin1String("folderMenu"); });
    });
});

// Tab from the tab bar to a switch of the general tab: "Popisné názvy souborů", on as it starts,
// and "Po dokončení ukázat ve složce", off; each with its ring around the track.
QImage switchByTab(const Env& env, const char* key)
{
    return settingsWindow(env, QStringLiteral("general"), [key](settings::SettingsView& view, FakeUpdateSource&) {
        view.resize(settings::SettingsView::frame);
        view.show();
        settle(150);
        if (auto* tab = view.findChild<QWidget*>(QStringLiteral("tab-general")))
            tab->setFocus(Qt::MouseFocusReason);
        tabUntil(&view, [key](QWidget* w) { return w->objectName() == QLatin1String(key); });
    });
}

const GalleryScene switchOnByTab(QStringLiteral("settings-switch-on-tab"),
                                 [](const Env& env) { return switchByTab(env, "kelvaro.describeNames"); });
const GalleryScene switchOffByTab(QStringLiteral("settings-switch-off-tab"),
                                  [](const Env& env) { return switchByTab(env, "kelvaro.autoReveal"); });

// "Vymazat ukázková data?" over the settings window.
const GalleryScene clearSample(QStringLiteral("settings-clear-sample"), [](const Env& env) {
    return settingsWindow(env, QStringLiteral("general"), {}, [](settings::SettingsView& view) -> QDialog* {
        static_cast<settings::GeneralSettingsTab*>(view.page(QStringLiteral("general")))->confirmClearSampleData();
        return view.findChild<QDialog*>(QStringLiteral("clearSampleDataConfirmation"));
    });
});

const GalleryScene exportTab(QStringLiteral("settings-export"), [](const Env& env) { return settingsWindow(env, QStringLiteral("export")); });

const GalleryScene shortcuts(QStringLiteral("settings-shortcuts"), [](const Env& env) { return settingsWindow(env, QStringLiteral("shortcuts")); });

const GalleryScene about(QStringLiteral("settings-about"), [](const Env& env) {
    return settingsWindow(env, QStringLiteral("about"),
                          [](settings::SettingsView&, FakeUpdateSource& updates) { updates.set(UpdateSource::Status::upToDate); });
});

const GalleryScene aboutUpdate(QStringLiteral("settings-about-update"), [](const Env& env) {
    return settingsWindow(env, QStringLiteral("about"), [&env](settings::SettingsView&, FakeUpdateSource& updates) {
        updates.set(UpdateSource::Status::idle, QStringLiteral("2.0"),
                    env.lang == QLatin1String("en") ? QStringLiteral("Faster HEIC export and a new watermark editor.")
                                                    : QStringLiteral("Rychlejší export do HEIC a nový editor vodoznaku."));
    });
});

const GalleryScene aboutChecking(QStringLiteral("settings-about-checking"), [](const Env& env) {
    return settingsWindow(env, QStringLiteral("about"), [](settings::SettingsView&, FakeUpdateSource& updates) {
        updates.automatic = false;
        updates.set(UpdateSource::Status::checking);
    });
});

const GalleryScene aboutFailed(QStringLiteral("settings-about-failed"), [](const Env& env) {
    return settingsWindow(env, QStringLiteral("about"),
                          [](settings::SettingsView&, FakeUpdateSource& updates) { updates.set(UpdateSource::Status::failed); });
});

const GalleryScene policy(QStringLiteral("privacy-policy"), [](const Env& env) {
    settings::PrivacyPolicyView view(QStringLiteral("kelvaro.example"));
    Theme::apply(&view, env.dark);
    return grabWidget(&view);
});

const GalleryScene welcome(QStringLiteral("onboarding-welcome"), [](const Env& env) { return onboardingStep(env, 0); });
const GalleryScene wheels(QStringLiteral("onboarding-wheels"), [](const Env& env) { return onboardingStep(env, 1); });
const GalleryScene folder(QStringLiteral("onboarding-folder"), [](const Env& env) { return onboardingStep(env, 2); });

} // namespace
} // namespace kelvaro::gallery
