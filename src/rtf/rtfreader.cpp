#include "rtf/rtfreader.h"

#include "rtf/rtfdocumentbuilder.h"
#include "rtf/rtfparser.h"
#include "rtf/rtfplaintextsink.h"

#include <QTextDocument>

#include <new>

void RtfReader::read(QByteArrayView rtf, QTextDocument *doc)
{
    if (!doc)
        return;
    // Undo history of a freshly loaded file is useless and costs memory and time.
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    try {
        RtfParser parser;
        RtfDocumentBuilder builder(doc, parser, rtf.size());
        parser.parse(rtf, builder);
    } catch (const std::bad_alloc &) {
        // Keep what was built before memory ran out.
    }
    doc->setUndoRedoEnabled(undo);
}

QString RtfReader::plainText(QByteArrayView rtf)
{
    try {
        RtfParser parser;
        RtfPlainTextSink sink;
        parser.parse(rtf, sink);
        return sink.takeText();
    } catch (const std::bad_alloc &) {
        return QString();
    }
}
