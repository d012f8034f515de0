// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QtGlobal>

#include <optional>

// How much more memory the program may take before an allocation fails or the system starts
// killing processes. Asked before a file is read, so that a file too large for the memory left
// is refused with a message instead of failing half-way through decoding or layout.
class MemoryBudget
{
public:
    // Kept free for everything else the program does while a file is shown.
    static constexpr qint64 reserve = qint64(64) << 20;

    struct SystemFigures
    {
        std::optional<qint64> addressLimit; // RLIMIT_AS, when one is set
        std::optional<qint64> addressInUse; // the process's virtual size
        std::optional<qint64> memAvailable; // free memory the kernel can hand out
        std::optional<qint64> swapFree;
        // The memory limit of the process's control group (systemd's MemoryMax, a container's
        // limit), the lowest along its path, and what the group uses of it now.
        std::optional<qint64> groupLimit;
        std::optional<qint64> groupInUse;
    };

    MemoryBudget() = default; // the system's figures, read each time they are asked for
    static MemoryBudget fixed(qint64 bytes); // a budget of a given size, whatever the system has

    // Bytes that may still be allocated now; never negative.
    qint64 available() const;
    bool allows(qint64 bytes) const { return bytes >= 0 && bytes <= available(); }

    // The smallest room any of the system's limits leaves, less the reserve.
    static qint64 availableFrom(const SystemFigures &figures);
    static SystemFigures readSystemFigures();
    // A "Name:   1234 kB" line of /proc/meminfo or /proc/self/status, in bytes.
    static std::optional<qint64> kibibyteField(QByteArrayView text, QByteArrayView name);

    // The control group's folders that may limit the process's memory, from the process's own
    // group up to the top, as /proc/self/cgroup names them: the memory controller's (cgroup v1,
    // "N:memory:/path") when there is one, else the unified hierarchy's (v2, "0::/path").
    // Paths are below the hierarchy's mount point; v1 says so in its flag.
    struct GroupFolders
    {
        QList<QByteArray> folders; // "/a/b", "/a", "/" (empty when the file names none)
        bool version1 = false;
    };
    static GroupFolders groupFolders(QByteArrayView procSelfCgroup);
    // A limit file's content ("memory.max", "memory.limit_in_bytes"): bytes, or nothing for
    // "max" or a value too large to be a real limit.
    static std::optional<qint64> groupLimitValue(QByteArrayView text);

    // The lowest limit along the process's groups, and what that group uses now, read from the
    // hierarchy mounted at root ("/sys/fs/cgroup"; v1's memory controller below it in
    // "memory"). Nothing when no group sets a limit.
    struct GroupFigures
    {
        std::optional<qint64> limit;
        std::optional<qint64> inUse;
    };
    static GroupFigures groupFigures(const QByteArray &root, QByteArrayView procSelfCgroup);

private:
    std::optional<qint64> m_fixed;
};
