#include "platform/AvailableMemory.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QByteArray>
#include <QList>

#include "platform/NativePath.h"

namespace kelvaro::AvailableMemory {
namespace {

// The kernel's files are small: a larger one is none of theirs.
constexpr qsizetype kMaxFileBytes = 1 << 20;
// cgroup v1 writes "no limit" as the largest count of whole pages.
constexpr qint64 kNoLimit = qint64(1) << 62;

// The bytes of the regular file at `path`; empty when it is missing, anything else (a FIFO would
// block the read) or too large. procfs and cgroupfs report no true size: read to the end.
QByteArray contents(const QByteArray& path)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0)
        return {};
    QByteArray bytes;
    struct stat info {};
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode)) {
        char buffer[8192];
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                break;
            bytes.append(buffer, n);
            if (bytes.size() > kMaxFileBytes) {
                bytes.clear();
                break;
            }
        }
    }
    ::close(fd);
    return bytes;
}

// A count of bytes as the kernel writes it, digits only; none for "max", for what means no limit
// and for anything else.
std::optional<qint64> count(QByteArray text)
{
    text = text.trimmed();
    if (text.isEmpty() || text.size() > 19 || !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value >= kNoLimit)
        return std::nullopt;
    return value;
}

// The count after `key` on a line of a "key value" file (meminfo, memory.stat).
std::optional<qint64> field(const QByteArray& text, const QByteArray& key)
{
    for (const QByteArray& line : text.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() >= 2 && words[0] == key)
            return count(words[1]);
    }
    return std::nullopt;
}

// mountinfo writes a space, tab, newline or backslash in a path as \ooo.
QByteArray unescaped(const QByteArray& text)
{
    QByteArray out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const auto octal = [&](qsizetype at) { return at < text.size() && text[at] >= '0' && text[at] <= '7'; };
        if (text[i] == '\\' && octal(i + 1) && octal(i + 2) && octal(i + 3)) {
            out.append(char((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 + (text[i + 3] - '0')));
            i += 3;
        } else {
            out.append(text[i]);
        }
    }
    return out;
}

// A mounted memory hierarchy: the cgroup its root folder stands for, and where it is.
struct Mount {
    bool v2 = true;
    QByteArray root;
    QByteArray point;
};

QList<Mount> memoryMounts(const QByteArray& mountinfo)
{
    QList<Mount> mounts;
    for (const QByteArray& line : mountinfo.split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        // id, parent, device, root, mount point, options, optional fields, "-", type, source, options
        const qsizetype dash = fields.indexOf("-", 6);
        if (dash < 0 || dash + 3 >= fields.size())
            continue;
        const QByteArray& type = fields[dash + 1];
        const bool v1 = type == "cgroup" && fields[dash + 3].split(',').contains("memory");
        if (type == "cgroup2" || v1)
            mounts.append({!v1, unescaped(fields[3]), unescaped(fields[4])});
    }
    return mounts;
}

// The process's cgroup in the v2 hierarchy and in v1's memory hierarchy ("/" when not told).
struct Membership {
    QByteArray v2 = "/";
    QByteArray v1 = "/";
};

Membership membership(const QByteArray& text)
{
    Membership member;
    for (const QByteArray& line : text.split('\n')) {
        // hierarchy id : controllers : path, and the path may hold colons of its own
        const qsizetype first = line.indexOf(':');
        const qsizetype second = first < 0 ? -1 : line.indexOf(':', first + 1);
        if (second < 0)
            continue;
        const QByteArray controllers = line.mid(first + 1, second - first - 1);
        const QByteArray path = line.mid(second + 1);
        if (line.left(first) == "0" && controllers.isEmpty())
            member.v2 = path;
        else if (controllers.split(',').contains("memory"))
            member.v1 = path;
    }
    return member;
}

// The folders of `cgroup` and of each cgroup above it within `mount`, under `root`, innermost
// first. A cgroup outside what the mount shows (another namespace's) or a path that climbs
// leaves only the mount's own folder, which is the nearest limit that can be seen.
QList<QByteArray> folders(const QByteArray& root, const Mount& mount, const QByteArray& cgroup)
{
    QByteArray below;
    if (mount.root == "/")
        below = cgroup;
    else if (cgroup == mount.root || cgroup.startsWith(mount.root + '/'))
        below = cgroup.mid(mount.root.size());
    QList<QByteArray> parts;
    for (const QByteArray& part : below.split('/'))
        if (!part.isEmpty())
            parts.append(part);
    if (parts.contains("..") || parts.contains("."))
        parts.clear();
    QList<QByteArray> found;
    for (qsizetype depth = parts.size(); depth >= 0; --depth) {
        QByteArray folder = root + mount.point;
        for (qsizetype i = 0; i < depth; ++i)
            folder += '/' + parts[i];
        found.append(folder);
    }
    return found;
}

// The page cache of a group's memory.stat that the kernel drops before it kills, in bytes: the
// whole cache, active or not (under its limit the kernel deactivates active pages and drops them
// too), pages waiting to be written back included (reclaim writes them and drops them within
// seconds; counted as used, a photo written just before was refused), but not tmpfs and shared
// memory (swap-backed: they go only to swap, if there is any) nor pages mapped into a process
// (the programs' own code and mapped files, which reclaim would have to read straight back).
// Where the cache's total is not written (older kernels), the file pages on the reclaim lists.
qint64 reclaimable(const QByteArray& stat, bool v2)
{
    const auto get = [&](const char* key, const char* keyV1) { return field(stat, v2 ? key : keyV1).value_or(0); };
    const std::optional<qint64> cache = field(stat, v2 ? "file" : "total_cache");
    if (!cache)
        return std::min(get("active_file", "total_active_file") + get("inactive_file", "total_inactive_file"), kNoLimit);
    qint64 pinned = 0;
    for (const auto& [key, keyV1] : {std::pair{"shmem", "total_shmem"}, std::pair{"file_mapped", "total_mapped_file"}})
        pinned = std::min(pinned + get(key, keyV1), kNoLimit);
    return std::max<qint64>(*cache - pinned, 0);
}

// What the cgroup at `folder` still leaves for its members below its limits, soft or hard, and
// below its hard limit alone: none when it sets no such limit. `held` counts as free (measure).
struct Room {
    std::optional<qint64> any;
    std::optional<qint64> hard;
};

Room room(const QByteArray& folder, bool v2, qint64 held)
{
    const auto file = [&](const char* name) { return contents(folder + '/' + name); };
    const std::optional<qint64> hard = count(file(v2 ? "memory.max" : "memory.limit_in_bytes"));
    std::optional<qint64> limit = hard;
    if (v2) {
        // Past memory.high the kernel reclaims and throttles the group hard.
        if (const auto high = count(file("memory.high")); high && (!limit || *high < *limit))
            limit = high;
    }
    if (!limit)
        return {};
    const qint64 usage = count(file(v2 ? "memory.current" : "memory.usage_in_bytes")).value_or(0);
    const qint64 cache = reclaimable(file("memory.stat"), v2);
    const qint64 used = std::max<qint64>(usage - std::min(cache, usage) - std::clamp<qint64>(held, 0, usage), 0);
    // Nothing left: one file at a time.
    const auto left = [&](qint64 bound) { return std::max<qint64>(bound - used, 1); };
    return {left(*limit), hard ? std::optional<qint64>(left(*hard)) : std::nullopt};
}

} // namespace

Reading measure(const QString& root, qint64 held)
{
    held = std::clamp<qint64>(held, 0, kNoLimit);
    QByteArray base = NativePath::encoded(root);
    while (base.endsWith('/'))
        base.chop(1);
    std::optional<qint64> available;
    std::optional<qint64> hardRoom;
    const auto lower = [](std::optional<qint64>& value, qint64 bound) { value = value ? std::min(*value, bound) : bound; };
    const std::optional<qint64> kibibytes = field(contents(base + "/proc/meminfo"), "MemAvailable:");
    if (kibibytes && *kibibytes < kNoLimit / 1024)
        available = *kibibytes * 1024 + held;

    QList<Mount> mounts = memoryMounts(contents(base + "/proc/self/mountinfo"));
    if (mounts.isEmpty())
        mounts = {{true, "/", "/sys/fs/cgroup"}, {false, "/", "/sys/fs/cgroup/memory"}};
    const Membership member = membership(contents(base + "/proc/self/cgroup"));
    for (const Mount& mount : mounts) {
        for (const QByteArray& folder : folders(base, mount, mount.v2 ? member.v2 : member.v1)) {
            const Room left = room(folder, mount.v2, held);
            if (left.any)
                lower(available, *left.any);
            if (left.hard)
                lower(hardRoom, *left.hard);
        }
    }
    return {available.value_or(0), hardRoom.value_or(0)};
}

qint64 read(const QString& root)
{
    return measure(root).available;
}

} // namespace kelvaro::AvailableMemory
