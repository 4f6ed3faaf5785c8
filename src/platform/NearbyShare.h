#pragma once
// Sending files to a nearby device. On this desktop that is a phone (or another computer) paired
// through KDE Connect, reached over its daemon's D-Bus interface. Each call blocks on the
// service, so the store makes them from a background task; safe from any thread.
#include <utility>

#include <QList>
#include <QMutex>
#include <QString>
#include <QStringList>

namespace kelvaro {

struct NearbyDevice {
    QString id;   // the service's own key
    QString name; // as the user named the device
    bool operator==(const NearbyDevice&) const = default;
};

class NearbyShare {
public:
    virtual ~NearbyShare() = default;
    // The paired devices reachable now, by name; none when the service is not running.
    virtual QList<NearbyDevice> devices() = 0;
    // Hands one local file to a device; whether the device's share service took it.
    virtual bool send(const QString& deviceId, const QString& path) = 0;
};

// KDE Connect: the daemon's reachable paired devices and their share plugin (shareUrl per file),
// each call waiting at most 2 s. Unavailable without a session bus or a running daemon.
class KdeConnectShare : public NearbyShare {
public:
    QList<NearbyDevice> devices() override;
    bool send(const QString& deviceId, const QString& path) override;
};

// A stand-in that records what it was handed. Any thread.
class RecordingNearbyShare : public NearbyShare {
public:
    QList<NearbyDevice> devices() override
    {
        QMutexLocker lock(&mutex);
        return available ? reachable : QList<NearbyDevice>{};
    }
    bool send(const QString& deviceId, const QString& path) override
    {
        QMutexLocker lock(&mutex);
        sent.append({deviceId, path});
        return available && !refused.contains(path);
    }
    QStringList sentFiles() const
    {
        QMutexLocker lock(&mutex);
        QStringList files;
        for (const auto& [device, file] : sent)
            files.append(file);
        return files;
    }

    mutable QMutex mutex;
    bool available = true;
    QList<NearbyDevice> reachable{{QStringLiteral("phone"), QStringLiteral("Telefon")}};
    QStringList refused;                     // files the devices turn down while available
    QList<std::pair<QString, QString>> sent; // (device id, file), in the order handed over
};

} // namespace kelvaro
