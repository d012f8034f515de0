#pragma once

#include <QByteArray>

class QTextBlock;
class QTextCharFormat;
class QTextDocument;
class QTextFrame;
class QTextImageFormat;
class QTextTable;
class RtfFormatTables;
class RtfOutput;

// Serialises a QTextDocument as Rich Text Format: plain ASCII, code page 1252 with \u for the
// rest. Paragraph and character formats, tables and images (as PNG or JPEG) are kept.
class RtfWriter
{
public:
    static QByteArray write(const QTextDocument &doc);

private:
    RtfWriter(const QTextDocument &doc, const RtfFormatTables &tables, RtfOutput &out);

    enum class Ending { Par, Cell, None };

    void writeFrame(const QTextFrame *frame, bool inTable);
    void writeTable(const QTextTable *table);
    void writeCellContent(const QTextTable *table, int row, int column);
    void writeBlock(const QTextBlock &block, bool inTable, Ending ending);
    void writeCharFormat(const QTextCharFormat &format);
    void writeImage(const QTextImageFormat &format);

    const QTextDocument &m_doc;
    const RtfFormatTables &m_tables;
    RtfOutput &m_out;
};
