// SPDX-License-Identifier: GPL-3.0-or-later
#include "hoverreset.h"

#include "app/pgwell.h"
#include "controls/backgroundcolor.h"
#include "controls/clicklabel.h"
#include "controls/richtextbox.h"

#include <QFrame>
#include <QMouseEvent>

namespace {
const QColor panelGrey(224, 224, 224);
}

HoverReset::HoverReset(pgwell &window, const PgwellUi &controls)
    : QObject(&window), w(window), ui(controls)
{
    for (QWidget *panel : {static_cast<QWidget *>(ui.f1), static_cast<QWidget *>(ui.tlbr)}) {
        panel->setMouseTracking(true);
        panel->installEventFilter(this);
    }
    connect(ui.Text1, &RichTextBox::mouseMoved, this, &HoverReset::reset);
}

void HoverReset::reset()
{
    setBackgroundColor(ui.Label13, panelGrey);
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
