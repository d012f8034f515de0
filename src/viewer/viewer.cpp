// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer.h"

#include "files/wholefilereader.h"
#include "platform/dialogs.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "viewer/atomicfilewriter.h"
#include "viewer/autoviewinterval.h"
#include "viewer/displayloading.h"
#include "viewer/displayrules.h"
#include "viewer/draftkeeper.h"
#include "viewer/favoriteslocation.h"
#include "viewer/filedisposal.h"
#include "viewer/fileidentity.h"
#include "viewer/longoperation.h"
#include "viewer/paneport.h"
#include "viewer/plaintextsave.h"
#include "viewer/posixfile.h"
#include "viewer/saveastarget.h"
#include "viewer/savejournal.h"
#include "viewer/shownfilewatch.h"
#include "viewer/startrecovery.h"
#include "viewer/windowturns.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>

#include <fcntl.h>

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

Viewer::Viewer(Platform &platform, PanePort &pane, QObject *parent)
    : QObject(parent), m_loader(new DisplayLoading(pane, this)), m_platform(platform), m_pane(pane),
      m_drafts(new DraftKeeper(pane, this)), m_watch(new ShownFileWatch(this)),
      m_look(new ShownFileLook(this)), m_operations(new LongOperation(this)),
      m_recovery(new StartRecovery(this))
{
    setAutoViewIntervalText(QString());
    connect(m_watch, &ShownFileWatch::mayHaveChanged, this, &Viewer::checkDisk);
    // Drafts of files long gone do not pile up; looking for the files may be slow (a share that
    // does not answer), so it is left to the drafts' thread.
    m_drafts->background([store = m_drafts->store()] { store.dropOrphans(); });
    connect(m_operations, &LongOperation::runningChanged, this, [this](bool running) {
        // What the operation works on stays as it is until it is over; a display chosen
        // meanwhile comes then.
        m_pane.holdEdits(running || m_loading);
        // After the operation's result is in (a save records the file it wrote).
        if (!running && m_queuedDisplay)
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (!isBusy() && m_queuedDisplay)
                        std::exchange(m_queuedDisplay, nullptr)();
                },
                Qt::QueuedConnection);
    });
}

Viewer::~Viewer()
{
    // Its work writes through the members below: it stops before they go.
    delete std::exchange(m_operations, nullptr);
}

void Viewer::setShownFile(const ShownFile &file)
{
    m_shown = file;
    emit shownFileChanged();
}

void Viewer::display(const QString &path, ShownList list)
{
    if (isBusy()) {
        m_queuedDisplay = [this, path, list] {
            display(path, list);
        };
        return;
    }
    // A save of the file that a kill cut short gets its old bytes back on the read's thread,
    // before the file is read there: what is shown is what was put back. That is said before
    // the file is shown, and also when a newer choice drops this display.
    const DisplayLoading::Preparation recovery = [this, path]() -> std::function<void()> {
        QList<SaveJournal::Recovered> recovered = SaveJournal::recover(path);
        if (recovered.isEmpty())
            return {};
        return [this, recovered = std::move(recovered)] {
            tellRecovered(recovered);
        };
    };
    startRead(
        path, readingLimits(path),
        [this, path, list](PaneFileReader::Result &&file) {
            displayRead(path, list, false, std::move(file));
        },
        recovery);
}

void Viewer::redisplayAsPlainText()
{
    if (m_lastFileListPath.isEmpty())
        return;
    const QString path = m_lastFileListPath;
    PaneFileReader::Limits limits = readingLimits(path);
    limits.plainTextOnly = true;
    startRead(path, limits, [this, path](PaneFileReader::Result &&file) {
        displayRead(path, ShownList::Files, true, std::move(file));
    });
}

void Viewer::showInEncoding(TextEncoding encoding)
{
    if (m_loading || m_shown.isEmpty() || m_shown.richText)
        return;
    m_encodingAsked = std::pair(m_shown.path, encoding);
    display(m_shown.path, m_shown.list);
    m_encodingAsked.reset();
}

PaneFileReader::Limits Viewer::readingLimits(const QString &path) const
{
    PaneFileReader::Limits limits;
    limits.budget = m_memoryBudget;
    limits.richFont = m_pane.richFont();
    if (m_encodingAsked && m_encodingAsked->first == path)
        limits.encoding = m_encodingAsked->second;
    else if (const auto chosen = m_chosenEncodings.constFind(path);
             chosen != m_chosenEncodings.cend())
        limits.encoding = *chosen;
    return limits;
}

void Viewer::startRead(const QString &path, const PaneFileReader::Limits &limits,
                       std::function<void(PaneFileReader::Result &&)> done,
                       DisplayLoading::Preparation prepare)
{
    ++m_displays; // what a look at the disk found before is about another text
    // A newer choice drops a read still in flight. The viewer knows of a read in flight until
    // its result is handled, so that the operations on the shown file wait for it; every file
    // is read on a thread, a small one shown on the event loop's next turn.
    m_loader->cancel();
    // Where the name leads, the file open and a plain file's last bytes, found where it was
    // read, right after it: the window's thread does not wait on the disk for them. The last
    // bytes are for the check that the file was later only added to.
    auto look = std::make_shared<std::optional<FileLook>>();
    const DisplayLoading::Aftercare after = [path, look](const PaneFileReader::Result &file) {
        if (file.status != WholeFileReader::Status::Ok)
            return;
        *look = lookAfterRead(path, file);
    };
    m_loader->start(
        path, limits,
        [this, look, done = std::move(done)](PaneFileReader::Result &&file) {
            setLoading(false);
            const QScopedValueRollback showing(m_showingRead, true);
            m_readLook = std::exchange(*look, std::nullopt);
            done(std::move(file));
            m_readLook.reset();
        },
        std::move(prepare), after);
    setLoading(true);
}

Viewer::FileLook Viewer::lookAfterWrite(const QString &path)
{
    FileLook look;
    auto held = std::make_shared<PosixFile::Descriptor>(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    look.identity = held->isOpen() ? FileIdentity::ofOpen(held->get()) : FileIdentity::of(path);
    look.resolved = FileIdentity::resolved(path);
    if (held->isOpen() && FileIdentity::isKnown(look.identity))
        look.held = std::move(held);
    return look;
}

Viewer::FileLook Viewer::lookAfterRead(const QString &path, const PaneFileReader::Result &file)
{
    FileLook look;
    // A plain text knows the file it was read from; a formatted one is taken as the name finds
    // it now.
    const SourceMap::Identity &read = file.plain.source.file;
    const bool plain = !file.rich && read.inode != 0;
    auto held = std::make_shared<PosixFile::Descriptor>(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    const ShownFile::Identity now =
        held->isOpen() ? FileIdentity::ofOpen(held->get()) : FileIdentity::of(path);
    look.identity =
        plain ? ShownFile::Identity{read.device, read.inode, read.size, read.modifiedNs} : now;
    look.resolved = FileIdentity::resolved(path);
    if (held->isOpen() && now == look.identity)
        look.held = std::move(held);
    if (plain) {
        QByteArray bytes = AppendedText::tailOf(path, read.size);
        if (FileIdentity::of(path) == look.identity)
            look.tail = ReadTail{look.identity, std::move(bytes)};
    }
    return look;
}

void Viewer::displayRead(const QString &path, ShownList list, bool plainText,
                         PaneFileReader::Result &&file)
{
    using Status = WholeFileReader::Status;
    if (file.notInEncoding) {
        // A choice kept from before that the file no longer bears (it was changed since) is
        // dropped, and the file recognized anew; a choice just made is refused.
        const auto kept = m_chosenEncodings.constFind(path);
        if (kept != m_chosenEncodings.cend() && *kept == file.chosenEncoding) {
            m_chosenEncodings.remove(path);
            return plainText ? redisplayAsPlainText() : display(path, list);
        }
        m_platform.messages.show(file.error, Icon::Information, Buttons::Ok);
        return;
    }
    if (file.status != Status::Ok) {
        if (plainText) { // "Nomal" says why, and that is all
            m_platform.messages.show(file.error, Icon::None, Buttons::Ok);
        } else if (list == ShownList::Files) {
            // Gone since the list was read: nothing to say, but the list no longer offers it.
            if (file.status != Status::NotFound)
                m_platform.messages.show(file.error, Icon::Critical, Buttons::Ok);
            emit displayFailed(list, file.status == Status::NotFound);
        } else if (file.status == Status::OutOfMemory || file.status == Status::TooLarge) {
            // The favorite is there; reading the list again would not help.
            m_platform.messages.show(file.error, Icon::Critical, Buttons::Ok);
            emit displayFailed(list, false);
        } else {
            m_platform.messages.show(file.error + QStringLiteral(" .. Please refresh the list"),
                                     Icon::None, Buttons::Ok);
            emit displayFailed(list, true);
        }
        return;
    }
    emit aboutToShow(list, path.mid(path.lastIndexOf(u'/') + 1));
    // What the pane held unsaved stays behind as a draft.
    m_drafts->flush();
    auto source = file.rich ? nullptr : std::make_shared<SourceMap>(std::move(file.plain.source));
    ShownFile shown;
    ReaderText reader;
    const std::optional<TextEncoding> chosenEncoding = file.chosenEncoding;
    try {
        m_drafts->setQuiet(true);
        shown = m_pane.showFile(std::move(file), &reader);
        // The pane owns the document now, and may replace it (with a draft) before the read's
        // result goes: the result lets go of it here, while it is still there.
        file.document.reset();
        m_drafts->setQuiet(false);
    } catch (const std::bad_alloc &) {
        m_drafts->setQuiet(false);
        // The memory estimate was not enough after all.
        m_platform.messages.show(WholeFileReader::outOfMemoryMessage(path), Icon::Critical,
                                 Buttons::Ok);
        if (!plainText)
            emit displayFailed(list, false);
        return;
    }
    // Everything a display leaves behind is written here and only here, so that a display that
    // fails changes none of it.
    shown.path = path;
    shown.list = list;
    shown.identity = m_readLook ? m_readLook->identity : FileIdentity::of(path);
    if (chosenEncoding)
        m_chosenEncodings.insert(path, *chosenEncoding);
    m_versionOf.clear();
    m_source = std::move(source);
    setShownFile(shown);
    setReaderFileName(shown.fileName());
    if (list == ShownList::Files)
        setLastFileListPath(path);
    // Handed on, not kept: a formatted document's text would be held once more.
    emit readerTextChanged(reader);
    followShownFile(plainText);
}

bool Viewer::isBusy() const
{
    return m_operations && m_operations->isRunning();
}

void Viewer::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    m_loading = loading;
    // The text shown takes no edits while the next one is read: they would be lost with it, or
    // kept as a draft of a file the reader has already left.
    m_pane.holdEdits(loading || isBusy());
    emit loadingChanged(loading);
}

void Viewer::setFolder(const QString &folder)
{
    if (m_folder == folder)
        return;
    m_folder = folder;
    emit folderChanged();
}

std::optional<QString> Viewer::fileListPath(const QString &folderPath, const QString &name) const
{
    return DisplayRules::filePath(m_folder, folderPath, name);
}

void Viewer::setAutoViewIntervalText(const QString &typed)
{
    // An emptied interval is the default again.
    m_intervalText =
        typed.isEmpty() ? QString::number(AutoViewInterval::defaultMilliseconds) : typed;
    m_interval = AutoViewInterval::parse(m_intervalText);
    emit autoViewIntervalChanged();
}

void Viewer::setReaderFileName(const QString &name)
{
    if (m_readerFileName == name)
        return;
    m_readerFileName = name;
    emit readerFileNameChanged();
}

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

bool Viewer::refuseKeptVersion()
{
    if (m_versionOf.isEmpty())
        return false;
    m_platform.messages.show(
        QStringLiteral("The pane shows an earlier version of %1, which Pagewell keeps as it is. "
                       "\"Previous versions\u2026\" can restore it; \"Save as\" writes it "
                       "elsewhere.")
            .arg(QDir::toNativeSeparators(m_versionOf)),
        Icon::Information, Buttons::Ok);
    return true;
}

void Viewer::recoverInterruptedSaves(Told told)
{
    m_recovering = true;
    m_recovery->start([this, told = std::move(told)](const QList<SaveJournal::Recovered> &done) {
        m_recovering = false;
        if (told)
            told(done);
        for (const std::function<void()> &operation : std::exchange(m_afterRecovery, {}))
            operation();
    });
}

void Viewer::waitForRecovery()
{
    m_recovery->waitUntilWhole();
}

bool Viewer::afterRecovery(std::function<void()> operation)
{
    if (!m_recovering)
        return false;
    m_afterRecovery.append(std::move(operation));
    return true;
}

void Viewer::tellRecovered(const QList<SaveJournal::Recovered> &recovered)
{
    for (const SaveJournal::Recovered &one : recovered)
        m_platform.messages.show(SaveJournal::message(one),
                                 one.problem.isEmpty() ? Icon::Information : Icon::Critical,
                                 Buttons::Ok);
}

void Viewer::showVersion(const VersionStore::Version &version)
{
    const QString file = version.file;
    const QString of = version.path;
    // Restore shows the file again from the list it came from.
    if (m_versionOf.isEmpty())
        m_versionOfList = m_shown.path == of ? m_shown.list : ShownList::Files;
    startRead(file, readingLimits(of), [this, file, of](PaneFileReader::Result &&read) {
        // Not a file of either list: a failure is said, and the lists stay as they are.
        if (read.status != WholeFileReader::Status::Ok) {
            m_platform.messages.show(read.error, Icon::Critical, Buttons::Ok);
            return;
        }
        displayRead(file, ShownList::None, false, std::move(read));
        if (m_shown.path == file)
            m_versionOf = of;
    });
}

void Viewer::restoreVersion(const VersionStore::Version &version)
{
    if (m_loading || isBusy() || afterRecovery([this, version] { restoreVersion(version); }))
        return;
    if (version.path == VersionStore::newTextPath())
        return restoreNewText(version);
    if (version.size > restoreAtOnce) {
        // Written on the drafts' thread, in turn with what they write.
        m_drafts->background([store = m_versions, version, viewer = this]() mutable {
            const QString error = store.restore(version, version.path);
            QMetaObject::invokeMethod(
                viewer, [viewer, version, error] { viewer->versionRestored(version, error); },
                Qt::QueuedConnection);
        });
        return;
    }
    versionRestored(version, m_versions.restore(version, version.path));
}

void Viewer::versionRestored(const VersionStore::Version &version, const QString &error)
{
    if (!error.isEmpty()) {
        m_platform.messages.show(error, Icon::Critical, Buttons::Ok);
        return;
    }
    // The pane follows the file it showed unedited; edits stay as they are.
    if (m_versionOf == version.path)
        display(version.path, m_versionOfList);
    else if (m_shown.path == version.path && !m_pane.isModified())
        display(version.path, m_shown.list);
}
