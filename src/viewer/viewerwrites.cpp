// SPDX-License-Identifier: GPL-3.0-or-later
// The viewer's writes of the shown text: Save, Save as, Delete and Add to favorites.
#include "viewer.h"

#include "platform/dialogs.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "viewer/atomicfilewriter.h"
#include "viewer/displayloading.h"
#include "viewer/draftkeeper.h"
#include "viewer/favoriteslocation.h"
#include "viewer/filedisposal.h"
#include "viewer/fileidentity.h"
#include "viewer/longoperation.h"
#include "viewer/paneport.h"
#include "viewer/plaintextsave.h"
#include "viewer/saveastarget.h"
#include "viewer/windowturns.h"

#include <QDir>
#include <QFileInfo>
#include <QScopedValueRollback>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;
using Reason = VersionStore::Reason;

namespace {
// A text handed to a write piece by piece; with a control, a write that stops when the user
// cancels it.
PlainTextSave::Pieces piecesOf(const TextBuffer &text, LongOperation::Control *control = nullptr)
{
    return [&text, control](const std::function<bool(QStringView)> &visit) {
        // A piece whose bytes the file no longer holds as they were read is a blank stand-in:
        // nothing after it is written.
        bool going = true;
        text.forEachPiece([&](QStringView piece) {
            going = going && !(control && control->isCancelled()) && !text.fileChanged() &&
                    visit(piece);
        });
    };
}
PlainTextSave::Pieces piecesOf(const TextBuffer &text, LongOperation::Control &control)
{
    return piecesOf(text, &control);
}

// Tells the operation how far a write got, and stops it when the user cancelled.
AtomicFileWriter::Going goingOn(LongOperation::Control &control)
{
    return [&control](qint64 written) {
        control.setDone(written);
        return !control.isCancelled();
    };
}
// A formatted document's RTF, made on the operation's thread in turns with the window: the
// window answers between paragraphs. Nothing once the user cancelled or the document changed.
std::optional<QByteArray> richTextAside(const PanePort::RichTextWriting &writing,
                                        WindowTurns &turns, LongOperation::Control &control)
{
    return turns.madeInTurns(writing, [&control] { return control.isCancelled(); });
}

const QString documentChanged = QStringLiteral("The document changed while it was being saved");

// Why a text read from its file on demand is not written once the file changed under it.
QString changedUnder(const QString &path)
{
    return QStringLiteral("%1 was changed by another program while it was shown: the parts it "
                          "changed can no longer be read as they were, so the text cannot be "
                          "written. Your edits are kept.")
        .arg(QDir::toNativeSeparators(path));
}
} // namespace

void Viewer::save()
{
    if (m_loading || isBusy() || afterRecovery([this] { save(); }))
        return;
    const ShownFile shown = m_shown;
    if (shown.isEmpty())
        return showSaveFailure(QStringLiteral("No file has been shown yet"));
    if (refuseKeptVersion())
        return;
    // Unedited, the file already holds the shown text exactly as it was read: nothing is
    // rewritten, so nothing about the file can change.
    if (!m_pane.isModified() && QFileInfo::exists(shown.path))
        return;
    QString target = shown.path;
    bool followLinks = true;
    if (FileIdentity::isKnown(shown.identity) && !confirmReplacing(shown, &target, &followLinks))
        return;
    const bool ownDraft = m_drafts->path() == draftKey();
    if (ownDraft)
        m_drafts->releaseBase();
    SaveRequest request;
    request.shown = shown;
    request.target = target;
    request.followLinks = followLinks;
    request.ownDraft = ownDraft;
    request.encoding = shown.encoding;
    // Written in the format it was shown in: RTF stays RTF and plain text stays plain, in its
    // own encoding and line ends.
    if (shown.richText)
        request.rtf = m_pane.richTextWriting();
    startSave(std::move(request));
}

void Viewer::startSave(SaveRequest request)
{
    // The text as it is now goes to the writing thread; the pane takes no edits until the
    // write is over, so that what it shows is what was written.
    struct Outcome
    {
        PlainTextSave::Written written;
        bool needsUtf8 = false;
        FileLook look; // the file saved, found right after the write
    };
    auto outcome = std::make_shared<Outcome>();
    const AtomicFileWriter::Keep keep{&m_versions, Reason::Save};
    LongOperation::Work work;
    if (request.shown.richText) {
        auto turns = std::make_shared<WindowTurns>(this);
        work = [request, keep, outcome, turns](LongOperation::Control &control) {
            const std::optional<QByteArray> rtf = richTextAside(request.rtf, *turns, control);
            if (control.isCancelled())
                return;
            if (!rtf) {
                outcome->written.error = documentChanged;
                return;
            }
            control.setTotal(rtf->size());
            outcome->written.error = AtomicFileWriter::write(request.target, *rtf, keep,
                                                             request.followLinks, goingOn(control));
            outcome->written.written = outcome->written.error.isEmpty();
            if (outcome->written.written)
                outcome->look = lookAfterWrite(request.shown.path);
        };
    } else {
        // Only the edits are written, the rest copied from the file; failing that, the text is
        // encoded piece by piece: a large text is not copied whole.
        const TextBuffer text = m_pane.textSnapshot();
        const std::optional<TextBuffer> edited = m_pane.editedPlainText();
        const std::shared_ptr<const SourceMap> source = m_source;
        work = [request, keep, outcome, text, edited, source](LongOperation::Control &control) {
            const PlainTextSave::Pieces pieces = piecesOf(text, control);
            const bool fits = request.encoding != request.shown.encoding ||
                              PlainTextSave::fitsWriteBack(request.encoding, pieces, edited,
                                                           source.get(), request.shown);
            if (text.fileChanged()) {
                outcome->written.error = changedUnder(request.shown.path);
                return;
            }
            if (!fits) {
                outcome->needsUtf8 = !control.isCancelled();
                return;
            }
            control.setTotal(source ? source->size : text.length());
            outcome->written = PlainTextSave::writeBackIn(request.encoding, request.target, pieces,
                                                          edited, source.get(), request.shown, keep,
                                                          request.followLinks, goingOn(control));
            if (outcome->written.doesNotFit) {
                outcome->needsUtf8 = !control.isCancelled();
                return;
            }
            // Stopped at a piece that changed under it: nothing was written.
            if (!outcome->written.written && outcome->written.error.isEmpty() &&
                text.fileChanged() && !control.isCancelled())
                outcome->written.error = changedUnder(request.shown.path);
            if (outcome->written.written)
                outcome->look = lookAfterWrite(request.shown.path);
        };
    }
    const QString label =
        QStringLiteral("Saving %1\u2026").arg(QDir::toNativeSeparators(request.target));
    const qint64 size = m_pane.textLength();
    m_operations->run(label, size, std::move(work), [this, request, outcome](bool cancelled) {
        const PlainTextSave::Written &written = outcome->written;
        // A Save that fails or is cancelled keeps the draft whole, and the file as it was.
        if (cancelled || (!written.written && written.error.isEmpty() && !outcome->needsUtf8)) {
            if (request.ownDraft)
                m_drafts->retakeBase();
            return;
        }
        if (outcome->needsUtf8) {
            if (m_platform.messages.show(
                    PlainTextSave::utf8Question(request.target, request.shown.encoding),
                    Icon::Question, Buttons::YesNoDefaultNo) != MessageBoxes::Answer::Yes) {
                if (request.ownDraft)
                    m_drafts->retakeBase();
                return; // the user kept the file as it is
            }
            SaveRequest again = request;
            again.encoding = TextEncoding::Utf8;
            return startSave(std::move(again));
        }
        if (!written.error.isEmpty()) {
            if (request.ownDraft)
                m_drafts->retakeBase();
            return showSaveFailure(written.error);
        }
        finishSave(request.shown, written, outcome->look);
    });
}

void Viewer::finishSave(const ShownFile &shown, const PlainTextSave::Written &written,
                        const FileLook &look)
{
    m_pane.setModified(false);
    if (shown.richText)
        return saved(shown, look);
    // The file written is where the next save copies from.
    m_source = written.saved ? std::make_shared<SourceMap>(*written.saved) : nullptr;
    if (m_source)
        m_source->textMark = m_pane.markTextSaved();
    ShownFile now = shown;
    if (written.encoding != shown.encoding) {
        // The user chose UTF-8 for this file; later saves and displays keep it so.
        m_chosenEncodings.remove(shown.path);
        now.encoding = written.encoding;
    }
    saved(now, look);
}

void Viewer::showSaveFailure(const QString &error)
{
    m_platform.messages.show(
        error + QStringLiteral(" .. Please select a file from any list..or check the file if it's "
                               "still existe"),
        Icon::Information, Buttons::Ok);
}

void Viewer::saveAs()
{
    if (m_loading || isBusy() || afterRecovery([this] { saveAs(); }))
        return;
    const std::optional<QString> chosen = m_platform.dialogs.saveFileName();
    if (!chosen)
        return;
    const ShownFile shown = m_shown;
    const QString target = SaveAsTarget::path(*chosen, shown.path);
    // The dialog asked before replacing the name as typed; a name that got its extension here
    // may name another file, which is not replaced without asking.
    if (target != *chosen && QFileInfo::exists(target) &&
        m_platform.messages.show(QStringLiteral("%1 already exists.\nDo you want to replace it?")
                                     .arg(QDir::toNativeSeparators(target)),
                                 Icon::Question,
                                 Buttons::YesNoDefaultNo) != MessageBoxes::Answer::Yes)
        return;
    writeAs(target, shown, std::nullopt);
}

void Viewer::writeAs(const QString &target, const ShownFile &shown,
                     std::optional<TextEncoding> encoding)
{
    const AtomicFileWriter::Keep keep{&m_versions, Reason::SaveAs};
    struct Outcome
    {
        QString error;
        bool written = false;
        bool needsUtf8 = false;
        QString resolved; // where target led once written, links followed
        FileLook look;    // the shown file then
    };
    auto outcome = std::make_shared<Outcome>();
    // Whether the name written is the shown file's, and that file as it is now: found on the
    // write's thread.
    const auto lookAfterWriteAs = [](const QString &target, const ShownFile &shown,
                                     Outcome &outcome) {
        outcome.resolved = FileIdentity::resolved(target);
        if (!shown.isEmpty())
            outcome.look = lookAfterWrite(shown.path);
    };
    LongOperation::Work work;
    qint64 size = 0;
    if (SaveAsTarget::isRichText(target)) {
        const PanePort::RichTextWriting writing = m_pane.richTextWriting();
        size = m_pane.textLength();
        auto turns = std::make_shared<WindowTurns>(this);
        work = [target, keep, writing, turns, outcome, shown,
                lookAfterWriteAs](LongOperation::Control &control) {
            const std::optional<QByteArray> rtf = richTextAside(writing, *turns, control);
            if (control.isCancelled())
                return;
            if (!rtf) {
                outcome->error = documentChanged;
                return;
            }
            control.setTotal(rtf->size());
            outcome->error = AtomicFileWriter::write(target, *rtf, keep, true, goingOn(control));
            outcome->written = outcome->error.isEmpty();
            if (outcome->written)
                lookAfterWriteAs(target, shown, *outcome);
        };
    } else {
        const TextBuffer text = m_pane.textSnapshot();
        size = text.length();
        work = [target, keep, text, shown, encoding, outcome,
                lookAfterWriteAs](LongOperation::Control &control) {
            const PlainTextSave::Pieces pieces = piecesOf(text, control);
            const bool fits = encoding || PlainTextSave::fits(pieces, shown.encoding);
            if (text.fileChanged()) {
                outcome->error = changedUnder(shown.path);
                return;
            }
            // The question whether to write UTF-8 instead comes on the window's thread.
            if (!fits) {
                outcome->needsUtf8 = !control.isCancelled();
                return;
            }
            control.setTotal(text.length());
            const PlainTextSave::Written done =
                PlainTextSave::writeIn(encoding.value_or(shown.encoding), target, pieces, shown,
                                       keep, true, goingOn(control));
            outcome->error = done.error;
            outcome->written = done.written;
            if (!done.written && done.error.isEmpty() && text.fileChanged() &&
                !control.isCancelled())
                outcome->error = changedUnder(shown.path);
            if (outcome->written)
                lookAfterWriteAs(target, shown, *outcome);
        };
    }
    const QString label = QStringLiteral("Saving %1\u2026").arg(QDir::toNativeSeparators(target));
    m_operations->run(label, size, std::move(work), [this, target, shown, outcome](bool cancelled) {
        if (cancelled)
            return;
        if (outcome->needsUtf8) {
            if (m_platform.messages.show(PlainTextSave::utf8Question(target, shown.encoding),
                                         Icon::Question,
                                         Buttons::YesNoDefaultNo) == MessageBoxes::Answer::Yes)
                writeAs(target, shown, TextEncoding::Utf8);
            return;
        }
        if (!outcome->error.isEmpty()) {
            m_platform.messages.show(outcome->error, Icon::Critical, Buttons::Ok);
            return;
        }
        if (!outcome->written)
            return;
        // The pane stays tied to the file it came from: a later Save writes there, not here.
        wroteShownFile(outcome->resolved, outcome->look);
        emit listChanged(ShownList::Files);
    });
}

void Viewer::deleteShownFile()
{
    if (m_loading || isBusy() || afterRecovery([this] { deleteShownFile(); }))
        return;
    const ShownFile shown = m_shown;
    if (shown.isEmpty())
        return; // nothing shown, nothing to delete
    if (refuseKeptVersion())
        return;
    // Moved to the trash on the operations' thread: a file on a mount that does not answer
    // leaves the window answering. The move is one step, which a cancel does not cut.
    struct Outcome
    {
        bool discarded = false;
        QString error;
    };
    auto outcome = std::make_shared<Outcome>();
    const auto work = [path = shown.path, outcome](LongOperation::Control &) {
        outcome->discarded = FileDisposal::discard(path, &outcome->error);
    };
    const QString label =
        QStringLiteral("Deleting %1\u2026").arg(QDir::toNativeSeparators(shown.path));
    m_operations->run(label, m_operations->backgroundFrom(), work, [this, shown, outcome](bool) {
        if (!outcome->discarded) {
            m_platform.messages.show(outcome->error, Icon::None, Buttons::Ok);
            return;
        }
        // The pane keeps the deleted file's text; a Save would write it again.
        emit listChanged(shown.list == ShownList::Favorites ? ShownList::Favorites
                                                            : ShownList::Files);
    });
}

QString Viewer::addToFavorites(const QString &name, const QString &text)
{
    if (m_loading || name.isEmpty())
        return {};
    QString error;
    if (!FavoritesLocation::ensure(m_favoritesFolder, &error))
        return error;
    // A plain file's copy keeps its encoding and line ends, as a Save of it would.
    ShownFile conventions;
    if (!m_shown.richText && !m_shown.isEmpty())
        conventions = m_shown;
    const QString path = m_favoritesFolder + u'/' + name;
    const std::optional<PlainTextSave::Content> content =
        PlainTextSave::bytesFor(m_platform.messages, path, text, conventions);
    if (!content)
        return {}; // the user chose to write nothing
    error = AtomicFileWriter::write(path, content->bytes, {&m_versions, Reason::AddToFavorites});
    if (!error.isEmpty())
        return error;
    emit listChanged(ShownList::Favorites);
    return {};
}

void Viewer::addToFavorites(const QString &name, const TextBuffer &text, Reported done,
                            std::optional<TextEncoding> encoding)
{
    if (m_loading || isBusy() || name.isEmpty())
        return done({});
    if (afterRecovery(
            [this, name, text, done, encoding] { addToFavorites(name, text, done, encoding); }))
        return;
    QString error;
    if (!FavoritesLocation::ensure(m_favoritesFolder, &error))
        return done(error);
    // A plain file's copy keeps its encoding and line ends, as a Save of it would.
    ShownFile conventions;
    if (!m_shown.richText && !m_shown.isEmpty())
        conventions = m_shown;
    const QString path = m_favoritesFolder + u'/' + name;
    struct Outcome
    {
        PlainTextSave::Written written;
        bool needsUtf8 = false;
    };
    auto outcome = std::make_shared<Outcome>();
    const AtomicFileWriter::Keep keep{&m_versions, Reason::AddToFavorites};
    const auto work = [text, conventions, encoding, path, keep, outcome,
                       shownPath = m_shown.path](LongOperation::Control &control) {
        const PlainTextSave::Pieces pieces = piecesOf(text, control);
        const bool fits = encoding || PlainTextSave::fits(pieces, conventions.encoding);
        if (text.fileChanged()) {
            outcome->written.error = changedUnder(shownPath);
            return;
        }
        if (!fits) {
            outcome->needsUtf8 = !control.isCancelled();
            return;
        }
        control.setTotal(text.length());
        outcome->written =
            PlainTextSave::writeIn(encoding.value_or(conventions.encoding), path, pieces,
                                   conventions, keep, true, goingOn(control));
        if (!outcome->written.written && outcome->written.error.isEmpty() && text.fileChanged() &&
            !control.isCancelled())
            outcome->written.error = changedUnder(shownPath);
    };
    m_operations->run(
        QStringLiteral("Adding %1 to the favorites\u2026").arg(name), text.length(), work,
        [this, name, text, outcome, path, conventions, done = std::move(done)](bool cancelled) {
            if (cancelled)
                return done({});
            if (outcome->needsUtf8) {
                if (m_platform.messages.show(
                        PlainTextSave::utf8Question(path, conventions.encoding), Icon::Question,
                        Buttons::YesNoDefaultNo) != MessageBoxes::Answer::Yes)
                    return done({}); // the user chose to write nothing
                return addToFavorites(name, text, done, TextEncoding::Utf8);
            }
            if (!outcome->written.error.isEmpty())
                return done(outcome->written.error);
            if (outcome->written.written)
                emit listChanged(ShownList::Favorites);
            done({});
        });
}
