// SPDX-License-Identifier: GPL-3.0-or-later
#include "toolbarpictures.h"

#include "app/pgwell.h"
#include "controls/clicklabel.h"

ToolbarPictures::ToolbarPictures(pgwell &w, const PgwellUi &controls) : QObject(&w), ui(controls)
{
    wire(ui.m2, ui.Label7, ui.del, ui.del1);
    wire(ui.m1, ui.Label8, ui.add, ui.add1);
    wire(ui.Image1, ui.Label10, ui.new11, ui.new1);
    wire(ui.sav, ui.Label9, ui.save, ui.save1);
    wire(ui.reall, ui.Label11, ui.refall, ui.refall1);
    wire(ui.com, ui.Label12, ui.co, ui.co1);
}

void ToolbarPictures::wire(ClickLabel *image, ClickLabel *label, ClickLabel *normal,
                           ClickLabel *pressed)
{
    // Any mouse button presses; the label never changes its own look.
    for (ClickLabel *control : {image, label}) {
        connect(control, &ClickLabel::pressed, image,
                [image, pressed] { image->setPixmap(pressed->pixmap()); });
        connect(control, &ClickLabel::released, image,
                [image, normal] { image->setPixmap(normal->pixmap()); });
    }
}
