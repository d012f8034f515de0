// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/memorybudget.h"
#include "files/panefilereader.h"
#include "viewer/appendedtext.h"
#include "viewer/autoviewstate.h"
#include "viewer/displayloading.h"
#include "viewer/draft.h"
#include "viewer/paneport.h"
#include "viewer/plaintextsave.h"
#include "viewer/savejournal.h"
#include "viewer/shownfile.h"
#include "viewer/shownfilelook.h"
#include "viewer/textdifference.h"
#include "viewer/versionstore.h"

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <utility>

// The main window's working state, in one typed place: what the pane shows and where it came
// from, the read in flight, the folder browsed, the panels' expand state, the Auto view
// interval, the find position, the clip folder and what the reader shows. The windows show it
// and the features change it here; nothing is kept in a caption and read back.
class DisplayLoading;
class DraftKeeper;
class LongOperation;
class PanePort;
class ShownFileWatch;
class StartRecovery;
namespace PosixFile {
class Descriptor;
}
struct Platform;

class Viewer : public QObject
{
    Q_OBJECT

public:
    // The operations ask and report through platform, and read and mark the pane's text.
    Viewer(Platform &platform, PanePort &pane, QObject *parent = nullptr);
    ~Viewer() override;

    // The display operation: reads the file (a large one on a thread, with its first lines and
    // progress over the pane meanwhile) and shows it in the pane, formatted when it holds RTF.
    // A newer display drops the read still in flight. Only a display that succeeded changes the
    // record of the shown file; one that fails says why (a file gone from the file list is
    // passed over in silence) and leaves the pane as it was.
    void display(const QString &path, ShownList list);
    // "Nomal": the file last chosen in the file list, read again the same way but shown as plain
    // text (a formatted file shows its markup); nothing before one was chosen.
    void redisplayAsPlainText();
    // Reads the shown plain file again in another encoding, as a display of it does, and keeps
    // that choice for the file until the program ends. One that does not hold the file's bytes
    // exactly is refused with a message, and the pane keeps what it shows.
    void showInEncoding(TextEncoding encoding);
    // Reading the chosen file, at once or in the background.
    DisplayLoading &loading() const { return *m_loader; }
    // What a display may take from memory; the system's figures unless set otherwise.
    void setMemoryBudget(const MemoryBudget &budget) { m_memoryBudget = budget; }
    // Drafts and kept versions larger than this are read and written off the window thread.
    static constexpr qint64 restoreAtOnce = qint64(4) << 20;
    // A formatted draft longer than this is built into a document on the drafts' thread, as
    // any formatted draft read there is.
    static constexpr qint64 richDraftAtOnce = 64 << 10;
    using BuiltDraft = std::shared_ptr<PaneFileReader::Result>;

    // Operations on the shown file. Each waits for a display's file being read (does nothing),
    // so that none acts on a file whose text is not on screen. Failures are said in a message.
    // Save writes the pane back to the shown file, in the format, encoding and line ends it
    // had; unedited, it writes nothing.
    void save();
    // Writes the pane to a file the user names; the pane stays tied to the shown file.
    void saveAs();
    // The long operations (saving, sending, copying, printing, converting, finding) run one at
    // a time through this, off the window's thread; while one runs the pane takes no edits, the
    // operations on the shown file wait, and a display chosen meanwhile comes after it.
    LongOperation &operations() const { return *m_operations; }
    bool isBusy() const;
    // Moves the shown file to the desktop's trash, on the operations' thread; the pane keeps
    // its text.
    void deleteShownFile();
    // Keeps a copy of text among the favorites, named name, in the shown plain file's encoding
    // and line ends. Returns why it failed, for the user; empty when written or when the user
    // chose to write nothing.
    QString addToFavorites(const QString &name, const QString &text);
    // The same through the long operations, for a text of any length: done gets the error, or
    // an empty text (also when cancelled, or when nothing was to be written). encoding: the one
    // the user chose already.
    using Reported = std::function<void(const QString &error)>;
    void addToFavorites(const QString &name, const TextBuffer &text, Reported done,
                        std::optional<TextEncoding> encoding = std::nullopt);

    // Earlier contents of the files Pagewell replaced: every write that replaces bytes keeps
    // them here first.
    VersionStore &versions() { return m_versions; }
    // At start: puts back the old bytes of in-place saves that a kill cut short, on a thread,
    // and hands what it did to told on the window's thread, which tells the user once for each.
    // Meanwhile a display puts back its own file before reading it, and the operations that
    // write or remove a file (Save, Save as, Delete, Add to favorites, Restore) wait for the
    // recovery to end and come then.
    using Told = std::function<void(const QList<SaveJournal::Recovered> &recovered)>;
    void recoverInterruptedSaves(Told told);
    bool isRecovering() const { return m_recovering; }
    // The program is about to end: waits until no file is half put back.
    void waitForRecovery();
    // Shows a kept version's text in the pane. Save and Delete leave a kept version alone;
    // Restore writes it back.
    void showVersion(const VersionStore::Version &version);
    // The file whose kept version the pane shows; empty while it shows anything else.
    QString shownVersionOf() const { return m_versionOf; }
    // Writes a kept version back to the file it was, keeping the file's current bytes as a
    // version first; the pane shows the file again when it showed it unedited. Failures are said.
    void restoreVersion(const VersionStore::Version &version);

    // The file whose text the pane shows. A display that succeeded writes it, and a save that
    // gave the file another encoding; a display that fails leaves it as it was.
    const ShownFile &shownFile() const { return m_shown; }
    void setShownFile(const ShownFile &file);

    // The file last chosen in the file list, which "Nomal" shows again. It is noted also when
    // no folder was chosen yet and nothing was read.
    QString lastFileListPath() const { return m_lastFileListPath; }
    void setLastFileListPath(const QString &path) { m_lastFileListPath = path; }

    // A display's file is being read. Until it is shown or dropped, the operations that act on
    // the shown file wait (their actions are disabled): the pane still shows the file before,
    // and none of them may act on a file whose text is not on screen.
    bool isLoading() const { return m_loading; }
    void setLoading(bool loading);
    // A read's result is being shown, or its failure reported (a message may be up).
    bool isShowingRead() const { return m_showingRead; }

    // The folder whose files the file list offers, as the folder label shows it; empty while
    // none is chosen (the start folder could not be opened), and then no file is read.
    QString folder() const { return m_folder; }
    void setFolder(const QString &folder);
    // The path of an entry of the file list; nothing while no folder is chosen.
    std::optional<QString> fileListPath(const QString &folderPath, const QString &name) const;

    // The lower panels are hidden and the pane takes the window's height.
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded) { m_expanded = expanded; }

    // The Auto view interval as the user typed it, and its milliseconds; nothing when the
    // text is no whole number the timer can take. An empty text is the default.
    QString autoViewIntervalText() const { return m_intervalText; }
    std::optional<int> autoViewInterval() const { return m_interval; }
    void setAutoViewIntervalText(const QString &typed);

    // The favorites folder, decided once at start-up: every favorites operation works in it.
    QString favoritesFolder() const { return m_favoritesFolder; }
    void setFavoritesFolder(const QString &folder) { m_favoritesFolder = folder; }
    // Auto view: Off, Armed or Running.
    AutoViewState &autoView() { return m_autoView; }
    const AutoViewState &autoView() const { return m_autoView; }

    // The 1-based position of the last word found; 0 before any.
    int findPosition() const { return m_findPosition; }
    void setFindPosition(int position) { m_findPosition = position; }

    // The folder of the clip slot files: the operating system's folder ("windir"), empty when
    // the variable is not set.
    QString clipFolderSetting() const { return m_clipFolderSetting; }
    void setClipFolderSetting(const QString &folder) { m_clipFolderSetting = folder; }

    // The name of the file whose text the reader holds; empty before any file was shown.
    QString readerFileName() const { return m_readerFileName; }

    void setReaderFileName(const QString &name);

    // Edits are never dropped: whatever the pane holds that no file has is kept as a draft,
    // and shown again over the file (or the new text) the next time it is shown.
    // The pane's text changed, as the pane reports it.
    void noteEdit(int position, int removed, int added);
    // "New": the pane empties for a text that belongs to no file, and a text begun so before
    // and never saved comes back. The shown file stays, so Save writes the new text over it.
    void newText();
    // At start-up: the text last begun with New and never saved, if there is one.
    void restoreNewTextDraft();
    // Drops the draft the pane shows, and shows the file as it is on disk (or an empty text).
    void discardDraft();
    // Hands every draft to the disk now and waits for it: the program is about to end.
    void keepDrafts();
    DraftKeeper &drafts() const { return *m_drafts; }
    ShownFileWatch &watch() const { return *m_watch; }

    // The note above the pane: a draft shown over the file, the file changed on disk since it
    // was shown; empty when there is nothing to say. Discard is offered with a draft.
    QString notice() const;
    bool offersDiscard() const { return m_restoredAt.isValid(); }
    bool changedOnDisk() const { return m_changedOnDisk; }
    // Looks whether the shown file changed on disk: an unedited text is read again (a file
    // that only grew, only what it gained), an edited one is noted and Save asks. The look runs
    // on a thread; what it found is taken only while the pane still shows what it looked for
    // (the same file as it was, unedited for a new end, no display since). A file that does
    // not answer is said so after a few seconds, and the pane keeps its text.
    void checkDisk();
    bool isCheckingDisk() const { return m_look->isLooking(); }
    ShownFileLook &diskLook() const { return *m_look; }

signals:
    void shownFileChanged();
    void loadingChanged(bool loading);
    void folderChanged();
    void autoViewIntervalChanged();
    void readerFileNameChanged();
    // A display is about to put a file of list into the pane (the window adapts its tools).
    void aboutToShow(ShownList list, const QString &name);
    // What the reader shows of the file just displayed.
    void readerTextChanged(const ReaderText &text);
    // A display failed; goneFromList: the list no longer offers the file and is read again.
    void displayFailed(ShownList list, bool goneFromList);
    // A file was written into, or removed from, the folder of the list named.
    void listChanged(ShownList list);
    void noticeChanged();

private:
    // Tells the user of each save whose old bytes were put back (or could not be).
    void tellRecovered(const QList<SaveJournal::Recovered> &recovered);
    // An operation that writes or removes files, called while the start's recovery runs, is
    // called again when it is over; true then.
    bool afterRecovery(std::function<void()> operation);
    // The draft the pane shows is about to be dropped: kept among the previous versions.
    void keepDroppedDraft();
    // The shown file is held open from its display, so that its bytes can still be kept when
    // another program puts another file in its place.
    void holdShownFile(const ShownFile::Identity &identity);
    // The same with the file opened and found to be that one already, or nothing.
    void holdShownFile(const ShownFile::Identity &identity,
                       std::shared_ptr<PosixFile::Descriptor> held);
    void keepReplacedBytes(const ShownFile::Identity &now);
    // The key the pane's draft is kept under: the shown file's path, marked for "Nomal".
    QString draftKey() const;
    void restoreDraft(const QString &key);
    // A large draft read on the drafts' thread, with its difference from the text shown.
    // A formatted draft comes with its document, built there too (null when it was not).
    void draftRead(quint64 generation, const std::optional<Draft> &draft,
                   const std::optional<TextDifference> &difference, const BuiltDraft &built);
    void useDraft(const Draft &draft, const std::optional<TextDifference> &difference,
                  const BuiltDraft &built = nullptr);
    void applyDraft(const Draft &draft, const std::optional<TextDifference> &difference,
                    const BuiltDraft &built = nullptr);
    void buildDraftAside(quint64 generation, const Draft &draft);
    void keepDraftAsVersion(const Draft &draft);
    // A kept version was written back (on the drafts' thread when it is large).
    void versionRestored(const VersionStore::Version &version, const QString &error);
    void showAsEdits(const QString &text);
    void finishRestore(const Draft &draft);
    void followShownFile(bool plainText);
    // A New text kept when its draft was dropped: the pane shows it as the New text again.
    void restoreNewText(const VersionStore::Version &version);
    void reload();
    void lookedAtDisk(const ShownFileLook::Request &request, quint64 displays,
                      ShownFileLook::Outcome &&outcome);
    // The last bytes of the shown plain file, for the check that it was only added to, are
    // read on the look's thread; until they are in, a file that grew is read again whole.
    void wantShownTail();
    void lookForTail();
    void tookTail(const ShownFileLook::Request &request, quint64 displays,
                  ShownFileLook::Outcome &&outcome);
    // What waits for the look that just ended.
    void lookNext();
    void noticeDiskChange(const ShownFileLook::Request &request, quint64 displays,
                          ShownFileLook::Outcome &&outcome);
    bool followAppended(const AppendedText::Read &read, const ShownFile::Identity &now);
    // What was added to the shown file joins the map of its bytes, for an edited Save.
    void extendSource(const AppendedText::Read &read, const ShownFile::Identity &now);
    bool confirmReplacing(const ShownFile &shown, QString *target, bool *followLinks);
    // A save under way: what it writes where, decided before it went off the window's thread.
    struct SaveRequest
    {
        ShownFile shown;
        QString target;
        bool followLinks = true;
        bool ownDraft = false;
        TextEncoding encoding; // the one to write in: the file's, or UTF-8 when the user chose so
        PanePort::RichTextWriting rtf; // a formatted text's bytes, made aside
    };
    void startSave(SaveRequest request);
    // Save as's write, once the name is chosen; encoding: the one the user chose already.
    void writeAs(const QString &target, const ShownFile &shown,
                 std::optional<TextEncoding> encoding);
    struct FileLook;
    void finishSave(const ShownFile &shown, const PlainTextSave::Written &written,
                    const FileLook &look);
    void saved(const ShownFile &shown, const FileLook &look);
    // Save as wrote the pane's text to path, which may be the shown file itself: that change is
    // no other program's.
    // target: where the name written led, links followed; look: the shown file, found then.
    void wroteShownFile(const QString &target, const FileLook &look);
    void setNotices(const QDateTime &restoredAt, bool changedOnDisk);
    void showSaveFailure(const QString &error);
    bool refuseKeptVersion();
    PaneFileReader::Limits readingLimits(const QString &path) const;
    void startRead(const QString &path, const PaneFileReader::Limits &limits,
                   std::function<void(PaneFileReader::Result &&)> done,
                   DisplayLoading::Preparation prepare = {});
    void displayRead(const QString &path, ShownList list, bool plainText,
                     PaneFileReader::Result &&file);

    DisplayLoading *m_loader = nullptr;
    // Where the shown plain text lies in its file, for a save that writes only the edits.
    std::shared_ptr<SourceMap> m_source;
    MemoryBudget m_memoryBudget;

    Platform &m_platform;
    PanePort &m_pane;
    ShownFile m_shown;
    QString m_lastFileListPath;
    bool m_loading = false;
    bool m_showingRead = false;
    QString m_folder;
    bool m_expanded = false;
    QString m_intervalText;
    std::optional<int> m_interval;
    AutoViewState m_autoView;
    int m_findPosition = 0;
    QString m_clipFolderSetting;
    QString m_favoritesFolder;
    QString m_readerFileName;
    // The encodings the user chose for files, by path; and the one a re-read asks for now.
    QHash<QString, TextEncoding> m_chosenEncodings;
    std::optional<std::pair<QString, TextEncoding>> m_encodingAsked;
    VersionStore m_versions;
    QString m_versionOf;
    ShownList m_versionOfList = ShownList::Files;

    DraftKeeper *m_drafts = nullptr;
    ShownFileWatch *m_watch = nullptr;
    ShownFileLook *m_look = nullptr;
    bool m_lookAgain = false;      // asked to look while a look was under way
    quint64 m_displays = 0;        // reads started for the pane; a look from before one is dropped
    QDateTime m_restoredAt;        // the draft the pane shows was kept then
    bool m_changedOnDisk = false;  // the file changed while the pane held edits
    ShownFile::Identity m_noticed; // the change last noticed
    QString m_shownTarget;         // where the shown name led at the display, links followed
    bool m_shownPlain = false;     // shown by "Nomal"
    qint64 m_shownBytes = 0;       // the bytes of a plain file the pane holds
    QByteArray m_shownTail;        // the last of them
    bool m_tailKnown = false;      // m_shownTail was read
    bool m_tailWanted = false;     // and is still to be read
    struct ReadTail
    {
        ShownFile::Identity file; // as it was read
        QByteArray bytes;         // its last bytes then
    };
    // What the thread that read or wrote the file found of it right after: the window takes it
    // from here and does not go to the disk again.
    struct FileLook
    {
        ShownFile::Identity identity; // of the bytes read or written; all zero: none found
        QString resolved;             // where the name led then, links followed
        std::shared_ptr<PosixFile::Descriptor> held; // that file, open, when still there
        std::optional<ReadTail> tail;
    };
    std::optional<FileLook> m_readLook; // of the read whose result is being shown
    // On the read's thread.
    static FileLook lookAfterRead(const QString &path, const PaneFileReader::Result &file);
    // On the write's thread: the file the name finds now.
    static FileLook lookAfterWrite(const QString &path);
    std::optional<PanePort::Place> m_reloadPlace;
    quint64 m_restoreGeneration = 0; // counts the drafts asked for; only the last is shown
    std::shared_ptr<PosixFile::Descriptor> m_held; // the shown file, open since its display
    ShownFile::Identity m_heldIdentity;
    LongOperation *m_operations = nullptr;
    std::function<void()> m_queuedDisplay; // chosen while an operation ran
    StartRecovery *m_recovery = nullptr;
    bool m_recovering = false;
    QList<std::function<void()>> m_afterRecovery; // operations chosen while it ran
};
