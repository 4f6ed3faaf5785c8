#pragma once
// Sending files to a nearby device. On this desktop that is a phone paired through KDE Connect,
// reached over its daemon's D-Bus interface. Main thread.
#include <QList>
#include <QString>
#include <QStringList>

namespace kelvaro {

class NearbyShare {
public:
    virtual ~NearbyShare() = default;
    // Whether these files can be sent now (a reachable paired device, local files).
    virtual bool canSend(const QStringList& paths) = 0;
    // Hands the files over; true when the service accepted them.
    virtual bool send(const QStringList& paths) = 0;
};

// KDE Connect: the first reachable paired device's share plugin (shareUrl per file).
// Unavailable without a session bus or a running daemon.
class KdeConnectShare : public NearbyShare {
public:
    bool canSend(const QStringList& paths) override;
    bool send(const QStringList& paths) override;

private:
    QString reachableDevice() const;
};

class RecordingNearbyShare : public NearbyShare {
public:
    bool canSend(const QStringList&) override { return available; }
    bool send(const QStringList& paths) override { sent.append(paths); return available; }
    bool available = true;
    QList<QStringList> sent;
};

} // namespace kelvaro
