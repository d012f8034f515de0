// SPDX-License-Identifier: GPL-3.0-or-later
#include "backgroundcolor.h"

#include <QPalette>
#include <QWidget>

void setBackgroundColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, color);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

QColor backgroundColor(const QWidget *widget)
{
    return widget->palette().color(QPalette::Window);
}
