#pragma once

#include <QObject>

class QKeySequence;
class QWidget;
class pgwell;
struct PgwellUi;

// The keys that editors share, and the Tab order. Each key clicks the control it stands for,
// so it runs exactly that control's operation, and only while the control is on screen and
// enabled, as a click could.
class KeyboardControls : public QObject
{
    Q_OBJECT

public:
    KeyboardControls(pgwell &window, const PgwellUi &controls);

    // Clicks a button or a picture label when it could be clicked with the mouse.
    static bool press(QWidget *control);

private:
    void bind(const QKeySequence &keys, QWidget *control);
    void findWord();
    void setTabOrder();

    pgwell &w;
    const PgwellUi &ui;
};
