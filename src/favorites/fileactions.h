// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class OperationAction;
class ClickLabel;
class FileListBox;
class QPushButton;
class RichTextBox;
class Viewer;
struct Platform;

// New, Save, Save as and Delete: they act on the file the viewing pane shows, as the record of
// the shown file names it, whatever the lists' selections are now.
class FileActions : public QObject
{
    Q_OBJECT

public:
    // The controls it works with.
    struct Controls
    {
        QPushButton *Command5;
        ClickLabel *Image1;
        ClickLabel *Label10;
        QPushButton *Command8;
        ClickLabel *sav;
        ClickLabel *Label9;
        QPushButton *Command6;
        ClickLabel *m2;
        ClickLabel *Label7;
        RichTextBox *Text1;
        FileListBox *File1;
        FileListBox *File2;
    };

    FileActions(Viewer &viewer, Platform &platform, const Controls &controls, QObject *parent);

    void newText();
    void save();
    void saveAs();
    void deleteShownFile();

private:
    Viewer &m_viewer;
    Platform &m_platform;
    Controls ui;
    OperationAction *m_new = nullptr;
    OperationAction *m_save = nullptr;
    OperationAction *m_saveAs = nullptr;
    OperationAction *m_delete = nullptr;
    OperationAction *m_discard = nullptr;
};
