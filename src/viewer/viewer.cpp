// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer.h"

#include "files/wholefilereader.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "viewer/autoviewinterval.h"
#include "viewer/displayloading.h"
#include "viewer/displayrules.h"
#include "viewer/draftkeeper.h"
#include "viewer/fileidentity.h"
#include "viewer/longoperation.h"
#include "viewer/paneport.h"
#include "viewer/posixfile.h"
#include "viewer/savejournal.h"
#include "viewer/shownfilewatch.h"
#include "viewer/startrecovery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopedValueRollback>

#include <fcntl.h>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

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
