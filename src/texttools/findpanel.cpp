#include "findpanel.h"

#include "app/pgwell.h"
#include "app/richtextbox.h"
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
    search(qsizetype(w.searchPos) + 1);
}

void FindPanel::search(qsizetype start)
{
    const QString word = w.Text2->text();
    const qsizetype found = find(word, start);
    if (found > 0) {
        w.searchPos = found;
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
    start = qMax<qsizetype>(start, 1);
    const qsizetype length = w.Text1->textLength();
    if (start > length)
        return 0;
    if (!word.isEmpty()) {
        const qsizetype found = w.Text1->indexOf(word, start - 1);
        return found < 0 ? 0 : found + 1;
    }
    // An empty word is found at the start, stepping over the second half of a character
    // outside the Basic Multilingual Plane, as TextSearch::find does.
    qsizetype index = start - 1;
    if (index > 0) {
        const QString pair = w.Text1->text(index - 1, 2);
        if (pair.size() == 2 && pair[0].isHighSurrogate() && pair[1].isLowSurrogate())
            ++index;
    }
    return index < length ? index + 1 : 0;
}

void FindPanel::setWordColor(const QColor &color)
{
    QPalette palette = w.Text2->palette();
    palette.setColor(QPalette::Text, color);
    w.Text2->setPalette(palette);
}
