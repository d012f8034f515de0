// SPDX-License-Identifier: GPL-3.0-or-later
#include "fileactions.h"

#include "controls/clicklabel.h"
#include "controls/filelistbox.h"
#include "controls/operationaction.h"
#include "controls/richtextbox.h"
#include "favorites/listrefresh.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "viewer/viewer.h"

#include <QPushButton>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;

FileActions::FileActions(Viewer &viewer, Platform &platform, const Controls &controls,
                         QObject *parent)
    : QObject(parent), m_viewer(viewer), m_platform(platform), ui(controls)
{
    m_new = new OperationAction(QStringLiteral("actionNew"), QStringLiteral("New"),
                                QKeySequence(Qt::CTRL | Qt::Key_N), this);
    m_new->addControls({ui.Command5}, {ui.Image1, ui.Label10});
    connect(m_new, &QAction::triggered, this, &FileActions::newText);

    // Unsaved changes shown again over their file: the note above the pane offers to drop them.
    m_discard = new OperationAction(QStringLiteral("actionDiscardDraft"), QStringLiteral("Discard"),
                                    QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R), this);
    m_discard->waitForLoads(m_viewer);
    connect(m_discard, &QAction::triggered, &m_viewer, &Viewer::discardDraft);
    connect(&m_viewer, &Viewer::noticeChanged, this, [this] {
        ui.Text1->showNotice(m_viewer.notice(), m_viewer.offersDiscard() ? m_discard : nullptr);
    });

    // Save, Save as and Delete act on the shown file: they wait for a file being read.
    m_save = new OperationAction(QStringLiteral("actionSave"), QStringLiteral("Save"),
                                 QKeySequence(Qt::CTRL | Qt::Key_S), this);
    m_save->addControls({ui.Command8}, {ui.sav, ui.Label9});
    m_save->waitForLoads(m_viewer);
    connect(m_save, &QAction::triggered, this, &FileActions::save);
    m_saveAs = new OperationAction(QStringLiteral("actionSaveAs"), QStringLiteral("Save as"),
                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S), this);
    m_saveAs->addControls({ui.Command6}, {});
    m_saveAs->waitForLoads(m_viewer);
    connect(m_saveAs, &QAction::triggered, this, &FileActions::saveAs);
    // Not the Delete key, nor Shift+Del (Cut) or Ctrl+Del (delete a word): those edit the pane.
    m_delete = new OperationAction(QStringLiteral("actionDelete"), QStringLiteral("Delete"),
                                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete), this);
    m_delete->addControls({}, {ui.m2, ui.Label7});
    m_delete->waitForLoads(m_viewer);
    connect(m_delete, &QAction::triggered, this, &FileActions::deleteShownFile);
    // A list whose folder was written into or removed from is read again, keeping its choice.
    connect(&m_viewer, &Viewer::listChanged, this, [this](ShownList list) {
        if (list == ShownList::Files)
            ListRefresh::keepingSelection(*ui.File1);
    });
}

void FileActions::newText()
{
    // The source and the lists stay, so Save writes the new text over the file shown before,
    // in the format and encoding that file had.
    m_viewer.newText();
}

void FileActions::save()
{
    m_viewer.save();
}

void FileActions::saveAs()
{
    m_viewer.saveAs();
}

void FileActions::deleteShownFile()
{
    m_viewer.deleteShownFile();
}
