#pragma once

#include <QObject>
#include <QPoint>
#include <QString>

class pgwell;

// The favorites folder's operations: add the shown text, remove a favorite, open the folder in
// the file manager, refresh the lists; and the pop-up menu over the favorites list.
class FavoritesActions : public QObject
{
    Q_OBJECT

public:
    explicit FavoritesActions(pgwell &window);

    void addToFavorites();
    // Stores the text as the favorite of that name and refreshes the favorites list; returns
    // an empty text on success, else what went wrong. The reader stores its own text this way.
    QString addTextToFavorites(const QString &name, const QString &text);
    void removeFavorite();
    void openFavoritesFolder();
    void refreshFavoritesThenFiles();
    void refreshFilesThenFavorites();

private:
    void onFavoritesPressed(Qt::MouseButton button, const QPoint &globalPos);
    // What the file opener's exit status means, for the user.
    static QString openerFailure(const QString &program, int status);

    pgwell &w;
};
