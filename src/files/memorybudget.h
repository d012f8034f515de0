#pragma once

#include <QByteArrayView>
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

private:
    std::optional<qint64> m_fixed;
};
