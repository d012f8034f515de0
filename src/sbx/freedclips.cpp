// SPDX-License-Identifier: GPL-3.0-or-later
#include "freedclips.h"

#include "texttools/clipslots.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <unistd.h>

namespace {
enum class Moved { Yes, TargetThere, Failed };

// Renames within the folder, never over a file that is there, not even one that appears at the
// same moment: QFile::rename falls back to copying, which could empty such a file.
Moved moveNoReplace(const QString &from, const QString &to, QString *error)
{
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    int done =
        ::renameat2(AT_FDCWD, source.constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
    if (done != 0 && errno == EINVAL) {
        // A file system without that kind of rename: a hard link is just as exclusive.
        done = ::link(source.constData(), target.constData());
        if (done == 0)
            ::unlink(source.constData());
    }
    if (done == 0)
        return Moved::Yes;
    if (errno == EEXIST)
        return Moved::TargetThere;
    *error = qt_error_string(errno);
    return Moved::Failed;
}
} // namespace

FreedClips::~FreedClips()
{
    for (const QList<Held> &step : std::as_const(m_steps)) {
        for (const Held &held : step)
            QFile::remove(held.path);
    }
}

QString FreedClips::holdingPath(int slot)
{
    // Hidden, and named after the slot and this process, so that one left behind by a crash
    // still tells where it came from.
    return m_folder + QStringLiteral("/.clip%1.txt.freed-%2-%3")
                          .arg(slot)
                          .arg(QCoreApplication::applicationPid())
                          .arg(++m_serial);
}

void FreedClips::adoptLeftovers()
{
    static const QRegularExpression name(
        QStringLiteral("^\\.clip([1-3])\\.txt\\.freed-(\\d+)-\\d+$"));
    QList<Held> step;
    const QStringList entries =
        QDir(m_folder).entryList({QStringLiteral(".clip?.txt.freed-*")}, QDir::Files | QDir::Hidden,
                                 QDir::Time | QDir::Reversed);
    for (const QString &entry : entries) {
        const QRegularExpressionMatch match = name.match(entry);
        if (!match.hasMatch())
            continue;
        // Those of an sbx still running (for another user's view of a shared folder, say) stay.
        const qint64 pid = match.captured(2).toLongLong();
        if (pid == QCoreApplication::applicationPid() || ::kill(pid_t(pid), 0) == 0 ||
            errno != ESRCH)
            continue;
        step.append({match.captured(1).toInt(), m_folder + u'/' + entry});
    }
    if (!step.isEmpty())
        m_steps.append(step);
}

QStringList FreedClips::free(const QList<int> &chosen)
{
    QList<Held> step;
    QStringList errors;
    for (int slot : chosen) {
        const QString path = ClipSlots::path(m_folder, slot);
        // Only a clip file goes; a folder that happens to carry the name stays.
        if (!ClipSlots::isFilled(path))
            continue;
        // A rename within the folder: the clip keeps its bytes, whatever their size, and a
        // clip written into the slot afterwards is a new file that Undo does not touch.
        QString holding;
        QString error;
        Moved moved = Moved::TargetThere;
        while (moved == Moved::TargetThere) {
            holding = holdingPath(slot);
            moved = moveNoReplace(path, holding, &error);
        }
        if (moved == Moved::Yes)
            step.append({slot, holding});
        else
            errors.append(QStringLiteral("Cannot free clip %1 (%2): %3")
                              .arg(slot)
                              .arg(QDir::toNativeSeparators(path), error));
    }
    if (!step.isEmpty())
        m_steps.append(step);
    return errors;
}

bool FreedClips::putBack(const Held &held, int slot, QString *error) const
{
    const QString path = ClipSlots::path(m_folder, slot);
    QString why;
    switch (moveNoReplace(held.path, path, &why)) {
    case Moved::Yes:
        return true;
    case Moved::TargetThere:
        return false;
    case Moved::Failed:
        break;
    }
    *error = QStringLiteral("Cannot bring back clip %1 (%2): %3")
                 .arg(held.slot)
                 .arg(QDir::toNativeSeparators(path), why);
    return false;
}

FreedClips::Undone FreedClips::undo()
{
    Undone undone;
    if (m_steps.isEmpty())
        return undone;
    const QList<Held> step = m_steps.takeLast();
    QList<Held> waiting;
    for (const Held &held : step) {
        QString error;
        int slot = held.slot;
        bool back = putBack(held, slot, &error);
        for (int other = 1; !back && error.isEmpty() && other <= ClipSlots::count; ++other) {
            if (other == held.slot)
                continue;
            back = putBack(held, other, &error);
            if (back)
                slot = other;
        }
        if (back) {
            undone.into.append(slot);
            continue;
        }
        if (!error.isEmpty())
            undone.errors.append(error);
        waiting.append(held);
    }
    undone.waiting = int(waiting.size());
    if (!waiting.isEmpty())
        m_steps.append(waiting);
    return undone;
}

QStringList FreedClips::heldFiles() const
{
    QStringList files;
    for (const QList<Held> &step : m_steps) {
        for (const Held &held : step)
            files.append(held.path);
    }
    return files;
}
