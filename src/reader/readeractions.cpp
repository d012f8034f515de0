#include "readeractions.h"

#include "viewer/displayrules.h"
#include "controls/filelistbox.h"
#include "app/pgwell.h"
#include "controls/richtextbox.h"
#include "favorites/favoritesactions.h"
#include "platform/messageboxes.h"
#include "platform/platform.h"
#include "reader/form3.h"

#include <QAction>
#include <QCheckBox>
#include <QPushButton>

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;
using Move = ListStep::Move;

ReaderActions::ReaderActions(pgwell &window) : QObject(&window), w(window)
{
    connect(w.Command7, &QPushButton::clicked, this, &ReaderActions::showReader);
    connect(&w, &pgwell::readerCreated, this, &ReaderActions::attach);
}

void ReaderActions::attach(Form3 *reader)
{
    connect(reader->next1, &QAction::triggered, this, [this] { step(Move::Next); });
    connect(reader->back1, &QAction::triggered, this, [this] { step(Move::Back); });
    connect(reader->skip1, &QAction::triggered, this, [this] { step(Move::Skip); });
    connect(reader->add1, &QAction::triggered, this, &ReaderActions::addToFavorites);
    // Its name and text change with the display in flight: it waits for it.
    reader->add1->setEnabled(!w.viewer().isLoading());
    connect(&w.viewer(), &Viewer::loadingChanged, reader->add1,
            [add = reader->add1](bool loading) { add->setEnabled(!loading); });
}

void ReaderActions::showReader()
{
    Form3 *reader = w.existingReader();
    if (!reader) {
        // A new reader starts from what the pane holds now, edits included, so that it never
        // opens empty beside a text.
        reader = w.reader();
        reader->setReaderText(w.Text1->plainTextBuffer());
    }
    if (reader->isVisible()) {
        // Already open, maybe behind the main window: bring it to the front.
        reader->raise();
        reader->activateWindow();
    }
    reader->show();
}

void ReaderActions::step(Move move)
{
    Form3 *reader = w.existingReader();
    if (!reader)
        return;
    // The list is chosen at each step, so toggling "Favorites" moves nothing by itself.
    FileListBox *list = reader->Check1->isChecked() ? w.File2 : w.File1;
    const ListStep::Result result = ListStep::forReader(move, list->listCount(), list->listIndex());
    switch (result.refusal) {
    case ListStep::Refusal::EmptyList:
        w.platform().messages.show(QStringLiteral("The list is empty ...!!"), Icon::Information,
                                   Buttons::Ok);
        return;
    case ListStep::Refusal::AtFirst:
        w.platform().messages.show(QStringLiteral("You are at the first Item .."),
                                   Icon::Information, Buttons::Ok);
        return;
    case ListStep::Refusal::None:
        break;
    }
    list->setListIndex(result.index);
}

void ReaderActions::addToFavorites()
{
    // Named after the file whose text the reader holds, never after another list's selection,
    // so one file's text is never stored under another file's name. Silent on failure.
    const Form3 *reader = w.existingReader();
    const QString name = w.viewer().readerFileName();
    if (!reader || name.isEmpty())
        return;
    w.favoritesActions().addTextToFavorites(name, reader->readerText());
}
