#include "browser.h"

#include "app/pgwell.h"
#include "controls/dirlistbox.h"
#include "controls/displayloading.h"
#include "controls/drivelistbox.h"
#include "controls/filelistbox.h"
#include "controls/panecontent.h"
#include "controls/richtextbox.h"
#include "files/folderlisting.h"
#include "files/volumes.h"
#include "files/wholefilereader.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "reader/form3.h"
#include "rtf/rtfdetect.h"
#include "viewer/displayrules.h"

#include <QDir>

#include <new>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

Browser::Browser(pgwell &window, const PgwellUi &controls)
    : QObject(&window), w(window), ui(controls)
{
    m_loading = new DisplayLoading(*ui.Text1, this);
    connect(ui.Drive1, &DriveListBox::driveChanged, this, &Browser::onDriveChanged);
    connect(ui.Dir1, &DirListBox::pathChanged, this, &Browser::onFolderChanged);
    connect(ui.Dir1, &DirListBox::openFailed, this, &Browser::onFolderOpenFailed);
    connect(&w.viewer(), &Viewer::redisplayRequested, this, &Browser::redisplayAsPlainText);
    connect(ui.File1, &FileListBox::chosen, this,
            [this] { displayFromFileList(ui.File1->fileName()); });
    connect(ui.File2, &FileListBox::chosen, this,
            [this] { displayFromFavorites(ui.File2->fileName()); });
}

void Browser::onDriveChanged()
{
    const QString root = ui.Drive1->drive();
    QString error;
    if (!Volumes::isReady(root, &error)) {
        w.platform().messages.show(error, Icon::Critical, Buttons::Ok);
        return;
    }
    // A drive keeps the folder last visited on it in this run, as a drive's current folder.
    QString target = m_lastFolderOnVolume.value(root, root);
    if (!QDir(target).exists())
        target = root;
    if (target == ui.Dir1->path())
        return;
    if (!ui.Dir1->setPath(target, &error))
        w.platform().messages.show(error, Icon::Critical, Buttons::Ok);
}

void Browser::onFolderChanged()
{
    const QString folder = ui.Dir1->path();
    QString error;
    if (!ui.File1->setPath(folder, &error)) {
        w.platform().messages.show(error, Icon::None, Buttons::Ok);
        return;
    }
    w.viewer().setFolder(folder);
    m_lastFolderOnVolume.insert(Volumes::volumeFor(folder), folder);
    ui.Drive1->showDriveFor(folder);
}

void Browser::onFolderOpenFailed(const QString &error)
{
    w.platform().messages.show(error, Icon::None, Buttons::Ok);
}

PaneFileReader::Limits Browser::readingLimits() const
{
    PaneFileReader::Limits limits;
    limits.budget = m_memoryBudget;
    limits.richMemoryPerByte = PaneContent::memoryPerFileByte;
    return limits;
}

bool Browser::show(ShownList list, const QString &path, PaneFileReader::Result &&file)
{
    const QString name = path.mid(path.lastIndexOf(u'/') + 1);
    if (list == ShownList::Files) {
        if (DisplayRules::isRichTextFileName(name)) {
            emit formattingOffered(true);
        } else {
            emit formattingOffered(false);
            QFont font(QStringLiteral("MS Sans Serif"));
            font.setPointSize(8);
            ui.Text1->setFont(font);
        }
    }
    ShownFile shown;
    try {
        if (file.rich) {
            // Built where the file was read; the pane takes it over as its child.
            const PaneContent::Loaded loaded =
                file.document      ? PaneContent::adopt(ui.Text1, file.document.get(),
                                                        std::move(file.richPlainText))
                : file.unformatted ? PaneContent::showUnformatted(ui.Text1, std::move(file.bytes),
                                                                  std::move(file.richPlainText))
                                   : PaneContent::load(ui.Text1, std::move(file.bytes));
            shown = loaded.format;
            w.reader()->setReaderText(loaded.richPlainText);
        } else {
            file.bytes = QByteArray();
            shown.encoding = file.plain.encoding;
            shown.lineEnding = file.plain.lineEnding;
            ui.Text1->setPlainBuffer(std::move(file.plain.buffer), RichTextBox::Origin::File);
            // Shared with the pane, not copied.
            w.reader()->setReaderText(ui.Text1->plainTextBuffer());
        }
    } catch (const std::bad_alloc &) {
        // The memory estimate was not enough after all.
        w.platform().messages.show(WholeFileReader::outOfMemoryMessage(path), Icon::Critical,
                                   Buttons::Ok);
        return false;
    }
    shown.path = path;
    shown.list = list;
    displaySucceeded(shown);
    return true;
}

void Browser::displaySucceeded(const ShownFile &shown)
{
    Viewer &viewer = w.viewer();
    viewer.setShownFile(shown);
    viewer.setReaderFileName(shown.fileName());
    if (shown.list == ShownList::Files)
        viewer.setLastFileListPath(shown.path);
}

void Browser::displayFailed()
{
    // The pane still shows the file shown before: so do the lists' selections.
    const ShownFile &shown = w.viewer().shownFile();
    const auto showsFrom = [&shown](const FileListBox *list, ShownList which) {
        return shown.list == which &&
               QDir::cleanPath(list->path()) == QDir::cleanPath(shown.folder());
    };
    ui.File1->selectQuietly(showsFrom(ui.File1, ShownList::Files) ? shown.fileName() : QString());
    ui.File2->selectQuietly(showsFrom(ui.File2, ShownList::Favorites) ? shown.fileName()
                                                                      : QString());
}

void Browser::displayFromFileList(const QString &name)
{
    cancelLoad(); // a newer choice drops a load still running
    const auto path = w.viewer().fileListPath(ui.Dir1->path(), name);
    if (!path) {
        // No folder chosen yet: nothing is read or shown, but the file is taken as the last
        // one chosen, for the tools that read the file again.
        w.viewer().setLastFileListPath(joinPath(ui.File1->path(), name));
        return;
    }
    startLoad(*path, readingLimits(), [this, path = *path](PaneFileReader::Result &&file) {
        if (file.status == WholeFileReader::Status::NotFound) {
            // Gone since the list was read: nothing to say, but the list no longer offers it.
            ui.File1->refresh();
            return displayFailed();
        }
        if (file.status != WholeFileReader::Status::Ok) {
            w.platform().messages.show(file.error, Icon::Critical, Buttons::Ok);
            return displayFailed();
        }
        if (!show(ShownList::Files, path, std::move(file)))
            displayFailed();
    });
}

void Browser::displayFromFavorites(const QString &name)
{
    cancelLoad();
    const QString path = w.viewer().favoritesFolder() + u'/' + name;
    startLoad(path, readingLimits(), [this, path](PaneFileReader::Result &&file) {
        if (file.status == WholeFileReader::Status::OutOfMemory ||
            file.status == WholeFileReader::Status::TooLarge) {
            // The favorite is there; refreshing the list would not help.
            w.platform().messages.show(file.error, Icon::Critical, Buttons::Ok);
            return displayFailed();
        }
        if (file.status != WholeFileReader::Status::Ok) {
            w.platform().messages.show(file.error + QStringLiteral(" .. Please refresh the list"),
                                       Icon::None, Buttons::Ok);
            ui.File2->refresh();
            return displayFailed();
        }
        if (!show(ShownList::Favorites, path, std::move(file)))
            displayFailed();
    });
}

void Browser::startLoad(const QString &path, const PaneFileReader::Limits &limits,
                        DisplayLoading::Done done)
{
    // The viewer knows of a read in flight until its result is handled, so that the operations
    // on the shown file wait for it. A small file is read and shown at once.
    m_loading->start(path, limits, [this, done = std::move(done)](PaneFileReader::Result &&file) {
        w.viewer().setLoading(false);
        done(std::move(file));
    });
    if (m_loading->isLoading())
        w.viewer().setLoading(true);
}

void Browser::cancelLoad()
{
    m_loading->cancel();
    w.viewer().setLoading(false);
}

void Browser::redisplayAsPlainText(const QString &path)
{
    // "Nomal": the file last chosen in the file list, read again through the same steps as any
    // display, but shown as plain text (a formatted file shows its markup).
    cancelLoad();
    PaneFileReader::Limits limits = readingLimits();
    limits.plainTextOnly = true;
    startLoad(path, limits, [this, path](PaneFileReader::Result &&file) {
        if (file.status != WholeFileReader::Status::Ok) {
            w.platform().messages.show(file.error, Icon::None, Buttons::Ok);
            return;
        }
        show(ShownList::Files, path, std::move(file));
    });
}
