// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>

class QWidget;

// A control's background colour, kept in its palette's Window role and painted by the control
// itself. Every feature that colours a label or a panel (the toolbar's hover, pressed and reset
// looks among them) goes through these two, so that the colours never fight each other.
void setBackgroundColor(QWidget *widget, const QColor &color);
QColor backgroundColor(const QWidget *widget);
