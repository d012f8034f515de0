#include "keyboardcontrols.h"

#include "app/pgwell.h"
#include "controls/clicklabel.h"
#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "controls/filelistbox.h"
#include "controls/richtextbox.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

KeyboardControls::KeyboardControls(pgwell &window, const PgwellUi &controls)
    : QObject(&window), w(window), ui(controls)
{
    bind(QKeySequence(Qt::CTRL | Qt::Key_S), ui.Command8);
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), ui.Command6);
    bind(QKeySequence(Qt::CTRL | Qt::Key_N), ui.Command5);
    bind(QKeySequence(Qt::Key_F3), ui.Command11);
    bind(QKeySequence(Qt::Key_Escape), ui.Command9);
    bind(QKeySequence(Qt::Key_F11), ui.Command7);
    bind(QKeySequence(Qt::CTRL | Qt::Key_Q), ui.Command1);
    bind(QKeySequence(Qt::Key_F5), ui.reall);
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), ui.com);
    auto *find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), &w);
    connect(find, &QShortcut::activated, this, &KeyboardControls::findWord);
    connect(ui.Text2, &QLineEdit::returnPressed, this, [this] { press(ui.Command11); });
    setTabOrder();
}

bool KeyboardControls::press(QWidget *control)
{
    if (!control->isVisible() || !control->isEnabled())
        return false;
    if (auto *button = qobject_cast<QAbstractButton *>(control))
        button->click();
    else if (auto *label = qobject_cast<ClickLabel *>(control))
        label->click();
    else
        return false;
    return true;
}

void KeyboardControls::bind(const QKeySequence &keys, QWidget *control)
{
    auto *shortcut = new QShortcut(keys, &w);
    connect(shortcut, &QShortcut::activated, control, [control] { press(control); });
}

void KeyboardControls::findWord()
{
    // "Find" opens the find panel; the word box then takes the keys.
    press(ui.find);
    if (ui.fnd->isVisible()) {
        ui.Text2->setFocus(Qt::ShortcutFocusReason);
        ui.Text2->selectAll();
    }
}

void KeyboardControls::setTabOrder()
{
    // The pane, then the browser from left to right, the buttons as they stand (the find
    // panel where it opens over them), the favorites, and Auto view.
    const QList<QWidget *> order{
        ui.Text1,     ui.Drive1,   ui.Dir1,     ui.File1,  ui.cap,      ui.min,     ui.Option3,
        ui.Command5,  ui.Command8, ui.Command6, ui.find,   ui.Command7, ui.Text2,   ui.Command10,
        ui.Command11, ui.Command9, ui.File2,    ui.Check1, ui.Option1,  ui.Option2, ui.ok};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}
