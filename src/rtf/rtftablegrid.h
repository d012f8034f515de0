// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfrowdefinition.h"

#include <QByteArray>
#include <QList>

#include <vector>

class QTextCursor;
class QTextDocument;
class QTextTable;
class RtfParser;

// The tables being built, nested one in another: each cell placed in its table's grid of
// column edges, with the merges and borders applied when the table is complete.
class RtfTableGrid
{
public:
    // cellBudget bounds the cells made; simplified gets the RtfSimplified bits of what was
    // left out.
    RtfTableGrid(QTextDocument *document, QTextCursor &cursor, const RtfParser &parser,
                 qint64 cellBudget, int &simplified);

    // Tables open, the deepest last.
    int depth() const { return int(m_tables.size()); }
    // Opens a table (in the cell of the one around it) at the cursor; false without room.
    bool open();
    // Closes the deepest table and moves the cursor after it.
    void close();
    // Moves the cursor to the next cell or row of the deepest table, when one was ended.
    void advance();
    void cellEnded();
    // The deepest table's row ended; a nested row's definition comes at its end.
    void rowEnded(const RtfRowDefinition &row);
    qint64 cellsShown() const { return m_cellsShown; }

    static constexpr int MaxColumns = 64;
    // Limits that keep Qt's layout of any document within a second or two.
    static constexpr int MaxRowsPerTable = 2000;
    static constexpr int MaxShownCells = 20000;

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
        int right = -1;   // its \cellx edge, -1 when its definition gave none
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
        bool definedFirst = false;  // the current row's definition came before its cells
        int surplusAt = -1;         // where a \cell past the row's last \cellx began a paragraph
    };

    void advance(Table &table);
    void startRow(Table &table);
    static void keepRowWords(Table &table);
    bool placeCell(Table &table);
    int gridColumn(Table &table, int edge);
    bool takeDefinedEdges(Table &table);
    void dropEmptySurplus(Table &table);
    void finishCells(Table &table);

    QTextDocument *m_document;
    QTextCursor &m_cursor;
    const RtfParser &m_parser;
    std::vector<Table> m_tables;
    qint64 m_cellBudget;
    qint64 m_cellsShown = 0;
    quint64 m_rowEndSerial = 0; // of the outer row definition in effect when a row last ended
    int &m_simplified;
};
