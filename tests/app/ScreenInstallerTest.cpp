// What the installer adds to a screen from a folder the screen may not include: the drop card's
// device question, the settings window's notice.
#include <QPointer>

#include <QAction>

#include "AppTestSupport.h"
#include "app/ScreenInstaller.h"
#include "output/OutputFolder.h"
#include "platform/FileManager.h"
#include "platform/NearbyShare.h"
#include "platform/Settings.h"
#include "ui/design/DesignSystem.h"
#include "ui/main/ScreenFactory.h"
#include "ui/main/StatusNotice.h"
#include "ui/sheets/NearbyDeviceSheet.h"

using namespace kelvaro;
using namespace kelvaro::apptest;

namespace {

class ScreenInstallerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.isValid());
        Settings::shared().setValue(QStringLiteral("kelvaro.language"), QStringLiteral("cs"));
        installScreens();
    }
    void TearDown() override { ScreenFactory::reset(); }

    QTemporaryDir temp;
};

TEST_F(ScreenInstallerTest, TheDropCardAsksWhichDeviceGetsTheFiles)
{
    auto share = std::make_shared<RecordingNearbyShare>();
    share->reachable = {{QStringLiteral("tablet"), QStringLiteral("Tablet")}, {QStringLiteral("phone"), QStringLiteral("Telefon")}};
    StoreServices services;
    services.nearbyShare = share;
    KelvaroStore store(services, QStringLiteral("kelvaro.test.library"));
    QWidget host;
    std::unique_ptr<QWidget> card(ScreenFactory::build(Screen::dropCard, store, &host));
    ASSERT_FALSE(ScreenFactory::isPlaceholder(card.get()));
    host.show();

    store.setDroppedFiles({writePhoto(QDir(temp.path()), QStringLiteral("a.jpg"))});
    store.perform({QStringLiteral("KDE Connect"), QStringLiteral("airplayaudio")}, WheelMode::actions);
    ASSERT_TRUE(waitUntil([&] { return host.findChild<NearbyDeviceSheet*>() != nullptr; }, 8000))
        << "the device question never opened over the card";
    QPointer<NearbyDeviceSheet> sheet = host.findChild<NearbyDeviceSheet*>();
    EXPECT_EQ(sheet->rows().size(), 2);
    sheet->cancelButton()->click();
    EXPECT_TRUE(waitUntil([&] { return store.nearbyChoice().isEmpty() && sheet.isNull(); }, 8000));
    EXPECT_TRUE(share->sent.isEmpty());
}

// The settings window has no status line: a results folder nobody could show says so at its foot.
TEST_F(ScreenInstallerTest, TheSettingsSayWhenNoFileManagerShowedTheResultsFolder)
{
    ScreenFactory::reset();
    auto files = std::make_shared<RecordingFileManager>();
    files->reachable = false;
    installScreens({.fileManager = files});
    const QString folder = temp.filePath(QStringLiteral("Výsledky"));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(OutputFolder::remember(folder));
    KelvaroStore store(StoreServices{}, QStringLiteral("kelvaro.test.library"));
    std::unique_ptr<QWidget> window(ScreenFactory::build(Screen::settings, store, nullptr));
    window->show();
    auto* notice = window->findChild<StatusNotice*>();
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->text().isEmpty());

    window->findChild<QAction*>(QStringLiteral("revealFolder"))->trigger();
    EXPECT_EQ(files->revealed, QList<QStringList>{QStringList{folder}});
    EXPECT_EQ(notice->text(), QStringLiteral("Složku „Výsledky“ se nepodařilo zobrazit – žádný správce souborů neodpověděl."));
    EXPECT_TRUE(notice->isVisible());
}

} // namespace
