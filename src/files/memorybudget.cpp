// SPDX-License-Identifier: GPL-3.0-or-later
#include "memorybudget.h"

#include <QFile>

#include <algorithm>
#include <limits>
#include <sys/resource.h>

MemoryBudget MemoryBudget::fixed(qint64 bytes)
{
    MemoryBudget budget;
    budget.m_fixed = std::max<qint64>(bytes, 0);
    return budget;
}

qint64 MemoryBudget::available() const
{
    if (m_fixed)
        return *m_fixed;
    return availableFrom(readSystemFigures());
}

qint64 MemoryBudget::availableFrom(const SystemFigures &figures)
{
    qint64 room = std::numeric_limits<qint64>::max();
    if (figures.addressLimit)
        room = std::min(room, *figures.addressLimit - figures.addressInUse.value_or(0));
    // With overcommit an allocation beyond this succeeds, but touching it pages the whole
    // desktop out or wakes the out-of-memory killer.
    if (figures.memAvailable)
        room = std::min(room, *figures.memAvailable + figures.swapFree.value_or(0));
    // Past the group's limit the kernel kills the process, whatever the machine has free.
    if (figures.groupLimit)
        room = std::min(room, *figures.groupLimit - figures.groupInUse.value_or(0));
    if (room == std::numeric_limits<qint64>::max())
        return room;
    return std::max<qint64>(room - reserve, 0);
}

std::optional<qint64> MemoryBudget::kibibyteField(QByteArrayView text, QByteArrayView name)
{
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = text.indexOf('\n', at);
        if (end < 0)
            end = text.size();
        QByteArrayView line = text.sliced(at, end - at);
        at = end + 1;
        if (!line.startsWith(name) || line.size() <= name.size() || line[name.size()] != ':')
            continue;
        line = line.sliced(name.size() + 1).trimmed();
        const qsizetype space = line.indexOf(' ');
        const QByteArrayView number = space < 0 ? line : line.first(space);
        bool ok = false;
        const qint64 kib = number.toLongLong(&ok);
        if (!ok || kib < 0 || kib > std::numeric_limits<qint64>::max() / 1024)
            return std::nullopt;
        return kib * 1024;
    }
    return std::nullopt;
}

namespace {

QByteArray readProcFile(const char *path)
{
    // Files in /proc report a size of 0; read them as a stream.
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64 * 1024);
}

} // namespace

MemoryBudget::SystemFigures MemoryBudget::readSystemFigures()
{
    SystemFigures figures;
    rlimit limit{};
    if (getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
        limit.rlim_cur <= rlim_t(std::numeric_limits<qint64>::max()))
        figures.addressLimit = qint64(limit.rlim_cur);
    const QByteArray status = readProcFile("/proc/self/status");
    figures.addressInUse = kibibyteField(status, "VmSize");
    const QByteArray meminfo = readProcFile("/proc/meminfo");
    figures.memAvailable = kibibyteField(meminfo, "MemAvailable");
    figures.swapFree = kibibyteField(meminfo, "SwapFree");
    const GroupFigures group = groupFigures("/sys/fs/cgroup", readProcFile("/proc/self/cgroup"));
    figures.groupLimit = group.limit;
    figures.groupInUse = group.inUse;
    return figures;
}

MemoryBudget::GroupFigures MemoryBudget::groupFigures(const QByteArray &root,
                                                      QByteArrayView procSelfCgroup)
{
    GroupFigures figures;
    const GroupFolders groups = groupFolders(procSelfCgroup);
    const QByteArray mount = groups.version1 ? root + "/memory" : root;
    const char *limitName = groups.version1 ? "/memory.limit_in_bytes" : "/memory.max";
    const char *usageName = groups.version1 ? "/memory.usage_in_bytes" : "/memory.current";
    for (const QByteArray &folder : groups.folders) {
        const QByteArray path = mount + (folder == "/" ? QByteArray() : folder);
        const std::optional<qint64> limit =
            groupLimitValue(readProcFile((path + limitName).constData()));
        if (!limit || (figures.limit && *figures.limit <= *limit))
            continue;
        // The group that sets the lowest limit counts what all its members use.
        figures.limit = limit;
        figures.inUse = groupLimitValue(readProcFile((path + usageName).constData()));
    }
    return figures;
}

MemoryBudget::GroupFolders MemoryBudget::groupFolders(QByteArrayView procSelfCgroup)
{
    GroupFolders result;
    QByteArray unified;
    QByteArray memory;
    for (const QByteArray &line : procSelfCgroup.toByteArray().split('\n')) {
        // "hierarchy-ID:controllers:path"; the path may hold colons of its own.
        const qsizetype first = line.indexOf(':');
        const qsizetype second = first < 0 ? -1 : line.indexOf(':', first + 1);
        if (second < 0)
            continue;
        const QByteArray id = line.first(first);
        const QByteArray controllers = line.sliced(first + 1, second - first - 1);
        const QByteArray path = line.sliced(second + 1);
        if (!path.startsWith('/'))
            continue;
        if (id == "0" && controllers.isEmpty())
            unified = path;
        else if (controllers.split(',').contains("memory"))
            memory = path;
    }
    // A system with both hierarchies keeps the memory controller in the first.
    result.version1 = !memory.isEmpty();
    QByteArray path = result.version1 ? memory : unified;
    while (!path.isEmpty()) {
        result.folders.append(path);
        if (path == "/")
            break;
        const qsizetype slash = path.lastIndexOf('/');
        path = slash <= 0 ? QByteArray("/") : path.first(slash);
    }
    return result;
}

std::optional<qint64> MemoryBudget::groupLimitValue(QByteArrayView text)
{
    text = text.trimmed();
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    // Without a limit, v2 says "max" and v1 gives the largest page-aligned number.
    if (!ok || value < 0 || value >= (qint64(1) << 60))
        return std::nullopt;
    return value;
}
