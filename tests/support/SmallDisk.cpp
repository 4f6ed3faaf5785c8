#include "SmallDisk.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <sys/mount.h>
#include <sys/statvfs.h>

#include <QByteArray>
#include <QDir>
#include <QFile>

namespace kelvaro::test {

SmallDisk::SmallDisk(const QString& folder, qint64 bytes) : m_folder(folder)
{
    QDir().mkpath(folder);
    const QByteArray options = "size=" + QByteArray::number(bytes) + ",mode=0755";
    if (::mount("tmpfs", QFile::encodeName(folder).constData(), "tmpfs", 0, options.constData()) == 0)
        m_mounted = true;
    else
        m_whyNot = QStringLiteral("a tmpfs cannot be mounted here: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        ::umount2(QFile::encodeName(m_folder).constData(), MNT_DETACH);
}

bool SmallDisk::makeReadOnly()
{
    return m_mounted && ::mount(nullptr, QFile::encodeName(m_folder).constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

qint64 SmallDisk::freeBytes() const
{
    struct statvfs info {};
    if (::statvfs(QFile::encodeName(m_folder).constData(), &info) != 0)
        return -1;
    return qint64(info.f_bavail) * qint64(info.f_frsize);
}

void SmallDisk::fillLeaving(qint64 room)
{
    QFile filler(m_folder + QStringLiteral("/filler"));
    if (!filler.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return;
    const QByteArray page(4096, 'x');
    while (freeBytes() > room) {
        const qint64 chunk = std::min<qint64>(page.size(), freeBytes() - room);
        if (filler.write(page.constData(), chunk) <= 0)
            break;
    }
}

} // namespace kelvaro::test
