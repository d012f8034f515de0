#include "findpanel.h"
#include "textsearch.h"

#include "app/pgwell.h"
#include "controls/richtextbox.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"

#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QColor hintGrey(171, 171, 171);
}

FindPanel::FindPanel(pgwell &window) : QObject(&window), w(window)
{
    connect(w.find, &QPushButton::clicked, this, &FindPanel::open);
    connect(w.Command9, &QPushButton::clicked, this, &FindPanel::close);
    connect(w.Command10, &QPushButton::clicked, this, &FindPanel::findFirst);
    connect(w.Command11, &QPushButton::clicked, this, &FindPanel::findNext);
    // Any change, typed or the emptying on a click, shows the word in the normal text colour.
    connect(w.Text2, &QLineEdit::textChanged, this,
            [this] { setWordColor(w.Text2->palette().color(QPalette::ButtonText)); });
    w.Text2->installEventFilter(this);
}

bool FindPanel::eventFilter(QObject *watched, QEvent *event)
{
    // Every click into the box empties it, also of a word the user typed.
    if (watched == w.Text2 && event->type() == QEvent::MouseButtonPress)
        w.Text2->clear();
    return QObject::eventFilter(watched, event);
}

void FindPanel::open()
{
    for (QPushButton *covered : {w.Command6, w.Command7, w.Command8, w.find, w.Command5})
        covered->hide();
    w.fnd->show();
}

void FindPanel::close()
{
    w.fnd->hide();
    for (QPushButton *covered : {w.Command6, w.Command7, w.Command8, w.find, w.Command5})
        covered->show();
}

void FindPanel::findFirst()
{
    setWordColor(hintGrey);
    search(1);
}

void FindPanel::findNext()
{
    setWordColor(hintGrey);
    search(qsizetype(w.viewer().findPosition()) + 1);
}

void FindPanel::search(qsizetype start)
{
    const QString word = w.Text2->text();
    const qsizetype found = find(word, start);
    if (found > 0) {
        w.viewer().setFindPosition(int(found));
        w.Text1->select(int(found - 1), int(word.size()));
    } else {
        w.platform().messages.show(QStringLiteral("Finished searching the text."),
                                   MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok);
    }
    // Last, so that the selection shows.
    w.Text1->setFocus();
}

qsizetype FindPanel::find(const QString &word, qsizetype start) const
{
    const RichTextBox &pane = *w.Text1;
    const TextSearch::Source text{
        pane.textLength(),
        [&pane](QStringView word, qsizetype from) { return pane.indexOf(word, from); },
        [&pane](qsizetype index) {
            const QString pair = pane.text(index - 1, 2);
            return pair.size() == 2 && pair[0].isHighSurrogate() && pair[1].isLowSurrogate();
        }};
    return TextSearch::find(text, word, start);
}

void FindPanel::setWordColor(const QColor &color)
{
    QPalette palette = w.Text2->palette();
    palette.setColor(QPalette::Text, color);
    w.Text2->setPalette(palette);
}
