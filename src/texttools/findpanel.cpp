// SPDX-License-Identifier: GPL-3.0-or-later
#include "findpanel.h"
#include "textsearch.h"

#include "controls/operationaction.h"
#include "controls/richtextbox.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "viewer/longoperation.h"
#include "viewer/viewer.h"
#include "viewer/windowturns.h"

#include <memory>

#include <QEvent>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QColor hintGrey(171, 171, 171);
}

FindPanel::FindPanel(Viewer &viewer, Platform &platform, const Controls &controls, QObject *parent)
    : QObject(parent), m_viewer(viewer), m_platform(platform), ui(controls)
{
    auto *find = new OperationAction(QStringLiteral("actionFind"), QStringLiteral("Find"),
                                     QKeySequence(Qt::CTRL | Qt::Key_F), this);
    find->addControls({ui.find}, {});
    connect(find, &QAction::triggered, this, &FindPanel::open);
    m_findFirst = new OperationAction(QStringLiteral("actionFindFirst"), QStringLiteral("Find "),
                                      QKeySequence(Qt::CTRL | Qt::Key_F3), this);
    m_findFirst->addControls({ui.Command10}, {});
    connect(m_findFirst, &QAction::triggered, this, &FindPanel::findFirst);
    m_findNext = new OperationAction(QStringLiteral("actionFindNext"), QStringLiteral("Find next"),
                                     QKeySequence(Qt::Key_F3), this);
    m_findNext->addControls({ui.Command11}, {});
    connect(m_findNext, &QAction::triggered, this, &FindPanel::findNext);
    connect(ui.Text2, &QLineEdit::returnPressed, m_findNext, &QAction::trigger);
    m_close = new OperationAction(QStringLiteral("actionCloseFind"), QStringLiteral("Close find"),
                                  QKeySequence(Qt::Key_Escape), this);
    m_close->addControls({ui.Command9}, {});
    connect(m_close, &QAction::triggered, this, &FindPanel::close);
    setOpenActionsEnabled(!ui.fnd->isHidden());
    // Any change, typed or the emptying on a click, shows the word in the normal text colour.
    connect(ui.Text2, &QLineEdit::textChanged, this,
            [this] { setWordColor(ui.Text2->palette().color(QPalette::ButtonText)); });
    ui.Text2->installEventFilter(this);
}

bool FindPanel::eventFilter(QObject *watched, QEvent *event)
{
    // Every click into the box empties it, also of a word the user typed.
    if (watched == ui.Text2 && event->type() == QEvent::MouseButtonPress)
        ui.Text2->clear();
    return QObject::eventFilter(watched, event);
}

void FindPanel::open()
{
    for (QPushButton *covered : {ui.Command6, ui.Command7, ui.Command8, ui.find, ui.Command5})
        covered->hide();
    ui.fnd->show();
    setOpenActionsEnabled(true);
    // Ready for a word, also when the panel was open already; the word there is selected, so
    // that typing replaces it.
    ui.Text2->setFocus(Qt::ShortcutFocusReason);
    ui.Text2->selectAll();
}

void FindPanel::close()
{
    setOpenActionsEnabled(false);
    ui.fnd->hide();
    for (QPushButton *covered : {ui.Command6, ui.Command7, ui.Command8, ui.find, ui.Command5})
        covered->show();
}

void FindPanel::setOpenActionsEnabled(bool open)
{
    // Esc and F3 belong to the panel only while it is open.
    for (QAction *action : {m_findFirst, m_findNext, m_close})
        action->setEnabled(open);
}

void FindPanel::findFirst()
{
    setWordColor(hintGrey);
    search(1);
}

void FindPanel::findNext()
{
    setWordColor(hintGrey);
    search(qsizetype(m_viewer.findPosition()) + 1);
}

void FindPanel::search(qsizetype start)
{
    if (m_viewer.isBusy())
        return;
    const QString word = ui.Text2->text();
    // Searched on the operation's thread, in a copy of the text that shares its pieces: the
    // window answers while a long text is searched, and a cancel finds nothing.
    // A formatted document's text is put together there too, in turns with the window.
    const RichTextBox::TextSnapshotWriting snapshot = ui.Text1->textSnapshotWriting();
    auto turns = std::make_shared<WindowTurns>(this);
    auto found = std::make_shared<std::optional<qsizetype>>();
    const auto work = [snapshot, turns, word, start, found](LongOperation::Control &control) {
        const std::optional<TextBuffer> made =
            turns->madeInTurns(snapshot, [&control] { return control.isCancelled(); });
        if (!made)
            return;
        const TextBuffer &text = *made;
        control.setTotal(text.length());
        *found = TextSearch::find(TextSearch::over(text,
                                                   [&control](qsizetype at) {
                                                       control.setDone(at);
                                                       return !control.isCancelled();
                                                   }),
                                  word, start);
    };
    const qsizetype toSearch = std::max<qsizetype>(0, ui.Text1->textLength() - start);
    m_viewer.operations().run(QStringLiteral("Finding \u201c%1\u201d\u2026").arg(word), toSearch,
                              work, [this, word, found](bool cancelled) {
                                  if (!cancelled && *found)
                                      showFound(word, **found);
                              });
}

void FindPanel::showFound(const QString &word, qsizetype found)
{
    if (found > 0) {
        m_viewer.setFindPosition(int(found));
        ui.Text1->select(int(found - 1), int(word.size()));
    } else {
        m_platform.messages.show(QStringLiteral("Finished searching the text."),
                                 MessageBoxes::Icon::Information, MessageBoxes::Buttons::Ok);
    }
    // Last, so that the selection shows.
    ui.Text1->setFocus();
}

void FindPanel::setWordColor(const QColor &color)
{
    QPalette palette = ui.Text2->palette();
    palette.setColor(QPalette::Text, color);
    ui.Text2->setPalette(palette);
}
