// SPDX-License-Identifier: GPL-3.0-or-later
#include "readeractions.h"

#include "controls/filelistbox.h"
#include "controls/operationaction.h"
#include "controls/richtextbox.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "reader/form3.h"
#include "viewer/displayrules.h"
#include "viewer/paneport.h"
#include "viewer/viewer.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;
using Move = ListStep::Move;

ReaderActions::ReaderActions(Viewer &viewer, Platform &platform, const Controls &controls,
                             QWidget &window)
    : QObject(&window), m_viewer(viewer), m_platform(platform), ui(controls), m_window(window)
{
    auto *show =
        new OperationAction(QStringLiteral("actionFullScreen"), QStringLiteral("Full screen mode"),
                            QKeySequence(Qt::Key_F11), this);
    show->addControls({ui.Command7}, {});
    connect(show, &QAction::triggered, this, &ReaderActions::showReader);
    connect(&m_viewer, &Viewer::readerTextChanged, this, &ReaderActions::onReaderTextChanged);
}

void ReaderActions::onReaderTextChanged(const ReaderText &text)
{
    // The first display makes the reader, hidden, and every display writes into it.
    if (text.shared)
        reader()->setReaderText(text.buffer);
    else
        reader()->setReaderText(text.text);
}

ReaderActions::~ReaderActions()
{
    // The reader is a window of its own, not a child, so that it does not stay above the main
    // window.
    delete m_reader;
}

Form3 *ReaderActions::existingReader() const
{
    return m_reader && !m_reader->isClosed() ? m_reader : nullptr;
}

Form3 *ReaderActions::reader()
{
    if (!existingReader()) {
        m_reader = new Form3(m_window.screen());
        // Its caption names the file whose text it holds, as the viewer records it.
        m_reader->setShownFileName(m_viewer.readerFileName());
        connect(&m_viewer, &Viewer::readerFileNameChanged, m_reader,
                [this] { m_reader->setShownFileName(m_viewer.readerFileName()); });
        attach(m_reader);
    }
    return m_reader;
}

void ReaderActions::attach(Form3 *reader)
{
    connect(reader->next1, &QAction::triggered, this, [this] { step(Move::Next); });
    connect(reader->back1, &QAction::triggered, this, [this] { step(Move::Back); });
    connect(reader->skip1, &QAction::triggered, this, [this] { step(Move::Skip); });
    connect(reader->add1, &QAction::triggered, this, &ReaderActions::addToFavorites);
    // Its name and text change with the display in flight: it waits for it.
    reader->add1->setEnabled(!m_viewer.isLoading());
    connect(&m_viewer, &Viewer::loadingChanged, reader->add1,
            [add = reader->add1](bool loading) { add->setEnabled(!loading); });
}

void ReaderActions::showReader()
{
    Form3 *shown = existingReader();
    if (!shown) {
        // A new reader starts from what the pane holds now, edits included, so that it never
        // opens empty beside a text.
        shown = reader();
        shown->setReaderText(ui.Text1->plainTextBuffer());
    }
    if (shown->isVisible()) {
        // Already open, maybe behind the main window: bring it to the front.
        shown->raise();
        shown->activateWindow();
    }
    shown->show();
}

void ReaderActions::step(Move move)
{
    Form3 *reader = existingReader();
    if (!reader)
        return;
    // The list is chosen at each step, so toggling "Favorites" moves nothing by itself.
    FileListBox *list = reader->Check1->isChecked() ? ui.File2 : ui.File1;
    const ListStep::Result result = ListStep::forReader(move, list->listCount(), list->listIndex());
    switch (result.refusal) {
    case ListStep::Refusal::EmptyList:
        m_platform.messages.show(QStringLiteral("The list is empty ...!!"), Icon::Information,
                                 Buttons::Ok);
        return;
    case ListStep::Refusal::AtFirst:
        m_platform.messages.show(QStringLiteral("You are at the first Item .."), Icon::Information,
                                 Buttons::Ok);
        return;
    case ListStep::Refusal::None:
        break;
    }
    list->setListIndex(result.index);
}

void ReaderActions::addToFavorites()
{
    // Named after the file whose text the reader holds, never after another list's selection,
    // so one file's text is never stored under another file's name.
    const Form3 *reader = existingReader();
    const QString name = m_viewer.readerFileName();
    if (!reader || name.isEmpty())
        return;
    // A failed write is said, as the main window's Add says it: the user must not believe the
    // text kept when it is not.
    m_viewer.addToFavorites(name, reader->readerBuffer(), [this](const QString &error) {
        if (!error.isEmpty())
            m_platform.messages.show(error, Icon::None, Buttons::Ok);
    });
}
