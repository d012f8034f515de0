#pragma once

#include <QObject>

class pgwell;

// The toolbar's clip slot controls: "Send to Vantrel Stash" (Label13) writes the pane's text to
// the first free slot and offers to start sbx; the picture beside it (Image4) tells how many
// slots are free. Label13 also shows a pressed look and a hover colour.
class ClipSlotActions : public QObject
{
    Q_OBJECT

public:
    explicit ClipSlotActions(pgwell &window);

    void send();
    void reportFreeSlots();

private:
    void showFailure(const QString &error);

    pgwell &w;
};
