// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class ClickLabel;
class pgwell;
struct PgwellUi;

// The toolbar's picture buttons look pressed while a mouse button is held on the picture or on
// its label: the picture shows its greyed twin from the pressed holder, and the release puts
// the normal picture back wherever the pointer then is. The release comes before the click, so
// a button's operation always runs with the normal picture showing.
class ToolbarPictures : public QObject
{
    Q_OBJECT

public:
    ToolbarPictures(pgwell &window, const PgwellUi &controls);

private:
    void wire(ClickLabel *image, ClickLabel *label, ClickLabel *normal, ClickLabel *pressed);

private:
    const PgwellUi &ui;
};
