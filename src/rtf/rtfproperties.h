#pragma once

#include <QTextFormat>

// Properties the RTF reader stores in a document for what Qt's formats cannot say, so that the
// writer can give them back.
namespace RtfProperty {
// bool on a character format: the underline is double (Qt draws it single).
constexpr int DoubleUnderline = QTextFormat::UserProperty + 0x7201;
// bool on a block format: a piece of a paragraph too long to lay out whole; the next block
// goes on with the same paragraph.
constexpr int ContinuesInNextBlock = QTextFormat::UserProperty + 0x7202;
// bool on a block format: the reader's note about what it simplified; not part of the file.
constexpr int ReaderNote = QTextFormat::UserProperty + 0x7203;
} // namespace RtfProperty
