#include "app/LaunchRequest.h"

#include <poll.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>
#include <QtEndian>

#include "platform/NativePath.h"

namespace kelvaro::launchWire {
namespace {

const QString kFilesKey = QStringLiteral("files");
const QString kActivateKey = QStringLiteral("activate");

} // namespace

QByteArray encode(const LaunchRequest& request)
{
    QJsonObject object;
    object.insert(kFilesKey, QJsonArray::fromStringList(request.files));
    object.insert(kActivateKey, request.activate);
    const QByteArray payload = QJsonDocument(object).toJson(QJsonDocument::Compact);
    QByteArray frame(4, '\0');
    qToBigEndian(quint32(payload.size()), frame.data());
    return frame + payload;
}

// The paths are NativePath text; JSON keeps a byte that is not UTF-8 as its escaped code unit.
std::optional<LaunchRequest> decode(const QByteArray& payload)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(payload, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    LaunchRequest request;
    const QJsonObject object = document.object();
    request.activate = object.value(kActivateKey).toBool(false);
    for (const QJsonValue& value : object.value(kFilesKey).toArray()) {
        const QString path = value.toString();
        // Asked with the path's own bytes: QFileInfo would find no file whose name is not UTF-8.
        if (!path.isEmpty() && QDir::isAbsolutePath(path) && ::access(NativePath::encoded(path).constData(), F_OK) == 0)
            request.files.append(QDir::cleanPath(path));
    }
    return request;
}

std::optional<QByteArray> readFrame(QLocalSocket& socket, const QDeadlineTimer& deadline)
{
    const auto arrived = [&](qint64 bytes) {
        while (socket.bytesAvailable() < bytes) {
            if (deadline.hasExpired() || !socket.waitForReadyRead(int(qMax<qint64>(1, deadline.remainingTime()))))
                return false;
        }
        return true;
    };
    char header[4];
    if (!arrived(4) || socket.read(header, 4) != 4)
        return std::nullopt;
    const quint32 size = qFromBigEndian<quint32>(header);
    if (size > maxRequestBytes || !arrived(qint64(size)))
        return std::nullopt;
    return socket.read(size);
}

bool hungUp(const QLocalSocket& socket)
{
    pollfd peer{int(socket.socketDescriptor()), POLLRDHUP, 0};
    return peer.fd < 0 || (::poll(&peer, 1, 0) > 0 && (peer.revents & (POLLRDHUP | POLLHUP | POLLERR | POLLNVAL)));
}

} // namespace kelvaro::launchWire
