#include "panecontent.h"

#include "rtf/rtfdetect.h"
#include "rtf/rtfreader.h"

#include "app/richtextbox.h"
#include <QTextDocument>

PaneContent::Loaded PaneContent::load(RichTextBox *pane, QByteArray &&bytes)
{
    Loaded loaded;
    if (isRtf(bytes)) {
        loaded.format.richText = true;
        // Built away from the screen, so that nothing is laid out until it is complete.
        auto *document = new QTextDocument;
        document->setUndoRedoEnabled(false); // loading a file is not an edit to undo
        RtfReader::read(bytes, document);
        bytes = QByteArray();
        document->setUndoRedoEnabled(true);
        pane->setRichDocument(document);
        loaded.richPlainText = document->toPlainText();
        return loaded;
    }
    DecodedText decoded = TextDecoder::decode(bytes);
    bytes = QByteArray();
    loaded.format.encoding = decoded.encoding;
    loaded.format.lineEnding = decoded.lineEnding;
    pane->setPlainText(std::move(decoded.text));
    return loaded;
}
