#pragma once

#include "rtf/rtfcjkfallback.h"
#include "rtf/rtfcontentsink.h"
#include "rtf/rtffont.h"

#include <QHash>
#include <QImage>
#include <QSet>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>

#include <unordered_map>
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
    void rowEnd(int level, const RtfRowDefinition &row) override;
    bool picture(const RtfPicture &picture, const RtfCharFormat &format,
                 const RtfParagraphFormat &paragraph) override;
    void hidden(QByteArrayView rtf, bool preamble) override;
    void finish(const RtfParagraphFormat &paragraph) override;

    // Whether the document, to be shown in time, left out something a save would have to write
    // back: text past MaxRuns runs in the format before it, more than MaxFamilies fonts, tables
    // nested deeper than RtfContentSink::MaxNesting, rows past the cells shown, formats past the
    // parser's budget for them. Such a document is fit to be shown, not to be saved. (Very long
    // paragraphs and tables shown in parts are saved whole.)
    bool lostForSave() const;

    static constexpr int MaxColumns = 64;
    // Limits that keep Qt's layout of any document within a second or two.
    static constexpr int MaxRowsPerTable = 2000;
    static constexpr int MaxParagraph = 20000; // characters
    static constexpr int MaxFamilies = 64;
    static constexpr int MaxRunsPerParagraph = 2000;
    static constexpr int MaxShownCells = 20000;
    // Characters that carry kept parts; beyond, kept parts wait for the paragraph's end.
    static constexpr int MaxHiddenAnchors = 20000;
    // Characters of a list label that a save can give back as one.
    static constexpr int MaxLabel = 256;

private:
    // A cell as placed in the table's grid, for the merges and borders applied when the
    // table is complete.
    struct PlacedCell
    {
        int row = 0;
        int column = 0;
        int ownSpan = 1; // grid columns between its \cellx edges
        int span = 1;    // with the cells merged into it; 0 once merged into the one on its left
        int rowSpan = 1; // 0 once merged into the cell above
        quint8 borders = 0;
        quint8 rowBorders = 0;
        quint8 merge = 0;
        QByteArray words; // kept words of its definition
    };
    struct Table
    {
        enum Pending { None, NextCell, NextRow };
        QTextTable *table = nullptr;
        bool nested = false;
        int row = 0;
        int cellIndex = 0; // within the row, in the order of \cell
        int column = 0;    // grid column of the current cell
        Pending pending = None;
        RtfRowDefinition definition; // of the current row
        // A nested row's definition comes at its end: the one in effect when a nested table
        // opens belongs to an earlier table and says nothing of this one's first row.
        quint64 earlierSerial = 0;
        QList<int> edges;        // right edges of the grid's columns, in twips
        bool widthsKnown = true; // every edge came from a \cellx
        bool borders = false;    // some cell or row declared a border
        std::vector<PlacedCell> cells;
        QList<QByteArray> rowWords; // kept words of each row's definition
    };

    void enterLevel(int level);
    bool openTable();
    void closeTable();
    void advance(Table &table);
    void startRow(Table &table);
    static void keepRowWords(Table &table);
    bool placeCell(Table &table);
    int gridColumn(Table &table, int edge);
    void finishCells(Table &table);
    void applyBlockFormat(const RtfParagraphFormat &paragraph);
    static QTextBlockFormat blockFormat(const RtfParagraphFormat &paragraph);
    void insertNote();
    void newFieldEpoch();
    void attachHiddenToBlock();
    // block: the cursor's.
    void takeHidden(bool noText, const QTextBlock &block);
    QTextCharFormat withHidden(QTextCharFormat format) const;
    bool rowsAsText(int level);
    void flushRowText();
    void endLongRowText(const RtfParagraphFormat &paragraph);
    void keepDocumentTables();
    void splitParagraph(const RtfParagraphFormat &paragraph, const QTextCharFormat &format);
    bool markLabel(QStringView text, int kind);
    QTextCharFormat charFormat(const RtfCharFormat &format);
    QTextCharFormat makeCharFormat(const RtfCharFormat &format);
    QTextCharFormat remember(const RtfCharFormat &format, const QTextCharFormat &made);
    struct CharFormatHash
    {
        size_t operator()(const RtfCharFormat &format) const;
    };
    // Bounds the formats kept for reuse.
    static constexpr size_t MaxCachedFormats = 1024;

    QTextDocument *m_document;
    const RtfParser &m_parser;
    QTextCursor m_cursor;
    std::vector<Table> m_tables;
    int m_level = 0; // table level of the content, even where no table could be made
    RtfCharFormat m_lastFormat;
    QTextCharFormat m_lastCharFormat;
    struct CachedCharFormat
    {
        QTextCharFormat format;
        RtfFont font; // as the table had it when the format was made
    };
    std::unordered_map<RtfCharFormat, CachedCharFormat, CharFormatHash> m_charFormats;
    RtfCjkFallback m_cjkFallback;
    bool m_haveLastFormat = false;
    RtfParagraphFormat m_lastParagraph;
    QTextBlockFormat m_lastBlockFormat;
    bool m_haveLastParagraph = false;
    bool m_pageBreakNext = false;
    bool m_finished = false;
    bool m_decorated = false;  // some text has a highlight or a double underline
    bool m_resultLast = false; // what was shown last is an object's result
    // The words of other scripts as a save writes them, for the parser's words and a font.
    using ScriptKey = std::pair<const QByteArray *, int>;
    QHash<ScriptKey, QByteArray> m_scripts;
    int m_fieldEpoch = 0; // counts cell and table bounds: a field's result cannot span them
    QHash<qint64, int> m_fieldIds;
    int m_fieldCount = 0;
    int m_lastField = -1; // the field of the last format made
    enum Simplified {
        NestingCapped = 1,
        RowsSplit = 2,
        ParagraphsSplit = 4,
        FontsCapped = 8,
        CellsCapped = 16,
        RunsMerged = 32
    };
    qint64 m_cellsShown = 0;
    int m_simplified = 0;
    QSet<QString> m_families;
    QTextBlock m_runsBlock; // the block whose runs m_runs counts
    int m_runs = 0;
    qint64 m_cellBudget;
    qint64 m_imageBudget;
    int m_imageCount = 0;
    QString m_rowText; // rows past the cell budget, not yet inserted
    QTextCharFormat m_rowFormat;
    QByteArray m_preamble;
    QByteArray m_pendingHidden; // waits for the next character or paragraph end
    QByteArray m_spanHidden;    // the text being inserted carries it
    int m_spanId = 0;
    QTextBlock m_spanBlock;
    int m_hiddenCount = 0;
    // The list label being read: its text so far, where it began and ends, its kind.
    QString m_labelText;
    QTextBlock m_labelBlock;
    int m_labelStart = 0;
    int m_labelEnd = -1;
    int m_labelKind = 0;
};
