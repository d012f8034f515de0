// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class OperationAction;
class QGroupBox;
class QLineEdit;
class QPushButton;
class RichTextBox;
class Viewer;
struct Platform;

// The find panel: opening and closing it in place of the five buttons it covers, the word box
// with its grey hint, and Find / Find next stepping through the pane's text. Find, Find next
// and closing the panel are offered only while it is open.
class FindPanel : public QObject
{
    Q_OBJECT

public:
    // The controls it works with.
    struct Controls
    {
        QPushButton *find;
        QPushButton *Command9;
        QPushButton *Command10;
        QPushButton *Command11;
        QLineEdit *Text2;
        QPushButton *Command6;
        QPushButton *Command7;
        QPushButton *Command8;
        QPushButton *Command5;
        QGroupBox *fnd;
        RichTextBox *Text1;
    };

    FindPanel(Viewer &viewer, Platform &platform, const Controls &controls, QObject *parent);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void open();
    void close();
    void findFirst();
    void findNext();
    void setOpenActionsEnabled(bool open);
    void search(qsizetype start);
    void setWordColor(const QColor &color);
    void showFound(const QString &word, qsizetype found);

    Viewer &m_viewer;
    Platform &m_platform;
    Controls ui;
    OperationAction *m_findFirst = nullptr;
    OperationAction *m_findNext = nullptr;
    OperationAction *m_close = nullptr;
};
