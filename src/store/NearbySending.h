#pragma once
// NearbySending: the wheel's files handed to a paired device over KDE Connect as the store's
// background job, with progress and cancel. With several reachable devices the user is asked
// which one; the answer holds for that sending only. What a device took is booked in the
// history, what it refused is counted on the status line. Owned by KelvaroStore; main thread.
#include <memory>
#include <optional>

#include <QList>
#include <QObject>
#include <QString>

#include "platform/NearbyShare.h"

namespace kelvaro {

class BackgroundJob;
class Intake;
class Library;
class StoreStatus;

class NearbySending : public QObject {
    Q_OBJECT
public:
    // `share` may be null: sending is then unavailable.
    NearbySending(Library& library, StoreStatus& status, Intake& intake, BackgroundJob& job,
                  std::shared_ptr<NearbyShare> share, QObject* parent = nullptr);

    // The devices the user is asked to choose from when more than one was found; empty while no
    // choice is pending.
    const QList<NearbyDevice>& nearbyChoice() const { return m_nearbyChoice; }
    // The wedge: finds the reachable devices and sends to the only one, or asks.
    void sendNearby();
    // Answers the pending choice; nothing when `deviceId` is not one of it.
    void sendToDevice(const QString& deviceId);
    void dismissNearbyChoice();

Q_SIGNALS:
    void nearbyChoiceChanged();

private:
    void setNearbyChoice(const QList<NearbyDevice>& devices);
    void startSending(const std::optional<NearbyDevice>& device);

    Library& m_library;
    StoreStatus& m_status;
    Intake& m_intake;
    BackgroundJob& m_job;
    std::shared_ptr<NearbyShare> m_share;
    QList<NearbyDevice> m_nearbyChoice;
};

} // namespace kelvaro
