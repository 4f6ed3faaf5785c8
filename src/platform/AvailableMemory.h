#pragma once
// How much memory this process may still take before the system runs short or a memory control
// group's limit makes the kernel kill it: the system's MemAvailable, lowered to what every memory
// cgroup on the path from the process's own up to the root still leaves. cgroup v2 sets limits in
// memory.max and memory.high and counts use in memory.current; the v1 memory hierarchy in
// memory.limit_in_bytes and memory.usage_in_bytes. Page cache the kernel drops before it kills
// (memory.stat's cache, active or not, dirty or not, less tmpfs, shared and mapped pages) is not
// counted as used, nor what the caller holds and counts itself (`held`); MemAvailable counts the
// machine's file pages as free, dirty or not, already. Every file is read below a root, "/" for
// the machine's own, a tree of a test's otherwise; what cannot be read or makes no sense (a
// number out of range, a FIFO, a path that leaves its mount) limits nothing.
// Stateless; any thread.
#include <QString>
#include <QtGlobal>

namespace kelvaro::AvailableMemory {

struct Reading {
    // Bytes; 0 when unknown, at least 1 when a cgroup has nothing left.
    qint64 available = 0;
    // What the hard limits alone (memory.max, memory.limit_in_bytes: past them the kernel kills
    // the process) still leave, in bytes; 0 when no cgroup on the path sets one.
    qint64 hardRoom = 0;
};

// Reads proc/meminfo, proc/self/cgroup, proc/self/mountinfo and the cgroup files under `root`.
// `held`: bytes of this process's that the caller counts as held itself (what a memory budget
// holds and keeps), so they are in the machine's and the groups' usage already: they count as
// free, up to what each group uses.
Reading measure(const QString& root = QStringLiteral("/"), qint64 held = 0);
// measure(root).available.
qint64 read(const QString& root = QStringLiteral("/"));

} // namespace kelvaro::AvailableMemory
