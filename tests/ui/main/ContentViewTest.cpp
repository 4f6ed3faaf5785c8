#include <QAction>
#include <QDialog>
#include <QDir>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include "UiTestSupport.h"
#include "l10n/Localization.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "platform/FolderChooser.h"
#include "platform/Settings.h"
#include "ui/main/ContentView.h"
#include "ui/main/HomeView.h"
#include "ui/main/ScreenFactory.h"
#include "ui/main/Sidebar.h"
#include "ui/main/WindowToolbar.h"

using namespace kelvaro;
using namespace kelvaro::uitest;

namespace {

class ContentViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        store = makeStore();
        files = std::make_shared<RecordingFileManager>();
        ContentView::Options options;
        options.fileManager = files;
        options.openSettings = [this] { ++settingsOpened; };
        options.openStudio = [this] { ++studioOpened; };
        view = std::make_unique<ContentView>(*store, options);
        view->resize(1200, 800);
    }
    void TearDown() override
    {
        view.reset();
        FolderChooser::setShared(nullptr);
    }

    std::unique_ptr<KelvaroStore> store;
    std::shared_ptr<RecordingFileManager> files;
    std::unique_ptr<ContentView> view;
    int settingsOpened = 0;
    int studioOpened = 0;
};

// The store's selection picks the screen and the highlighted row; a click on a row writes it,
// and a second click on the selected row keeps it.
TEST_F(ContentViewTest, TheSelectionPicksTheScreenAndTheHighlightedRow)
{
    store->setSidebarSelection(SidebarItem::history);
    EXPECT_EQ(view->currentScreen(), view->screen(SidebarItem::history));
    EXPECT_EQ(view->toolbar()->pageTitle(), QStringLiteral("Historie"));
    for (SidebarRow* row : view->sidebar()->rows())
        EXPECT_EQ(row->isHighlighted(), row->item() == SidebarItem::history) << qPrintable(row->text());

    store->setSidebarSelection(std::nullopt);
    EXPECT_EQ(view->currentSection(), SidebarItem::home);
    EXPECT_NE(qobject_cast<HomeView*>(view->currentScreen()), nullptr);
    for (SidebarRow* row : view->sidebar()->rows())
        EXPECT_FALSE(row->isHighlighted());

    for (int i = 0; i < 2; ++i)
        view->sidebar()->row(SidebarItem::watch)->click();
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::watch));
    EXPECT_TRUE(view->sidebar()->row(SidebarItem::watch)->isHighlighted());
}

TEST_F(ContentViewTest, ToolbarActionsActOnTheStore)
{
    store->setSidebarSelection(SidebarItem::shelves);
    view->toolbar()->guideAction()->trigger();
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::guide));
    view->toolbar()->chooseAction()->trigger();
    EXPECT_EQ(store->sidebarSelection(), std::optional<SidebarItem>(SidebarItem::home));
    EXPECT_FALSE(store->importerAdds());
    EXPECT_TRUE(waitFor([&] { return store->showImporter(); }));
    view->toolbar()->settingsAction()->trigger();
    EXPECT_EQ(settingsOpened, 1);
}

// Without a remembered folder the toolbar asks for one: a cancelled question reveals nothing, a
// chosen folder is remembered and revealed, and once remembered it is revealed without asking.
TEST_F(ContentViewTest, RevealAsksOnlyWithoutARememberedFolder)
{
    QTemporaryDir out;
    auto chooser = std::make_shared<FakeFolderChooser>(std::nullopt);
    FolderChooser::setShared(chooser);
    view->toolbar()->outputFolderAction()->trigger();
    EXPECT_EQ(chooser->requests.size(), 1);
    EXPECT_TRUE(files->revealed.isEmpty());
    EXPECT_FALSE(store->heldFolder().has_value());

    chooser->answer = out.path();
    view->toolbar()->outputFolderAction()->trigger();
    EXPECT_EQ(chooser->requests.size(), 2);
    ASSERT_TRUE(OutputFolder::resolve().has_value());
    EXPECT_EQ(QDir(*OutputFolder::resolve()).canonicalPath(), QDir(out.path()).canonicalPath());
    view->toolbar()->outputFolderAction()->trigger();
    EXPECT_EQ(chooser->requests.size(), 2);
    ASSERT_EQ(files->revealed.size(), 2);
    EXPECT_EQ(QDir(files->revealed.last().first()).canonicalPath(), QDir(out.path()).canonicalPath());
}

TEST_F(ContentViewTest, StudioButtonOnlyWhenEnabledAndNoDemoContent)
{
    QToolButton* studio = view->sidebar()->studioButton();
    EXPECT_TRUE(studio->isHidden()); // setting missing
    Settings::shared().setValue(QStringLiteral("kelvaro.studio.enabled"), true);
    EXPECT_FALSE(studio->isHidden());
    store->enterDemo(SampleData::activities(), SampleData::shelves());
    EXPECT_TRUE(waitFor([&] { return studio->isHidden(); })) << "the studio button stayed with the demo content";
    store->exitDemo();
    EXPECT_TRUE(waitFor([&] { return !studio->isHidden(); })) << "the studio button never came back";
    studio->click();
    EXPECT_EQ(studioOpened, 1);
    view->sidebar()->settingsButton()->click();
    EXPECT_EQ(settingsOpened, 1);
    Settings::shared().remove(QStringLiteral("kelvaro.studio.enabled"));
}

struct FooterCase {
    const char* language;
    int width;
    bool oneLine;
};
void PrintTo(const FooterCase& c, std::ostream* os)
{
    *os << c.language << " at " << c.width << " px";
}
class SidebarFooterFit : public ::testing::TestWithParam<FooterCase> {};

// Beside the studio and settings buttons the privacy line is whole: on one line at the
// sidebar's usual width, wrapped rather than cut when the sidebar is dragged narrower.
TEST_P(SidebarFooterFit, PrivacyLineIsWholeBesideTheStudioButton)
{
    const FooterCase& c = GetParam();
    auto store = makeStore();
    Settings::shared().setValue(QStringLiteral("kelvaro.language"), QString::fromLatin1(c.language));
    Settings::shared().setValue(QStringLiteral("kelvaro.studio.enabled"), true);
    for (const QFont& font : interfaceFonts()) {
        const ApplicationFont shown(font);
        Sidebar sidebar(*store, {});
        sidebar.resize(c.width, 700);
        sidebar.show();
        auto* privacy = sidebar.findChild<Text*>(QStringLiteral("privacy"));
        ASSERT_NE(privacy, nullptr);
        QWidget* studio = sidebar.studioButton();
        const int line = QFontMetrics(Theme::font(TextStyle::caption)).height();
        const auto whole = [&] {
            const QRect text(privacy->mapTo(&sidebar, QPoint()), privacy->size());
            const bool shownWhole = privacy->hasHeightForWidth() ? privacy->height() >= privacy->heightForWidth(privacy->width())
                                                                 : privacy->width() >= privacy->sizeHint().width();
            return studio->isVisible() && !privacy->isElided() && shownWhole &&
                   text.right() < studio->mapTo(&sidebar, QPoint()).x() && sidebar.rect().contains(text) &&
                   (!c.oneLine || privacy->height() < 2 * line);
        };
        EXPECT_TRUE(waitFor(whole)) << font.family().toStdString() << ": \"" << privacy->text().toStdString() << "\" is "
                                    << privacy->width() << "×" << privacy->height() << " px, needs " << privacy->sizeHint().width()
                                    << " px on one line";
    }
    Settings::shared().remove(QStringLiteral("kelvaro.studio.enabled"));
}

INSTANTIATE_TEST_SUITE_P(BothLanguages, SidebarFooterFit,
                         ::testing::Values(FooterCase{"cs", Sidebar::idealWidth, true}, FooterCase{"en", Sidebar::idealWidth, true},
                                           FooterCase{"cs", Sidebar::minimumWidth, false},
                                           FooterCase{"en", Sidebar::minimumWidth, false}));

TEST_F(ContentViewTest, SheetsFollowTheStoresActiveSheet)
{
    view->show();
    store->setActiveSheet(ToolSheet::resize);
    ASSERT_NE(view->sheet(), nullptr);
    EXPECT_EQ(view->sheet()->windowModality(), Qt::WindowModal);
    QPointer<QDialog> open = view->sheet();
    store->setActiveSheet(std::nullopt);
    EXPECT_EQ(view->sheet(), nullptr);
    EXPECT_TRUE(waitFor([&] { return open.isNull() || !open->isVisible(); })) << "the closed sheet stayed on screen";
}

TEST_F(ContentViewTest, ShelvesAreReadFromDiskOnFirstShowAndOnActivation)
{
    QTemporaryDir out;
    ASSERT_TRUE(OutputFolder::remember(out.path()));
    QDir(out.path()).mkpath(QStringLiteral("Police/Výlet"));
    kelvaro::test::writeFile(out.filePath(QStringLiteral("Police/Výlet/a.jpg")), "x");
    EXPECT_TRUE(store->shelves().isEmpty());
    view->show();
    ASSERT_TRUE(waitFor([&] { return store->shelves().size() == 1; })) << "the shelf on disk was never read";
    passPostedEvents(); // the window's activation, which reads them too, comes before the new folder
    EXPECT_EQ(store->shelves().first().name, QStringLiteral("Výlet"));

    QDir(out.path()).mkpath(QStringLiteral("Police/Druhá"));
    view->hide();
    view->show(); // showing again is not a first appearance
    passPostedEvents();
    EXPECT_EQ(store->shelves().size(), 1);
    Q_EMIT qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_EQ(store->shelves().size(), 2);
}

} // namespace
