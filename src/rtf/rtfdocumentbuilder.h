#pragma once

#include "rtf/rtfcontentsink.h"

#include <QTextCharFormat>
#include <QTextCursor>

#include <vector>

class QTextDocument;
class QTextTable;
class RtfParser;

// Builds a QTextDocument from the parser's content: formatted runs, paragraph
// formats, tables (nested too) and PNG/JPEG pictures.
class RtfDocumentBuilder : public RtfContentSink
{
public:
    // inputSize bounds the table cells and image memory this document may use.
    RtfDocumentBuilder(QTextDocument *document, const RtfParser &parser, qsizetype inputSize);
    ~RtfDocumentBuilder() override;

    void text(QStringView text, const RtfCharFormat &format,
              const RtfParagraphFormat &paragraph) override;
    void paragraphEnd(const RtfParagraphFormat &paragraph, const RtfCharFormat &mark,
                      bool pageBreakAfter) override;
    void cellEnd(int level, const RtfParagraphFormat &paragraph) override;
    void rowEnd(int level, const QList<int> &cellEdges) override;
    void picture(const RtfPicture &picture, const RtfCharFormat &format,
                 const RtfParagraphFormat &paragraph) override;
    void finish(const RtfParagraphFormat &paragraph) override;

    static constexpr int MaxColumns = 64;

private:
    struct Table
    {
        enum Pending { None, NextCell, NextRow };
        QTextTable *table = nullptr;
        int row = 0;
        int column = 0;
        Pending pending = None;
        QList<int> cellEdges; // of the first row, for the column widths
    };

    void enterLevel(int level);
    bool openTable();
    void closeTable();
    void advance(Table &table);
    void applyBlockFormat(const RtfParagraphFormat &paragraph);
    QTextCharFormat charFormat(const RtfCharFormat &format);

    QTextDocument *m_document;
    const RtfParser &m_parser;
    QTextCursor m_cursor;
    std::vector<Table> m_tables;
    int m_level = 0; // table level of the content, even where no table could be made
    RtfCharFormat m_lastFormat;
    QTextCharFormat m_lastCharFormat;
    bool m_haveLastFormat = false;
    bool m_pageBreakNext = false;
    bool m_finished = false;
    qint64 m_cellBudget;
    qint64 m_imageBudget;
    int m_imageCount = 0;
};
