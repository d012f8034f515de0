// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class ClickLabel;
class DirListBox;
class DriveListBox;
class FileListBox;
class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTimer;
class QWidget;
class RichTextBox;

// The main window's controls. Each keeps the name the whole program uses for it, which is also
// its objectName (and so what tests and screen readers find it by). setupUi creates them and
// places them at their designed rectangles (in twips), with their design captions; no
// behaviour is connected here.
struct PgwellUi
{
    void setupUi(QWidget &window);

    QWidget *client = nullptr; // the area inside the window's thin border

    // Title bar
    ClickLabel *Image5 = nullptr;
    ClickLabel *Label4 = nullptr;
    QPushButton *Command4 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command3 = nullptr;
    QPushButton *Command1 = nullptr;

    // Viewing pane and folder label
    RichTextBox *Text1 = nullptr;
    ClickLabel *Label1 = nullptr;

    // Formatting panel
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

    // Auto view panel
    QGroupBox *frm = nullptr;
    QCheckBox *Check1 = nullptr;
    QRadioButton *Option1 = nullptr;
    QRadioButton *Option2 = nullptr;
    QPushButton *ok = nullptr;
    ClickLabel *Label3 = nullptr;
    QFrame *Shape1 = nullptr;

    // Browser panel
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

    // Find panel
    QGroupBox *fnd = nullptr;
    QLineEdit *Text2 = nullptr;
    QPushButton *Command10 = nullptr;
    QPushButton *Command11 = nullptr;
    QPushButton *Command9 = nullptr;

    // Favorites list and its pop-up menu
    FileListBox *File2 = nullptr;
    QMenu *favo = nullptr;
    QAction *remt = nullptr;
    QAction *open = nullptr;
    QAction *ref = nullptr;

    // Toolbar
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

    // Hidden labels of the layout; they hold nothing the program reads
    ClickLabel *active = nullptr;
    ClickLabel *win = nullptr;
    ClickLabel *Label2 = nullptr;

    // Hidden picture stores: the toolbar's released and pressed pictures
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
