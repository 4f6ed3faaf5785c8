// The device question of the "KDE Connect" wedge: it opens when several devices are reachable,
// the picked device gets the files, and "Zrušit" sends nothing and leaves no question behind.
#include <QAbstractButton>
#include <QFile>
#include <QPointer>

#include "ExtrasTestSupport.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/wheel/NearbyDeviceSheet.h"

using namespace kelvaro;
using namespace kelvaro::wheel;

namespace {

class NearbyDeviceSheetTest : public extrastest::CzechTest {
protected:
    void SetUp() override
    {
        CzechTest::SetUp();
        share->reachable = {{QStringLiteral("tablet"), QStringLiteral("Tablet")},
                            {QStringLiteral("phone"), QStringLiteral("Telefon")}};
        StoreServices services;
        services.nearbyShare = share;
        store = std::make_unique<KelvaroStore>(services, QStringLiteral("kelvaro.test.library"));
        presentNearbyChoices(*store, &host);
        host.show();
        QFile f(path(QStringLiteral("a.jpg")));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("x");
        file = f.fileName();
        store->setDroppedFiles({file});
        store->perform({QStringLiteral("KDE Connect"), QStringLiteral("airplayaudio")}, WheelMode::actions);
        ASSERT_TRUE(extrastest::waitFor([&] { return host.findChild<NearbyDeviceSheet*>() != nullptr; }));
        sheet = host.findChild<NearbyDeviceSheet*>();
    }

    std::shared_ptr<RecordingNearbyShare> share = std::make_shared<RecordingNearbyShare>();
    std::unique_ptr<KelvaroStore> store;
    QWidget host;
    QString file;
    QPointer<NearbyDeviceSheet> sheet;
};

TEST_F(NearbyDeviceSheetTest, ThePickedDeviceGetsTheFiles)
{
    ASSERT_EQ(sheet->rows().size(), 2);
    EXPECT_EQ(sheet->selectedDevice(), QStringLiteral("tablet"));
    sheet->rows()[1]->click();
    sheet->actionButton()->click();
    ASSERT_TRUE(extrastest::waitFor([&] { return !share->sent.isEmpty() && !store->isWorking(); }));
    EXPECT_EQ(share->sent, (QList<std::pair<QString, QString>>{{QStringLiteral("phone"), file}}));
    EXPECT_TRUE(store->nearbyChoice().isEmpty());
    EXPECT_TRUE(extrastest::waitFor([&] { return sheet.isNull(); }));
}

TEST_F(NearbyDeviceSheetTest, CancellingSendsNothing)
{
    sheet->cancelButton()->click();
    EXPECT_TRUE(store->nearbyChoice().isEmpty());
    extrastest::spin(100);
    EXPECT_TRUE(share->sent.isEmpty());
    EXPECT_FALSE(store->isWorking());
}

} // namespace
