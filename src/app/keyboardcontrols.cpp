// SPDX-License-Identifier: GPL-3.0-or-later
#include "keyboardcontrols.h"

#include "app/pgwellui.h"
#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "controls/filelistbox.h"
#include "controls/richtextbox.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

void KeyboardControls::setTabOrder(const PgwellUi &ui)
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
