// SPDX-License-Identifier: GPL-3.0-or-later
#include "elidedpathlabel.h"

#include <QDir>

ElidedPathLabel::ElidedPathLabel(QWidget *parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    // Never asks for more width than the window gives it.
    setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    setTextInteractionFlags(Qt::TextSelectableByMouse);
}

void ElidedPathLabel::setPath(const QString &prefix, const QString &path, const QString &suffix)
{
    m_full = prefix + QDir::toNativeSeparators(path) + suffix;
    setToolTip(m_full);
    setAccessibleDescription(m_full);
    elide();
}

void ElidedPathLabel::resizeEvent(QResizeEvent *event)
{
    QLabel::resizeEvent(event);
    elide();
}

void ElidedPathLabel::elide()
{
    setText(fontMetrics().elidedText(m_full, Qt::ElideMiddle, contentsRect().width()));
}
