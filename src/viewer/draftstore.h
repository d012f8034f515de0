// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/draft.h"

#include <QString>

#include <optional>

// The drafts folder: one file a draft, named after the path it belongs to, each replaced whole
// and at once (a crash leaves the draft before or the draft after, never a part), and beside a
// draft of edits the base they apply to.
class DraftStore
{
public:
    explicit DraftStore(const QString &folder = defaultFolder());
    // The user's data folder, then "Pagewell/drafts".
    static QString defaultFolder();
    QString folder() const { return m_folder; }

    QString draftFile(const QString &path) const;
    QString baseFile(const QString &path) const;

    // Returns why it failed; empty when written.
    QString write(const Draft &draft) const;
    std::optional<Draft> read(const QString &path) const;
    bool exists(const QString &path) const;
    void remove(const QString &path) const; // the draft and its base
    // The base, when it is still the file it was (a base taken since stays).
    void removeBase(const QString &path, const ShownFile::Identity &was) const;

    // Keeps the file's bytes as they are now as the base of a draft of edits, without copying
    // them: a clone where the file system makes one (a later change of the file does not touch
    // it), else a second name of the same file (the file replaced or removed, the base stays).
    // Only when the file is still the one shown (identity); false when neither can be made.
    // key: the draft's, when it is not the file's path.
    bool takeBase(const QString &path, const ShownFile::Identity &shown,
                  const QString &key = QString()) const;
    // The same as a copy of the bytes, where neither can be made (another file system): slow,
    // and as large as the file, so it is left to the drafts' own thread.
    bool copyBase(const QString &path, const ShownFile::Identity &shown,
                  const QString &key = QString()) const;

    // Drafts of files that are no longer there are dropped after a while: those of a file
    // removed from a folder that is still there (on the same volume) after deletedDays, those
    // whose folder or volume cannot be found (a disk not plugged in, a share not mounted) only
    // after unreachableDays. Counted from the first time a file is found missing, and begun
    // again when it is back. A text begun with New belongs to no file and stays.
    struct Grace
    {
        int deletedDays = 30;
        int unreachableDays = 365;
    };
    void dropOrphans(const QDateTime &now, const Grace &grace) const;
    void dropOrphans() const { dropOrphans(QDateTime::currentDateTimeUtc(), Grace()); }
    // The file a draft's key names (a key for "Nomal" carries a mark after the path).
    static QString fileOf(const QString &key);

private:
    QString goneFile(const QString &path) const;

    QString m_folder;
};
