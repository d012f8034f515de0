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
    // Add to favorites with a text of the caller's (the reader's own text box).
    void addTextToFavorites(const QString &text);
    void removeFavorite();
    void openFavoritesFolder();
    void refreshFavoritesThenFiles();
    void refreshFilesThenFavorites();

private:
    void onFavoritesPressed(Qt::MouseButton button, const QPoint &globalPos);

    pgwell &w;
};
