#include "hoverreset.h"

#include "controls/backgroundcolor.h"
#include "controls/clicklabel.h"
#include "app/pgwell.h"
#include "controls/richtextbox.h"

#include <QFrame>
#include <QMouseEvent>

namespace {
const QColor panelGrey(224, 224, 224);
}

HoverReset::HoverReset(pgwell &window) : QObject(&window), w(window)
{
    for (QWidget *panel : {static_cast<QWidget *>(w.f1), static_cast<QWidget *>(w.tlbr)}) {
        panel->setMouseTracking(true);
        panel->installEventFilter(this);
    }
    connect(w.Text1, &RichTextBox::mouseMoved, this, &HoverReset::reset);
}

void HoverReset::reset()
{
    setBackgroundColor(w.Label13, panelGrey);
}

bool HoverReset::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove) {
        // A label's moves travel on to the panel beneath it; only the panel's own background
        // counts.
        auto *panel = static_cast<QWidget *>(watched);
        const QPoint pos = static_cast<QMouseEvent *>(event)->position().toPoint();
        if (!panel->childAt(pos))
            reset();
    }
    return QObject::eventFilter(watched, event);
}
