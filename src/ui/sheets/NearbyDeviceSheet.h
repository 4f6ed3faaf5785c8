#pragma once
// The question the "KDE Connect" wedge asks when more than one paired device is reachable: the
// devices by name, one picked (the first at the start), and "Poslat", which sends the wheel's
// files to the picked one. The pick is not stored anywhere; "Zrušit" sends nothing. Created by
// presentNearbyChoices for the store's nearbyChoice; main thread.
#include <QList>
#include <QString>

#include "platform/NearbyShare.h"
#include "ui/sheets/SheetFrame.h"

class QAbstractButton;
class QButtonGroup;

namespace kelvaro {

class KelvaroStore;

class NearbyDeviceSheet : public SheetFrame {
    Q_OBJECT
public:
    NearbyDeviceSheet(KelvaroStore& store, const QList<NearbyDevice>& devices, QWidget* parent = nullptr);

    QString selectedDevice() const; // its id
    // One row per device, in the order given.
    QList<QAbstractButton*> rows() const;

private:
    QList<NearbyDevice> m_devices;
    QButtonGroup* m_group = nullptr;
};

// Shows the device sheet window-modal over `host`'s window whenever the store asks for a choice,
// answers the store when the sheet closes, and closes it should the question go away. Lives as
// long as `host`.
void presentNearbyChoices(KelvaroStore& store, QWidget* host);

} // namespace kelvaro
