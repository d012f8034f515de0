// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QRect>

class RichTextBox;
class QWidget;

// Keeps the viewing pane's text clear of the controls that lie over its lower edge (the folder
// label, the toolbar) and of the window's lower edge, so that every line can be scrolled into
// view and read. Follows the pane and those controls as they move, resize, show and hide.
class PaneClearance : public QObject
{
    Q_OBJECT

public:
    PaneClearance(RichTextBox &pane, const QList<QWidget *> &coverers);

    // The pixels at the pane's bottom to keep free of text: those below the visible area, and
    // those under any coverer that lies over the pane's lower edge, or so close above another
    // one (or that edge) that no line fits in between. All rectangles share one coordinate
    // system.
    static int bottomMargin(const QRect &pane, const QRect &visibleArea,
                            const QList<QRect> &coverers, int lineHeight);

    void update();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    RichTextBox &m_pane;
    QList<QPointer<QWidget>> m_coverers;
};
