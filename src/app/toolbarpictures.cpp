#include "toolbarpictures.h"

#include "controls/clicklabel.h"
#include "app/pgwell.h"

ToolbarPictures::ToolbarPictures(pgwell &w) : QObject(&w)
{
    wire(w.m2, w.Label7, w.del, w.del1);
    wire(w.m1, w.Label8, w.add, w.add1);
    wire(w.Image1, w.Label10, w.new11, w.new1);
    wire(w.sav, w.Label9, w.save, w.save1);
    wire(w.reall, w.Label11, w.refall, w.refall1);
    wire(w.com, w.Label12, w.co, w.co1);
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
