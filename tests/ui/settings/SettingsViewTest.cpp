// The settings window: nothing written by opening it, the stored tab, the quality the next run
// uses, the language switch retranslating in place with its restart row, the results folder
// (only what was really stored is shown), the sample data and the about page's update states.
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include "../main/UiTestSupport.h"
#include "app/UpdateChecker.h"
#include "app/UpdateCheckerSource.h"
#include "engine/EngineSettings.h"
#include "engine/ImageEngine.h"
#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "platform/FolderChooser.h"
#include "ui/settings/AboutSection.h"
#include "ui/settings/GeneralSettingsTab.h"
#include "ui/settings/PrivacyPolicyView.h"
#include "ui/design/Readout.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/UpdateSource.h"
#include "ui/sheets/SheetFrame.h"

using namespace kelvaro;
using namespace kelvaro::settings;

namespace {

const QStringList kKeys{"kelvaro.settingsTab", "kelvaro.jpegQuality", "kelvaro.heicQuality", "kelvaro.faceStyle",
                        "kelvaro.describeNames", "kelvaro.autoReveal", "kelvaro.onboarded", "AppleLanguages",
                        "kelvaro.outputFolder.bookmark", "updates.autoCheck"};

QString percent(QWidget* root, const QString& rowName)
{
    QWidget* row = root->objectName() == rowName ? root : root->findChild<QWidget*>(rowName);
    return row->findChild<Readout*>("percent")->text();
}

QString labelTitle(QWidget* root, const QString& name)
{
    return root->findChild<SettingLabel*>(name)->title();
}

class SettingsViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store = uitest::makeStore(); // Czech, no sample content
        for (const QString& k : kKeys)
            Settings::shared().remove(k);
        Settings::shared().sync();
        files = std::make_shared<RecordingFileManager>();
    }
    void TearDown() override { FolderChooser::setShared(nullptr); }

    std::unique_ptr<SettingsView> open(std::function<bool()> restart = {})
    {
        SettingsServices services;
        services.updates = &updates;
        services.fileManager = files;
        services.restart = std::move(restart);
        services.about = AboutInfo{};
        auto view = std::make_unique<SettingsView>(*store, services);
        view->show();
        return view;
    }
    QWidget* general(SettingsView& view) { return view.page(QStringLiteral("general")); }

    std::unique_ptr<KelvaroStore> store;
    std::shared_ptr<RecordingFileManager> files;
    FakeUpdateSource updates;
    QTemporaryDir temp;
};

TEST_F(SettingsViewTest, OpeningWritesNothingAndShowsTheDefaultsAndTheChosenTabIsKept)
{
    auto view = open();
    QWidget* exportTab = view->page(QStringLiteral("export"));
    EXPECT_EQ(view->currentTab(), QStringLiteral("general"));
    EXPECT_EQ(percent(exportTab, "kelvaro.jpegQuality"), QStringLiteral("90 %"));
    EXPECT_EQ(percent(exportTab, "kelvaro.heicQuality"), QStringLiteral("85 %"));
    EXPECT_TRUE(general(*view)->findChild<QAbstractButton*>("kelvaro.describeNames")->isChecked());
    for (const QString& k : kKeys)
        EXPECT_FALSE(Settings::shared().contains(k)) << k.toStdString();
    // A chosen tab is stored and the next window opens on it.
    view->findChild<QAbstractButton*>("tab-about")->click();
    EXPECT_EQ(open()->currentTab(), QStringLiteral("about"));
}

TEST_F(SettingsViewTest, StoredQualityShowsAsStoredAndASliderMoveIsWhatTheNextRunUses)
{
    Settings::shared().setValue("kelvaro.jpegQuality", 0.875);
    auto view = open();
    QWidget* row = view->page(QStringLiteral("export"))->findChild<QWidget*>("kelvaro.jpegQuality");
    EXPECT_EQ(percent(row, "kelvaro.jpegQuality"), QStringLiteral("88 %"));
    EXPECT_EQ(Settings::shared().numberValue("kelvaro.jpegQuality"), std::optional<double>(0.875));
    row->findChild<QAbstractSlider*>()->setValue(15); // 15 twentieths
    EXPECT_EQ(Settings::shared().numberValue("kelvaro.jpegQuality"), std::optional<double>(0.75));
    EXPECT_EQ(EngineSettings::read(Settings::shared()).jpegQuality, 0.75);
    EXPECT_EQ(percent(row, "kelvaro.jpegQuality"), QStringLiteral("75 %"));
}

TEST_F(SettingsViewTest, EnglishSwitchesTheWindowInPlaceAndKeepsTheRestartRow)
{
    int restarts = 0;
    auto view = open([&] { return ++restarts, false; });
    auto* language = general(*view)->findChild<QComboBox*>("language");
    QWidget* row = general(*view)->findChild<QWidget*>("restartRow");
    uitest::pressKey(language, Qt::Key_Down); // Čeština → English
    EXPECT_EQ(Settings::shared().stringValue("kelvaro.language"), std::optional<QString>("en"));
    EXPECT_EQ(Settings::shared().stringListValue("AppleLanguages"), std::optional<QStringList>(QStringList{"en"}));
    EXPECT_FALSE(row->isHidden());
    EXPECT_EQ(view->findChild<QAbstractButton*>("tab-general")->text(), QStringLiteral("General"));
    EXPECT_EQ(labelTitle(general(*view), "folder"), QStringLiteral("Not chosen yet"));

    uitest::pressKey(language, Qt::Key_Home); // "Same as system"
    EXPECT_EQ(Settings::shared().stringValue("kelvaro.language"), std::optional<QString>("system"));
    EXPECT_FALSE(Settings::shared().contains("AppleLanguages"));
    EXPECT_FALSE(row->isHidden());

    // A launcher that cannot start: the row stays and says so.
    general(*view)->findChild<QAbstractButton*>("restart")->click();
    EXPECT_EQ(restarts, 1);
    EXPECT_FALSE(row->isHidden());
    EXPECT_TRUE(uitest::texts(row).join(' ').contains(QStringLiteral("couldn’t restart")));
}

TEST_F(SettingsViewTest, RowShowsTheFolderReallyRememberedAndForgettingLeavesItOnDisk)
{
    auto chooser = std::make_shared<FakeFolderChooser>(temp.filePath("gone/Vysledky")); // cannot be remembered
    FolderChooser::setShared(chooser);
    auto view = open();
    auto* tab = static_cast<GeneralSettingsTab*>(general(*view));
    tab->findChild<QAbstractButton*>("changeFolder")->click();
    EXPECT_EQ(labelTitle(tab, "folder"), QStringLiteral("Zatím nevybrána"));
    EXPECT_FALSE(Settings::shared().contains("kelvaro.outputFolder.bookmark"));

    const QString folder = temp.filePath("Archiv/Vysledky");
    ASSERT_TRUE(QDir().mkpath(folder));
    chooser->answer = folder;
    tab->findChild<QAbstractButton*>("changeFolder")->click();
    EXPECT_EQ(labelTitle(tab, "folder"), QStringLiteral("Vysledky"));
    EXPECT_EQ(tab->findChild<SettingLabel*>("folder")->subtitle(), temp.filePath("Archiv"));
    EXPECT_EQ(OutputFolder::resolve(), std::optional<QString>(folder));
    tab->findChild<QAction*>("revealFolder")->trigger();
    EXPECT_EQ(files->revealed, QList<QStringList>{QStringList{folder}});

    tab->findChild<QAction*>("forgetFolder")->trigger();
    EXPECT_EQ(labelTitle(tab, "folder"), QStringLiteral("Zatím nevybrána"));
    EXPECT_FALSE(Settings::shared().contains("kelvaro.outputFolder.bookmark"));
    EXPECT_FALSE(tab->findChild<QWidget*>("folderMenu")->isEnabled());
    EXPECT_TRUE(QFileInfo(folder).isDir());
}

TEST_F(SettingsViewTest, ClearingSampleDataKeepsTheUsersOwnEntries)
{
    const ActivityItem own = uitest::activity("moje.jpg", QDateTime::currentDateTime());
    store->setActivities(SampleData::activities() + QList<ActivityItem>{own});
    auto view = open();
    auto* clear = general(*view)->findChild<QAbstractButton*>("clearSampleData");
    ASSERT_TRUE(clear->isEnabled());
    // Asked in the sheet every deletion uses, over the settings window.
    const auto confirm = [&](bool yes) {
        clear->click();
        auto* sheet = view->findChild<SheetFrame*>("clearSampleDataConfirmation");
        ASSERT_NE(sheet, nullptr);
        EXPECT_EQ(sheet->parentWidget(), view.get());
        EXPECT_TRUE(sheet->isDestructive());
        EXPECT_EQ(sheet->titleText()->text(), QStringLiteral("Vymazat ukázková data?"));
        EXPECT_EQ(sheet->actionButton()->text(), QStringLiteral("Vymazat"));
        (yes ? sheet->actionButton() : sheet->cancelButton())->click();
        EXPECT_FALSE(sheet->isVisible());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); // it goes as it closes
    };
    confirm(false);
    uitest::passPostedEvents();
    EXPECT_TRUE(store->hasSampleData());
    confirm(true);
    EXPECT_TRUE(uitest::waitFor([&] { return !store->hasSampleData(); })) << "the sample data stayed";
    EXPECT_EQ(store->activities(), QList<ActivityItem>{own}); // the rest is the library's own rule
    EXPECT_FALSE(clear->isEnabled());

    general(*view)->findChild<QAbstractButton*>("showOnboarding")->click();
    EXPECT_EQ(Settings::shared().boolValue("kelvaro.onboarded"), std::optional<bool>(false));
}

// ---- Escape --------------------------------------------------------------------------------------

// Escape on an open pop-up list closes the list alone, as in the sheets; the next Escape closes
// the window. The view stands in a window of its own, as the application shows it.
struct ListCase {
    const char* name;
    const char* tab;
    const char* list;
};

void PrintTo(const ListCase& row, std::ostream* os)
{
    *os << row.name;
}

class EscapeOnAList : public SettingsViewTest, public ::testing::WithParamInterface<ListCase> {};

TEST_P(EscapeOnAList, ClosesTheListAndLeavesTheWindowOpen)
{
    const ListCase& row = GetParam();
    Settings::shared().setValue(QString::fromLatin1(SettingsView::tabKey), QString::fromLatin1(row.tab));
    SettingsServices services;
    services.updates = &updates;
    services.fileManager = files;
    services.about = AboutInfo{};
    QWidget window(nullptr, Qt::Window);
    auto* column = new QVBoxLayout(&window);
    column->setContentsMargins(0, 0, 0, 0);
    auto* view = new SettingsView(*store, services, &window);
    column->addWidget(view);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return QGuiApplication::focusWindow() == window.windowHandle(); }));
    auto* list = view->page(QString::fromLatin1(row.tab))->findChild<QComboBox*>(QString::fromLatin1(row.list));
    ASSERT_NE(list, nullptr);
    list->setFocus(Qt::TabFocusReason);
    list->showPopup();
    QWidget* popup = list->view()->window();
    ASSERT_TRUE(uitest::waitFor([&] { return popup->isVisible(); })) << "the list never opened";

    ASSERT_TRUE(test::typeKey(Qt::Key_Escape));
    EXPECT_TRUE(uitest::waitFor([&] { return !popup->isVisible(); })) << "the list stayed open";
    uitest::passPostedEvents();
    ASSERT_TRUE(window.isVisible()) << "the window closed with the list";

    // The test platform leaves its focus on the closed list, where a desktop keeps it on the window.
    window.activateWindow();
    ASSERT_TRUE(uitest::waitFor([&] { return QGuiApplication::focusWindow() == window.windowHandle(); }));
    ASSERT_TRUE(test::typeKey(Qt::Key_Escape));
    EXPECT_TRUE(uitest::waitFor([&] { return !window.isVisible(); })) << "the second Escape left the window open";
}

INSTANTIATE_TEST_SUITE_P(Lists, EscapeOnAList,
                         ::testing::Values(ListCase{"language", "general", "language"},
                                           ListCase{"faceStyle", "export", "faceStyle"}),
                         test::RowName());

// ---- About ----------------------------------------------------------------------------------------

struct UpdateCase {
    UpdateSource::Status status;
    std::optional<QString> version;
    std::optional<QString> notes;
    const char* shown; // the visible texts of the update row, joined by "|"
    bool spinner;
    bool checkEnabled;
};
class AboutUpdates : public ::testing::TestWithParam<UpdateCase> {};
TEST_P(AboutUpdates, ShowTheCheckersState)
{
    Settings::shared().setValue("kelvaro.language", "cs");
    FakeUpdateSource updates;
    AboutSection about(&updates, AboutInfo{}, {});
    about.show();
    const UpdateCase& c = GetParam();
    updates.set(c.status, c.version, c.notes);
    QWidget* row = about.findChild<QWidget*>("updates");
    QStringList shown;
    for (Text* t : row->findChildren<Text*>())
        if (t->isVisibleTo(row))
            shown << t->text();
    EXPECT_EQ(shown.join('|'), QString::fromUtf8(c.shown));
    EXPECT_EQ(row->findChild<QWidget*>("spinner")->isVisibleTo(row), c.spinner);
    auto* check = row->findChild<QAbstractButton*>("check");
    EXPECT_EQ(check->isVisibleTo(row) && check->isEnabled(), c.checkEnabled);
    if (c.version) {
        row->findChild<QAbstractButton*>("download")->click();
        EXPECT_EQ(updates.downloads, 1);
    }
}
INSTANTIATE_TEST_SUITE_P(
    States, AboutUpdates,
    ::testing::Values(UpdateCase{UpdateSource::Status::idle, {}, {}, "", false, true},
                      UpdateCase{UpdateSource::Status::checking, {}, {}, "", true, false},
                      UpdateCase{UpdateSource::Status::upToDate, {}, {}, "Máš nejnovější verzi", false, true},
                      UpdateCase{UpdateSource::Status::failed, {}, {}, "Kontrola se nepovedla", false, true},
                      // Notes from the network are shown as the plain text they are.
                      UpdateCase{UpdateSource::Status::idle, QStringLiteral("2.0"), QStringLiteral("<b>Rychlejší</b> HEIC"),
                                 "Je dostupná nová verze 2.0|<b>Rychlejší</b> HEIC", false, false},
                      UpdateCase{UpdateSource::Status::idle, QStringLiteral("2.0"), QStringLiteral(""),
                                 "Je dostupná nová verze 2.0", false, false}));

TEST(AboutWithoutFeed, HidesTheUpdateRowAndEveryWordOfUpdateChecks)
{
    Settings::shared().setValue("kelvaro.language", "cs");
    FakeUpdateSource updates;
    updates.feed = false;
    AboutSection about(&updates, AboutInfo{}, {});
    EXPECT_TRUE(about.findChild<QWidget*>("updates")->isHidden());
    EXPECT_TRUE(about.findChild<QWidget*>("site")->isHidden()); // no web addresses in this build
    EXPECT_TRUE(about.findChild<QWidget*>("support")->isHidden());
    EXPECT_FALSE(about.findChild<Text*>("promise")->text().contains(QStringLiteral("verze")));
    for (const auto& [title, text] : PrivacyPolicyView::paragraphs(QString()))
        EXPECT_FALSE(text.contains(QStringLiteral("nejnovější verze"))) << title.toStdString();
    EXPECT_EQ(PrivacyPolicyView::paragraphs(QStringLiteral("kelvaro.example")).size(), 6);
}

TEST(AboutAutoCheck, TheBoxStoresTheCheckersSetting)
{
    Settings::shared().remove("updates.autoCheck");
    UpdateChecker::Environment environment;
    environment.feed = QUrl(QStringLiteral("https://kelvaro.example/feed.json"));
    UpdateChecker checker(environment);
    UpdateCheckerSource source(checker);
    AboutSection about(&source, AboutInfo{}, {});
    auto* box = about.findChild<QCheckBox*>("autoCheck");
    EXPECT_TRUE(box->isChecked());
    box->click();
    EXPECT_EQ(Settings::shared().boolValue("updates.autoCheck"), std::optional<bool>(false));
}

// ---- The fixed window ------------------------------------------------------------------------------

// What of the open tab a user could not read whole: a text cut or elided, a control squeezed
// below its size, or anything outside the window. A form page may scroll, but only downwards;
// the about page does not scroll at all.
QStringList cutParts(SettingsView& view)
{
    QWidget* page = view.page(view.currentTab());
    auto* form = qobject_cast<QScrollArea*>(page);
    const QRect shown = form ? QRect(form->viewport()->mapTo(&view, QPoint()), form->viewport()->size()) : view.rect();
    QStringList cut;
    for (QWidget* w : page->findChildren<QWidget*>()) {
        auto* text = qobject_cast<Text*>(w);
        if ((!text && !qobject_cast<QAbstractButton*>(w) && !qobject_cast<QComboBox*>(w)) || !w->isVisibleTo(&view))
            continue;
        const QRect at(w->mapTo(&view, QPoint()), w->size());
        const QString what = QStringLiteral("%1 \"%2\" at %3,%4 %5×%6")
                                 .arg(w->metaObject()->className(), text ? text->text() : w->property("text").toString())
                                 .arg(at.x()).arg(at.y()).arg(at.width()).arg(at.height());
        const bool outside = form ? at.left() < shown.left() || at.right() > shown.right() : !shown.contains(at);
        bool squeezed = false;
        if (text)
            squeezed = text->isElided() || (text->hasHeightForWidth() ? text->height() < text->heightForWidth(text->width())
                                                                       : text->width() < text->sizeHint().width() ||
                                                                             text->height() < text->sizeHint().height());
        else
            squeezed = w->width() < w->sizeHint().width() || w->height() < w->minimumSizeHint().height();
        if (outside || squeezed)
            cut << what + (outside ? QStringLiteral(" outside") : QStringLiteral(" squeezed"));
    }
    return cut;
}

struct FitCase {
    const char* language;
    const char* tab;
    bool newerRelease = false; // the about page's tallest state: a new version with its notes
    bool restartRow = false;   // the general tab after a language change whose restart failed
};
void PrintTo(const FitCase& c, std::ostream* os)
{
    *os << c.language << ' ' << c.tab << (c.newerRelease ? " with a newer release" : "") << (c.restartRow ? " with the restart row" : "");
}
class SettingsFit : public ::testing::TestWithParam<FitCase> {};

TEST_P(SettingsFit, EveryTabFitsTheFixedWindowWithNoTextCut)
{
    const FitCase& c = GetParam();
    auto store = uitest::makeStore();
    Settings::shared().setValue("kelvaro.language", QString::fromLatin1(c.language));
    Settings::shared().setValue(QString::fromLatin1(SettingsView::tabKey), QString::fromLatin1(c.tab));
    FakeUpdateSource updates;
    if (c.newerRelease)
        updates.set(UpdateSource::Status::idle, QStringLiteral("2.0"),
                    QStringLiteral("Rychlejší export do HEIC, nový editor vodoznaku a spousta drobných oprav."));
    else
        updates.set(UpdateSource::Status::upToDate);
    SettingsServices services;
    services.updates = &updates;
    services.restart = [] { return false; };
    services.about = AboutInfo{.version = QStringLiteral("1.0.0"), .build = QStringLiteral("1"),
                               .siteCs = QUrl(QStringLiteral("https://kelvaro.example/cs")),
                               .siteEn = QUrl(QStringLiteral("https://kelvaro.example/en")),
                               .supportCs = QUrl(QStringLiteral("https://kelvaro.example/cs/podpora")),
                               .supportEn = QUrl(QStringLiteral("https://kelvaro.example/en/support"))};
    // In the platform's font and in the application's own.
    for (const QFont& font : uitest::interfaceFonts()) {
        const uitest::ApplicationFont shown(font);
        SettingsView view(*store, services);
        view.show();
        if (c.restartRow) {
            auto* tab = static_cast<GeneralSettingsTab*>(view.page(QStringLiteral("general")));
            tab->findChild<QWidget*>(QStringLiteral("restartRow"))->show();
            tab->restart();
        }
        EXPECT_EQ(view.width(), 540);
        EXPECT_EQ(view.height(), 500);
        EXPECT_TRUE(view.minimumSize() == view.maximumSize()) << "the window's frame is fixed";
        QStringList cut;
        EXPECT_TRUE(uitest::waitFor([&] { return (cut = cutParts(view)).isEmpty(); }))
            << font.family().toStdString() << ":\n" << cut.join('\n').toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    BothLanguages, SettingsFit,
    ::testing::Values(FitCase{"cs", "general", false, true}, FitCase{"en", "general", false, true}, FitCase{"cs", "export"},
                      FitCase{"en", "export"}, FitCase{"cs", "shortcuts"}, FitCase{"en", "shortcuts"}, FitCase{"cs", "about"},
                      FitCase{"en", "about"}, FitCase{"cs", "about", true}, FitCase{"en", "about", true}));

} // namespace
