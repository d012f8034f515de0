// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class pgwell;

// A file dropped from the file manager anywhere on the main window is opened as
// "pagewell FILE" opens it. Dropped text and other data keep their usual handling.
class FileDrop : public QObject
{
    Q_OBJECT

public:
    explicit FileDrop(pgwell &window);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    pgwell &w;
};
