#include "viewer.h"

#include "files/wholefilereader.h"
#include "platform/dialogs.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "viewer/atomicfilewriter.h"
#include "viewer/autoviewinterval.h"
#include "viewer/displayloading.h"
#include "viewer/displayrules.h"
#include "viewer/favoriteslocation.h"
#include "viewer/filedisposal.h"
#include "viewer/paneport.h"
#include "viewer/plaintextsave.h"
#include "viewer/saveastarget.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

namespace {
ShownFile::Identity identityOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {quint64(st.st_dev), quint64(st.st_ino), qint64(st.st_size),
            qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec};
}

PlainTextSave::Pieces piecesOf(const PanePort &pane)
{
    return [&pane](const std::function<bool(QStringView)> &visit) {
        pane.forEachTextPiece(visit);
    };
}
} // namespace

Viewer::Viewer(Platform &platform, PanePort &pane, QObject *parent)
    : QObject(parent), m_loader(new DisplayLoading(pane, this)), m_platform(platform), m_pane(pane)
{
    setAutoViewIntervalText(QString());
}

void Viewer::setShownFile(const ShownFile &file)
{
    m_shown = file;
    emit shownFileChanged();
}

void Viewer::display(const QString &path, ShownList list)
{
    startRead(path, readingLimits(), [this, path, list](PaneFileReader::Result &&file) {
        displayRead(path, list, false, std::move(file));
    });
}

void Viewer::redisplayAsPlainText()
{
    if (m_lastFileListPath.isEmpty())
        return;
    PaneFileReader::Limits limits = readingLimits();
    limits.plainTextOnly = true;
    const QString path = m_lastFileListPath;
    startRead(path, limits, [this, path](PaneFileReader::Result &&file) {
        displayRead(path, ShownList::Files, true, std::move(file));
    });
}

PaneFileReader::Limits Viewer::readingLimits() const
{
    PaneFileReader::Limits limits;
    limits.budget = m_memoryBudget;
    return limits;
}

void Viewer::startRead(const QString &path, const PaneFileReader::Limits &limits,
                       std::function<void(PaneFileReader::Result &&)> done)
{
    // A newer choice drops a read still in flight. The viewer knows of a read in flight until
    // its result is handled, so that the operations on the shown file wait for it; a small file
    // is read and shown at once.
    m_loader->cancel();
    setLoading(false);
    m_loader->start(path, limits, [this, done = std::move(done)](PaneFileReader::Result &&file) {
        setLoading(false);
        done(std::move(file));
    });
    if (m_loader->isLoading())
        setLoading(true);
}

void Viewer::displayRead(const QString &path, ShownList list, bool plainText,
                         PaneFileReader::Result &&file)
{
    using Status = WholeFileReader::Status;
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
    auto source = file.rich ? nullptr : std::make_shared<SourceMap>(std::move(file.plain.source));
    ShownFile shown;
    ReaderText reader;
    try {
        shown = m_pane.showFile(std::move(file), &reader);
    } catch (const std::bad_alloc &) {
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
    shown.identity = identityOf(path);
    m_source = std::move(source);
    setShownFile(shown);
    setReaderFileName(shown.fileName());
    if (list == ShownList::Files)
        setLastFileListPath(path);
    // Handed on, not kept: a formatted document's text would be held once more.
    emit readerTextChanged(reader);
}

void Viewer::setLoading(bool loading)
{
    if (m_loading == loading)
        return;
    m_loading = loading;
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
    if (m_loading)
        return;
    const ShownFile shown = m_shown;
    if (shown.isEmpty())
        return showSaveFailure(QStringLiteral("No file has been shown yet"));
    // Unedited, the file already holds the shown text exactly as it was read: nothing is
    // rewritten, so nothing about the file can change.
    if (!m_pane.isModified() && QFileInfo::exists(shown.path))
        return;

    // Written in the format it was shown in: RTF stays RTF and plain text stays plain, in its
    // own encoding and line ends.
    if (shown.richText) {
        if (const QString error = AtomicFileWriter::write(shown.path, m_pane.richText());
            !error.isEmpty())
            return showSaveFailure(error);
        m_pane.setModified(false);
        return;
    }
    // Only the edits are written, the rest copied from the file; failing that, the text is
    // encoded straight from the pane's pieces: a large text is not copied whole.
    const PlainTextSave::Written written =
        PlainTextSave::writeBack(m_platform.messages, shown.path, piecesOf(m_pane),
                                 m_pane.editedPlainText(), m_source.get(), shown);
    if (!written.error.isEmpty())
        return showSaveFailure(written.error);
    if (!written.written)
        return; // the user kept the file as it is
    m_pane.setModified(false);
    m_source = written.saved ? std::make_shared<SourceMap>(*written.saved) : nullptr;
    if (m_source)
        m_source->textMark = m_pane.markTextSaved();
    if (written.encoding != shown.encoding) {
        // The user chose UTF-8 for this file; later saves keep it so.
        ShownFile saved = shown;
        saved.encoding = written.encoding;
        setShownFile(saved);
    }
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
    if (m_loading)
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
    if (SaveAsTarget::isRichText(target)) {
        if (const QString error = AtomicFileWriter::write(target, m_pane.richText());
            !error.isEmpty()) {
            m_platform.messages.show(error, Icon::Critical, Buttons::Ok);
            return;
        }
    } else {
        const PlainTextSave::Written written =
            PlainTextSave::write(m_platform.messages, target, piecesOf(m_pane), shown);
        if (!written.error.isEmpty()) {
            m_platform.messages.show(written.error, Icon::Critical, Buttons::Ok);
            return;
        }
        if (!written.written)
            return;
    }
    // The pane stays tied to the file it came from: a later Save writes there, not here.
    emit listChanged(ShownList::Files);
}

void Viewer::deleteShownFile()
{
    if (m_loading)
        return;
    const ShownFile shown = m_shown;
    if (shown.isEmpty())
        return; // nothing shown, nothing to delete
    QString error;
    if (!FileDisposal::discard(shown.path, &error)) {
        m_platform.messages.show(error, Icon::None, Buttons::Ok);
        return;
    }
    // The pane keeps the deleted file's text; a Save would write it again.
    emit listChanged(shown.list == ShownList::Favorites ? ShownList::Favorites : ShownList::Files);
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
    error = AtomicFileWriter::write(path, content->bytes);
    if (!error.isEmpty())
        return error;
    emit listChanged(ShownList::Favorites);
    return {};
}
