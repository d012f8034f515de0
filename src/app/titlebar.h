// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QPoint>

class pgwell;
struct PgwellUi;

// The home-made title bar: dragging the window by the title picture `Image5` or the title
// text `Label4`, "-" (`Command2`) that minimizes, and the expand button (`Command3`) that hides
// the lower panels so that the viewing pane can use the window's height, and shows them again.
class TitleBar : public QObject
{
    Q_OBJECT

public:
    TitleBar(pgwell &window, const PgwellUi &controls);

    void minimize();
    void expandToggle();

    // Viewing pane heights in twips: the window's height less this while the panels are
    // hidden, and a fixed height once they are shown again.
    static constexpr int expandedMarginTwips = 200;
    static constexpr int shownPaneHeightTwips = 5535;

private:
    void onHandleMoved(Qt::MouseButtons buttons, const QPoint &pos);
    void onHandlePressed(Qt::MouseButton button, const QPoint &pos);
    void setPaneHeightTwips(int twips);

    pgwell &w;
    const PgwellUi &ui;
    // Where in the title the pointer was while no button was held, in twips: the point of the
    // title that stays under the pointer while the window is dragged.
    qint16 m_dragX = 0;
    qint16 m_dragY = 0;
};
