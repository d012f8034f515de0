// SPDX-License-Identifier: GPL-3.0-or-later
#include "form3.h"

#include "controls/twips.h"
#include "plaintext/plaintextview.h"
#include "viewer/displayrules.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>

Form3::Form3(QScreen *screen)
    : QWidget(nullptr,
              Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QLatin1String(designCaption));
    setAttribute(Qt::WA_DeleteOnClose);
    buildMenu();
    buildControls();
    fitToScreen(screen);
}

void Form3::buildMenu()
{
    menuBar = new QMenuBar(this);
    menuBar->setObjectName(QStringLiteral("menuBar"));
    menuBar->setNativeMenuBar(false);
    const auto item = [this](const char *name, const QString &text) {
        QAction *action = menuBar->addAction(text);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    next1 = item("next1", QStringLiteral("Next"));
    back1 = item("back1", QStringLiteral("Back"));
    skip1 = item("skip1", QStringLiteral("Skip"));
    add1 = item("add1", QStringLiteral("Add to favo"));
    close1 = item("close1", QStringLiteral("Close"));
    connect(close1, &QAction::triggered, this, &QWidget::close);
}

void Form3::buildControls()
{
    client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));

    // Created in tab order; the text box lies under the strip of controls above it.
    Text1 = new PlainTextView(client);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Text"));
    Text1->setWrapping(false);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    Check1 = new QCheckBox(QStringLiteral("Favorites"), client);
    Check1->setObjectName(QStringLiteral("Check1"));
    Check1->setGeometry(Twips::rect(0, 0, 1935, 255));

    Label1 = new QLabel(
        QStringLiteral("It's recommded that you hide the taskbar while using the full screen mode"),
        client);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(Twips::rect(4440, 0, 6135, 255));
    QPalette pink = Label1->palette();
    pink.setColor(QPalette::Window, QColor(255, 192, 192));
    Label1->setPalette(pink);
    Label1->setAutoFillBackground(true);

    Command1 = new QPushButton(QStringLiteral("×"), client);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setAccessibleName(QStringLiteral("Hide the taskbar tip"));
    Command1->setGeometry(Twips::rect(10320, 0, 255, 255));
    connect(Command1, &QPushButton::clicked, this, &Form3::hideTip);
}

void Form3::fitToScreen(QScreen *screen)
{
    // As large as the screen, at its top-left; the text box as wide as the window and as high as
    // the screen less 1000 twips, so that the strip above it and the menu fit. The strip keeps
    // its design places on any screen.
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 800, 600);
    if (screen)
        setScreen(screen);
    setFixedSize(area.size());
    move(area.topLeft());
    const int menuHeight = menuBar->sizeHint().height();
    menuBar->setGeometry(0, 0, area.width(), menuHeight);
    client->setGeometry(0, menuHeight, area.width(), qMax(0, area.height() - menuHeight));
    Text1->setGeometry(0, Twips::toPixels(240), area.width(),
                       qMax(0, area.height() - Twips::toPixels(1000)));
}

void Form3::hideTip()
{
    Label1->hide();
    Command1->hide();
}

void Form3::setReaderText(const QString &text)
{
    Text1->document().setText(text);
}

void Form3::setReaderText(TextBuffer buffer)
{
    Text1->document().setBuffer(std::move(buffer));
}

void Form3::setShownFileName(const QString &name)
{
    setWindowTitle(name.isEmpty() ? QLatin1String(designCaption)
                                  : DisplayRules::readerCaption(name));
}

QString Form3::readerText() const
{
    return Text1->document().text();
}

TextBuffer Form3::readerBuffer() const
{
    return Text1->document().buffer();
}

void Form3::closeEvent(QCloseEvent *event)
{
    emit closing();
    m_closed = true;
    QWidget::closeEvent(event);
}
