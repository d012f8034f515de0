#include "panecontent.h"

#include "rtf/rtfdetect.h"
#include "rtf/rtfreader.h"

#include "app/richtextbox.h"
#include <QTextDocument>

#include <memory>

PaneContent::Loaded PaneContent::load(RichTextBox *pane, QByteArray &&bytes)
{
    Loaded loaded;
    if (isRtf(bytes)) {
        loaded.format.richText = true;
        // Built away from the screen, so that nothing is laid out until it is complete.
        auto built = std::make_unique<QTextDocument>();
        built->setUndoRedoEnabled(false); // loading a file is not an edit to undo
        RtfReader::read(bytes, built.get());
        bytes = QByteArray();
        built->setUndoRedoEnabled(true);
        loaded.richPlainText = built->toPlainText();
        pane->setRichDocument(built.release(), RichTextBox::Origin::File);
        return loaded;
    }
    DecodedText decoded = TextDecoder::decode(bytes);
    bytes = QByteArray();
    loaded.format.encoding = decoded.encoding;
    loaded.format.lineEnding = decoded.lineEnding;
    pane->setPlainText(std::move(decoded.text), RichTextBox::Origin::File);
    return loaded;
}
