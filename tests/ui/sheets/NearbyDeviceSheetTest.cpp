// The device question of the "KDE Connect" wedge: it opens when several devices are reachable
// and the picked device gets the files.
#include <QAbstractButton>
#include <QFile>
#include <QPointer>

#include "../main/UiTestSupport.h"
#include "store/KelvaroStore.h"
#include "ui/design/DesignSystem.h"
#include "ui/sheets/NearbyDeviceSheet.h"

using namespace kelvaro;

namespace {

using NearbyDeviceSheetTest = uitest::CzechTest;

TEST_F(NearbyDeviceSheetTest, ThePickedDeviceGetsTheFiles)
{
    auto share = std::make_shared<RecordingNearbyShare>();
    share->reachable = {{QStringLiteral("tablet"), QStringLiteral("Tablet")}, {QStringLiteral("phone"), QStringLiteral("Telefon")}};
    StoreServices services;
    services.nearbyShare = share;
    KelvaroStore store(services, QStringLiteral("kelvaro.test.library"));
    QWidget host;
    presentNearbyChoices(store, &host);
    host.show();
    QFile file(path(QStringLiteral("a.jpg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    store.setDroppedFiles({file.fileName()});
    store.perform({QStringLiteral("KDE Connect"), QStringLiteral("airplayaudio")}, WheelMode::actions);
    ASSERT_TRUE(uitest::waitFor([&] { return host.findChild<NearbyDeviceSheet*>() != nullptr; }));
    QPointer<NearbyDeviceSheet> sheet = host.findChild<NearbyDeviceSheet*>();

    ASSERT_EQ(sheet->rows().size(), 2);
    EXPECT_EQ(sheet->selectedDevice(), QStringLiteral("tablet"));
    sheet->rows()[1]->click();
    sheet->actionButton()->click();
    ASSERT_TRUE(uitest::waitFor([&] { return !share->sent.isEmpty() && !store.isWorking(); }));
    EXPECT_EQ(share->sent, (QList<std::pair<QString, QString>>{{QStringLiteral("phone"), file.fileName()}}));
    EXPECT_TRUE(store.nearbyChoice().isEmpty());
    EXPECT_TRUE(uitest::waitFor([&] { return sheet.isNull(); }));
}

} // namespace
