// SPDX-License-Identifier: GPL-3.0-or-later
#include "browser.h"

#include "app/pgwell.h"
#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "controls/filelistbox.h"
#include "controls/richtextbox.h"
#include "files/folderlisting.h"
#include "files/volumes.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "viewer/displayloading.h"
#include "viewer/displayrules.h"

#include <QDir>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

Browser::Browser(pgwell &window, const PgwellUi &controls)
    : QObject(&window), w(window), ui(controls)
{
    connect(ui.Drive1, &DriveListBox::driveChanged, this, &Browser::onDriveChanged);
    connect(ui.Dir1, &DirListBox::pathChanged, this, &Browser::onFolderChanged);
    connect(ui.Dir1, &DirListBox::openFailed, this, &Browser::onFolderOpenFailed);
    connect(&w.viewer(), &Viewer::aboutToShow, this, &Browser::onAboutToShow);
    connect(&w.viewer(), &Viewer::displayFailed, this, &Browser::onDisplayFailed);
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

void Browser::onAboutToShow(ShownList list, const QString &name)
{
    if (list != ShownList::Files)
        return;
    // The formatting tools are offered for an RTF name; any other file from the file list shows
    // in the design font.
    if (DisplayRules::isRichTextFileName(name)) {
        emit formattingOffered(true);
    } else {
        emit formattingOffered(false);
        QFont font(QStringLiteral("MS Sans Serif"));
        font.setPointSize(8);
        ui.Text1->setFont(font);
    }
}

void Browser::onDisplayFailed(ShownList list, bool goneFromList)
{
    if (goneFromList)
        (list == ShownList::Favorites ? ui.File2 : ui.File1)->refresh();
    // The pane still shows the file shown before: so do the lists' selections.
    const ShownFile &shown = w.viewer().shownFile();
    const auto showsFrom = [&shown](const FileListBox *box, ShownList which) {
        return shown.list == which &&
               QDir::cleanPath(box->path()) == QDir::cleanPath(shown.folder());
    };
    ui.File1->selectQuietly(showsFrom(ui.File1, ShownList::Files) ? shown.fileName() : QString());
    ui.File2->selectQuietly(showsFrom(ui.File2, ShownList::Favorites) ? shown.fileName()
                                                                      : QString());
}

void Browser::displayFromFileList(const QString &name)
{
    const auto path = w.viewer().fileListPath(ui.Dir1->path(), name);
    if (!path) {
        // No folder chosen yet: nothing is read or shown, but the file is taken as the last
        // one chosen, for the tools that read the file again.
        w.viewer().loading().cancel();
        w.viewer().setLoading(false);
        w.viewer().setLastFileListPath(joinPath(ui.File1->path(), name));
        return;
    }
    w.viewer().display(*path, ShownList::Files);
}

void Browser::displayFromFavorites(const QString &name)
{
    w.viewer().display(w.viewer().favoritesFolder() + u'/' + name, ShownList::Favorites);
}
