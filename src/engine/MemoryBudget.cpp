#include "engine/MemoryBudget.h"

#include <atomic>
#include <limits>

#include <QFile>
#include <QImageReader>

#include "engine/ImageProbe.h"

namespace kelvaro {
namespace {

constexpr qint64 kBytesPerPixel = 12;
constexpr qint64 kUnknownPixels = 12'000'000;
constexpr qint64 kNoOverride = -1;
std::atomic<qint64> availableOverride{kNoOverride};

// The first number of a text file (a /proc or /sys value), or none.
std::optional<qint64> readNumber(const QString& path, const QByteArray& key = {})
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray& line : lines) {
        if (!key.isEmpty() && !line.startsWith(key))
            continue;
        const QByteArray value = key.isEmpty() ? line.trimmed() : line.mid(key.size()).trimmed();
        bool ok = false;
        const qint64 number = value.split(' ').value(0).toLongLong(&ok);
        return ok ? std::optional<qint64>(number) : std::nullopt;
    }
    return std::nullopt;
}

} // namespace

MemoryBudget::MemoryBudget(qint64 availableBytes) : m_limit(availableBytes > 0 ? std::max<qint64>(availableBytes / 2, 1) : 0) {}

MemoryBudget MemoryBudget::forThisMachine()
{
    return MemoryBudget(availableMemory());
}

qint64 MemoryBudget::estimate(const QString& file)
{
    qint64 pixels = 0;
    if (const auto size = ImageEngine::uprightSize(file))
        pixels = qint64(size->width()) * size->height();
    else if (const QSize size = QImageReader(file).size(); size.isValid()) // BMP and the like
        pixels = qint64(size.width()) * size.height();
    if (pixels <= 0)
        pixels = kUnknownPixels;
    return pixels * kBytesPerPixel;
}

qint64 MemoryBudget::availableMemory()
{
    if (const qint64 set = availableOverride.load(); set != kNoOverride)
        return set;
    const auto kibibytes = readNumber(QStringLiteral("/proc/meminfo"), "MemAvailable:");
    qint64 available = kibibytes ? *kibibytes * 1024 : 0;
    // A control group's limit ("max" when there is none) can be far below the machine's memory.
    const auto limit = readNumber(QStringLiteral("/sys/fs/cgroup/memory.max"));
    const auto current = readNumber(QStringLiteral("/sys/fs/cgroup/memory.current"));
    if (limit && current) {
        const qint64 left = std::max<qint64>(*limit - *current, 1); // nothing left: one file at a time
        available = available > 0 ? std::min(available, left) : left;
    }
    return available;
}

void MemoryBudget::setAvailableMemoryOverride(std::optional<qint64> bytes)
{
    availableOverride.store(bytes ? std::max<qint64>(*bytes, 0) : kNoOverride);
}

} // namespace kelvaro
