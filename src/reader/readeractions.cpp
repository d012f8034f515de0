// SPDX-License-Identifier: GPL-3.0-or-later
#include "readeractions.h"

#include "controls/filelistbox.h"
#include "controls/operationaction.h"
#include "controls/richtextbox.h"
#include "plaintext/plaintextdocument.h"
#include "plaintext/plaintextview.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "reader/form3.h"
#include "viewer/displayrules.h"
#include "viewer/draftkeeper.h"
#include "viewer/paneport.h"
#include "viewer/viewer.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>

#include <new>

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
    // Started by the first change and not again by later ones, as the pane's drafts are.
    m_draftTimer.setSingleShot(true);
    m_draftTimer.setInterval(draftDelayMs);
    connect(&m_draftTimer, &QTimer::timeout, this, &ReaderActions::keepReaderDraft);
}

QString ReaderActions::draftKey(const QString &path)
{
    return path + QStringLiteral("\n(in the reader)");
}

void ReaderActions::onReaderTextChanged(const ReaderText &text)
{
    // The first display makes the reader, hidden, and every display writes into it; what was
    // typed into it stays behind as a draft.
    Form3 *shown = reader();
    keepReaderDraft();
    setQuietly([&] {
        if (text.shared)
            shown->setReaderText(text.buffer);
        else
            shown->setReaderText(text.text);
    });
    m_readerPath = m_viewer.shownFile().path;
    restoreReaderDraft();
}

void ReaderActions::setQuietly(const std::function<void()> &set)
{
    m_quiet = true;
    set();
    m_quiet = false;
}

void ReaderActions::onReaderEdited()
{
    if (m_quiet)
        return;
    m_edited = true;
    if (!m_draftTimer.isActive())
        m_draftTimer.start();
}

void ReaderActions::keepReaderDraft()
{
    m_draftTimer.stop();
    if (!m_edited || m_readerPath.isEmpty() || !m_reader)
        return;
    m_edited = false;
    const PlainTextDocument &document = m_reader->Text1->document();
    const DraftStore store = m_viewer.drafts().store();
    const QString key = draftKey(m_readerPath);
    if (!document.isModified() && !m_restored) {
        // Undone back to the file's text: nothing to keep.
        m_viewer.drafts().background([store, key] { store.remove(key); });
        return;
    }
    Draft draft;
    draft.path = key;
    draft.savedAt = QDateTime::currentDateTime();
    draft.kind = Draft::Kind::Text;
    draft.text = document.buffer(); // shares the reader's storage; nothing is copied
    m_viewer.drafts().background([store, draft = std::move(draft)] { store.write(draft); });
}

void ReaderActions::restoreReaderDraft()
{
    m_restored = false;
    if (m_readerPath.isEmpty() || !m_reader)
        return;
    m_viewer.drafts().waitUntilWrittenAhead();
    std::optional<Draft> draft;
    try {
        draft = m_viewer.drafts().store().read(draftKey(m_readerPath));
    } catch (const std::bad_alloc &) {
        // A damaged draft that claims more than there is: the file's text stays.
    }
    if (!draft || draft->kind != Draft::Kind::Text)
        return;
    setQuietly([&] { m_reader->setReaderText(draft->text); });
    m_restored = true;
}

ReaderActions::~ReaderActions()
{
    // The program ends: what was typed into the reader is written now, by this thread (the
    // drafts' own may be gone already).
    if (m_edited && m_reader && !m_readerPath.isEmpty()) {
        Draft draft;
        draft.path = draftKey(m_readerPath);
        draft.savedAt = QDateTime::currentDateTime();
        draft.kind = Draft::Kind::Text;
        draft.text = m_reader->Text1->document().buffer();
        DraftStore().write(draft);
    }
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
    connect(&reader->Text1->document(), &PlainTextDocument::contentsChanged, this,
            &ReaderActions::onReaderEdited);
    connect(reader, &Form3::closing, this, &ReaderActions::keepReaderDraft);
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
        setQuietly([&] { shown->setReaderText(ui.Text1->plainTextBuffer()); });
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
        if (!error.isEmpty()) {
            m_platform.messages.show(error, Icon::None, Buttons::Ok);
            return;
        }
        // Stored among the favorites: the draft of it has done its work.
        m_draftTimer.stop();
        m_edited = false;
        m_restored = false;
        if (!m_readerPath.isEmpty())
            m_viewer.drafts().background([store = m_viewer.drafts().store(),
                                          key = draftKey(m_readerPath)] { store.remove(key); });
    });
}
