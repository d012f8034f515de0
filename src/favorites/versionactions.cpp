// SPDX-License-Identifier: GPL-3.0-or-later
#include "versionactions.h"

#include "controls/operationaction.h"
#include "controls/richtextbox.h"
#include "favorites/previousversionsdialog.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "viewer/viewer.h"

VersionActions::VersionActions(Viewer &viewer, Platform &platform, RichTextBox &pane,
                               QWidget &window)
    : QObject(&window), m_viewer(viewer), m_platform(platform), m_window(window)
{
    // Not Ctrl+H: the editors' key for deleting a character backwards.
    auto *action = new OperationAction(QStringLiteral("actionPreviousVersions"),
                                       QStringLiteral("Previous versions\u2026"),
                                       QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_H), this);
    window.addAction(action); // its key works anywhere in the window
    action->waitForLoads(m_viewer);
    connect(action, &QAction::triggered, this, &VersionActions::showVersions);
    pane.addContextMenuAction(action);
}

void VersionActions::showVersions()
{
    // Of the shown file, also while the pane shows one of its kept versions.
    QString path =
        m_viewer.shownVersionOf().isEmpty() ? m_viewer.shownFile().path : m_viewer.shownVersionOf();
    // Before any file was shown, the New texts whose drafts were dropped.
    if (path.isEmpty() && !m_viewer.versions().list(VersionStore::newTextPath()).isEmpty())
        path = VersionStore::newTextPath();
    if (path.isEmpty()) {
        m_platform.messages.show(QStringLiteral("No file has been shown yet"),
                                 MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok);
        return;
    }
    if (m_dialog)
        m_dialog->close();
    m_dialog = new PreviousVersionsDialog(path, m_viewer.versions().list(path), &m_window);
    connect(m_dialog, &PreviousVersionsDialog::showRequested, &m_viewer, &Viewer::showVersion);
    connect(m_dialog, &PreviousVersionsDialog::restoreRequested, &m_viewer,
            &Viewer::restoreVersion);
    m_dialog->show();
}
