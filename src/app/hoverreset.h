// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class pgwell;
struct PgwellUi;

// `Label13` lights up while the pointer is over it; leaving it for the toolbar's background,
// the browser panel's background or the viewing pane turns it back to the panels' grey.
// Moving over any other control leaves it as it is.
class HoverReset : public QObject
{
    Q_OBJECT

public:
    HoverReset(pgwell &window, const PgwellUi &controls);

    void reset();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    pgwell &w;
    const PgwellUi &ui;
};
