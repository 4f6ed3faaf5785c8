// The tray's drop window: its texts, the drag feedback, drops into the wheel, the live line of
// watched folders, its buttons, and where the window opens.

#include "../support/WidgetEvents.h"
#include "AppTestSupport.h"
#include "app/MenuBarDropView.h"
#include "app/StatusItemDrop.h"
#include "app/ScreenInstaller.h"
#include "platform/Settings.h"
#include "ui/design/DesignSystem.h"
#include "ui/main/ScreenFactory.h"
#include "watch/FolderWatcher.h"

using namespace kelvaro;
using namespace kelvaro::apptest;

namespace {

using test::dragEnter;
using test::drop;

// Drag data of `urls`: web links as they are, paths as file URLs.
std::unique_ptr<QMimeData> urlData(const QStringList& urls)
{
    return std::unique_ptr<QMimeData>(test::urlMime(test::urlsOf(urls)));
}

const QPointF at(20, 20);

WatchRule rule(bool enabled)
{
    WatchRule r = WatchRule::make(QStringLiteral("/tmp/Export"), {}, WatchAction::convert(QStringLiteral("jpg")));
    r.isEnabled = enabled;
    return r;
}

class MenuBarDropViewTest : public AppFixture {
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        hooks.openMainWindow = [this] { ++opened; };
        hooks.quit = [this] { ++quits; };
    }
    void TearDown() override { ScreenFactory::reset(); }

    // The screens installed as the application installs them, with this test's hooks.
    void install()
    {
        ScreenFactory::setWatcher(&watcher);
        installScreens({hooks.openMainWindow, hooks.quit, {}, {}});
    }

    FolderWatcher watcher;
    MenuBarDropView::Hooks hooks;
    int opened = 0;
    int quits = 0;
};

TEST_F(MenuBarDropViewTest, WebLinksAndTextAreRefusedAndAPhotoDragSaysLetGo)
{
    MenuBarDropView view(*store, watcher, hooks);
    DropBox* box = view.dropBox();
    const std::unique_ptr<QMimeData> links = urlData({QStringLiteral("https://example.com/a.jpg")});
    EXPECT_FALSE(dragEnter(box, at, links.get()));
    EXPECT_FALSE(box->isTargeted());
    EXPECT_FALSE(drop(box, at, links.get()).accepted);
    QMimeData text;
    text.setText(QStringLiteral("/tmp/a.jpg"));
    EXPECT_FALSE(dragEnter(box, at, &text));
    EXPECT_TRUE(store->droppedFiles().isEmpty());
    EXPECT_EQ(opened, 0);

    const std::unique_ptr<QMimeData> photo = urlData({writePhoto(dir(), QStringLiteral("a.jpg"))});
    EXPECT_TRUE(dragEnter(box, at, photo.get()));
    EXPECT_EQ(box->title(), QStringLiteral("Pusť to sem"));
    EXPECT_EQ(box->symbol(), QStringLiteral("arrow.down.circle.fill"));
    EXPECT_DOUBLE_EQ(box->borderOpacity(), 0.9);
    test::dragLeave(box);
    EXPECT_EQ(box->title(), QStringLiteral("Přetáhni sem fotky"));
    EXPECT_EQ(box->symbol(), QStringLiteral("photo.stack"));
    EXPECT_DOUBLE_EQ(box->borderOpacity(), 0.4);
}

TEST_F(MenuBarDropViewTest, TheFramelessWindowTogglesClosesOnEscapeAndLoadsDroppedPhotos)
{
    install();
    StatusItemDrop window(*store);
    auto* view = qobject_cast<MenuBarDropView*>(window.content());
    ASSERT_NE(view, nullptr);
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_FALSE((window.windowFlags() & Qt::WindowType_Mask) == Qt::Popup);
    window.showNear(QPoint(100, 100));
    ASSERT_TRUE(waitUntil([&] { return window.isActiveWindow(); }));
    EXPECT_EQ(QApplication::focusWidget(), view) << "a button took the focus and its ring as the window came up";
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(&window, &escape);
    EXPECT_FALSE(window.isVisible());
    window.toggleNear(QPoint(100, 100));
    EXPECT_TRUE(window.isVisible());
    window.toggleNear(QPoint(100, 100));
    EXPECT_FALSE(window.isVisible());

    window.showNear(QPoint(400, 10));
    ASSERT_TRUE(window.isVisible());
    store->receive(QStringList{writePhoto(dir(), QStringLiteral("old.png"))}, false);
    store->setSidebarSelection(SidebarItem::history);
    const QStringList photos{writePhoto(dir(), QStringLiteral("1.jpg")), writePhoto(dir(), QStringLiteral("2.png")),
                             writePhoto(dir(), QStringLiteral("3.jpg"))};
    // A mixed drag keeps its files.
    const std::unique_ptr<QMimeData> data = urlData({photos[0], QStringLiteral("https://example.com/x.jpg"), photos[1], photos[2]});

    DropBox* box = view->dropBox();
    ASSERT_TRUE(dragEnter(box, at, data.get()));
    EXPECT_TRUE(drop(box, at, data.get()).accepted);
    EXPECT_FALSE(box->isTargeted());
    EXPECT_EQ(store->droppedFiles(), photos);
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::home);
    EXPECT_EQ(opened, 1);
    EXPECT_FALSE(window.isVisible()); // its work is done
}

TEST_F(MenuBarDropViewTest, WatchLineCountsSwitchedOnFoldersLive)
{
    MenuBarDropView view(*store, watcher, hooks);
    view.show();
    const int bare = view.sizeHint().height();
    EXPECT_TRUE(view.watchLine()->isHidden());

    watcher.enterDemo({rule(true)});
    EXPECT_FALSE(view.watchLine()->isHidden());
    EXPECT_EQ(view.watchText(), QStringLiteral("Hlídám 1 složku"));
    EXPECT_GT(view.sizeHint().height(), bare);

    watcher.enterDemo({rule(true), rule(true), rule(false), rule(true)});
    EXPECT_EQ(view.watchText(), QStringLiteral("Hlídám 3 složky"));
    watcher.enterDemo(QList<WatchRule>(7, rule(true)) << rule(false));
    EXPECT_EQ(view.watchText(), QStringLiteral("Hlídám 7 složek"));

    // Only switched-off rules: no line, and no gap where it was.
    watcher.enterDemo({rule(false), rule(false)});
    EXPECT_TRUE(view.watchLine()->isHidden());
    EXPECT_EQ(view.sizeHint().height(), bare);
}

// The view as the tray window gets it from the installed screens, with the hooks handed there.
TEST_F(MenuBarDropViewTest, ButtonsOpenChooseAndQuit)
{
    install();
    QWidget host;
    std::unique_ptr<QWidget> built(ScreenFactory::build(Screen::dropWindow, *store, &host));
    auto* view = qobject_cast<MenuBarDropView*>(built.get());
    ASSERT_NE(view, nullptr);
    store->setSidebarSelection(SidebarItem::shelves);
    view->openButton()->click();
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::shelves);

    store->setImporterAdds(true);
    view->chooseButton()->click();
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(store->sidebarSelection(), SidebarItem::home);
    EXPECT_FALSE(store->importerAdds()); // the importer replaces the wheel's files
    EXPECT_TRUE(waitUntil([&] { return store->showImporter(); }));

    view->quitButton()->click();
    EXPECT_EQ(quits, 1);
}

// ---- Placement -----------------------------------------------------------------------------------

TEST(Placement, NearThePointerAndInsideTheScreen)
{
    const QRect area(0, 30, 1280, 770); // a panel of 30 at the top
    const QSize size(260, 300);
    const std::pair<QPoint, QPoint> rows[] = {
        {QPoint(640, 15), QPoint(510, 30)},   // tray at the top: below
        {QPoint(1270, 40), QPoint(1020, 48)}, // pushed in from the right
        {QPoint(10, 790), QPoint(0, 482)},    // panel at the bottom: above
        {QPoint(700, 799), QPoint(570, 491)},
        {QPoint(640, 500), QPoint(510, 192)}};
    for (const auto& [pointer, expected] : rows) {
        const QPoint topLeft = StatusItemDrop::placement(size, pointer, area);
        EXPECT_EQ(topLeft, expected) << pointer.x() << "," << pointer.y();
        EXPECT_TRUE(area.contains(QRect(topLeft, size)));
    }
}

} // namespace
