// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipslotfile.h"

#include "texttools/clipslots.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

ClipSlotFile ClipSlotFile::read(const QString &path)
{
    ClipSlotFile slot;
    // Anything but an ordinary file leaves the slot free; a pipe of that name is never opened.
    if (!ClipSlots::isFilled(path))
        return slot;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        slot.state = State::Unreadable;
        slot.error = QStringLiteral("Cannot read %1: %2")
                         .arg(QDir::toNativeSeparators(path), file.errorString());
        return slot;
    }
    QByteArray bytes = file.read(clipSlotMaxBytes + 1);
    slot.cut = bytes.size() > clipSlotMaxBytes;
    if (slot.cut) {
        bytes.truncate(clipSlotMaxBytes);
        // Not in the middle of a UTF-8 sequence.
        while (!bytes.isEmpty() && (uchar(bytes.back()) & 0xC0) == 0x80)
            bytes.chop(1);
        if (!bytes.isEmpty() && uchar(bytes.back()) >= 0xC0)
            bytes.chop(1);
    }
    slot.state = State::Filled;
    slot.text = ClipSlots::text(bytes);
    return slot;
}
