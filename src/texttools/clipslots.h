// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/textbuffer.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>

// The largest clip slot file in bytes, final line end included. Pagewell writes no larger
// clip and sbx reads no more, so that both agree on what a whole clip is and a stray huge file
// cannot exhaust memory.
inline constexpr qint64 clipSlotMaxBytes = 32 * 1024 * 1024;

// The three clip slot files that Pagewell fills and the companion tool sbx shows and frees.
// A slot is free exactly when no ordinary file is at its path.
class ClipSlots
{
public:
    static constexpr int count = 3;

    // The folder of the slots: the "windir" value when it is set (a relative one is taken from
    // the home folder, so that it does not depend on where a program was started), otherwise
    // the per-user data folder shared with sbx, created when missing.
    static QString folder(const QString &windir);
    static QString path(const QString &folder, int slot); // slot 1 to 3

    static bool isFilled(const QString &path);
    // The first free slot in the order 1, 2, 3, or 0 when all are filled. Slots after the first
    // free one are not looked at.
    static int firstFree(const QString &folder);
    // "You have 2 empty clips ." and so on, counted from the first free slot.
    static QString freeReport(const QString &folder);

    // A slot file's bytes: the text in UTF-8, every line ending in CR LF, then one more CR LF.
    static QByteArray content(QString text);
    // The same for a text kept in pieces, made piece by piece; nothing when it would be larger
    // than maxBytes, or when going (told the characters done) returns false.
    static std::optional<QByteArray> content(const TextBuffer &text, qint64 maxBytes,
                                             const std::function<bool(qint64 done)> &going = {});
    // The text back from a slot file's bytes, with '\n' line ends and without the final one.
    static QString text(const QByteArray &bytes);
};
