#include "keyboardcontrols.h"

#include "controls/clicklabel.h"
#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "controls/filelistbox.h"
#include "app/pgwell.h"
#include "controls/richtextbox.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>

KeyboardControls::KeyboardControls(pgwell &window) : QObject(&window), w(window)
{
    bind(QKeySequence(Qt::CTRL | Qt::Key_S), w.Command8);
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), w.Command6);
    bind(QKeySequence(Qt::CTRL | Qt::Key_N), w.Command5);
    bind(QKeySequence(Qt::Key_F3), w.Command11);
    bind(QKeySequence(Qt::Key_Escape), w.Command9);
    bind(QKeySequence(Qt::Key_F11), w.Command7);
    bind(QKeySequence(Qt::CTRL | Qt::Key_Q), w.Command1);
    bind(QKeySequence(Qt::Key_F5), w.reall);
    bind(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), w.com);
    auto *find = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_F), &w);
    connect(find, &QShortcut::activated, this, &KeyboardControls::findWord);
    connect(w.Text2, &QLineEdit::returnPressed, this, [this] { press(w.Command11); });
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
    press(w.find);
    if (w.fnd->isVisible()) {
        w.Text2->setFocus(Qt::ShortcutFocusReason);
        w.Text2->selectAll();
    }
}

void KeyboardControls::setTabOrder()
{
    // The pane, then the browser from left to right, the buttons as they stand (the find
    // panel where it opens over them), the favorites, and Auto view.
    const QList<QWidget *> order{
        w.Text1,     w.Drive1,   w.Dir1,     w.File1,  w.cap,      w.min,     w.Option3,
        w.Command5,  w.Command8, w.Command6, w.find,   w.Command7, w.Text2,   w.Command10,
        w.Command11, w.Command9, w.File2,    w.Check1, w.Option1,  w.Option2, w.ok};
    for (int i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
}
