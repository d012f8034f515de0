// SPDX-License-Identifier: GPL-3.0-or-later
// The viewer's part in keeping unsaved edits (drafts) and in files that change on disk while
// they are shown.
#include "viewer.h"

#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "text/pieceencoder.h"
#include "viewer/appendedtext.h"
#include "viewer/draftkeeper.h"
#include "viewer/fileidentity.h"
#include "viewer/plaintextsave.h"
#include "viewer/shownfilewatch.h"

#include <QLocale>
#include <QTemporaryDir>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

namespace {
// A file that gained more than this is read again whole, off the window thread.
constexpr qint64 appendedAtOnce = 1 << 20;
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

void Viewer::saved(const ShownFile &shown)
{
    m_drafts->discard();
    ShownFile now = shown;
    now.identity = FileIdentity::of(shown.path);
    m_shownTarget = FileIdentity::resolved(shown.path);
    if (m_drafts->path() == draftKey()) {
        m_drafts->follow(draftKey(), now.identity, shown.path);
        m_shownBytes = now.identity.size;
        m_shownTail = AppendedText::tailOf(shown.path, m_shownBytes);
    }
    m_noticed = {};
    setShownFile(now);
    setNotices({}, false);
}

void Viewer::wroteShownFile(const QString &path)
{
    if (m_shown.isEmpty() || FileIdentity::resolved(path) != m_shownTarget)
        return;
    ShownFile shown = m_shown;
    shown.identity = FileIdentity::of(m_shown.path);
    setShownFile(shown);
    m_noticed = {};
    setNotices(m_restoredAt, false);
}

void Viewer::followShownFile(bool plainText)
{
    m_shownPlain = plainText;
    m_shownTarget = FileIdentity::resolved(m_shown.path);
    m_noticed = {};
    m_drafts->follow(draftKey(), m_shown.identity, m_shown.path);
    m_shownBytes = m_shown.identity.size;
    m_shownTail =
        m_shown.richText ? QByteArray() : AppendedText::tailOf(m_shown.path, m_shownBytes);
    if (m_reloadPlace) {
        m_pane.setPlace(*m_reloadPlace);
        m_reloadPlace.reset();
    }
    setNotices({}, false);
    m_watch->watch(m_shown.path);
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

void Viewer::restoreNewTextDraft()
{
    m_drafts->follow(QString(), m_shown.identity);
    restoreDraft(QString());
}

void Viewer::restoreDraft(const QString &path)
{
    m_drafts->waitUntilWritten();
    std::optional<Draft> draft;
    try {
        draft = m_drafts->store().read(path);
    } catch (const std::bad_alloc &) {
        // A damaged draft that claims more than there is: the file is shown as it is.
    }
    if (!draft)
        return;
    if (draft->kind != Draft::Kind::Edits)
        return applyDraft(*draft);
    const QString base = m_drafts->store().baseFile(path);
    const ShownFile::Identity baseNow = FileIdentity::of(base);
    // The pane shows the base; or the base was let go for a Save that did not end, and the
    // file is still the one the edits began on.
    if (baseNow == m_shown.identity ||
        (!FileIdentity::isKnown(baseNow) && draft->base == m_shown.identity))
        return applyDraft(*draft);
    if (!FileIdentity::isKnown(baseNow))
        return; // the edits have nothing left to apply to
    // The file is not the one the edits began on: they are shown over that one.
    PaneFileReader::Limits limits = readingLimits(m_shown.path);
    limits.plainTextOnly = true;
    startRead(base, limits, [this, draft = *draft](PaneFileReader::Result &&file) {
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
        applyDraft(draft);
    });
}

void Viewer::applyDraft(const Draft &draft)
{
    m_drafts->setQuiet(true);
    switch (draft.kind) {
    case Draft::Kind::Text:
        if (!draft.path.isEmpty() && !m_pane.showsFormatting())
            showAsEdits(draft.text.text());
        else
            m_pane.showEditedText(TextBuffer(draft.text));
        break;
    case Draft::Kind::Rich:
        m_pane.showEditedRichText(draft.rtf);
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
    const QString now = m_pane.textPart(0, m_pane.textLength());
    const qsizetype shorter = std::min(now.size(), text.size());
    qsizetype head = 0;
    while (head < shorter && now[head] == text[head])
        ++head;
    if (head > 0 && now[head - 1].isHighSurrogate())
        --head;
    qsizetype tail = 0;
    while (tail < shorter - head && now[now.size() - 1 - tail] == text[text.size() - 1 - tail])
        ++tail;
    if (tail > 0 && now[now.size() - tail].isLowSurrogate())
        --tail;
    if (head + tail == now.size() && head + tail == text.size())
        return;
    m_pane.replaceRange(head, now.size() - head - tail, text.mid(head, text.size() - head - tail));
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
    keepVersion(m_drafts->store().draftFile(key), VersionReason::DraftDropped);
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
    const ShownFile::Identity now = FileIdentity::of(m_shown.path);
    if (!FileIdentity::isKnown(now))
        return; // gone: the pane keeps the text, and a Save writes it again
    if (now == m_shown.identity && FileIdentity::resolved(m_shown.path) == m_shownTarget)
        return;
    if (now == m_noticed)
        return;
    m_noticed = now;
    keepVersion(m_shown.path, VersionReason::ChangedByAnotherProgram);
    if (m_drafts->path() != draftKey())
        return; // the pane holds a new text; a Save over the file asks
    if (m_pane.isModified()) {
        setNotices(m_restoredAt, true);
        return;
    }
    if (!followAppended(now))
        reload();
}

bool Viewer::followAppended(const ShownFile::Identity &now)
{
    const ShownFile::Identity &was = m_shown.identity;
    if (m_shown.richText || m_shownPlain || m_pane.showsFormatting() || now.device != was.device ||
        now.inode != was.inode || now.size <= m_shownBytes ||
        FileIdentity::resolved(m_shown.path) != m_shownTarget)
        return false;
    const AppendedText::Read read = AppendedText::read(m_shown.path, m_shownBytes, m_shownTail,
                                                       m_shown.encoding, appendedAtOnce);
    m_drafts->setQuiet(true);
    const bool appended = read.ok && m_pane.appendFromFile(read.text);
    m_drafts->setQuiet(false);
    if (!appended)
        return false;
    m_shownBytes = read.end;
    m_shownTail = read.tail;
    m_noticed = {};
    ShownFile shown = m_shown;
    shown.identity = now;
    setShownFile(shown);
    m_drafts->follow(draftKey(), now, shown.path);
    return true;
}

void Viewer::keepVersion(const QString &path, VersionReason reason)
{
    Q_UNUSED(path);
    // Another program's change is noticed after the fact: the bytes it replaced are gone by
    // then, and the ones it wrote are kept by the Save that replaces them.
    if (reason != VersionReason::DraftDropped || m_shown.isEmpty())
        return;
    // The draft the pane shows is about to go: it is kept as a Save would have written it, so
    // that "Previous versions…" can bring it back.
    QTemporaryDir folder;
    if (!folder.isValid())
        return;
    const QString file = folder.filePath(m_shown.fileName());
    QString error;
    if (m_shown.richText) {
        error = AtomicFileWriter::write(file, m_pane.richText());
    } else {
        ShownFile format = m_shown;
        bool fits = true;
        m_pane.forEachTextPiece([&](QStringView piece) {
            return fits = PieceEncoder::canHold(format.encoding, piece);
        });
        if (!fits)
            format.encoding = TextEncoding::Utf8; // asked about only when the user saves
        const auto pieces = [this](const std::function<bool(QStringView)> &visit) {
            m_pane.forEachTextPiece(visit);
        };
        error = PlainTextSave::write(m_platform.messages, file, pieces, format).error;
    }
    if (error.isEmpty())
        m_versions.adopt(file, m_shown.path, VersionStore::Reason::Reload);
}
