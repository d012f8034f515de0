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
struct WindowControls
{
    explicit WindowControls(const QWidget &w)
    {
        client = w.findChild<QWidget *>(QStringLiteral("client"));
        Image5 = w.findChild<ClickLabel *>(QStringLiteral("Image5"));
        Label4 = w.findChild<ClickLabel *>(QStringLiteral("Label4"));
        Command4 = w.findChild<QPushButton *>(QStringLiteral("Command4"));
        Command2 = w.findChild<QPushButton *>(QStringLiteral("Command2"));
        Command3 = w.findChild<QPushButton *>(QStringLiteral("Command3"));
        Command1 = w.findChild<QPushButton *>(QStringLiteral("Command1"));
        Text1 = w.findChild<RichTextBox *>(QStringLiteral("Text1"));
        Label1 = w.findChild<ClickLabel *>(QStringLiteral("Label1"));
        fm1 = w.findChild<QFrame *>(QStringLiteral("fm1"));
        Label17 = w.findChild<ClickLabel *>(QStringLiteral("Label17"));
        Label5 = w.findChild<ClickLabel *>(QStringLiteral("Label5"));
        Label14 = w.findChild<ClickLabel *>(QStringLiteral("Label14"));
        Label15 = w.findChild<ClickLabel *>(QStringLiteral("Label15"));
        Label16 = w.findChild<ClickLabel *>(QStringLiteral("Label16"));
        Label18 = w.findChild<ClickLabel *>(QStringLiteral("Label18"));
        Line1 = w.findChild<QFrame *>(QStringLiteral("Line1"));
        Line3 = w.findChild<QFrame *>(QStringLiteral("Line3"));
        Line4 = w.findChild<QFrame *>(QStringLiteral("Line4"));
        Line5 = w.findChild<QFrame *>(QStringLiteral("Line5"));
        frm = w.findChild<QGroupBox *>(QStringLiteral("frm"));
        Check1 = w.findChild<QCheckBox *>(QStringLiteral("Check1"));
        Option1 = w.findChild<QRadioButton *>(QStringLiteral("Option1"));
        Option2 = w.findChild<QRadioButton *>(QStringLiteral("Option2"));
        ok = w.findChild<QPushButton *>(QStringLiteral("ok"));
        Label3 = w.findChild<ClickLabel *>(QStringLiteral("Label3"));
        Shape1 = w.findChild<QFrame *>(QStringLiteral("Shape1"));
        f1 = w.findChild<QFrame *>(QStringLiteral("f1"));
        File1 = w.findChild<FileListBox *>(QStringLiteral("File1"));
        Dir1 = w.findChild<DirListBox *>(QStringLiteral("Dir1"));
        Drive1 = w.findChild<DriveListBox *>(QStringLiteral("Drive1"));
        find = w.findChild<QPushButton *>(QStringLiteral("find"));
        Command7 = w.findChild<QPushButton *>(QStringLiteral("Command7"));
        Command8 = w.findChild<QPushButton *>(QStringLiteral("Command8"));
        Command6 = w.findChild<QPushButton *>(QStringLiteral("Command6"));
        Command5 = w.findChild<QPushButton *>(QStringLiteral("Command5"));
        cap = w.findChild<QRadioButton *>(QStringLiteral("cap"));
        min = w.findChild<QRadioButton *>(QStringLiteral("min"));
        Option3 = w.findChild<QRadioButton *>(QStringLiteral("Option3"));
        fnd = w.findChild<QGroupBox *>(QStringLiteral("fnd"));
        Text2 = w.findChild<QLineEdit *>(QStringLiteral("Text2"));
        Command10 = w.findChild<QPushButton *>(QStringLiteral("Command10"));
        Command11 = w.findChild<QPushButton *>(QStringLiteral("Command11"));
        Command9 = w.findChild<QPushButton *>(QStringLiteral("Command9"));
        File2 = w.findChild<FileListBox *>(QStringLiteral("File2"));
        favo = w.findChild<QMenu *>(QStringLiteral("favo"));
        remt = w.findChild<QAction *>(QStringLiteral("remt"));
        open = w.findChild<QAction *>(QStringLiteral("open"));
        ref = w.findChild<QAction *>(QStringLiteral("ref"));
        tlbr = w.findChild<QFrame *>(QStringLiteral("tlbr"));
        Label19 = w.findChild<ClickLabel *>(QStringLiteral("Label19"));
        m1 = w.findChild<ClickLabel *>(QStringLiteral("m1"));
        Label8 = w.findChild<ClickLabel *>(QStringLiteral("Label8"));
        m2 = w.findChild<ClickLabel *>(QStringLiteral("m2"));
        Label7 = w.findChild<ClickLabel *>(QStringLiteral("Label7"));
        Image1 = w.findChild<ClickLabel *>(QStringLiteral("Image1"));
        Label10 = w.findChild<ClickLabel *>(QStringLiteral("Label10"));
        sav = w.findChild<ClickLabel *>(QStringLiteral("sav"));
        Label9 = w.findChild<ClickLabel *>(QStringLiteral("Label9"));
        reall = w.findChild<ClickLabel *>(QStringLiteral("reall"));
        Label11 = w.findChild<ClickLabel *>(QStringLiteral("Label11"));
        com = w.findChild<ClickLabel *>(QStringLiteral("com"));
        Label12 = w.findChild<ClickLabel *>(QStringLiteral("Label12"));
        Image4 = w.findChild<ClickLabel *>(QStringLiteral("Image4"));
        Label13 = w.findChild<ClickLabel *>(QStringLiteral("Label13"));
        active = w.findChild<ClickLabel *>(QStringLiteral("active"));
        win = w.findChild<ClickLabel *>(QStringLiteral("win"));
        Label2 = w.findChild<ClickLabel *>(QStringLiteral("Label2"));
        add = w.findChild<ClickLabel *>(QStringLiteral("add"));
        add1 = w.findChild<ClickLabel *>(QStringLiteral("add1"));
        del = w.findChild<ClickLabel *>(QStringLiteral("del"));
        del1 = w.findChild<ClickLabel *>(QStringLiteral("del1"));
        save = w.findChild<ClickLabel *>(QStringLiteral("save"));
        save1 = w.findChild<ClickLabel *>(QStringLiteral("save1"));
        new11 = w.findChild<ClickLabel *>(QStringLiteral("new11"));
        new1 = w.findChild<ClickLabel *>(QStringLiteral("new1"));
        refall = w.findChild<ClickLabel *>(QStringLiteral("refall"));
        refall1 = w.findChild<ClickLabel *>(QStringLiteral("refall1"));
        co = w.findChild<ClickLabel *>(QStringLiteral("co"));
        co1 = w.findChild<ClickLabel *>(QStringLiteral("co1"));
        Timer1 = w.findChild<QTimer *>(QStringLiteral("Timer1"));
        Timer2 = w.findChild<QTimer *>(QStringLiteral("Timer2"));
    }

    QWidget *client = nullptr;
    ClickLabel *Image5 = nullptr;
    ClickLabel *Label4 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command1 = nullptr;
    RichTextBox *Text1 = nullptr;
    ClickLabel *Label1 = nullptr;
    QFrame *fm1 = nullptr;
    ClickLabel *Label17 = nullptr;
    ClickLabel *Label5 = nullptr;
    ClickLabel *Label14 = nullptr;
    ClickLabel *Label15 = nullptr;
    ClickLabel *Label16 = nullptr;
    ClickLabel *Label18 = nullptr;
    QFrame *Line1 = nullptr;
    QFrame *Line3 = nullptr;
    QFrame *Line4 = nullptr;
    QFrame *Line5 = nullptr;
    QGroupBox *frm = nullptr;
    QCheckBox *Check1 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QPushButton *ok = nullptr;
    ClickLabel *Label3 = nullptr;
    QFrame *Shape1 = nullptr;
    QFrame *f1 = nullptr;
    FileListBox *File1 = nullptr;
    DirListBox *Dir1 = nullptr;
    DriveListBox *Drive1 = nullptr;
    QPushButton *find = nullptr;
    QPushButton *Command7 = nullptr;
    QPushButton *Command8 = nullptr;
    QPushButton *Command6 = nullptr;
    QPushButton *Command5 = nullptr;
    QRadioButton *cap = nullptr;
    QRadioButton *min = nullptr;
    QRadioButton *Option3 = nullptr;
    QGroupBox *fnd = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *Command10 = nullptr;
    QPushButton *Command11 = nullptr;
    QPushButton *Command9 = nullptr;
    FileListBox *File2 = nullptr;
    QMenu *favo = nullptr;
    QAction *remt = nullptr;
    QAction *open = nullptr;
    QAction *ref = nullptr;
    QFrame *tlbr = nullptr;
    ClickLabel *Label19 = nullptr;
    ClickLabel *m1 = nullptr;
    ClickLabel *Label8 = nullptr;
    ClickLabel *m2 = nullptr;
    ClickLabel *Label7 = nullptr;
    ClickLabel *Image1 = nullptr;
    ClickLabel *Label10 = nullptr;
    ClickLabel *sav = nullptr;
    ClickLabel *Label9 = nullptr;
    ClickLabel *reall = nullptr;
    ClickLabel *Label11 = nullptr;
    ClickLabel *com = nullptr;
    ClickLabel *Label12 = nullptr;
    ClickLabel *Image4 = nullptr;
    ClickLabel *Label13 = nullptr;
    ClickLabel *active = nullptr;
    ClickLabel *win = nullptr;
    ClickLabel *Label2 = nullptr;
    ClickLabel *add = nullptr;
    ClickLabel *add1 = nullptr;
    ClickLabel *del = nullptr;
    ClickLabel *del1 = nullptr;
    ClickLabel *save = nullptr;
    ClickLabel *save1 = nullptr;
    ClickLabel *new11 = nullptr;
    ClickLabel *new1 = nullptr;
    ClickLabel *refall = nullptr;
    ClickLabel *refall1 = nullptr;
    ClickLabel *co = nullptr;
    ClickLabel *co1 = nullptr;
    QTimer *Timer1 = nullptr;
    QTimer *Timer2 = nullptr;
};

inline WindowControls ui(const QWidget &w)
{
    return WindowControls(w);
}
