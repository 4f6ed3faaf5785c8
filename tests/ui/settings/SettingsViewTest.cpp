// The settings window: nothing written by opening it, the stored tab, the quality the next run
// uses, the language switch retranslating in place with its restart row, the results folder
// (only what was really stored is shown), the sample data and the about page's update states.
#include <QAbstractSlider>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QMessageBox>
#include <QTemporaryDir>

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
#include "ui/settings/SettingsView.h"
#include "ui/settings/UpdateSource.h"

using namespace kelvaro;
using namespace kelvaro::settings;

namespace {

const QStringList kKeys{"kelvaro.settingsTab", "kelvaro.jpegQuality", "kelvaro.heicQuality", "kelvaro.faceStyle",
                        "kelvaro.describeNames", "kelvaro.autoReveal", "kelvaro.onboarded", "AppleLanguages",
                        "kelvaro.outputFolder.bookmark", "updates.autoCheck"};

QString percent(QWidget* root, const QString& rowName)
{
    QWidget* row = root->objectName() == rowName ? root : root->findChild<QWidget*>(rowName);
    return row->findChild<Text*>("percent")->text();
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
    EXPECT_TRUE(uitest::texts(row).join(' ').contains(QStringLiteral("couldn't restart")));
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
    const auto confirm = [&](bool yes) {
        clear->click();
        auto* box = general(*view)->findChild<QMessageBox*>("clearSampleDataConfirmation");
        ASSERT_NE(box, nullptr);
        for (QAbstractButton* b : box->buttons())
            if ((box->buttonRole(b) == QMessageBox::DestructiveRole) == yes)
                return b->click();
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

} // namespace
