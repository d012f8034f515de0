#pragma once

#include "viewer/liststep.h"

#include <QObject>

class Form3;
class pgwell;

// The full-screen reader's behaviour: "Full screen mode" opens it, its menu steps through the
// main window's lists and stores its text as a favorite. A step only selects an entry; the
// list's own choice shows the file and fills the reader, as a click would.
class ReaderActions : public QObject
{
    Q_OBJECT

public:
    explicit ReaderActions(pgwell &window);

    void showReader();
    void step(ListStep::Move move);
    void addToFavorites();

private:
    void attach(Form3 *reader);

    pgwell &w;
};
