// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QTextDocument;

// A text description of everything in a document that the RTF reader sets and the writer
// writes: text, character and paragraph formats, tables with their spans, widths and borders,
// images. Two documents that look the same give the same dump, however Qt split their runs, so
// a read -> write -> read round trip can be checked by comparing dumps.
namespace RtfDocumentDump {
QString dump(const QTextDocument &document);
}
