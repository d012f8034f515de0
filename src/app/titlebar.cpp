// SPDX-License-Identifier: GPL-3.0-or-later
#include "titlebar.h"

#include "app/pgwell.h"
#include "app/titledrag.h"
#include "controls/clicklabel.h"
#include "controls/operationaction.h"
#include "controls/richtextbox.h"
#include "controls/twips.h"

#include <algorithm>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QWindow>

TitleBar::TitleBar(pgwell &window, const PgwellUi &controls)
    : QObject(&window), w(window), ui(controls)
{
    // Both handles share one grab origin: hovering over one and dragging the other works.
    for (ClickLabel *handle : {ui.Image5, ui.Label4}) {
        connect(handle, &ClickLabel::moved, this, &TitleBar::onHandleMoved);
        connect(handle, &ClickLabel::pressed, this, &TitleBar::onHandlePressed);
    }
    auto *minimize =
        new OperationAction(QStringLiteral("actionMinimize"), QStringLiteral("Minimize"),
                            QKeySequence(Qt::CTRL | Qt::Key_M), this);
    minimize->addControls({ui.Command2}, {});
    connect(minimize, &QAction::triggered, this, &TitleBar::minimize);
    // Not Ctrl+E: the desktops' key for the end of the line in the pane.
    auto *expand = new OperationAction(QStringLiteral("actionExpand"), QStringLiteral("Expand"),
                                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_E), this);
    expand->addControls({ui.Command3}, {});
    connect(expand, &QAction::triggered, this, &TitleBar::expandToggle);
}

void TitleBar::onHandleMoved(Qt::MouseButtons buttons, const QPoint &pos)
{
    const qint64 x = qint64(pos.x()) * Twips::perPixel;
    const qint64 y = qint64(pos.y()) * Twips::perPixel;
    switch (TitleDrag::stepFor(buttons)) {
    case TitleDrag::Step::StoreOrigin:
        m_dragX = TitleDrag::origin(double(x));
        m_dragY = TitleDrag::origin(double(y));
        break;
    case TitleDrag::Step::Move:
        // The origin stays, so the grabbed point of the title stays under the pointer. A move
        // the window system refuses simply leaves the window where it is.
        w.move(TitleDrag::movedTopLeft(w.pos(), m_dragX, m_dragY, x, y));
        break;
    case TitleDrag::Step::Nothing:
        break;
    }
}

void TitleBar::onHandlePressed(Qt::MouseButton button, const QPoint &)
{
    // Where the window system places windows itself, it moves the window while the button is
    // held; the moves above then change nothing.
    if (button != Qt::LeftButton || !TitleDrag::windowSystemMoves(QGuiApplication::platformName()))
        return;
    if (QWindow *handle = w.windowHandle())
        handle->startSystemMove();
}

void TitleBar::minimize()
{
    w.showMinimized();
}

void TitleBar::expandToggle()
{
    // Hiding a panel keeps what its controls show: an open find panel is open again when the
    // browser panel comes back.
    Viewer &viewer = w.viewer();
    if (!viewer.isExpanded()) {
        setPaneHeightTwips(w.heightTwips() - expandedMarginTwips);
        ui.f1->hide();
        ui.frm->hide();
        ui.Command4->hide();
        ui.tlbr->hide();
        viewer.setExpanded(true);
    } else {
        setPaneHeightTwips(shownPaneHeightTwips);
        viewer.setExpanded(false);
        ui.f1->show();
        ui.frm->show();
        ui.tlbr->show();
        ui.Command4->show();
    }
}

void TitleBar::setPaneHeightTwips(int twips)
{
    // Its top stays; while the panels are hidden its lower edge lies below the window's.
    ui.Text1->resize(ui.Text1->width(), Twips::toPixels(std::max(twips, 0)));
}
