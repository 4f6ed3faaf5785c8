#include "platform/Bookmark.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <QJsonDocument>
#include <QJsonObject>

#include "platform/NativeFile.h"
#include "platform/NativePath.h"

namespace kelvaro::Bookmark {
namespace {
// Inode numbers are reused at once after a delete, so a folder deleted and made again at the
// same path often gets the same one; the birth time (where the file system keeps it) tells them
// apart. 0 when unknown.
struct Identity {
    qint64 device = 0;
    qint64 inode = 0;
    qint64 birthNanos = 0;
};

std::optional<Identity> identityOf(const QString& path)
{
    struct statx sx {};
    // The path's own bytes: QFile::encodeName would name another file when it is not UTF-8.
    const QByteArray native = NativePath::encoded(path);
    if (::statx(AT_FDCWD, native.constData(), 0, STATX_INO | STATX_BTIME, &sx) == 0) {
        const qint64 dev = qint64(makedev(sx.stx_dev_major, sx.stx_dev_minor));
        const qint64 birth = (sx.stx_mask & STATX_BTIME) ? qint64(sx.stx_btime.tv_sec) * 1000000000 + sx.stx_btime.tv_nsec : 0;
        return Identity{dev, qint64(sx.stx_ino), birth};
    }
    struct stat st {};
    if (::stat(native.constData(), &st) != 0)
        return std::nullopt;
    return Identity{qint64(st.st_dev), qint64(st.st_ino), 0};
}

std::optional<QJsonObject> parse(const QByteArray& blob)
{
    if (blob.isEmpty())
        return std::nullopt;
    const QJsonDocument doc = QJsonDocument::fromJson(blob);
    if (!doc.isObject())
        return std::nullopt;
    const QJsonObject o = doc.object();
    if (!o.value(QStringLiteral("path")).isString() || o.value(QStringLiteral("path")).toString().isEmpty())
        return std::nullopt;
    return o;
}
} // namespace

QByteArray create(const QString& path)
{
    const QString absolute = NativeFile::absolute(path);
    const auto id = identityOf(absolute);
    if (!id)
        return {};
    QJsonObject o{{QStringLiteral("kind"), QStringLiteral("kelvaro.bookmark")},
                  {QStringLiteral("path"), absolute},
                  {QStringLiteral("device"), QString::number(id->device)},
                  {QStringLiteral("inode"), QString::number(id->inode)},
                  {QStringLiteral("birth"), QString::number(id->birthNanos)}};
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

std::optional<ResolvedBookmark> resolve(const QByteArray& blob)
{
    const auto o = parse(blob);
    if (!o)
        return std::nullopt;
    ResolvedBookmark out;
    out.path = o->value(QStringLiteral("path")).toString();
    const auto id = identityOf(out.path);
    if (!id)
        return std::nullopt;
    const QString storedBirth = o->value(QStringLiteral("birth")).toString();
    // A birth time missing on either side (older blob, file system without it) is not compared.
    const bool birthDiffers = !storedBirth.isEmpty() && storedBirth != QStringLiteral("0") && id->birthNanos != 0
        && storedBirth != QString::number(id->birthNanos);
    out.stale = QString::number(id->device) != o->value(QStringLiteral("device")).toString()
        || QString::number(id->inode) != o->value(QStringLiteral("inode")).toString() || birthDiffers;
    return out;
}

bool identifies(const QByteArray& blob, const QString& path)
{
    const auto o = parse(blob);
    const auto id = o ? identityOf(path) : std::nullopt;
    if (!id)
        return false;
    const QString storedBirth = o->value(QStringLiteral("birth")).toString();
    const bool birthDiffers = !storedBirth.isEmpty() && storedBirth != QStringLiteral("0") && id->birthNanos != 0
        && storedBirth != QString::number(id->birthNanos);
    return QString::number(id->device) == o->value(QStringLiteral("device")).toString()
        && QString::number(id->inode) == o->value(QStringLiteral("inode")).toString() && !birthDiffers;
}

QString storedPath(const QByteArray& blob)
{
    const auto o = parse(blob);
    return o ? o->value(QStringLiteral("path")).toString() : QString();
}

} // namespace kelvaro::Bookmark
