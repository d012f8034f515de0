// SPDX-License-Identifier: GPL-3.0-or-later
#include "pgwellui.h"

#include "app/pgwell.h"
#include "controls/backgroundcolor.h"
#include "controls/clicklabel.h"
#include "controls/dirlistbox.h"
#include "controls/drivelistbox.h"
#include "controls/filelistbox.h"
#include "controls/richtextbox.h"
#include "controls/twips.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QIcon>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

const QColor panelGrey(224, 224, 224);
const QString fileListPattern = QStringLiteral("*.txt;*.htm;*.html;*.bat;*.rtf");

template <typename T> T *named(T *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}

template <typename T> T *place(T *widget, int left, int top, int width, int height)
{
    widget->setGeometry(Twips::rect(left, top, width, height));
    return widget;
}

ClickLabel *label(QWidget *parent, const char *name, const QString &caption)
{
    return named(new ClickLabel(caption, parent), name);
}

QPushButton *button(QWidget *parent, const char *name, const QString &caption)
{
    return named(new QPushButton(caption, parent), name);
}

QRadioButton *option(QWidget *parent, const char *name, const QString &caption)
{
    return named(new QRadioButton(caption, parent), name);
}

QFrame *line(QWidget *parent, const char *name, bool vertical)
{
    auto *l = named(new QFrame(parent), name);
    l->setFrameShape(vertical ? QFrame::VLine : QFrame::HLine);
    l->setFrameShadow(QFrame::Sunken);
    return l;
}

ClickLabel *pictureStore(QWidget *parent, const char *name, const char *picture, QSize size)
{
    auto *store = label(parent, name, QString());
    store->setPixmap(
        QIcon(QStringLiteral(":/artwork/%1.svg").arg(QLatin1String(picture))).pixmap(size));
    store->hide();
    return store;
}

ClickLabel *stateLabel(QWidget *parent, const char *name, const QString &caption)
{
    auto *state = label(parent, name, caption);
    state->hide();
    return state;
}

QFont boldFont(const QString &family, qreal points)
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(true);
    return font;
}

void buildTitleBar(PgwellUi &w)
{
    w.Image5 = place(label(w.client, "Image5", QString()), 0, 0, 12105, 375);
    w.Image5->setPixmap(QIcon(QStringLiteral(":/artwork/title.svg")).pixmap(QSize(160, 25)));
    w.Image5->setScaledContents(true);

    w.Label4 = place(label(w.client, "Label4", QStringLiteral("Vantrel Vaze Pagewell")), 120, 120,
                     2535, 195);
    w.Label4->setFont(boldFont(QStringLiteral("Tahoma"), 8.25));
    QPalette white = w.Label4->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    w.Label4->setPalette(white);
    w.Label4->setAttribute(Qt::WA_TranslucentBackground);

    w.Command4 = place(button(w.client, "Command4", QStringLiteral("A")), 10560, 0, 255, 255);
    w.Command2 = place(button(w.client, "Command2", QStringLiteral("-")), 10920, 0, 255, 255);
    w.Command2->setFont(boldFont(QStringLiteral("MS Sans Serif"), 12));
    w.Command2->setStyleSheet(QStringLiteral("QPushButton { background: rgb(128, 255, 128); }"));
    w.Command3 = place(button(w.client, "Command3", QString()), 11280, 0, 315, 255);
    w.Command3->setIcon(QIcon(QStringLiteral(":/artwork/expand.svg")));
    w.Command3->setIconSize(QSize(9, 9));
    w.Command1 = place(button(w.client, "Command1", QStringLiteral("×")), 11640, 0, 255, 255);
    w.Command1->setFont(boldFont(QStringLiteral("MS Sans Serif"), 12));
    w.Command1->setStyleSheet(QStringLiteral("QPushButton { background: rgb(255, 128, 128); }"));
    w.Command4->setAccessibleName(QStringLiteral("About"));
    w.Command2->setAccessibleName(QStringLiteral("Minimize"));
    w.Command3->setAccessibleName(QStringLiteral("Expand the text"));
    w.Command1->setAccessibleName(QStringLiteral("Quit"));
    for (QPushButton *b : {w.Command4, w.Command2, w.Command3, w.Command1})
        b->setFocusPolicy(Qt::NoFocus);
}

void buildToolbar(PgwellUi &w)
{
    w.tlbr = place(named(new QFrame(w.client), "tlbr"), 0, 5880, 11895, 735);
    setBackgroundColor(w.tlbr, panelGrey);
    QWidget *t = w.tlbr;

    // Images sit at top 120; labels beside them share the toolbar's grey.
    w.m2 = place(label(t, "m2", QString()), 0, 120, 255, 255);
    w.m2->setToolTip(QStringLiteral("Remove this file"));
    w.Label7 = place(label(t, "Label7", QStringLiteral("delete")), 240, 120, 675, 255);
    w.m1 = place(label(t, "m1", QString()), 840, 120, 375, 255);
    w.m1->setToolTip(QStringLiteral("Add to favorites"));
    w.Label8 = place(label(t, "Label8", QStringLiteral("Add to favo list")), 1200, 120, 1170, 255);
    w.Image1 = place(label(t, "Image1", QString()), 2400, 120, 255, 255);
    w.Label10 = place(label(t, "Label10", QStringLiteral("New")), 2640, 120, 570, 255);
    w.sav = place(label(t, "sav", QString()), 3240, 120, 255, 255);
    w.Label9 = place(label(t, "Label9", QStringLiteral("Save")), 3480, 120, 495, 255);
    w.reall = place(label(t, "reall", QString()), 4080, 120, 255, 255);
    w.Label11 = place(label(t, "Label11", QStringLiteral("Refresh")), 4320, 120, 735, 255);
    w.com = place(label(t, "com", QString()), 5040, 120, 255, 255);
    w.Label12 =
        place(label(t, "Label12", QStringLiteral("Send text to clipboard")), 5280, 120, 1695, 255);
    w.Image4 = place(label(t, "Image4", QString()), 7080, 120, 300, 285);
    w.Image4->setPixmap(QIcon(QStringLiteral(":/artwork/clip.svg")).pixmap(QSize(20, 19)));
    w.Label13 =
        place(label(t, "Label13", QStringLiteral("Send to Vantrel Stash")), 7440, 120, 1695, 255);
    // The favorites list's heading sits on the toolbar's strip but stays on screen with the list
    // when the toolbar is hidden.
    w.Label19 =
        place(label(w.client, "Label19", QStringLiteral("Favorite")), 60, 5880 + 480, 1995, 240);
    QFont heading = w.Label19->font();
    heading.setBold(true);
    w.Label19->setFont(heading);

    for (ClickLabel *image : {w.m2, w.m1, w.Image1, w.sav, w.reall, w.com, w.Image4}) {
        image->setAlignment(Qt::AlignCenter);
        image->setCursor(Qt::PointingHandCursor);
    }
    for (ClickLabel *l :
         {w.Label7, w.Label8, w.Label10, w.Label9, w.Label11, w.Label12, w.Label13, w.Label19}) {
        setBackgroundColor(l, panelGrey);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    }
    // A small gap between each picture and its caption, and the first picture off the edge,
    // all inside the controls' own rectangles.
    for (ClickLabel *l : {w.Label7, w.Label8, w.Label10, w.Label9, w.Label11, w.Label12, w.Label13})
        l->setIndent(4);
    w.m2->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    w.m2->setAccessibleName(QStringLiteral("Delete"));
    w.m1->setAccessibleName(QStringLiteral("Add to favorites"));
    w.Image1->setAccessibleName(QStringLiteral("New"));
    w.sav->setAccessibleName(QStringLiteral("Save"));
    w.reall->setAccessibleName(QStringLiteral("Refresh"));
    w.com->setAccessibleName(QStringLiteral("Send text to clipboard"));
    w.Image4->setAccessibleName(QStringLiteral("Free clip slots"));

    w.add = pictureStore(w.client, "add", "add", QSize(16, 16));
    w.add1 = pictureStore(w.client, "add1", "add1", QSize(16, 16));
    w.del = pictureStore(w.client, "del", "del", QSize(16, 16));
    w.del1 = pictureStore(w.client, "del1", "del1", QSize(16, 16));
    w.new11 = pictureStore(w.client, "new11", "new11", QSize(11, 13));
    w.new1 = pictureStore(w.client, "new1", "new1", QSize(11, 13));
    w.save = pictureStore(w.client, "save", "save", QSize(14, 14));
    w.save1 = pictureStore(w.client, "save1", "save1", QSize(14, 14));
    w.refall = pictureStore(w.client, "refall", "refall", QSize(13, 16));
    w.refall1 = pictureStore(w.client, "refall1", "refall1", QSize(13, 16));
    w.co = pictureStore(w.client, "co", "co", QSize(15, 15));
    w.co1 = pictureStore(w.client, "co1", "co1", QSize(15, 15));
}

void buildFormattingPanel(PgwellUi &w)
{
    w.fm1 = place(named(new QFrame(w.client), "fm1"), 9120, 5760, 2655, 855);
    w.fm1->setFrameShape(QFrame::Box);
    w.fm1->setFrameShadow(QFrame::Sunken);
    setBackgroundColor(w.fm1, panelGrey);
    QWidget *f = w.fm1;
    w.Label17 =
        place(label(f, "Label17", QStringLiteral("For Rish text format")), 120, 30, 2415, 225);
    QFont heading = w.Label17->font();
    heading.setBold(true);
    w.Label17->setFont(heading);
    w.Line1 = place(line(f, "Line1", false), 60, 255, 2535, 30);
    w.Label5 = place(label(f, "Label5", QStringLiteral("Bold")), 120, 315, 615, 225);
    w.Line3 = place(line(f, "Line3", true), 750, 300, 30, 255);
    w.Label14 = place(label(f, "Label14", QStringLiteral("Italic")), 840, 315, 615, 225);
    w.Line4 = place(line(f, "Line4", true), 1470, 300, 30, 255);
    w.Label15 = place(label(f, "Label15", QStringLiteral("Underline")), 1560, 315, 975, 225);
    w.Line5 = place(line(f, "Line5", false), 60, 570, 2535, 30);
    w.Label16 = place(label(f, "Label16", QStringLiteral("Color")), 120, 600, 615, 225);
    w.Label18 = place(label(f, "Label18", QStringLiteral("Print")), 840, 600, 615, 225);
    const QCursor pointer(QIcon(QStringLiteral(":/artwork/pointer.svg")).pixmap(QSize(32, 32)), 0,
                          0);
    for (ClickLabel *l : {w.Label5, w.Label14, w.Label15, w.Label16, w.Label18}) {
        QFont underlined = l->font();
        underlined.setUnderline(true);
        l->setFont(underlined);
        l->setCursor(pointer);
    }
}

void buildAutoViewPanel(PgwellUi &w)
{
    w.frm = place(named(new QGroupBox(QStringLiteral("  Auto view  "), w.client), "frm"), 9360,
                  6960, 1815, 1575);
    QWidget *f = w.frm;
    w.Check1 = place(named(new QCheckBox(QStringLiteral("Enable autoview"), f), "Check1"), 120, 270,
                     1635, 255);
    w.Option1 = place(option(f, "Option1", QStringLiteral("Files list")), 120, 555, 1635, 255);
    w.Option2 = place(option(f, "Option2", QStringLiteral("Favorite")), 120, 825, 1635, 255);
    w.Option1->setChecked(true);
    w.Option1->setEnabled(false);
    w.Option2->setEnabled(false);
    w.ok = place(button(f, "ok", QStringLiteral("Start")), 120, 1140, 735, 315);
    w.ok->setEnabled(false);
    w.Label3 = place(label(f, "Label3", QStringLiteral("5000")), 960, 1170, 735, 255);
    w.Label3->setAlignment(Qt::AlignCenter);
    setBackgroundColor(w.Label3, QColor(255, 255, 192));
    w.Label3->setEnabled(false);
    w.Label3->setAccessibleName(QStringLiteral("Auto view interval in milliseconds"));
    w.Shape1 = place(named(new QFrame(f), "Shape1"), 960, 1170, 735, 255);
    w.Shape1->setFrameShape(QFrame::Box);
    w.Shape1->setAttribute(Qt::WA_TransparentForMouseEvents);
}

void buildBrowserPanel(PgwellUi &w)
{
    w.f1 = place(named(new QFrame(w.client), "f1"), 2160, 6360, 7215, 2415);
    QWidget *f = w.f1;
    w.Drive1 = place(named(new DriveListBox(f), "Drive1"), 0, 0, 2055, 315);
    w.Dir1 = place(named(new DirListBox(f), "Dir1"), 0, 375, 2055, 2040);
    w.File1 = place(named(new FileListBox(f), "File1"), 2160, 0, 2655, 2415);
    w.File1->setPattern(fileListPattern);
    w.Drive1->setAccessibleName(QStringLiteral("Drives"));
    w.Dir1->setAccessibleName(QStringLiteral("Folders"));
    w.File1->setAccessibleName(QStringLiteral("Files"));

    w.cap = place(option(f, "cap", QStringLiteral("Make CAP")), 4920, 30, 2055, 270);
    w.cap->setToolTip(QStringLiteral("Right Click to disable the select"));
    w.min = place(option(f, "min", QStringLiteral("Make Min")), 4920, 315, 2055, 270);
    w.min->setToolTip(QStringLiteral("Right Click to disable the select"));
    w.Option3 = place(option(f, "Option3", QStringLiteral("Nomal")), 4920, 600, 2055, 270);

    w.Command5 = place(button(f, "Command5", QStringLiteral("&New")), 4920, 990, 990, 330);
    w.Command8 = place(button(f, "Command8", QStringLiteral("Save")), 5985, 990, 990, 330);
    w.Command6 = place(button(f, "Command6", QStringLiteral("&Save as")), 4920, 1395, 990, 330);
    w.find = place(button(f, "find", QStringLiteral("Find")), 5985, 1395, 990, 330);
    w.Command7 =
        place(button(f, "Command7", QStringLiteral("Full screen mode")), 4920, 1800, 2055, 330);

    w.fnd = place(named(new QGroupBox(QStringLiteral("Find "), f), "fnd"), 4920, 960, 2055, 1455);
    w.fnd->hide();
    QWidget *p = w.fnd;
    w.Text2 =
        place(named(new QLineEdit(QStringLiteral("Word to find"), p), "Text2"), 0, 240, 1695, 285);
    QPalette grey = w.Text2->palette();
    grey.setColor(QPalette::Text, QColor(171, 171, 171));
    w.Text2->setPalette(grey);
    w.Text2->setAccessibleName(QStringLiteral("Word to find"));
    w.Command10 = place(button(p, "Command10", QStringLiteral("Find ")), 120, 480, 975, 255);
    w.Command11 = place(button(p, "Command11", QStringLiteral("Find next")), 120, 720, 975, 255);
    w.Command9 = place(button(p, "Command9", QStringLiteral("×")), 1800, 120, 255, 210);
    w.Command9->setAccessibleName(QStringLiteral("Close find"));
}

void buildFavorites(PgwellUi &w)
{
    w.File2 = place(named(new FileListBox(w.client), "File2"), 0, 6600, 2055, 2235);
    w.File2->setAccessibleName(QStringLiteral("Favorites"));
    w.favo = named(new QMenu(w.client), "favo");
    w.remt = w.favo->addAction(QStringLiteral("Remove This file"));
    w.remt->setObjectName(QStringLiteral("remt"));
    w.open = w.favo->addAction(QStringLiteral("Open the favorite folder"));
    w.open->setObjectName(QStringLiteral("open"));
    w.ref = w.favo->addAction(QStringLiteral("Refresh"));
    w.ref->setObjectName(QStringLiteral("ref"));
    w.favo->setAccessibleName(QStringLiteral("Favorites menu"));
}

} // namespace

void PgwellUi::setupUi(QWidget &window)
{
    PgwellUi &w = *this;
    window.setObjectName(QStringLiteral("pgwell"));
    // The task bar, the window switcher and screenshots name the window by this.
    window.setWindowTitle(QStringLiteral("Vantrel Vaze Pagewell"));
    window.setWindowIcon(QIcon(QStringLiteral(":/artwork/pagewell.svg")));
    window.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    // Not resizable; the height only changes while the window unrolls at start-up.
    window.setFixedWidth(Twips::toPixels(pgwell::fullWidthTwips));
    window.setMinimumHeight(0);
    window.setMaximumHeight(Twips::toPixels(pgwell::fullHeightTwips));

    // The controls sit in the client area inside a thin fixed border.
    w.client = named(new QWidget(&window), "client");
    w.client->setGeometry(Twips::rect(45, 45, 11910, 8880));

    // Stacking follows creation: the toolbar lies under the browser panel and the formatting
    // panel, which overlap its edges.
    buildTitleBar(w);
    w.Text1 = place(named(new RichTextBox(w.client), "Text1"), 0, 480, 11895, 5295);
    w.Text1->setAccessibleName(QStringLiteral("Text"));
    w.Label1 = place(label(w.client, "Label1", QString()), 2160, 5520, 6855, 255);
    // Opaque, as it lies over the pane; screen readers read its caption, the folder.
    setBackgroundColor(w.Label1, panelGrey);
    w.Label1->setAccessibleDescription(QStringLiteral("Current folder"));
    buildToolbar(w);
    buildFavorites(w);
    buildBrowserPanel(w);
    buildFormattingPanel(w);
    buildAutoViewPanel(w);

    w.active = stateLabel(w.client, "active", QString());
    w.win = stateLabel(w.client, "win", QString());
    w.Label2 = stateLabel(w.client, "Label2", QStringLiteral("0"));

    w.Timer1 = named(new QTimer(&window), "Timer1");
    w.Timer1->setInterval(1000);
    w.Timer2 = named(new QTimer(&window), "Timer2");
    w.Timer2->setInterval(100);
}
