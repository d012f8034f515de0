// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTextFormat>

// Properties the RTF reader stores in a document for what Qt's formats cannot say, so that the
// writer can give them back.
namespace RtfProperty {
// bool on a character format: the underline is double (Qt draws it single; RtfDecorations adds
// the second line).
constexpr int DoubleUnderline = QTextFormat::UserProperty + 0x7201;
// QColor on a character format: the text's highlight (\highlight, \cb). Not Qt's background,
// which fills the whole line's height: RtfDecorations paints it as high as the text.
constexpr int Highlight = QTextFormat::UserProperty + 0x720b;
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
// What the file held but the pane does not show (a footnote, a WMF picture, a bookmark ...), as
// RTF, kept for a save. QByteArray on a character format: written before that character; on a
// block format: written at the paragraph's end. HiddenId (int) tells copies of one apart from
// another, when editing splits the text it is attached to.
constexpr int HiddenBefore = QTextFormat::UserProperty + 0x7206;
constexpr int HiddenAtEnd = QTextFormat::UserProperty + 0x7207;
constexpr int HiddenId = QTextFormat::UserProperty + 0x7208;
// bool on a character format: shown as the result of an object kept whole in HiddenBefore; not
// written again. On a block format: the paragraph's end is one of that result.
constexpr int Generated = QTextFormat::UserProperty + 0x7209;
// int on a character format: which field (in the order read) the text is the result of, so that
// two fields with one instruction stay two, and one whose result spans paragraphs stays one.
constexpr int FieldId = QTextFormat::UserProperty + 0x720e;
// int on a block format: the paragraph's style in the stylesheet (\sN).
constexpr int ParagraphStyle = QTextFormat::UserProperty + 0x720c;
// bool on a block format: the paragraph ends a section (\sect).
constexpr int SectionEnd = QTextFormat::UserProperty + 0x720d;
// bool on a character format: the footnote number the file asked for with \chftn.
constexpr int FootnoteMark = QTextFormat::UserProperty + 0x720a;
// On the root frame's format, what the file said before its text: the stylesheet, list tables,
// document info, page setup (QByteArray Preamble); its font and colour tables as written
// (QByteArray FontTable, ColorTable), the number of each font name (QVariantMap FontNumbers)
// and each colour (QVariantList Colors, ARGB, alpha 0 for "auto"); its code page (int CodePage)
// and default font (int DefaultFont); whether text must be written as \u beyond ASCII (bool
// UnicodeText).
constexpr int Preamble = QTextFormat::UserProperty + 0x7210;
constexpr int FontTable = QTextFormat::UserProperty + 0x7211;
constexpr int FontNumbers = QTextFormat::UserProperty + 0x7212;
constexpr int ColorTable = QTextFormat::UserProperty + 0x7213;
constexpr int Colors = QTextFormat::UserProperty + 0x7214;
constexpr int CodePage = QTextFormat::UserProperty + 0x7215;
constexpr int DefaultFont = QTextFormat::UserProperty + 0x7216;
constexpr int UnicodeText = QTextFormat::UserProperty + 0x7217;
// int on the root frame's format: a font number above every one the file's font table defined
// or its text used, glyph fonts included; a save numbers the fonts it adds from there.
constexpr int FontNumberEnd = QTextFormat::UserProperty + 0x7218;
// On a block format, what its kept words say of its box (RtfBoxWords), for RtfDecorations to
// paint: the shading's QColor (ParagraphShading) and the borders (ParagraphBorders, as
// RtfBoxWords::borders gives them). Nothing writes them: a save writes the words.
constexpr int ParagraphShading = QTextFormat::UserProperty + 0x7228;
constexpr int ParagraphBorders = QTextFormat::UserProperty + 0x7229;
// bool on the root frame's format: some text has a Highlight or a DoubleUnderline, or some
// paragraph tab leaders, shading or borders.
constexpr int Decorated = QTextFormat::UserProperty + 0x7219;
// ASCII: the control words of the file that the pane does not show (see RtfKeptWords), on
// a character format (\lang, \csN, \revised ...), a block format (\keepn, \ls, borders ...), a
// table cell's format (\clvertalc, \clcbpat, border line styles ...); QVariantList of them, one
// per row, on a table's format (\trqc, \trleft ...).
constexpr int CharWords = QTextFormat::UserProperty + 0x721a;
constexpr int ParagraphWords = QTextFormat::UserProperty + 0x721b;
constexpr int CellWords = QTextFormat::UserProperty + 0x721c;
constexpr int RowWords = QTextFormat::UserProperty + 0x721d;
// Kept words are ASCII, held as QString on a format: Qt hashes a format's QString properties by
// value but every QByteArray alike, so formats that differ only in a QByteArray would all be
// compared with each other as the document grows (minutes for 100,000 runs).
inline QVariant keptWordsValue(const QByteArray &words)
{
    return QString::fromLatin1(words);
}
inline QByteArray keptWords(const QTextFormat &format, int property)
{
    return format.property(property).toString().toLatin1();
}
// QByteArray on a character format of a field's result (or a link's): the field's flags
// (\fldlock ...) and the groups inside its instruction (a bookmark, \*\datafield ...), as RTF.
constexpr int FieldFlags = QTextFormat::UserProperty + 0x721e;
constexpr int FieldParts = QTextFormat::UserProperty + 0x721f;
// QString on a character format: the text is a list item's label (\listtext, or \pntext when
// ListLabelKind is 2), as it was read; a save writes it as such while its text is unchanged, so
// that readers that number the list themselves drop it.
constexpr int ListLabel = QTextFormat::UserProperty + 0x7220;
constexpr int ListLabelKind = QTextFormat::UserProperty + 0x7221;
// int: a hash of a format's lists (a paragraph's tab stops, a table's column widths and its rows'
// words). Qt finds a format among a document's by a hash that leaves lists out, so formats that
// differ only in a list would all be compared with each other as the document grows (a minute
// for 20,000 paragraphs with tab stops of their own). Nothing reads it back.
constexpr int ListsKey = QTextFormat::UserProperty + 0x7222;
// bool on a block format: an empty paragraph the file did not have, which Qt keeps before a
// table (one at the start of the document or of a cell, or right after another table, as
// between the parts of a long table shown in parts); a save leaves it out while it is empty.
constexpr int MadeForTable = QTextFormat::UserProperty + 0x7225;
// QVariantList of int on a block format: the leader of each tab stop that has one (\tldot ...),
// as its position in twips (from the margin) times 8 plus the leader (RtfParagraphFormat).
constexpr int TabLeaders = QTextFormat::UserProperty + 0x7223;
// QVariantList of int on a block format: the bar tabs (\tb), lines Qt does not draw, as their
// positions in twips from the margin.
constexpr int BarTabs = QTextFormat::UserProperty + 0x7226;
// ASCII (as kept words are held) on a character format: the fonts and formats of other scripts, as
// RtfScriptWords keeps them, with a bare \f where the text's own font goes.
constexpr int ScriptWords = QTextFormat::UserProperty + 0x7224;
// QVariantList on a character format: text of another script shown in the font, size, bold and
// italic its words say for that script (\af, \afs, \ab, \ai): the run's own values of those
// four, then the values shown. A save writes the run's own where the shown ones are unchanged
// (RtfScriptShown).
constexpr int ScriptShown = QTextFormat::UserProperty + 0x7227;
// int on a character format: how far its super- or subscript is moved (\upN, \dnN), in
// half-points; bool OffsetOnly: moved in its own size (\up or \dn alone), not a \super or \sub.
// bool on a block format: the text of the document's footnotes and endnotes, or the rule above
// them, shown below the document; the notes themselves are kept where they are, so a save leaves
// these blocks out.
constexpr int NoteText = QTextFormat::UserProperty + 0x7242;
constexpr int VerticalOffset = QTextFormat::UserProperty + 0x7240;
constexpr int OffsetOnly = QTextFormat::UserProperty + 0x7241;
} // namespace RtfProperty
