// SPDX-License-Identifier: GPL-3.0-or-later
#include "clicklabel.h"

#include <QMouseEvent>

#include <utility>

ClickLabel::ClickLabel(const QString &caption, QWidget *parent) : QLabel(caption, parent)
{
    setMouseTracking(true);
}

void ClickLabel::setCaption(const QString &caption)
{
    setText(caption);
    emit captionChanged();
}

void ClickLabel::mousePressEvent(QMouseEvent *event)
{
    m_secondPress = false;
    emit pressed(event->button(), event->position().toPoint());
    event->accept();
}

void ClickLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    m_secondPress = event->button() == Qt::LeftButton;
    emit pressed(event->button(), event->position().toPoint());
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    emit released(event->button(), event->position().toPoint());
    const bool second = std::exchange(m_secondPress, false);
    if (event->button() == Qt::LeftButton && !second &&
        rect().contains(event->position().toPoint()))
        emit clicked();
    event->accept();
}

void ClickLabel::mouseMoveEvent(QMouseEvent *event)
{
    emit moved(event->buttons(), event->position().toPoint());
    QLabel::mouseMoveEvent(event);
}
