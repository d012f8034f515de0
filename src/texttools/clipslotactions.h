// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "texttools/clipslotwriter.h"

#include <QObject>

class ClickLabel;
class RichTextBox;
class Viewer;
struct Platform;

// The toolbar's clip slot controls: "Send to Vantrel Stash" (Label13) writes the pane's text to
// the first free slot and offers to start sbx; the picture beside it (Image4) tells how many
// slots are free. Label13 also shows a pressed look and a hover colour.
class ClipSlotActions : public QObject
{
    Q_OBJECT

public:
    // The controls it works with.
    struct Controls
    {
        ClickLabel *Label13;
        ClickLabel *Image4;
        RichTextBox *Text1;
    };

    ClipSlotActions(Viewer &viewer, Platform &platform, const Controls &controls, QObject *parent);

    void send();
    void reportFreeSlots();

private:
    void reportSent(const ClipSlotWriter::Result &sent);
    void showFailure(const QString &error);

    Viewer &m_viewer;
    Platform &m_platform;
    Controls ui;
};
