#include "browser.h"

#include "controls/clicklabel.h"
#include "controls/dirlistbox.h"
#include "controls/displayloading.h"
#include "viewer/displayrules.h"
#include "controls/drivelistbox.h"
#include "controls/filelistbox.h"
#include "files/folderlisting.h"
#include "controls/panecontent.h"
#include "app/pgwell.h"
#include "controls/richtextbox.h"
#include "files/volumes.h"
#include "files/wholefilereader.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "reader/form3.h"
#include "rtf/rtfdetect.h"

#include <QDir>

#include <new>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

Browser::Browser(pgwell &window) : QObject(&window), w(window)
{
    m_loading = new DisplayLoading(*w.Text1, this);
    connect(w.Drive1, &DriveListBox::driveChanged, this, &Browser::onDriveChanged);
    connect(w.Dir1, &DirListBox::pathChanged, this, &Browser::onFolderChanged);
    connect(w.Dir1, &DirListBox::openFailed, this, &Browser::onFolderOpenFailed);
    connect(w.File1, &FileListBox::chosen, this,
            [this] { displayFromFileList(w.File1->fileName()); });
    connect(w.File2, &FileListBox::chosen, this,
            [this] { displayFromFavorites(w.File2->fileName()); });
}

void Browser::onDriveChanged()
{
    const QString root = w.Drive1->drive();
    QString error;
    if (!Volumes::isReady(root, &error)) {
        w.platform().messages.show(error, Icon::Critical, Buttons::Ok);
        return;
    }
    // A drive keeps the folder last visited on it in this run, as a drive's current folder.
    QString target = m_lastFolderOnVolume.value(root, root);
    if (!QDir(target).exists())
        target = root;
    if (target == w.Dir1->path())
        return;
    if (!w.Dir1->setPath(target, &error))
        w.platform().messages.show(error, Icon::Critical, Buttons::Ok);
}

void Browser::onFolderChanged()
{
    const QString folder = w.Dir1->path();
    QString error;
    if (!w.File1->setPath(folder, &error)) {
        w.platform().messages.show(error, Icon::None, Buttons::Ok);
        return;
    }
    w.viewer().setFolder(folder);
    m_lastFolderOnVolume.insert(Volumes::volumeFor(folder), folder);
    w.Drive1->showDriveFor(folder);
}

void Browser::onFolderOpenFailed(const QString &error)
{
    w.platform().messages.show(error, Icon::None, Buttons::Ok);
}

void Browser::setFormattingOffered(bool offered)
{
    for (ClickLabel *label : {w.Label5, w.Label14, w.Label15, w.Label16})
        label->setEnabled(offered);
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
            setFormattingOffered(true);
        } else {
            setFormattingOffered(false);
            QFont font(QStringLiteral("MS Sans Serif"));
            font.setPointSize(8);
            w.Text1->setFont(font);
        }
    }
    ShownFile shown;
    try {
        if (file.rich) {
            // Built where the file was read; the pane takes it over as its child.
            const PaneContent::Loaded loaded =
                file.document      ? PaneContent::adopt(w.Text1, file.document.get(),
                                                        std::move(file.richPlainText))
                : file.unformatted ? PaneContent::showUnformatted(w.Text1, std::move(file.bytes),
                                                                  std::move(file.richPlainText))
                                   : PaneContent::load(w.Text1, std::move(file.bytes));
            shown = loaded.format;
            w.reader()->setReaderText(loaded.richPlainText);
        } else {
            file.bytes = QByteArray();
            shown.encoding = file.plain.encoding;
            shown.lineEnding = file.plain.lineEnding;
            w.Text1->setPlainBuffer(std::move(file.plain.buffer), RichTextBox::Origin::File);
            // Shared with the pane, not copied.
            w.reader()->setReaderText(w.Text1->plainTextBuffer());
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
    w.File1->selectQuietly(showsFrom(w.File1, ShownList::Files) ? shown.fileName() : QString());
    w.File2->selectQuietly(showsFrom(w.File2, ShownList::Favorites) ? shown.fileName() : QString());
}

void Browser::displayFromFileList(const QString &name)
{
    cancelLoad(); // a newer choice drops a load still running
    const auto path = w.viewer().fileListPath(w.Dir1->path(), name);
    if (!path) {
        // No folder chosen yet: nothing is read or shown, but the file is taken as the last
        // one chosen, for the tools that read the file again.
        w.viewer().setLastFileListPath(joinPath(w.File1->path(), name));
        return;
    }
    startLoad(*path, [this, path = *path](PaneFileReader::Result &&file) {
        if (file.status == WholeFileReader::Status::NotFound) {
            // Gone since the list was read: nothing to say, but the list no longer offers it.
            w.File1->refresh();
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
    const QString path = w.favoritesFolder() + u'/' + name;
    startLoad(path, [this, path](PaneFileReader::Result &&file) {
        if (file.status == WholeFileReader::Status::OutOfMemory ||
            file.status == WholeFileReader::Status::TooLarge) {
            // The favorite is there; refreshing the list would not help.
            w.platform().messages.show(file.error, Icon::Critical, Buttons::Ok);
            return displayFailed();
        }
        if (file.status != WholeFileReader::Status::Ok) {
            w.platform().messages.show(file.error + QStringLiteral(" .. Please refresh the list"),
                                       Icon::None, Buttons::Ok);
            w.File2->refresh();
            return displayFailed();
        }
        if (!show(ShownList::Favorites, path, std::move(file)))
            displayFailed();
    });
}

void Browser::startLoad(const QString &path, DisplayLoading::Done done)
{
    // The viewer knows of a read in flight until its result is handled, so that the operations
    // on the shown file wait for it. A small file is read and shown at once.
    m_loading->start(path, readingLimits(),
                     [this, done = std::move(done)](PaneFileReader::Result &&file) {
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
