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
    return figures;
}
