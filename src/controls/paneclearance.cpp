// SPDX-License-Identifier: GPL-3.0-or-later
#include "paneclearance.h"

#include "controls/richtextbox.h"

#include <QEvent>
#include <QFontMetrics>
#include <QWidget>

PaneClearance::PaneClearance(RichTextBox &pane, const QList<QWidget *> &coverers)
    : QObject(&pane), m_pane(pane)
{
    pane.installEventFilter(this);
    if (QWidget *parent = pane.parentWidget())
        parent->installEventFilter(this);
    for (QWidget *coverer : coverers) {
        m_coverers.append(coverer);
        coverer->installEventFilter(this);
    }
    update();
}

int PaneClearance::bottomMargin(const QRect &pane, const QRect &visibleArea,
                                const QList<QRect> &coverers, int lineHeight)
{
    const int bottom = pane.bottom() + 1;
    int clear = qMin(bottom, visibleArea.bottom() + 1); // text ends above this line
    for (bool moved = true; moved;) {
        moved = false;
        for (const QRect &r : coverers) {
            if (r.isEmpty() || r.right() < pane.left() || r.left() > pane.right())
                continue;
            if (r.top() >= clear || clear - (r.bottom() + 1) >= lineHeight)
                continue;
            clear = r.top();
            moved = true;
        }
    }
    return bottom - qMax(clear, pane.top());
}

void PaneClearance::update()
{
    const QWidget *parent = m_pane.parentWidget();
    if (!parent)
        return;
    QList<QRect> covering;
    for (const QPointer<QWidget> &coverer : m_coverers) {
        if (coverer && !coverer->isHidden() && coverer->parentWidget() == parent)
            covering.append(coverer->geometry());
    }
    const int lineHeight = QFontMetrics(m_pane.font()).lineSpacing();
    m_pane.setBottomMargin(bottomMargin(m_pane.geometry(), parent->rect(), covering, lineHeight));
}

bool PaneClearance::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
    case QEvent::FontChange:
        update();
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
