// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfreader.h"

#include "rtf/rtfdocumentbuilder.h"
#include "rtf/rtfparser.h"
#include "rtf/rtfplaintextsink.h"

#include <QTextDocument>

// No exception handling here: Qt is not exception-safe, so a std::bad_alloc thrown inside it
// could not be recovered from anyway. The parser and builder keep every structure within a
// budget proportional to the input instead.
bool RtfReader::read(QByteArrayView rtf, QTextDocument *doc)
{
    if (!doc)
        return false;
    // Undo history of a freshly loaded file is useless and costs memory and time.
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    bool whole = true;
    {
        RtfParser parser;
        RtfDocumentBuilder builder(doc, parser, rtf.size());
        parser.parse(rtf, builder);
        whole = !builder.lostForSave();
    }
    doc->setUndoRedoEnabled(undo);
    return whole;
}

QString RtfReader::plainText(QByteArrayView rtf)
{
    RtfParser parser;
    RtfPlainTextSink sink;
    parser.parse(rtf, sink);
    return sink.takeText();
}
