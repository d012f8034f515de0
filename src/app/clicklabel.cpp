#include "clicklabel.h"

#include <QMouseEvent>

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
    emit pressed(event->button(), event->position().toPoint());
    event->accept();
}

void ClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    emit released(event->button(), event->position().toPoint());
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    event->accept();
}

void ClickLabel::mouseMoveEvent(QMouseEvent *event)
{
    emit moved(event->buttons(), event->position().toPoint());
    QLabel::mouseMoveEvent(event);
}
