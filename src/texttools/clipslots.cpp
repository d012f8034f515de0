// SPDX-License-Identifier: GPL-3.0-or-later
#include "clipslots.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString ClipSlots::folder(const QString &windir)
{
    if (!windir.isEmpty())
        return QDir::cleanPath(QDir::home().absoluteFilePath(windir));
    const QString shared = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/stashbox");
    QDir().mkpath(shared);
    return shared;
}

QString ClipSlots::path(const QString &folder, int slot)
{
    return folder + QStringLiteral("/clip%1.txt").arg(slot);
}

bool ClipSlots::isFilled(const QString &path)
{
    return QFileInfo(path).isFile();
}

int ClipSlots::firstFree(const QString &folder)
{
    for (int slot = 1; slot <= count; ++slot) {
        if (!isFilled(path(folder, slot)))
            return slot;
    }
    return 0;
}

QString ClipSlots::freeReport(const QString &folder)
{
    switch (firstFree(folder)) {
    case 1:
        return QStringLiteral("You have 3 empty clips .");
    case 2:
        return QStringLiteral("You have 2 empty clips .");
    case 3:
        return QStringLiteral("You have 1 empty clip .");
    default:
        return QStringLiteral("You have no empty clip .");
    }
}

QByteArray ClipSlots::content(QString text)
{
    // In one pass: replacing each line end in place moves the rest of the text every time,
    // which takes minutes for a large text of many lines.
    QString lines;
    lines.reserve(text.size() + 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
            continue; // CR LF is one line end, written with the LF
        if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            lines += QStringLiteral("\r\n");
        else
            lines += c;
    }
    lines += QStringLiteral("\r\n");
    return lines.toUtf8();
}

std::optional<QByteArray> ClipSlots::content(const TextBuffer &text, qint64 maxBytes,
                                             const std::function<bool(qint64 done)> &going)
{
    QByteArray out;
    QString lines;
    QChar held;           // the first half of a pair whose second half is in the next piece
    bool afterCr = false; // CR LF is one line end, written with the CR
    bool failed = false;
    qint64 done = 0;
    text.forEachPiece([&](QStringView piece) {
        if (failed)
            return;
        lines.clear();
        lines.reserve(piece.size() + 2);
        if (!held.isNull())
            lines += std::exchange(held, QChar());
        for (const QChar c : piece) {
            if (afterCr && c == u'\n') {
                afterCr = false;
                continue;
            }
            afterCr = c == u'\r';
            if (c == u'\r' || c == u'\n' || c == QChar::LineSeparator ||
                c == QChar::ParagraphSeparator)
                lines += QStringLiteral("\r\n");
            else
                lines += c;
        }
        if (!lines.isEmpty() && lines.back().isHighSurrogate()) {
            held = lines.back();
            lines.chop(1);
        }
        out += lines.toUtf8();
        done += piece.size();
        failed = out.size() > maxBytes || (going && !going(done));
    });
    if (!held.isNull())
        out += QString(held).toUtf8();
    out += "\r\n";
    if (failed || out.size() > maxBytes)
        return std::nullopt;
    return out;
}

QString ClipSlots::text(const QByteArray &bytes)
{
    const QString decoded = QString::fromUtf8(bytes);
    // CR LF to LF in one pass, for the same reason as above.
    QString text;
    text.reserve(decoded.size());
    for (qsizetype i = 0; i < decoded.size(); ++i) {
        if (decoded.at(i) != u'\r' || i + 1 == decoded.size() || decoded.at(i + 1) != u'\n')
            text += decoded.at(i);
    }
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}
