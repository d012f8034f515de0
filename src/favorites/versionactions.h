// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "favorites/previousversionsdialog.h"

#include <QObject>
#include <QPointer>

class OperationAction;
class RichTextBox;
class Viewer;
struct Platform;

// "Previous versions…" in the pane's context menu: lists the earlier contents Pagewell keeps of
// the shown file, shows one in the pane or restores it.
class VersionActions : public QObject
{
    Q_OBJECT

public:
    VersionActions(Viewer &viewer, Platform &platform, RichTextBox &pane, QWidget &window);

    void showVersions();
    PreviousVersionsDialog *dialog() const { return m_dialog; }

private:
    Viewer &m_viewer;
    Platform &m_platform;
    QWidget &m_window;
    QPointer<PreviousVersionsDialog> m_dialog;
};
