// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Freeing clip slots so that Undo can bring them back. A freed clip is not deleted but moved
// aside, under a hidden name in the slot folder: its slot is free for the next clip at once,
// its bytes stay exactly as they were, whoever wrote them and however large they are, and
// nothing is lost if sbx ends unexpectedly. The clips still held go for good when the holder
// is destroyed, that is when sbx ends.
class FreedClips
{
public:
    explicit FreedClips(QString folder) : m_folder(std::move(folder)) {}
    ~FreedClips();
    FreedClips(const FreedClips &) = delete;
    FreedClips &operator=(const FreedClips &) = delete;

    // Frees the given slots (1 to 3) as one step for Undo; free slots are passed over. The
    // errors, one for each clip that stayed, are returned.
    QStringList free(const QList<int> &chosen);

    // Takes over the clips that an sbx which ended without tidying up (killed, or at a crash)
    // still held, as one step for Undo, so that they are neither lost nor left hidden forever.
    void adoptLeftovers();

    bool canUndo() const { return !m_steps.isEmpty(); }

    struct Undone
    {
        QList<int> into;    // where the clips went back, in the order they were freed
        int waiting = 0;    // clips that found no free slot and wait for the next Undo
        QStringList errors; // clips that could not be put back (they wait as well)
    };
    // Puts the clips of the last Free back, each into its own slot if that is still free,
    // otherwise into the first free one. A clip is never put over another one.
    Undone undo();

    // The hidden files that hold the freed clips, for tests.
    QStringList heldFiles() const;

private:
    struct Held
    {
        int slot;
        QString path;
    };
    bool putBack(const Held &held, int slot, QString *error) const;
    QString holdingPath(int slot);

    QString m_folder;
    QList<QList<Held>> m_steps;
    int m_serial = 0;
};
