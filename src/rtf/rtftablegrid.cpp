// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtftablegrid.h"

#include "rtf/rtfboxwords.h"
#include "rtf/rtfparser.h"
#include "rtf/rtfproperties.h"
#include "rtf/rtfsimplified.h"

#include <QHash>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

#include <algorithm>
#include <utility>

namespace {

// Document lengths are in pixels at 96 dpi: 15 twips each.
qreal pixels(int twips)
{
    return twips / 15.0;
}

constexpr int kDefaultTableWidth = 9360; // twips

} // namespace

RtfTableGrid::RtfTableGrid(QTextDocument *document, QTextCursor &cursor, const RtfParser &parser,
                           qint64 cellBudget, int &simplified)
    : m_document(document), m_cursor(cursor), m_parser(parser), m_cellBudget(cellBudget),
      m_simplified(simplified)
{
}

bool RtfTableGrid::open()
{
    if (m_cellBudget <= 0)
        return false;
    if (m_cellsShown >= MaxShownCells) {
        m_simplified |= RtfSimplified::CellsCapped;
        return false;
    }
    ++m_cellsShown;
    --m_cellBudget;
    QTextTableFormat format;
    format.setBorder(0); // borders are the cells' own, as the document declares them
    format.setBorderCollapse(true);
    format.setCellPadding(3);
    format.setCellSpacing(0);
    // A table inserted into an empty paragraph leaves that paragraph above it as a blank line;
    // it is merged into the one before when that is in the same text (ends in a paragraph
    // separator, not a table's or cell's bound). Where there is none (at the start of the
    // document or a cell, right after another table), Qt keeps it: it is marked, for a save to
    // leave out.
    const QTextBlock block = m_cursor.block();
    if (block.length() == 1 && block.position() > 0 &&
        m_document->characterAt(block.position() - 1) == QChar::ParagraphSeparator) {
        // The paragraph the file ended keeps its format (Qt keeps the empty one's): its indents,
        // and an end that an object's result made, which the kept object writes.
        QTextBlockFormat merged = m_cursor.blockFormat();
        merged.merge(block.previous().blockFormat());
        m_cursor.deletePreviousChar();
        m_cursor.setBlockFormat(merged);
    } else if (block.length() == 1) {
        QTextBlockFormat made = m_cursor.blockFormat();
        made.setProperty(RtfProperty::MadeForTable, true);
        m_cursor.setBlockFormat(made);
    }
    Table table;
    table.nested = !m_tables.empty();
    if (table.nested)
        table.earlierSerial = m_parser.rowDefinition(true).serial;
    table.table = m_cursor.insertTable(1, 1, format);
    m_tables.push_back(table);
    startRow(m_tables.back());
    placeCell(m_tables.back());
    return true;
}

void RtfTableGrid::close()
{
    Table table = std::move(m_tables.back());
    m_tables.pop_back();
    QTextTable *t = table.table;
    const int columns = t->columns();
    if (const int unused = t->rows() - table.row - 1; unused > 0) {
        t->removeRows(table.row + 1, unused);
        m_cellBudget += qint64(unused) * columns;
    }
    if (!table.widthsKnown || table.edges.size() != columns) {
        // Without (usable) \cellx edges the columns share a text column of A4 or Letter, as
        // the writer gives them.
        const int share = std::max(kDefaultTableWidth, columns * 216) / columns;
        table.edges.clear();
        for (int c = 1; c <= columns; ++c)
            table.edges.append(c * share);
    }
    {
        // Every column at least a twip wide, and the row within the longest length a file may
        // give, so that the edges a save writes are read back as they are.
        const int count = int(table.edges.size());
        QList<QTextLength> widths;
        int left = 0;
        for (int c = 0; c < count; ++c) {
            const int right = std::min(std::max(table.edges.at(c), left + 1),
                                       RtfParser::MaxLength - (count - 1 - c));
            widths.append(QTextLength(QTextLength::FixedLength, pixels(std::max(right - left, 1))));
            left = right;
        }
        QTextTableFormat format = t->format();
        format.setColumnWidthConstraints(widths);
        QVariantList rowWords;
        for (qsizetype r = 0; r < table.rowWords.size() && r < t->rows(); ++r)
            rowWords.append(table.rowWords.at(r));
        if (!rowWords.isEmpty())
            format.setProperty(RtfProperty::RowWords, rowWords);
        size_t key = 0;
        for (const QTextLength &width : widths)
            key = qHashMulti(key, int(width.type()), width.rawValue());
        for (const QVariant &words : rowWords)
            key = qHashMulti(key, words.toByteArray());
        format.setProperty(RtfProperty::ListsKey, int(key));
        t->setFormat(format);
    }
    finishCells(table);
    m_cursor.setPosition(t->lastPosition() + 1);
}

// Takes the row's definition when a new one was given since the last row, and makes sure the
// grid has a column edge wherever the row has one.
void RtfTableGrid::startRow(Table &table)
{
    const RtfRowDefinition &candidate = m_parser.rowDefinition(table.nested);
    table.definedFirst = false;
    if (candidate.serial > table.definition.serial && candidate.serial > table.earlierSerial &&
        !candidate.cells.isEmpty()) {
        table.definition = candidate;
        table.definedFirst = !table.nested && candidate.serial > m_rowEndSerial;
        if (candidate.borders)
            table.borders = true;
    }
    for (const RtfCellDefinition &cell : std::as_const(table.definition.cells)) {
        gridColumn(table, cell.right);
        if (cell.borders)
            table.borders = true;
    }
    keepRowWords(table);
}

// The kept words of the current row's definition, for a save to write with it.
void RtfTableGrid::keepRowWords(Table &table)
{
    if (table.definition.words.isEmpty() && table.rowWords.size() <= table.row)
        return;
    while (table.rowWords.size() <= table.row)
        table.rowWords.append(QByteArray());
    table.rowWords[table.row] = table.definition.words;
}

// The grid column whose right edge is the given one; a column is split or added when the
// edge is new and there is room, else the nearest column to its right is used.
int RtfTableGrid::gridColumn(Table &table, int edge)
{
    QTextTable *t = table.table;
    QList<int> &edges = table.edges;
    if (edges.isEmpty()) {
        edges.append(edge); // the first column of a new table
        return 0;
    }
    const auto at = std::lower_bound(edges.begin(), edges.end(), edge);
    const int k = int(at - edges.begin());
    if (at != edges.end() && *at == edge)
        return k;
    const bool room = t->columns() < MaxColumns && m_cellBudget >= t->rows();
    if (!room)
        return std::min(k, int(edges.size()) - 1);
    m_cellBudget -= t->rows();
    if (k == edges.size()) {
        t->appendColumns(1);
        edges.append(edge);
        return k;
    }
    // A new edge inside column k splits it: the cells that covered it span one more column.
    // The new column goes to the right of the split one, so that their text stays first.
    t->insertColumns(k + 1, 1);
    edges.insert(k, edge);
    for (PlacedCell &cell : table.cells) {
        if (cell.column > k)
            ++cell.column;
        else {
            if (cell.column + cell.ownSpan - 1 >= k)
                ++cell.ownSpan;
            if (cell.span > 0 && cell.column + cell.span - 1 >= k)
                ++cell.span;
        }
    }
    return k;
}

// Moves the cursor into the grid column of the row's next cell. Returns false when the table
// has no room for it.
bool RtfTableGrid::placeCell(Table &table)
{
    QTextTable *t = table.table;
    int next = 0; // the first free column of the row
    const PlacedCell *previous = nullptr;
    if (!table.cells.empty() && table.cells.back().row == table.row) {
        previous = &table.cells.back();
        next = previous->column + std::max(previous->span, 1);
    }
    const QList<RtfCellDefinition> &defined = table.definition.cells;
    int start = next;
    int end = next;
    RtfCellDefinition definition;
    if (table.cellIndex < defined.size()) {
        definition = defined.at(table.cellIndex);
        end = std::max(gridColumn(table, definition.right), start);
        // gridColumn may have split a column left of this one.
        if (previous)
            start = next = previous->column + std::max(previous->span, 1);
        end = std::max(end, start);
    }
    if (end >= t->columns()) {
        const int missing = end - t->columns() + 1;
        if (t->columns() + missing <= MaxColumns && m_cellBudget >= qint64(missing) * t->rows()) {
            m_cellBudget -= qint64(missing) * t->rows();
            t->appendColumns(missing);
            // Columns no \cellx defined get a made-up edge, and the table no fixed widths.
            while (table.edges.size() < t->columns())
                table.edges.append((table.edges.isEmpty() ? 0 : table.edges.last()) + 1440);
            table.widthsKnown = false;
        } else if (start >= t->columns()) {
            return false;
        } else {
            end = t->columns() - 1;
        }
    }
    PlacedCell cell;
    cell.row = table.row;
    cell.column = start;
    cell.span = cell.ownSpan = end - start + 1;
    cell.borders = definition.borders;
    cell.rowBorders = table.definition.borders;
    cell.merge = definition.merge;
    cell.words = definition.words;
    if (table.cellIndex < defined.size())
        cell.right = definition.right;
    if ((cell.merge & RtfCellDefinition::InRow) && previous) {
        // \clmrg: this cell is part of the one on its left.
        for (auto it = table.cells.rbegin(); it != table.cells.rend() && it->row == table.row;
             ++it) {
            if (it->span > 0) {
                it->span = end - it->column + 1;
                cell.span = 0;
                break;
            }
        }
    }
    table.cells.push_back(cell);
    table.column = start;
    // Every cell after this one is still empty, one position each.
    const int cellsAfter =
        (t->rows() - 1 - table.row) * t->columns() + (t->columns() - 1 - table.column);
    m_cursor.setPosition(t->lastPosition() - cellsAfter);
    return true;
}

// QTextTable rebuilds its cell grid after every structural change, so growing
// it one row at a time and asking for cellAt() is quadratic. Rows are added in
// chunks instead, and the next cell's position is counted from the table's end.
void RtfTableGrid::advance(Table &table)
{
    const Table::Pending pending = table.pending;
    table.pending = Table::None;
    QTextTable *t = table.table;
    if (pending == Table::NextCell) {
        const qsizetype defined = table.definition.cells.size();
        if (table.definedFirst && table.cellIndex + 1 >= defined) {
            // A \cell past the row's last \cellx (LibreOffice writes one after a nested
            // table) makes no column of its own: what follows stays in the row's last cell.
            m_cursor.insertBlock();
            table.surplusAt = m_cursor.position();
            return;
        }
        ++table.cellIndex;
        if (!placeCell(table)) {
            --table.cellIndex;
            if (m_tables.size() == 1) {
                // No room for another cell in the row: the rest of the tables are text.
                close();
                m_cellsShown = std::max<qint64>(m_cellsShown, MaxShownCells);
                m_simplified |= RtfSimplified::CellsCapped;
            } else {
                m_cursor.insertBlock(); // keep it in this cell
            }
        }
    } else if (pending == Table::NextRow) {
        // Qt lays out every cell of a table in one go; beyond a fixed number of cells the
        // rows go on as paragraphs, one per cell.
        if (m_cellsShown + t->columns() > MaxShownCells) {
            close();
            m_simplified |= RtfSimplified::CellsCapped;
            return;
        }
        m_cellsShown += t->columns();
        if (table.row + 1 >= MaxRowsPerTable) {
            // Qt lays out a table as a whole: a long one goes on in a table of its own, so
            // that the layout can proceed part by part.
            close();
            open();
            m_simplified |= RtfSimplified::RowsSplit;
            return;
        }
        if (table.row + 1 >= t->rows()) {
            const qint64 wanted = std::clamp(table.row + 1, 1, 1024);
            const qint64 rows = std::min<qint64>(wanted, m_cellBudget / t->columns());
            if (rows <= 0) {
                m_cursor.insertBlock(); // no room for another row
                return;
            }
            m_cellBudget -= rows * t->columns();
            t->appendRows(int(rows));
        }
        ++table.row;
        table.cellIndex = 0;
        startRow(table);
        placeCell(table);
    }
}

// Vertical merges, borders and spans, once the grid is final. Each merge makes Qt rebuild the
// table's grid, so a huge table gets only as many as a fixed amount of work allows.
void RtfTableGrid::finishCells(Table &table)
{
    QTextTable *t = table.table;
    const int rows = t->rows();
    const int columns = t->columns();
    std::vector<PlacedCell> &cells = table.cells;
    // \clvmrg: part of the cell above, which heads the run.
    QHash<qint64, size_t> head; // (row, column) of a cell -> index of the cell its run starts at
    auto key = [columns](int row, int column) {
        return qint64(row) * columns + column;
    };
    for (size_t i = 0; i < cells.size(); ++i) {
        PlacedCell &cell = cells[i];
        if (cell.span <= 0 || cell.row >= rows)
            continue;
        size_t top = i;
        if (cell.merge & RtfCellDefinition::InColumn) {
            const auto above = head.constFind(key(cell.row - 1, cell.column));
            if (above != head.constEnd() && cells[above.value()].span == cell.span) {
                top = above.value();
                PlacedCell &first = cells[top];
                first.rowSpan = cell.row - first.row + 1;
                cell.rowSpan = 0;
            }
        }
        head.insert(key(cell.row, cell.column), top);
    }

    if (table.borders) {
        // A row that ends before the grid does has empty cells there, framed by the row's
        // borders as its own cells are (a save gives the row all of its cells).
        std::vector<int> filled(size_t(rows), 0);
        std::vector<quint8> rowBorders(size_t(rows), 0);
        for (const PlacedCell &cell : cells) {
            if (cell.span > 0 && cell.row < rows) {
                filled[size_t(cell.row)] =
                    std::max(filled[size_t(cell.row)], cell.column + cell.span);
                rowBorders[size_t(cell.row)] = cell.rowBorders;
            }
        }
        for (int r = 0; r < rows; ++r) {
            for (int c = filled[size_t(r)]; c > 0 && c < columns; ++c) {
                PlacedCell empty;
                empty.row = r;
                empty.column = c;
                empty.rowBorders = rowBorders[size_t(r)];
                cells.push_back(empty);
            }
        }
        for (const PlacedCell &cell : cells) {
            if (cell.span <= 0 || cell.rowSpan <= 0 || cell.row >= rows)
                continue;
            const quint8 r = cell.rowBorders;
            const bool top = cell.row == 0 ? r & RtfBorder::Top : r & RtfBorder::InnerHorizontal;
            const bool bottom = cell.row + cell.rowSpan >= rows ? r & RtfBorder::Bottom
                                                                : r & RtfBorder::InnerHorizontal;
            const bool left = cell.column == 0 ? r & RtfBorder::Left : r & RtfBorder::InnerVertical;
            const bool right = cell.column + cell.span >= columns ? r & RtfBorder::Right
                                                                  : r & RtfBorder::InnerVertical;
            QTextTableCell tableCell = t->cellAt(cell.row, cell.column);
            QTextTableCellFormat format = tableCell.format().toTableCellFormat();
            const QBrush black(Qt::black);
            auto side = [&](bool declared, quint8 bit, auto setWidth, auto setStyle,
                            auto setBrush) {
                const bool on = declared || (cell.borders & bit);
                (format.*setWidth)(on ? 1 : 0);
                (format.*setStyle)(on ? QTextFrameFormat::BorderStyle_Solid
                                      : QTextFrameFormat::BorderStyle_None);
                (format.*setBrush)(black);
            };
            side(top, RtfBorder::Top, &QTextTableCellFormat::setTopBorder,
                 &QTextTableCellFormat::setTopBorderStyle,
                 &QTextTableCellFormat::setTopBorderBrush);
            side(bottom, RtfBorder::Bottom, &QTextTableCellFormat::setBottomBorder,
                 &QTextTableCellFormat::setBottomBorderStyle,
                 &QTextTableCellFormat::setBottomBorderBrush);
            side(left, RtfBorder::Left, &QTextTableCellFormat::setLeftBorder,
                 &QTextTableCellFormat::setLeftBorderStyle,
                 &QTextTableCellFormat::setLeftBorderBrush);
            side(right, RtfBorder::Right, &QTextTableCellFormat::setRightBorder,
                 &QTextTableCellFormat::setRightBorderStyle,
                 &QTextTableCellFormat::setRightBorderBrush);
            tableCell.setFormat(format);
        }
    }

    for (const PlacedCell &cell : cells) {
        if (cell.words.isEmpty() || cell.span <= 0 || cell.rowSpan <= 0 || cell.row >= rows)
            continue;
        QTextTableCell tableCell = t->cellAt(cell.row, cell.column);
        QTextTableCellFormat format = tableCell.format().toTableCellFormat();
        format.setProperty(RtfProperty::CellWords, RtfProperty::keptWordsValue(cell.words));
        // Qt fills a cell's background itself; a save writes the words, not the colour.
        if (const QColor shading = RtfBoxWords::shading(cell.words, m_parser.colors(), true);
            shading.isValid())
            format.setBackground(shading);
        tableCell.setFormat(format);
    }

    qint64 work = 50'000'000;
    const qint64 mergeCost = qint64(rows) * columns + 1;
    for (const PlacedCell &cell : cells) {
        if (cell.span <= 0 || cell.rowSpan <= 0 || cell.row >= rows)
            continue;
        if (cell.span == 1 && cell.rowSpan == 1)
            continue;
        if ((work -= mergeCost) < 0)
            break;
        // Qt joins the empty first paragraph of a merged cell to the last one of the cell it
        // joins, which takes the empty one's format: the last one keeps its own.
        const QTextBlock last = t->cellAt(cell.row, cell.column).lastCursorPosition().block();
        const QTextBlockFormat format = last.blockFormat();
        const int position = last.position();
        t->mergeCells(cell.row, cell.column, std::min(cell.rowSpan, rows - cell.row),
                      std::min(cell.span, columns - cell.column));
        QTextCursor at(m_document);
        at.setPosition(position);
        if (at.blockFormat() != format)
            at.setBlockFormat(format);
    }
}

void RtfTableGrid::advance()
{
    if (!m_tables.empty())
        advance(m_tables.back());
}

void RtfTableGrid::cellEnded()
{
    Table &table = m_tables.back();
    dropEmptySurplus(table);
    table.pending = Table::NextCell;
}

// A \cell past the row's last \cellx that held nothing leaves no empty paragraph behind.
void RtfTableGrid::dropEmptySurplus(Table &table)
{
    const int at = std::exchange(table.surplusAt, -1);
    if (at < 0 || m_cursor.position() != at || m_cursor.block().length() != 1 ||
        m_cursor.blockFormat().hasProperty(RtfProperty::HiddenAtEnd))
        return;
    m_cursor.deletePreviousChar();
}

void RtfTableGrid::rowEnded(const RtfRowDefinition &row)
{
    Table &table = m_tables.back();
    dropEmptySurplus(table);
    if (!table.nested)
        m_rowEndSerial = m_parser.rowDefinition(false).serial;
    // Nested rows carry their definition at their end: it applies to the row just read. So
    // does one that came only at the end of an outer row; but where an outer row was defined
    // before its cells, a definition among them is the next row's (LibreOffice writes one
    // there after a nested table).
    if (row.serial > table.definition.serial && !table.definedFirst) {
        table.definition = row;
        int index = 0;
        PlacedCell *head = nullptr; // the last cell of the row not merged into another
        for (PlacedCell &cell : table.cells) {
            if (cell.row != table.row)
                continue;
            cell.rowBorders = row.borders;
            cell.span = cell.ownSpan;
            cell.merge = 0;
            cell.right = -1;
            cell.words.clear();
            if (index < row.cells.size()) {
                cell.right = row.cells.at(index).right;
                cell.borders = row.cells.at(index).borders;
                cell.merge = row.cells.at(index).merge;
                cell.words = row.cells.at(index).words;
                if ((cell.merge & RtfCellDefinition::InRow) && head && cell.span > 0) {
                    head->span = cell.column + cell.span - head->column;
                    cell.span = 0;
                }
            }
            if (cell.span > 0)
                head = &cell;
            ++index;
        }
        keepRowWords(table);
        if (row.borders)
            table.borders = true;
        for (const RtfCellDefinition &cell : row.cells)
            table.borders = table.borders || cell.borders;
        // A nested table's first row gives its edges at its end (none were known for a table
        // of one column, which made no edge of its own).
        const int columns = table.table->columns();
        if (table.row == 0 && (!table.widthsKnown || table.edges.size() != columns) &&
            row.cells.size() == columns) {
            QList<int> edges;
            for (const RtfCellDefinition &cell : row.cells) {
                if (!edges.isEmpty() && cell.right <= edges.last())
                    break;
                edges.append(cell.right);
            }
            if (edges.size() == columns) {
                table.edges = edges;
                table.widthsKnown = true;
            }
        }
        takeDefinedEdges(table);
    }
    table.pending = Table::NextRow;
}

// A nested row's cells are placed before its definition comes, in the columns the rows before
// it made. When the edges its definition gives divide the table's width into as many columns
// as the grid has, only differently (a first row of one cell over a second row of two), the
// grid takes those edges, and a cell reaching over several columns spans them.
bool RtfTableGrid::takeDefinedEdges(Table &table)
{
    const int columns = table.table->columns();
    QList<int> edges;
    for (const PlacedCell &cell : table.cells) {
        if (cell.right >= 0)
            edges.append(cell.right);
    }
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    if (edges.size() != columns || edges == table.edges)
        return false;
    auto lastColumn = [&edges](const PlacedCell &cell) {
        return cell.right < 0
                   ? -1
                   : int(std::lower_bound(edges.begin(), edges.end(), cell.right) - edges.begin());
    };
    // Every cell stays where it is, reaching at least its own column and short of the next.
    for (size_t i = 0; i < table.cells.size(); ++i) {
        const PlacedCell &cell = table.cells[i];
        if (cell.right < 0)
            continue;
        const int last = lastColumn(cell);
        if (last < cell.column)
            return false;
        if (i + 1 < table.cells.size() && table.cells[i + 1].row == cell.row &&
            last >= table.cells[i + 1].column)
            return false;
    }
    for (PlacedCell &cell : table.cells) {
        if (cell.right < 0)
            continue;
        const int own = lastColumn(cell) - cell.column + 1;
        if (cell.span > 0)
            cell.span = std::max(1, cell.span + own - cell.ownSpan);
        cell.ownSpan = own;
    }
    table.edges = edges;
    table.widthsKnown = true;
    return true;
}
