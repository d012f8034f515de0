// SPDX-License-Identifier: GPL-3.0-or-later
#include "favoritesactions.h"

#include "controls/clicklabel.h"
#include "controls/filelistbox.h"
#include "controls/operationaction.h"
#include "controls/richtextbox.h"
#include "favorites/listrefresh.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "platform/programlauncher.h"
#include "viewer/favoriteslocation.h"
#include "viewer/filedisposal.h"
#include "viewer/viewer.h"

#include <QAction>
#include <QDir>
#include <QMenu>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

FavoritesActions::FavoritesActions(Viewer &viewer, Platform &platform, const Controls &controls,
                                   QObject *parent)
    : QObject(parent), m_viewer(viewer), m_platform(platform), ui(controls)
{
    // The copy is of the pane's text: it waits for a file being read.
    // Not Ctrl+D: the desktops' key for deleting a character in the pane.
    auto *add = new OperationAction(QStringLiteral("actionAddToFavorites"),
                                    QStringLiteral("Add to favorites"),
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_D), this);
    add->addControls({}, {ui.m1, ui.Label8});
    add->waitForLoads(m_viewer);
    connect(add, &QAction::triggered, this, &FavoritesActions::addToFavorites);
    connect(ui.File2, &FileListBox::mousePressed, this, &FavoritesActions::onFavoritesPressed);
    connect(ui.remt, &QAction::triggered, this, &FavoritesActions::removeFavorite);
    connect(ui.open, &QAction::triggered, this, &FavoritesActions::openFavoritesFolder);
    connect(ui.ref, &QAction::triggered, this, &FavoritesActions::refreshFavoritesThenFiles);
    auto *refresh = new OperationAction(QStringLiteral("actionRefresh"), QStringLiteral("Refresh"),
                                        QKeySequence(Qt::Key_F5), this);
    refresh->addControls({}, {ui.reall, ui.Label11});
    connect(refresh, &QAction::triggered, this, &FavoritesActions::refreshFilesThenFavorites);
    connect(&m_viewer, &Viewer::listChanged, this, [this](ShownList list) {
        if (list == ShownList::Favorites)
            ListRefresh::keepingSelection(*ui.File2);
    });
}

void FavoritesActions::addToFavorites()
{
    // The copy is named after the file list's entry; with none selected there is no name, and
    // nothing is written or said.
    const QString name = ui.File1->fileName();
    if (name.isEmpty())
        return;
    // Written off the window's thread from a copy of the text that shares its pieces.
    m_viewer.addToFavorites(name, ui.Text1->textSnapshot(), [this](const QString &error) {
        if (!error.isEmpty())
            m_platform.messages.show(error, Icon::None, Buttons::Ok);
    });
}

void FavoritesActions::removeFavorite()
{
    const QString name = ui.File2->fileName();
    QString error = QStringLiteral("No favorite is selected in the favorites list");
    if (!name.isEmpty() &&
        FileDisposal::discard(m_viewer.favoritesFolder() + u'/' + name, &error)) {
        // The pane and the record stay, even when the pane shows the removed file.
        ListRefresh::keepingSelection(*ui.File2);
        return;
    }
    m_platform.messages.show(error, Icon::None, Buttons::Ok);
}

void FavoritesActions::openFavoritesFolder()
{
    const QString folder = QDir::toNativeSeparators(m_viewer.favoritesFolder());
#if defined(Q_OS_WIN)
    const QString program = QStringLiteral("explorer");
#elif defined(Q_OS_MACOS)
    const QString program = QStringLiteral("open");
#else
    const QString program = QStringLiteral("xdg-open");
#endif
    // The opener starts, then tells by its exit status whether it found a file manager: a
    // failure is said when it ends, while the window goes on. The folder is one argument, never
    // a command line: a path with blanks stays one path.
    const auto ended = [this, folder, program](int status) {
        if (status != 0)
            m_platform.messages.show(QStringLiteral("Cannot open the favorites folder %1: %2")
                                         .arg(folder, openerFailure(program, status)),
                                     Icon::None, Buttons::Ok);
    };
    QString error;
    if (!m_platform.launcher.startWatched(program, {folder}, this, ended, &error))
        m_platform.messages.show(error, Icon::None, Buttons::Ok);
}

QString FavoritesActions::openerFailure(const QString &program, int status)
{
    // The exit statuses xdg-open documents; other openers say 1 for any failure.
    if (program == u"xdg-open") {
        switch (status) {
        case 1:
            return QStringLiteral("xdg-open refused its command line");
        case 2:
            return QStringLiteral("the folder was not found");
        case 3:
            return QStringLiteral("no file manager was found to open it");
        case 4:
            return QStringLiteral("the file manager could not open it");
        default:
            break;
        }
    }
    if (status < 0)
        return QStringLiteral("%1 ended abnormally").arg(program);
    return QStringLiteral("%1 ended with status %2").arg(program).arg(status);
}

void FavoritesActions::refreshFavoritesThenFiles()
{
    ListRefresh::keepingSelection(*ui.File2);
    ListRefresh::keepingSelection(*ui.File1);
}

void FavoritesActions::refreshFilesThenFavorites()
{
    ListRefresh::keepingSelection(*ui.File1);
    ListRefresh::keepingSelection(*ui.File2);
}

void FavoritesActions::onFavoritesPressed(Qt::MouseButton button, const QPoint &globalPos)
{
    // The press leaves the selection alone: the menu acts on the entry selected before.
    if (button == Qt::RightButton)
        ui.favo->popup(globalPos);
}
