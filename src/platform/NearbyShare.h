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
    // Hands the files over; returns those the service accepted, in order (none: unavailable).
    virtual QStringList send(const QStringList& paths) = 0;
};

// KDE Connect: the first reachable paired device's share plugin (shareUrl per file).
// Unavailable without a session bus or a running daemon.
class KdeConnectShare : public NearbyShare {
public:
    bool canSend(const QStringList& paths) override;
    QStringList send(const QStringList& paths) override;

private:
    QString reachableDevice() const;
};

class RecordingNearbyShare : public NearbyShare {
public:
    bool canSend(const QStringList&) override { return available; }
    QStringList send(const QStringList& paths) override
    {
        sent.append(paths);
        if (!available)
            return {};
        QStringList accepted = paths;
        accepted.removeIf([this](const QString& path) { return refused.contains(path); });
        return accepted;
    }
    bool available = true;
    QStringList refused; // files the service turns down while available
    QList<QStringList> sent;
};

} // namespace kelvaro
