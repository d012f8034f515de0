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
// QByteArray on an image format: the picture's bytes as the file held them (PNG or JPEG), so
// that a save writes them unchanged.
constexpr int PictureData = QTextFormat::UserProperty + 0x7204;
// QString on a character format: the instruction of the field (other than a link) whose result
// this text is, as PAGE or DATE \\@ "d MMMM yyyy".
constexpr int FieldInstruction = QTextFormat::UserProperty + 0x7205;
} // namespace RtfProperty
