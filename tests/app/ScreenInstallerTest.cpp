// What the installer adds to a screen from a folder the screen may not include: the drop card's
// device question.
#include <QPointer>

#include "AppTestSupport.h"
#include "app/ScreenInstaller.h"
#include "platform/NearbyShare.h"
#include "platform/Settings.h"
#include "ui/design/DesignSystem.h"
#include "ui/main/ScreenFactory.h"
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

} // namespace
