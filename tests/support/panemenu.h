// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/richtextbox.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>

// The pane's context menu, as the right mouse button opens it.
inline QMenu *openPaneMenu(RichTextBox &pane)
{
    QWidget *viewport = pane.editor()->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(10, 10),
                            viewport->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(viewport, &event);
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

// The menu's visible entry of that text.
inline QAction *menuEntry(const QMenu *menu, const QString &text)
{
    for (QAction *action : menu ? menu->actions() : QList<QAction *>()) {
        if (action->text() == text && action->isVisible())
            return action;
    }
    return nullptr;
}
