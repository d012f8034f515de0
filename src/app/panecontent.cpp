#include "panecontent.h"

#include "rtf/rtfdetect.h"
#include "rtf/rtfreader.h"

#include <QTextDocument>
#include <QTextEdit>

PaneContent::Loaded PaneContent::load(QTextEdit *pane, const QByteArray &bytes)
{
    Loaded loaded;
    if (isRtf(bytes)) {
        loaded.format.richText = true;
        QTextDocument *document = pane->document();
        RtfReader::read(bytes, document);
        document->clearUndoRedoStacks(); // loading a file is not an edit to undo
        loaded.plainText = document->toPlainText();
        return loaded;
    }
    DecodedText decoded = TextDecoder::decode(bytes);
    loaded.format.encoding = decoded.encoding;
    loaded.format.lineEnding = decoded.lineEnding;
    pane->setPlainText(decoded.text);
    loaded.plainText = std::move(decoded.text);
    return loaded;
}
