// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/textdecoder.h"

#include <QObject>

#include <memory>

class QAction;
class QActionGroup;
class QMenu;
class Viewer;

// "Encoding" in the pane's menu: the shown plain file's encoding checked, and the common ones
// to read the file again in. Offered while a plain file is shown and no file is being read.
class EncodingMenu : public QObject
{
    Q_OBJECT

public:
    EncodingMenu(Viewer &viewer, QObject *parent);
    ~EncodingMenu() override;

    // The action that holds the menu, for the pane's context menu.
    QAction *action() const { return m_action; }

private:
    QAction *choiceFor(TextEncoding encoding);
    void update();

    Viewer &m_viewer;
    std::unique_ptr<QMenu> m_menu;
    QAction *m_action = nullptr;
    QActionGroup *m_choices = nullptr;
    // The shown file's encoding when it is none of the common ones (as uchardet may find).
    QAction *m_other = nullptr;
};
