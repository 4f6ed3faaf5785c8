#include "platform/Bookmark.h"

#include <sys/stat.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

namespace kelvaro::Bookmark {
namespace {
struct Identity {
    qint64 device = 0;
    qint64 inode = 0;
};

std::optional<Identity> identityOf(const QString& path)
{
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return Identity{qint64(st.st_dev), qint64(st.st_ino)};
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
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    const auto id = identityOf(absolute);
    if (!id)
        return {};
    QJsonObject o{{QStringLiteral("kind"), QStringLiteral("kelvaro.bookmark")},
                  {QStringLiteral("path"), absolute},
                  {QStringLiteral("device"), QString::number(id->device)},
                  {QStringLiteral("inode"), QString::number(id->inode)}};
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
    out.stale = QString::number(id->device) != o->value(QStringLiteral("device")).toString()
        || QString::number(id->inode) != o->value(QStringLiteral("inode")).toString();
    return out;
}

QString storedPath(const QByteArray& blob)
{
    const auto o = parse(blob);
    return o ? o->value(QStringLiteral("path")).toString() : QString();
}

} // namespace kelvaro::Bookmark
