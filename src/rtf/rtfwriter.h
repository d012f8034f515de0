// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QSet>

#include <functional>

class QTextBlock;
class QTextBlockFormat;
class QTextCharFormat;
class QTextDocument;
class QTextFormat;
class QTextFrame;
class QTextImageFormat;
class QTextTable;
class RtfFormatTables;
class RtfOutput;

// Serialises a QTextDocument as Rich Text Format: plain ASCII, code page 1252 with \u for the
// rest. Paragraph and character formats, tables and images (as PNG or JPEG) are kept, and so is
// what the reader kept of a file without showing it (its tables, stylesheet, footnotes ...).
class RtfWriter
{
public:
    static QByteArray write(const QTextDocument &doc);
    // The same, calling step before each paragraph (and before each paragraph of the scan for
    // fonts and colours) so that a caller may pause between them; once step returns false the
    // write stops and returns nothing.
    static QByteArray write(const QTextDocument &doc, const std::function<bool()> &step);
    // The character format a save gives the paragraph mark that ends block (the format of the
    // paragraph separator, which Qt keeps as the next block's char format); an empty format
    // when the mark has none of its own to write (a plain one, or one ending a cell or text).
    static QTextCharFormat paragraphMark(const QTextBlock &block);

private:
    RtfWriter(const QTextDocument &doc, const RtfFormatTables &tables, RtfOutput &out);

    enum class Ending { Par, Cell, None, Continues };

    // level: the table nesting level of the content, 0 outside tables.
    void writeFrame(const QTextFrame *frame, int level);
    void writeTable(const QTextTable *table, int level);
    void writeRowDefinition(const QTextTable *table, int row, const QList<int> &widths);
    void writeCellContent(const QTextTable *table, int row, int column, int level);
    void writeBlock(const QTextBlock &block, int level, Ending ending);
    void writeTabs(const QTextBlockFormat &format, int lineStart);
    void writeLineSpacing(const QTextBlockFormat &format);
    void writeCharFormat(const QTextCharFormat &format);
    void writeImage(const QTextImageFormat &format);
    bool writeHidden(const QTextFormat &format, int property);
    void writeParagraphStart(const QTextBlock &block, int level, bool again = false);
    void closeField();

    const QTextDocument &m_doc;
    const RtfFormatTables &m_tables;
    RtfOutput &m_out;
    QSet<int> m_hiddenWritten;    // HiddenId of the kept parts already written
    bool m_pagebbWritten = false; // the paragraph's start said \pagebb
    // The field whose result is being written (its instruction and FieldId), open across
    // paragraph ends while its result goes on.
    QString m_openField;
    int m_openFieldId = -1;
    std::function<bool()> m_step; // may stop the write before a paragraph
    bool m_stopped = false;
};
