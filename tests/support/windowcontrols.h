// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/pgwell.h"

#include "controls/clicklabel.h"
#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "controls/filelistbox.h"
#include "controls/richtextbox.h"

#include <QAction>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QWidget>

// The main window's controls, found by the names the window gives them (their object names, which
// screen readers and tests go by), for tests and benchmarks that drive the real window.
// clang-format off
#define WINDOW_CONTROLS(X) \
    X(QWidget, client) X(ClickLabel, Image5) X(ClickLabel, Label4) X(QPushButton, Command4) \
    X(QPushButton, Command2) X(QPushButton, Command3) X(QPushButton, Command1) \
    X(RichTextBox, Text1) X(ClickLabel, Label1) X(QFrame, fm1) X(ClickLabel, Label17) \
    X(ClickLabel, Label5) X(ClickLabel, Label14) X(ClickLabel, Label15) X(ClickLabel, Label16) \
    X(ClickLabel, Label18) X(QFrame, Line1) X(QFrame, Line3) X(QFrame, Line4) X(QFrame, Line5) \
    X(QGroupBox, frm) X(QCheckBox, Check1) X(QRadioButton, Option1) X(QRadioButton, Option2) \
    X(QPushButton, ok) X(ClickLabel, Label3) X(QFrame, Shape1) X(QFrame, f1) \
    X(FileListBox, File1) X(DirListBox, Dir1) X(DriveListBox, Drive1) X(QPushButton, find) \
    X(QPushButton, Command7) X(QPushButton, Command8) X(QPushButton, Command6) \
    X(QPushButton, Command5) X(QRadioButton, cap) X(QRadioButton, min) X(QRadioButton, Option3) \
    X(QGroupBox, fnd) X(QLineEdit, Text2) X(QPushButton, Command10) X(QPushButton, Command11) \
    X(QPushButton, Command9) X(FileListBox, File2) X(QMenu, favo) X(QAction, remt) \
    X(QAction, open) X(QAction, ref) X(QFrame, tlbr) X(ClickLabel, Label19) X(ClickLabel, m1) \
    X(ClickLabel, Label8) X(ClickLabel, m2) X(ClickLabel, Label7) X(ClickLabel, Image1) \
    X(ClickLabel, Label10) X(ClickLabel, sav) X(ClickLabel, Label9) X(ClickLabel, reall) \
    X(ClickLabel, Label11) X(ClickLabel, com) X(ClickLabel, Label12) X(ClickLabel, Image4) \
    X(ClickLabel, Label13) X(ClickLabel, active) X(ClickLabel, win) X(ClickLabel, Label2) \
    X(ClickLabel, add) X(ClickLabel, add1) X(ClickLabel, del) X(ClickLabel, del1) \
    X(ClickLabel, save) X(ClickLabel, save1) X(ClickLabel, new11) X(ClickLabel, new1) \
    X(ClickLabel, refall) X(ClickLabel, refall1) X(ClickLabel, co) X(ClickLabel, co1) \
    X(QTimer, Timer1) X(QTimer, Timer2)
// clang-format on

struct WindowControls
{
#define WINDOW_CONTROL_MEMBER(Type, name) Type *name = nullptr;
    WINDOW_CONTROLS(WINDOW_CONTROL_MEMBER)
#undef WINDOW_CONTROL_MEMBER

    explicit WindowControls(const QWidget &w)
    {
#define WINDOW_CONTROL_FIND(Type, name) name = w.findChild<Type *>(QStringLiteral(#name));
        WINDOW_CONTROLS(WINDOW_CONTROL_FIND)
#undef WINDOW_CONTROL_FIND
    }
};

inline WindowControls ui(const QWidget &w)
{
    return WindowControls(w);
}
