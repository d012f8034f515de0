// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipslotwriter.h"

#include "texttools/clipslots.h"
#include "viewer/posixfile.h"

#include <cerrno>
#include <fcntl.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <unistd.h>

ClipSlotWriter::Result ClipSlotWriter::send(const QString &text)
{
    return sendContent(ClipSlots::content(text));
}

ClipSlotWriter::Result ClipSlotWriter::sendContent(const QByteArray &bytes)
{
    if (bytes.size() > m_maxBytes) {
        Result refused;
        refused.tooLarge = true;
        return refused;
    }
    for (int slot = 1; slot <= ClipSlots::count; ++slot) {
        const QString path = ClipSlots::path(m_folder, slot);
        if (isFilled(path))
            continue;
        QString error;
        switch (create(path, bytes, &error)) {
        case Created::Written:
            return {slot, QString()};
        case Created::Taken:
            continue;
        case Created::Failed:
            return {0, error};
        }
    }
    return {};
}

bool ClipSlotWriter::isFilled(const QString &path) const
{
    return ClipSlots::isFilled(path);
}

ClipSlotWriter::Created ClipSlotWriter::create(const QString &path, const QByteArray &bytes,
                                               QString *error) const
{
    const QString shown = QDir::toNativeSeparators(path);
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) {
        const int failed = errno;
        const QFileInfo there(path);
        // A clip that appeared since the look is someone else's: leave it, take the next slot.
        if (there.isFile())
            return Created::Taken;
        *error = QStringLiteral("Cannot create %1: %2")
                     .arg(shown, qt_error_string(there.isDir() ? EISDIR : failed));
        return Created::Failed;
    }
    // Written and flushed with the system's calls, so that a full disk is named as such ("No
    // space left on device"), not as an unknown error.
    off_t offset = 0;
    int failed = PosixFile::writeAll(fd, bytes, offset);
    if (!failed && ::fsync(fd) != 0 && errno != EINVAL)
        failed = errno;
    if (::close(fd) != 0 && !failed)
        failed = errno;
    if (!failed)
        return Created::Written;
    // Only a whole clip is left behind; the half-written file is ours alone to remove.
    *error = QStringLiteral("Cannot write %1: %2").arg(shown, qt_error_string(failed));
    ::unlink(name.constData());
    return Created::Failed;
}
