// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <sys/types.h>

// Small helpers over the system's file calls, shared by the safe writer, its journal and the
// store of previous versions. Every failure is an errno value, so that the user is told the
// system's own reason ("No space left on device").
namespace PosixFile {

// A file descriptor that closes itself.
class Descriptor
{
public:
    explicit Descriptor(int fd = -1) : m_fd(fd) {}
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    ~Descriptor();
    int get() const { return m_fd; }
    bool isOpen() const { return m_fd >= 0; }
    void reset(int fd);
    // Closing can report a late write error (on network file systems): it is checked. Sets
    // errno on failure.
    bool close();

private:
    int m_fd;
};

QString reason(int error); // the system's description of errno value error

QByteArray folderOf(const QByteArray &path);
QByteArray nameOf(const QByteArray &path);

// Writes all of bytes at offset, which moves on; returns 0 or the errno value (a write that
// makes no progress is ENOSPC).
int writeAll(int fd, QByteArrayView bytes, off_t &offset);
// Copies size bytes from one file's start to another's, in blocks, and cuts the copy after
// them; progress (when set) hears the bytes copied so far. Returns 0 or the errno value.
int copyContent(int from, int to, off_t size,
                const std::function<void(qint64)> &progress = nullptr);
// Flushes a folder's entries (a new or renamed name) to disk; 0 or the errno value.
int syncFolder(const QByteArray &folder);

// This process, as "<pid>-<start time>", and whether the process a tag or a pid names still
// runs. A pid alone may have been taken by another process since; the start time tells.
QByteArray processTag();
bool isRunning(const QByteArray &tag);
bool isRunning(qint64 pid);

// A new file with a unique name "<folder>/.pagewell-<kind>-<pid>-<random>", so that a leftover
// of a process that ended can be recognised and removed. Returns the descriptor or -1 (errno).
int createUnique(const QByteArray &folder, const char *kind, mode_t mode, QByteArray *name);
// The pid in such a name, or -1 when the name is not one of them.
qint64 leftoverPid(const QByteArray &name, const char *kind);

} // namespace PosixFile
