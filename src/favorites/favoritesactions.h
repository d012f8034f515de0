// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

class ClickLabel;
class FileListBox;
class QAction;
class QMenu;
class RichTextBox;
class Viewer;
struct Platform;

// The favorites folder's operations: add the shown text, remove a favorite, open the folder in
// the file manager, refresh the lists; and the pop-up menu over the favorites list.
class FavoritesActions : public QObject
{
    Q_OBJECT

public:
    // The controls it works with.
    struct Controls
    {
        ClickLabel *m1;
        ClickLabel *Label8;
        FileListBox *File2;
        QAction *remt;
        QAction *open;
        QAction *ref;
        ClickLabel *reall;
        ClickLabel *Label11;
        FileListBox *File1;
        RichTextBox *Text1;
        QMenu *favo;
    };

    FavoritesActions(Viewer &viewer, Platform &platform, const Controls &controls, QObject *parent);

    void addToFavorites();
    void removeFavorite();
    void openFavoritesFolder();
    void refreshFavoritesThenFiles();
    void refreshFilesThenFavorites();

private:
    void onFavoritesPressed(Qt::MouseButton button, const QPoint &globalPos);
    // What the file opener's exit status means, for the user.
    static QString openerFailure(const QString &program, int status);

    Viewer &m_viewer;
    Platform &m_platform;
    Controls ui;
};
