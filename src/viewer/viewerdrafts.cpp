// SPDX-License-Identifier: GPL-3.0-or-later
// The viewer's part in keeping unsaved edits (drafts) and in files that change on disk while
// they are shown.
#include "viewer.h"

#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "text/pieceencoder.h"
#include "viewer/appendedtext.h"
#include "viewer/displayloading.h"
#include "viewer/draftkeeper.h"
#include "viewer/fileidentity.h"
#include "viewer/plaintextsave.h"
#include "viewer/posixfile.h"
#include "viewer/shownfilewatch.h"
#include "viewer/textdifference.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTemporaryDir>

#include <fcntl.h>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

namespace {
// A file that gained more than this is read again whole, off the window thread.
constexpr qint64 appendedAtOnce = 1 << 20;
// A restored draft that differs from the text shown in more characters than this replaces it
// whole.
constexpr qsizetype editAtOnce = 1 << 20;
} // namespace

void Viewer::reload()
{
    m_reloadPlace = m_pane.place();
    const QString path = m_shown.path;
    const ShownList list = m_shown.list;
    const bool plainText = m_shownPlain;
    PaneFileReader::Limits limits = readingLimits(path);
    limits.plainTextOnly = plainText;
    startRead(path, limits, [this, path, list, plainText](PaneFileReader::Result &&file) {
        displayRead(path, list, plainText, std::move(file));
    });
}

bool Viewer::confirmReplacing(const ShownFile &shown, QString *target, bool *followLinks)
{
    // Never through a link that was not there at the display: the file is written where the
    // name led then, and a name that leads elsewhere now is replaced, not followed.
    *followLinks = false;
    const QString resolvedNow = FileIdentity::resolved(shown.path);
    const bool sameWay = !resolvedNow.isEmpty() && resolvedNow == m_shownTarget;
    *target = sameWay ? resolvedNow : shown.path;
    if (!FileIdentity::isKnown(FileIdentity::ofName(shown.path)))
        return true; // nothing there any more that could be lost
    if (sameWay && FileIdentity::ofName(resolvedNow) == shown.identity)
        return true;
    return m_platform.messages.show(
               QStringLiteral("%1 was changed by another program after it was shown. Replace it "
                              "with the text shown here?")
                   .arg(shown.fileName()),
               Icon::Question, Buttons::YesNoDefaultNo) == MessageBoxes::Answer::Yes;
}

void Viewer::saved(const ShownFile &shown, const FileLook &look)
{
    m_drafts->discard();
    ShownFile now = shown;
    now.identity = look.identity;
    m_shownTarget = look.resolved;
    const bool follows = m_drafts->path() == draftKey();
    if (follows) {
        m_drafts->follow(draftKey(), now.identity, shown.path);
        m_shownBytes = now.identity.size;
    }
    m_noticed = {};
    setShownFile(now);
    if (follows)
        wantShownTail();
    holdShownFile(now.identity, look.held); // the file written is the one shown now
    setNotices({}, false);
}

void Viewer::wroteShownFile(const QString &target, const FileLook &look)
{
    if (m_shown.isEmpty() || target.isEmpty() || target != m_shownTarget)
        return;
    ShownFile shown = m_shown;
    shown.identity = look.identity;
    setShownFile(shown);
    holdShownFile(shown.identity, look.held);
    m_noticed = {};
    setNotices(m_restoredAt, false);
}

void Viewer::followShownFile(bool plainText)
{
    m_shownPlain = plainText;
    m_shownTarget = m_readLook ? m_readLook->resolved : FileIdentity::resolved(m_shown.path);
    m_noticed = {};
    m_drafts->follow(draftKey(), m_shown.identity, m_shown.path);
    m_shownBytes = m_shown.identity.size;
    wantShownTail();
    if (m_reloadPlace) {
        m_pane.setPlace(*m_reloadPlace);
        m_reloadPlace.reset();
    }
    setNotices({}, false);
    m_watch->watch(m_shown.path);
    if (m_readLook)
        holdShownFile(m_shown.identity, std::exchange(m_readLook->held, nullptr));
    else
        holdShownFile(m_shown.identity);
    restoreDraft(draftKey());
}

QString Viewer::draftKey() const
{
    // "Nomal" shows the file's bytes as they are (RTF as its markup): the edits of that text
    // are kept apart from those of the file as usually shown, which it leaves as they are.
    return m_shownPlain ? m_shown.path + QStringLiteral("\n(as plain text)") : m_shown.path;
}

void Viewer::noteEdit(int position, int removed, int added)
{
    m_drafts->noteEdit(position, removed, added);
}

void Viewer::newText()
{
    m_drafts->flush();
    m_drafts->setQuiet(true);
    m_pane.showEditedText(TextBuffer());
    m_drafts->setQuiet(false);
    m_drafts->follow(QString(), m_shown.identity);
    setNotices({}, false);
    restoreDraft(QString());
}

void Viewer::restoreNewText(const VersionStore::Version &version)
{
    QFile file(version.file);
    if (!file.open(QIODevice::ReadOnly)) {
        m_platform.messages.show(
            QStringLiteral("Cannot restore %1: %2")
                .arg(QDir::toNativeSeparators(version.file), file.errorString()),
            Icon::Critical, Buttons::Ok);
        return;
    }
    const QString text = QString::fromUtf8(file.readAll());
    // What the pane holds stays behind as a draft; the restored text is an edit, kept in turn.
    m_drafts->flush();
    m_drafts->follow(QString(), m_shown.identity);
    setNotices({}, false);
    m_pane.showEditedText(TextBuffer(text));
}

void Viewer::restoreNewTextDraft()
{
    m_drafts->follow(QString(), m_shown.identity);
    restoreDraft(QString());
}

namespace {

// A formatted draft's document, built where the draft was read, as a display builds a file's:
// building a long one on the window's thread would hold it for a second.
Viewer::BuiltDraft buildRichDraft(const std::optional<Draft> &draft,
                                  const std::optional<QFont> &font)
{
    if (!draft || draft->kind != Draft::Kind::Rich)
        return nullptr;
    auto built = std::make_shared<PaneFileReader::Result>();
    built->status = WholeFileReader::Status::Ok;
    built->bytes = draft->rtf;
    try {
        PaneFileReader::buildRichDocument(*built, font);
    } catch (const std::bad_alloc &) {
        return nullptr; // the window tries once more, as with a small draft
    }
    return built;
}

} // namespace

void Viewer::restoreDraft(const QString &path)
{
    // A document the pane let go of may still be written in turns with the window, which
    // must not wait for them here: the draft is then read after it, as a large one is.
    const bool behindTurns = m_drafts->writesInTurns();
    if (!behindTurns)
        m_drafts->waitUntilWritten();
    const quint64 generation = ++m_restoreGeneration; // a restore still on its way is dropped
    if (behindTurns || QFileInfo(m_drafts->store().draftFile(path)).size() > restoreAtOnce) {
        // Read (and compared with the text shown) on the drafts' thread; the pane takes it
        // when it is ready.
        const bool plainPane = !m_pane.showsFormatting();
        const TextBuffer shown = plainPane ? m_pane.textSnapshot() : TextBuffer();
        m_drafts->background([store = m_drafts->store(), path, shown, plainPane, generation,
                              font = m_pane.richFont(), viewer = this] {
            std::optional<Draft> draft;
            try {
                draft = store.read(path);
            } catch (const std::bad_alloc &) {
                // Damaged, claiming more than there is: the file stays as it is shown.
            }
            std::optional<TextDifference> difference;
            if (draft && draft->kind == Draft::Kind::Text && !draft->path.isEmpty() && plainPane)
                difference = TextDifference::between(shown, draft->text);
            BuiltDraft built = buildRichDraft(draft, font);
            QMetaObject::invokeMethod(
                viewer,
                [viewer, generation, draft = std::move(draft), difference = std::move(difference),
                 built = std::move(built)] {
                    viewer->draftRead(generation, draft, difference, built);
                },
                Qt::QueuedConnection);
        });
        return;
    }
    std::optional<Draft> draft;
    try {
        draft = m_drafts->store().read(path);
    } catch (const std::bad_alloc &) {
        // A damaged draft that claims more than there is: the file is shown as it is.
    }
    if (draft && draft->kind == Draft::Kind::Rich && draft->rtf.size() > richDraftAtOnce)
        buildDraftAside(generation, *draft);
    else if (draft)
        useDraft(*draft, std::nullopt);
}

void Viewer::buildDraftAside(quint64 generation, const Draft &draft)
{
    m_drafts->background([draft, generation, font = m_pane.richFont(), viewer = this] {
        BuiltDraft built = buildRichDraft(draft, font);
        QMetaObject::invokeMethod(
            viewer,
            [viewer, generation, draft, built = std::move(built)] {
                viewer->draftRead(generation, draft, std::nullopt, built);
            },
            Qt::QueuedConnection);
    });
}

void Viewer::draftRead(quint64 generation, const std::optional<Draft> &draft,
                       const std::optional<TextDifference> &difference, const BuiltDraft &built)
{
    if (generation != m_restoreGeneration || !draft)
        return; // another text was shown meanwhile; the draft stays for it
    if (m_pane.isModified()) {
        // Typed into while the draft was read: the pane keeps what was typed (its own draft
        // now), and the draft read is kept among the previous versions.
        keepDraftAsVersion(*draft);
        return;
    }
    useDraft(*draft, difference, built);
}

void Viewer::keepDraftAsVersion(const Draft &draft)
{
    // A draft of edits holds few characters (a larger change keeps the whole text), so it is
    // read at once and never arrives late.
    if (draft.kind == Draft::Kind::Edits)
        return;
    const QString of =
        draft.path.isEmpty() ? VersionStore::newTextPath() : DraftStore::fileOf(draft.path);
    m_drafts->background([store = m_versions, draft, of]() mutable {
        QTemporaryDir folder;
        if (!folder.isValid())
            return;
        const QString file = folder.filePath(QFileInfo(of).fileName());
        QString error;
        if (draft.kind == Draft::Kind::Rich) {
            error = AtomicFileWriter::write(file, draft.rtf);
        } else {
            QByteArray bytes;
            draft.text.forEachPiece([&bytes](QStringView piece) { bytes += piece.toUtf8(); });
            error = AtomicFileWriter::write(file, bytes);
        }
        if (error.isEmpty())
            store.adopt(file, of, VersionStore::Reason::Reload);
    });
}

void Viewer::useDraft(const Draft &draft, const std::optional<TextDifference> &difference,
                      const BuiltDraft &built)
{
    if (draft.kind != Draft::Kind::Edits)
        return applyDraft(draft, difference, built);
    const QString path = draft.path;
    const QString base = m_drafts->store().baseFile(path);
    const ShownFile::Identity baseNow = FileIdentity::of(base);
    // The pane shows the base; or the base was let go for a Save that did not end, and the
    // file is still the one the edits began on.
    if (baseNow == m_shown.identity ||
        (!FileIdentity::isKnown(baseNow) && draft.base == m_shown.identity))
        return applyDraft(draft, std::nullopt);
    if (!FileIdentity::isKnown(baseNow))
        return; // the edits have nothing left to apply to
    // The file is not the one the edits began on: they are shown over that one.
    PaneFileReader::Limits limits = readingLimits(m_shown.path);
    limits.plainTextOnly = true;
    startRead(base, limits, [this, draft](PaneFileReader::Result &&file) {
        if (file.status != WholeFileReader::Status::Ok || draftKey() != draft.path)
            return;
        ReaderText reader;
        m_drafts->setQuiet(true);
        try {
            m_pane.showFile(std::move(file), &reader);
            file.document.reset(); // the pane's now (see displayRead)
        } catch (const std::bad_alloc &) {
            m_drafts->setQuiet(false);
            return;
        }
        m_drafts->setQuiet(false);
        applyDraft(draft, std::nullopt);
    });
}

void Viewer::applyDraft(const Draft &draft, const std::optional<TextDifference> &difference,
                        const BuiltDraft &built)
{
    m_drafts->setQuiet(true);
    switch (draft.kind) {
    case Draft::Kind::Text:
        if (!draft.path.isEmpty() && !m_pane.showsFormatting() && difference &&
            difference->removed + difference->added.size() <= editAtOnce) {
            if (!difference->same)
                m_pane.replaceRange(difference->position, difference->removed, difference->added);
        } else if (difference) {
            // Differing over most of a long text (a case conversion of all of it): the pane
            // takes the draft's text as it is, which costs no copy, where an edit of that size
            // would hold the window for a second. A Save then writes the text whole.
            m_pane.showEditedText(TextBuffer(draft.text));
        } else if (!draft.path.isEmpty() && !m_pane.showsFormatting()) {
            showAsEdits(draft.text.text());
        } else
            m_pane.showEditedText(TextBuffer(draft.text));
        break;
    case Draft::Kind::Rich:
        if (built) {
            ReaderText reader; // told in finishRestore()
            m_pane.showFile(std::move(*built), &reader);
            built->document.reset(); // the pane's now
            m_pane.setModified(true);
        } else {
            m_pane.showEditedRichText(draft.rtf);
        }
        break;
    case Draft::Kind::Edits:
        for (const DraftEdit &edit : draft.edits)
            m_pane.replaceRange(edit.position, edit.removed, edit.added);
        break;
    }
    m_drafts->setQuiet(false);
    finishRestore(draft);
}

void Viewer::showAsEdits(const QString &text)
{
    // Only what differs from the file's text as shown becomes an edit, so that a Save copies
    // the rest of the file as it is (each line's own line end among it).
    const TextDifference difference =
        TextDifference::between(m_pane.textPart(0, m_pane.textLength()), text);
    if (!difference.same)
        m_pane.replaceRange(difference.position, difference.removed, difference.added);
}

void Viewer::finishRestore(const Draft &draft)
{
    m_drafts->adopt(draft);
    if (!draft.path.isEmpty()) {
        // As a display does: the reader shows what the pane shows.
        ReaderText reader;
        reader.buffer = m_pane.textSnapshot();
        reader.shared = true;
        emit readerTextChanged(reader);
    }
    bool changed = false;
    if (!draft.path.isEmpty() && draft.base != m_shown.identity) {
        // Edited over the file as it was then: a Save over what it is now asks first.
        changed = true;
        ShownFile shown = m_shown;
        shown.identity = draft.base;
        setShownFile(shown);
    }
    setNotices(draft.savedAt, changed);
}

void Viewer::discardDraft()
{
    // Only a draft shown again is offered to be dropped: edits made since the text was shown
    // are never dropped by a stray key.
    if (m_loading || !offersDiscard())
        return;
    const QString key = m_drafts->path();
    keepDroppedDraft();
    m_drafts->discard();
    setNotices({}, false);
    if (key.isEmpty()) {
        m_drafts->setQuiet(true);
        m_pane.showEditedText(TextBuffer());
        m_drafts->setQuiet(false);
        return;
    }
    m_pane.setModified(false); // nothing of it is to be kept any more
    reload();
}

void Viewer::keepDrafts()
{
    m_drafts->flush();
    m_drafts->waitUntilWritten();
}

QString Viewer::notice() const
{
    QStringList parts;
    if (m_restoredAt.isValid())
        parts << QStringLiteral("Unsaved changes of %1 restored — Save writes them; Discard drops "
                                "them")
                     .arg(QLocale().toString(m_restoredAt, QLocale::ShortFormat));
    if (m_changedOnDisk)
        parts << QStringLiteral("%1 was changed on disk by another program since it was shown; "
                                "Save asks before replacing it")
                     .arg(m_shown.fileName());
    return parts.join(QStringLiteral(". "));
}

void Viewer::setNotices(const QDateTime &restoredAt, bool changedOnDisk)
{
    if (m_restoredAt == restoredAt && m_changedOnDisk == changedOnDisk)
        return;
    m_restoredAt = restoredAt;
    m_changedOnDisk = changedOnDisk;
    emit noticeChanged();
}

void Viewer::checkDisk()
{
    if (m_loading || isBusy() || m_shown.isEmpty() || !FileIdentity::isKnown(m_shown.identity))
        return;
    if (m_tailWanted) {
        // The file's last bytes as shown come first, and then this look.
        m_lookAgain = true;
        return lookForTail();
    }
    ShownFileLook::Request request;
    request.path = m_shown.path;
    request.was = m_shown.identity;
    request.target = m_shownTarget;
    request.from = m_shownBytes;
    request.tail = m_shownTail;
    request.encoding = m_shown.encoding;
    request.mayAppend = m_tailKnown && !m_shown.richText && !m_shownPlain &&
                        !m_pane.showsFormatting() && !m_pane.isModified() &&
                        m_drafts->path() == draftKey();
    request.limit = appendedAtOnce;
    const quint64 displays = m_displays;
    const bool started =
        m_look->start(request, [this, request, displays](ShownFileLook::Outcome &&outcome) {
            lookedAtDisk(request, displays, std::move(outcome));
        });
    // One look at a time: a change meanwhile is looked at once this one is in.
    if (!started)
        m_lookAgain = true;
}

void Viewer::lookedAtDisk(const ShownFileLook::Request &request, quint64 displays,
                          ShownFileLook::Outcome &&outcome)
{
    if (outcome.gaveUp) {
        // The pane keeps its text; the file is looked at again when it is heard of next.
        m_lookAgain = false;
        m_platform.messages.show(DisplayLoading::notAnsweringMessage(request.path), Icon::Critical,
                                 Buttons::Ok);
        return lookNext();
    }
    noticeDiskChange(request, displays, std::move(outcome));
    lookNext();
}

void Viewer::lookNext()
{
    if (m_tailWanted)
        lookForTail();
    if (!m_look->isLooking() && std::exchange(m_lookAgain, false))
        checkDisk();
}

void Viewer::wantShownTail()
{
    m_shownTail.clear();
    m_tailKnown = false;
    m_tailWanted = false;
    if (m_shown.richText || m_shown.isEmpty())
        return;
    // Taken where the display read the file, when it is still the file shown.
    if (m_readLook && m_readLook->tail && m_readLook->tail->file == m_shown.identity &&
        m_shownBytes == m_shown.identity.size) {
        m_shownTail = m_readLook->tail->bytes;
        m_tailKnown = true;
        return;
    }
    m_tailWanted = true;
    lookForTail();
}

void Viewer::lookForTail()
{
    if (!m_tailWanted)
        return;
    ShownFileLook::Request request;
    request.path = m_shown.path;
    request.was = m_shown.identity;
    request.from = m_shownBytes;
    request.tailOnly = true;
    const quint64 displays = m_displays;
    // Else after the look under way.
    m_tailWanted =
        !m_look->start(request, [this, request, displays](ShownFileLook::Outcome &&outcome) {
            tookTail(request, displays, std::move(outcome));
        });
}

void Viewer::tookTail(const ShownFileLook::Request &request, quint64 displays,
                      ShownFileLook::Outcome &&outcome)
{
    if (outcome.tail && displays == m_displays && m_shown.path == request.path &&
        m_shown.identity == request.was && m_shownBytes == request.from) {
        m_shownTail = std::move(*outcome.tail);
        m_tailKnown = true;
    }
    lookNext();
}

void Viewer::noticeDiskChange(const ShownFileLook::Request &request, quint64 displays,
                              ShownFileLook::Outcome &&outcome)
{
    // The pane no longer shows what was looked for (a display, a save or another look came
    // meanwhile): what was found is dropped, and the file looked at again as it is now.
    if (displays != m_displays || m_shown.path != request.path || m_shown.identity != request.was ||
        m_shownBytes != request.from || m_shownTarget != request.target) {
        m_lookAgain = true;
        return;
    }
    if (m_loading || isBusy())
        return;
    const ShownFile::Identity now = outcome.now;
    if (!FileIdentity::isKnown(now))
        return; // gone: the pane keeps the text, and a Save writes it again
    if (now == m_shown.identity && outcome.resolved == m_shownTarget)
        return;
    if (now == m_noticed)
        return;
    m_noticed = now;
    keepReplacedBytes(now);
    if (m_drafts->path() != draftKey())
        return; // the pane holds a new text; a Save over the file asks
    // Typed into while the file was looked at: what was read is dropped, and what was typed
    // stays.
    if (m_pane.isModified()) {
        setNotices(m_restoredAt, true);
        return;
    }
    const bool appended =
        request.mayAppend && outcome.appended.ok && followAppended(outcome.appended, now);
    outcome.appended = {};
    if (!appended)
        reload();
}

bool Viewer::followAppended(const AppendedText::Read &read, const ShownFile::Identity &now)
{
    if (m_pane.showsFormatting())
        return false;
    m_drafts->setQuiet(true);
    const bool appended = m_pane.appendFromFile(read.text);
    m_drafts->setQuiet(false);
    if (!appended)
        return false;
    extendSource(read, now);
    m_shownBytes = read.end;
    m_shownTail = read.tail;
    m_noticed = {};
    ShownFile shown = m_shown;
    shown.identity = now;
    setShownFile(shown);
    m_drafts->follow(draftKey(), now, shown.path);
    return true;
}

void Viewer::extendSource(const AppendedText::Read &read, const ShownFile::Identity &now)
{
    if (!m_source || m_source->size != m_shownBytes ||
        m_source->length + read.text.size() != m_pane.textLength()) {
        m_source.reset(); // not the text the map was made for: a Save writes the text whole
        return;
    }
    // The bytes added are the file's own as much as those read at the display: a Save copies
    // them as they are, whatever the appends were. Where the display ended on a CR, the LF
    // that follows belongs to it, and the walk from the mark before goes over both.
    if (!m_shownTail.endsWith('\r') && !read.text.isEmpty())
        m_source->marks.push_back({m_source->length, m_shownBytes});
    m_source->size = read.end;
    m_source->length += read.text.size();
    // A byte sequence that made no character cannot be told apart from one that did.
    if (read.text.contains(QChar::ReplacementCharacter))
        m_source->exact = false;
    // Bytes held back (half a character, a CR whose LF may follow) are not the text's yet:
    // until they are, the file is not the one the map describes.
    if (read.end == now.size)
        m_source->file = {now.device, now.inode, now.size, now.modifiedNs};
    m_source->textMark = m_pane.markTextSaved();
}

void Viewer::holdShownFile(const ShownFile::Identity &identity)
{
    // Open for reading only, which neither locks the file nor changes anything about it for
    // other programs (a second name would: it makes editors write such a file in place).
    auto held = std::make_shared<PosixFile::Descriptor>(::open(
        QFile::encodeName(m_shown.path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!held->isOpen() || FileIdentity::ofOpen(held->get()) != identity)
        held.reset(); // already another file than the one shown
    holdShownFile(identity, std::move(held));
}

void Viewer::holdShownFile(const ShownFile::Identity &identity,
                           std::shared_ptr<PosixFile::Descriptor> held)
{
    m_held = std::move(held);
    m_heldIdentity = m_held ? identity : ShownFile::Identity{};
}

void Viewer::keepReplacedBytes(const ShownFile::Identity &now)
{
    // Another program put another file under the name (saved by renaming a new file over it,
    // removed it and wrote a new one, put a link in its place): only the descriptor held since
    // the display still reaches the bytes that were shown, and they are kept from it, off the
    // window thread. A file rewritten in place keeps no old bytes anywhere: they are gone the
    // moment the other program writes, and nothing can keep them. A file only added to lost
    // nothing.
    if (!m_held || (now.device == m_heldIdentity.device && now.inode == m_heldIdentity.inode))
        return;
    m_drafts->background(
        [held = std::move(m_held), store = m_versions, path = m_shown.path]() mutable {
            store.keepOpen(held->get(), path, VersionStore::Reason::OtherProgram);
        });
    // The file now there is held in turn: should it be replaced as well, it is kept too.
    holdShownFile(now);
}

void Viewer::keepDroppedDraft()
{
    // The draft the pane shows is about to go: it is kept as a Save would have written it, so
    // that "Previous versions…" can bring it back. A text begun with New while no file was
    // shown has no file to be a version of: it is kept as one of the New texts, in UTF-8.
    QTemporaryDir folder;
    if (!folder.isValid())
        return;
    if (m_shown.isEmpty()) {
        if (!m_drafts->path().isEmpty())
            return;
        const QString file = folder.filePath(QStringLiteral("New text.txt"));
        QByteArray bytes;
        m_pane.forEachTextPiece([&bytes](QStringView piece) {
            bytes += piece.toUtf8();
            return true;
        });
        if (AtomicFileWriter::write(file, bytes).isEmpty())
            m_versions.adopt(file, VersionStore::newTextPath(), VersionStore::Reason::Reload);
        return;
    }
    if (m_shown.richText) {
        // Made on the drafts' thread in turns with the window, from the document the pane
        // keeps for it while the file is read again, ahead of the draft's removal.
        m_drafts->backgroundInTurns(
            m_pane.keptRichTextWriting(), [versions = m_versions, name = m_shown.fileName(),
                                           path = m_shown.path](QByteArray &&rtf) mutable {
                QTemporaryDir aside;
                if (!aside.isValid())
                    return;
                const QString file = aside.filePath(name);
                if (AtomicFileWriter::write(file, rtf).isEmpty())
                    versions.adopt(file, path, VersionStore::Reason::Reload);
            });
        return;
    }
    // A plain text, however long, is written on the drafts' thread from a copy that shares its
    // pieces, before the draft's removal that comes after it there.
    const TextBuffer text = m_pane.textSnapshot();
    m_drafts->background([text, format = m_shown, versions = m_versions]() mutable {
        QTemporaryDir aside;
        if (!aside.isValid())
            return;
        const QString file = aside.filePath(format.fileName());
        bool fits = true;
        text.forEachPiece([&](QStringView piece) {
            fits = fits && PieceEncoder::canHold(format.encoding, piece);
        });
        if (!fits)
            format.encoding = TextEncoding::Utf8; // asked about only when the user saves
        const auto pieces = [&text](const std::function<bool(QStringView)> &visit) {
            bool more = true;
            text.forEachPiece([&](QStringView piece) { more = more && visit(piece); });
        };
        const PlainTextSave::Written written =
            PlainTextSave::writeIn(format.encoding, file, pieces, format);
        // Blanks where the file changed under the text are no version of it.
        if (written.written && !text.fileChanged())
            versions.adopt(file, format.path, VersionStore::Reason::Reload);
    });
}
