#include "rtf/rtfdocumentbuilder.h"

#include "rtf/rtfparser.h"
#include "rtf/rtfproperties.h"
#include "rtf/rtfscriptwords.h"
#include "rtf/rtftextdecoder.h"

#include <QBuffer>
#include <QHash>
#include <QImageReader>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

#include <algorithm>

size_t RtfDocumentBuilder::CharFormatHash::operator()(const RtfCharFormat &f) const
{
    // Equal formats hash alike; what is left out only makes formats share a bucket.
    return qHashMulti(0, f.font, f.halfPoints, f.foreground, f.background, f.link, f.underline,
                      f.vertical, f.bold, f.italic, f.strike, f.caps, f.smallCaps, f.listLabel,
                      f.words, f.script);
}

namespace {

// Document lengths are in pixels at 96 dpi: 15 twips each.
qreal pixels(int twips)
{
    return twips / 15.0;
}

constexpr int kDefaultTableWidth = 9360; // twips
constexpr qint64 kMaxImageBytes = 256ll * 1024 * 1024;

} // namespace

RtfDocumentBuilder::RtfDocumentBuilder(QTextDocument *document, const RtfParser &parser,
                                       qsizetype inputSize)
    : m_document(document), m_parser(parser), m_cursor(document),
      // Malformed input must not make a few bytes cost megabytes of cells.
      m_cellBudget(1024 + inputSize / 4),
      m_imageBudget(std::min<qint64>(kMaxImageBytes, 64ll * 1024 * 1024 + inputSize * 64))
{
    m_cursor.beginEditBlock();
}

RtfDocumentBuilder::~RtfDocumentBuilder()
{
    if (!m_finished)
        m_cursor.endEditBlock();
}

// Rows past the cell budget are lines of text, gathered and inserted in one go: Qt's cost per
// insertion would make a hundred thousand rows take seconds.
bool RtfDocumentBuilder::rowsAsText(int level)
{
    if (level != 1 || !m_tables.empty() || m_cellsShown < MaxShownCells ||
        !m_pendingHidden.isEmpty())
        return false;
    if (m_level != 1)
        enterLevel(1);
    return true;
}

void RtfDocumentBuilder::flushRowText()
{
    if (!m_rowText.isEmpty())
        m_cursor.insertText(std::exchange(m_rowText, QString()), m_rowFormat);
}

// Cells without rows make one endless line: it is shown in pieces, as a long paragraph is.
void RtfDocumentBuilder::endLongRowText(const RtfParagraphFormat &paragraph)
{
    if (m_rowText.size() < MaxParagraph)
        return;
    flushRowText();
    if (m_cursor.block().length() > MaxParagraph)
        splitParagraph(paragraph, m_rowFormat);
}

void RtfDocumentBuilder::text(QStringView text, const RtfCharFormat &format,
                              const RtfParagraphFormat &paragraph)
{
    if (rowsAsText(paragraph.tableLevel())) {
        if (m_rowText.isEmpty())
            m_rowFormat = charFormat(format);
        m_rowText += text;
        endLongRowText(paragraph);
        return;
    }
    flushRowText();
    enterLevel(paragraph.tableLevel());
    // Finding the cursor's block walks the document's tree: once per run, not once per question.
    QTextBlock block = m_cursor.block();
    takeHidden(text.isEmpty(), block);
    m_resultLast = format.generated;
    QTextCharFormat qtFormat = withHidden(charFormat(format));
    if (format.listLabel && markLabel(text, format.listLabel)) {
        // The label as read, on each of its runs: a save knows it unchanged.
        qtFormat.setProperty(RtfProperty::ListLabel, m_labelText);
    }
    // Qt lays out a paragraph as a whole, in time that grows faster than its length and its
    // number of runs; a very long one is shown in pieces, each marked so that a save joins
    // them again.
    if (block != m_runsBlock) {
        m_runsBlock = block;
        m_runs = 0;
    }
    if (++m_runs > MaxRunsPerParagraph && block.length() > 1) {
        splitParagraph(paragraph, qtFormat);
        block = m_runsBlock; // the new piece
    }
    while (block.length() - 1 + text.size() > MaxParagraph) {
        const qsizetype room = std::max<qsizetype>(0, MaxParagraph - (block.length() - 1));
        qsizetype cut = room;
        for (qsizetype i = room; i > room / 2; --i) {
            const char16_t c = text[i - 1].unicode();
            if (c == QChar::LineSeparator || c == u' ') {
                cut = i;
                break;
            }
        }
        if (cut > 0 && QChar::isHighSurrogate(text[cut - 1].unicode()))
            --cut; // never between the halves of a pair
        m_cursor.insertText(text.first(cut).toString(), qtFormat);
        text = text.sliced(cut);
        splitParagraph(paragraph, qtFormat);
        block = m_runsBlock;
    }
    m_cursor.insertText(text.toString(), qtFormat);
}

// A run of a list label goes on with the label before it, when it follows that directly: the
// runs are one label, however the file split them. Returns false past a label's bound.
bool RtfDocumentBuilder::markLabel(QStringView text, int kind)
{
    const int at = m_cursor.position();
    const bool goesOn = m_labelKind == kind && m_labelEnd == at && m_cursor.block() == m_labelBlock;
    if (!goesOn) {
        m_labelText.clear();
        m_labelStart = at;
        m_labelBlock = m_cursor.block();
        m_labelKind = kind;
    }
    if (m_labelText.size() + text.size() > MaxLabel) {
        m_labelKind = 0;
        return false;
    }
    m_labelText += text;
    m_labelEnd = at + int(text.size());
    if (goesOn) {
        QTextCursor before(m_document);
        before.setPosition(m_labelStart);
        before.setPosition(at, QTextCursor::KeepAnchor);
        QTextCharFormat label;
        label.setProperty(RtfProperty::ListLabel, m_labelText);
        before.mergeCharFormat(label);
    }
    return true;
}

void RtfDocumentBuilder::splitParagraph(const RtfParagraphFormat &paragraph,
                                        const QTextCharFormat &format)
{
    applyBlockFormat(paragraph);
    QTextBlockFormat piece = m_cursor.blockFormat();
    piece.setProperty(RtfProperty::ContinuesInNextBlock, true);
    m_cursor.setBlockFormat(piece);
    m_cursor.insertBlock(QTextBlockFormat(), format);
    m_runsBlock = m_cursor.block();
    m_spanBlock = m_cursor.block(); // still the same paragraph
    m_runs = 1;
    m_simplified |= ParagraphsSplit;
}

void RtfDocumentBuilder::paragraphEnd(const RtfParagraphFormat &paragraph,
                                      const RtfCharFormat &mark, bool pageBreakAfter)
{
    if (!pageBreakAfter && rowsAsText(paragraph.tableLevel())) {
        m_rowText += QChar::ParagraphSeparator;
        return;
    }
    flushRowText();
    enterLevel(paragraph.tableLevel());
    applyBlockFormat(paragraph);
    attachHiddenToBlock();
    m_resultLast = mark.generated;
    if (mark.generated) {
        // A paragraph end of an object's result: the kept object writes it.
        QTextBlockFormat format = m_cursor.blockFormat();
        format.setProperty(RtfProperty::Generated, true);
        m_cursor.setBlockFormat(format);
    }
    m_cursor.insertBlock(QTextBlockFormat(), charFormat(mark));
    m_pageBreakNext = pageBreakAfter;
}

void RtfDocumentBuilder::newFieldEpoch()
{
    ++m_fieldEpoch;
    m_haveLastFormat = false;
}

void RtfDocumentBuilder::cellEnd(int level, const RtfParagraphFormat &paragraph)
{
    newFieldEpoch();
    m_resultLast = false;
    if (rowsAsText(level)) {
        m_rowText += u'\t';
        endLongRowText(paragraph);
        return;
    }
    flushRowText();
    enterLevel(level);
    applyBlockFormat(paragraph);
    if (int(m_tables.size()) < level) {
        // Out of table budget: a row becomes a paragraph, its cells apart by tabs, in the
        // format of the text before them.
        takeHidden(false, m_cursor.block());
        m_cursor.insertText(
            QStringLiteral("\t"),
            withHidden(m_haveLastFormat ? m_lastCharFormat : charFormat(RtfCharFormat())));
        return;
    }
    attachHiddenToBlock();
    m_tables.back().pending = Table::NextCell;
}

void RtfDocumentBuilder::rowEnd(int level, const RtfRowDefinition &row)
{
    newFieldEpoch();
    m_resultLast = false;
    level = std::clamp(level, 1, RtfParser::MaxTableLevel);
    if (rowsAsText(level)) {
        m_rowText += QChar::ParagraphSeparator;
        return;
    }
    flushRowText();
    if (int(m_tables.size()) < level) {
        // A row without cells, or one of a table there was no room for.
        if (level <= m_level && m_cursor.block().length() > 1)
            m_cursor.insertBlock();
        return;
    }
    while (int(m_tables.size()) > level)
        closeTable();
    m_level = std::min(m_level, level);
    Table &table = m_tables.back();
    // Nested rows carry their definition at their end: it applies to the row just read.
    if (row.serial > table.definition.serial) {
        table.definition = row;
        int index = 0;
        PlacedCell *head = nullptr; // the last cell of the row not merged into another
        for (PlacedCell &cell : table.cells) {
            if (cell.row != table.row)
                continue;
            cell.rowBorders = row.borders;
            cell.span = cell.ownSpan;
            cell.merge = 0;
            cell.words.clear();
            if (index < row.cells.size()) {
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
    }
    table.pending = Table::NextRow;
}

bool RtfDocumentBuilder::picture(const RtfPicture &picture, const RtfCharFormat &format,
                                 const RtfParagraphFormat &paragraph)
{
    // A picture in a table cell is there even when it cannot be shown, as its text would be.
    flushRowText();
    enterLevel(paragraph.tableLevel());
    QBuffer buffer;
    buffer.setData(picture.data);
    if (!buffer.open(QIODevice::ReadOnly))
        return false;
    QImageReader reader(&buffer, picture.kind == RtfPicture::Png ? "png" : "jpeg");
    const QSize size = reader.size();
    const qint64 bytes = qint64(size.width()) * size.height() * 4;
    if (!size.isValid() || size.isEmpty() || bytes > m_imageBudget)
        return false;
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    m_imageBudget -= bytes;

    const QString name = QStringLiteral("rtfimage:%1").arg(++m_imageCount);
    m_document->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat imageFormat;
    imageFormat.merge(charFormat(format));
    imageFormat.setName(name);
    imageFormat.setProperty(RtfProperty::PictureData, picture.data);
    takeHidden(false, m_cursor.block());
    imageFormat = withHidden(imageFormat).toImageFormat();
    const qreal width = picture.goalWidth > 0 ? pixels(picture.goalWidth) : image.width();
    const qreal height = picture.goalHeight > 0 ? pixels(picture.goalHeight) : image.height();
    imageFormat.setWidth(width * picture.scaleX / 100.0);
    imageFormat.setHeight(height * picture.scaleY / 100.0);
    m_cursor.insertImage(imageFormat);
    m_resultLast = format.generated;
    return true;
}

void RtfDocumentBuilder::finish(const RtfParagraphFormat &paragraph)
{
    flushRowText();
    // The file ends in a table's cell: what was kept last stays in it (an object's result is
    // there, also when the object went on outside the table), as a save writes it.
    if (m_level > 0 && (paragraph.tableLevel() >= m_level || m_resultLast) &&
        !m_pendingHidden.isEmpty())
        attachHiddenToBlock();
    // So is a page break after its last paragraph, as a cell's end would have taken it.
    if (m_level > 0 && m_pageBreakNext) {
        QTextBlockFormat format = m_cursor.blockFormat();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        m_cursor.setBlockFormat(format);
        m_pageBreakNext = false;
    }
    enterLevel(0);
    applyBlockFormat(paragraph);
    attachHiddenToBlock();
    keepDocumentTables();
    if (m_parser.formatsSimplified())
        m_simplified |= RunsMerged;
    if (m_simplified)
        insertNote();
    m_cursor.endEditBlock();
    m_finished = true;
}

void RtfDocumentBuilder::hidden(QByteArrayView rtf, bool preamble)
{
    (preamble ? m_preamble : m_pendingHidden).append(rtf);
}

// What the file kept before some text goes with all the text after it, up to the next kept
// part or the paragraph's end, and is written before the first of it that is left: deleting a
// word next to it does not lose it.
void RtfDocumentBuilder::takeHidden(bool noText, const QTextBlock &block)
{
    // A table's start or end ends the span too, as a paragraph's end does.
    if (block != m_spanBlock)
        m_spanHidden.clear();
    if (noText || m_pendingHidden.isEmpty() || m_hiddenCount >= MaxHiddenAnchors)
        return;
    m_spanHidden = std::exchange(m_pendingHidden, {});
    m_spanId = ++m_hiddenCount;
    m_spanBlock = block;
}

QTextCharFormat RtfDocumentBuilder::withHidden(QTextCharFormat format) const
{
    if (!m_spanHidden.isEmpty()) {
        format.setProperty(RtfProperty::HiddenBefore, m_spanHidden);
        format.setProperty(RtfProperty::HiddenId, m_spanId);
    }
    return format;
}

void RtfDocumentBuilder::attachHiddenToBlock()
{
    m_spanHidden.clear(); // the paragraph or cell ends the span
    if (m_pendingHidden.isEmpty())
        return;
    QTextBlockFormat format = m_cursor.blockFormat();
    format.setProperty(RtfProperty::HiddenAtEnd,
                       format.property(RtfProperty::HiddenAtEnd).toByteArray() +
                           std::exchange(m_pendingHidden, {}));
    format.setProperty(RtfProperty::HiddenId, ++m_hiddenCount);
    m_cursor.setBlockFormat(format);
}

// The writer numbers fonts and colours as the file did, so that what was kept verbatim (and
// refers to them by number) still means the same.
void RtfDocumentBuilder::keepDocumentTables()
{
    QTextFrameFormat root = m_document->rootFrame()->frameFormat();
    if (!m_preamble.isEmpty())
        root.setProperty(RtfProperty::Preamble, m_preamble);
    if (const QByteArray &fonts = m_parser.fontTableRtf(); !fonts.isNull()) {
        root.setProperty(RtfProperty::FontTable, fonts);
        QVariantMap numbers;
        for (const RtfFont &font : m_parser.fonts().all()) {
            // A save names fonts by numbers from 0 up: a negative one is left to its others.
            if (font.name.isEmpty() || font.number < 0 || RtfTextDecoder::isGlyphFont(font))
                continue;
            const auto it = numbers.constFind(font.name);
            if (it == numbers.constEnd() || it->toInt() > font.number)
                numbers.insert(font.name, font.number);
        }
        root.setProperty(RtfProperty::FontNumbers, numbers);
    }
    if (const QByteArray &colors = m_parser.colorTableRtf(); !colors.isNull()) {
        root.setProperty(RtfProperty::ColorTable, colors);
        QVariantList list;
        list.reserve(qsizetype(m_parser.colors().size()));
        for (const quint32 color : m_parser.colors())
            list.append(color);
        root.setProperty(RtfProperty::Colors, list);
    }
    // Fonts a save adds are numbered past those the file defined or used, Symbol's too: the
    // kept parts may refer to them.
    if (m_parser.fontNumberEnd() > 0)
        root.setProperty(RtfProperty::FontNumberEnd, m_parser.fontNumberEnd());
    root.setProperty(RtfProperty::CodePage, m_parser.documentCodePage());
    if (m_decorated)
        root.setProperty(RtfProperty::Decorated, true);
    if (m_parser.defaultFont() >= 0)
        root.setProperty(RtfProperty::DefaultFont, m_parser.defaultFont());
    // Only the file's own font table makes its fonts' code pages matter to a save.
    root.setProperty(RtfProperty::UnicodeText,
                     m_parser.usesOtherCodePages() && !m_parser.fontTableRtf().isNull());
    m_document->rootFrame()->setFrameFormat(root);
}

bool RtfDocumentBuilder::lostForSave() const
{
    return (m_simplified & (NestingCapped | FontsCapped | CellsCapped | RunsMerged)) ||
           m_parser.formatsDropped();
}

// A line at the top says what was simplified to keep the window responsive. It is marked, so
// that a save leaves it out.
void RtfDocumentBuilder::insertNote()
{
    QStringList what;
    if (m_simplified & NestingCapped)
        what << QStringLiteral("tables nested more than %1 deep are shown flattened")
                    .arg(MaxNesting);
    if (m_simplified & RowsSplit)
        what << QStringLiteral("long tables are shown in parts of %1 rows").arg(MaxRowsPerTable);
    if (m_simplified & ParagraphsSplit)
        what << QStringLiteral("very long paragraphs are shown in pieces");
    if (m_simplified & CellsCapped)
        what << QStringLiteral("table rows after the first %1 cells are shown as lines of text")
                    .arg(MaxShownCells);
    if (m_simplified & RunsMerged)
        what << QStringLiteral("the formatting of text after the first %L1 changes of format is "
                               "not shown")
                    .arg(RtfParser::MaxRuns);
    if (m_simplified & FontsCapped)
        what << QStringLiteral("only the first %1 fonts are used").arg(MaxFamilies);
    QTextCursor top(m_document);
    top.movePosition(QTextCursor::Start);
    // The document's first paragraph moves down with its own formats.
    top.insertBlock(top.blockFormat(), top.blockCharFormat());
    top.movePosition(QTextCursor::PreviousBlock);
    QTextBlockFormat block;
    block.setProperty(RtfProperty::ReaderNote, true);
    block.setBottomMargin(8);
    QTextCharFormat format;
    format.setFontItalic(true);
    format.setForeground(QColor(0x80, 0x30, 0x00));
    top.setBlockFormat(block);
    top.setBlockCharFormat(format);
    top.insertText(QStringLiteral("Shown simplified: %1.").arg(what.join(QStringLiteral("; "))),
                   format);
}

// Moves the cursor to where content of the given table level goes: closes
// deeper tables, moves to the next cell or row, opens tables as needed.
void RtfDocumentBuilder::enterLevel(int level)
{
    level = std::clamp(level, 0, RtfParser::MaxTableLevel);
    // Parts kept before content that opens a table stay with the paragraph shown before it (an
    // object's result is there): written into the table, they would take that result along.
    if (level > m_level && !m_pendingHidden.isEmpty() && m_cursor.block().length() > 1)
        attachHiddenToBlock();
    // So do those after an object's result that a table shows, when the text leaves the table:
    // written after it, the object would make the table again.
    if (level < m_level && m_resultLast && !m_pendingHidden.isEmpty())
        attachHiddenToBlock();
    const bool changed = level != m_level;
    m_level = level;
    if (changed)
        newFieldEpoch();
    const size_t depth = m_tables.size();
    while (int(m_tables.size()) > level)
        closeTable();
    if (!m_tables.empty())
        advance(m_tables.back());
    while (int(m_tables.size()) < level) {
        if (int(m_tables.size()) >= MaxNesting) {
            // Qt lays out each nesting level twice per level above it: deeper tables would take
            // minutes. Their cells become paragraphs of the deepest cell shown.
            m_simplified |= NestingCapped;
            break;
        }
        if (!openTable())
            break;
    }
    // Leaving or entering a table always starts a new paragraph, even when
    // the table could not be made.
    if (changed && m_tables.size() == depth && m_cursor.block().length() > 1) {
        // Parts kept at the end of the paragraph before stay there alone.
        QTextBlockFormat next = m_cursor.blockFormat();
        next.clearProperty(RtfProperty::HiddenAtEnd);
        next.clearProperty(RtfProperty::HiddenId);
        m_cursor.insertBlock(next);
    }
}

bool RtfDocumentBuilder::openTable()
{
    if (m_cellBudget <= 0)
        return false;
    if (m_cellsShown >= MaxShownCells) {
        m_simplified |= CellsCapped;
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
        m_cursor.deletePreviousChar();
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

void RtfDocumentBuilder::closeTable()
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
void RtfDocumentBuilder::startRow(Table &table)
{
    const RtfRowDefinition &candidate = m_parser.rowDefinition(table.nested);
    if (candidate.serial > table.definition.serial && candidate.serial > table.earlierSerial &&
        !candidate.cells.isEmpty()) {
        table.definition = candidate;
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
void RtfDocumentBuilder::keepRowWords(Table &table)
{
    if (table.definition.words.isEmpty() && table.rowWords.size() <= table.row)
        return;
    while (table.rowWords.size() <= table.row)
        table.rowWords.append(QByteArray());
    table.rowWords[table.row] = table.definition.words;
}

// The grid column whose right edge is the given one; a column is split or added when the
// edge is new and there is room, else the nearest column to its right is used.
int RtfDocumentBuilder::gridColumn(Table &table, int edge)
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
bool RtfDocumentBuilder::placeCell(Table &table)
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
void RtfDocumentBuilder::advance(Table &table)
{
    const Table::Pending pending = table.pending;
    table.pending = Table::None;
    QTextTable *t = table.table;
    if (pending == Table::NextCell) {
        ++table.cellIndex;
        if (!placeCell(table)) {
            --table.cellIndex;
            if (m_tables.size() == 1) {
                // No room for another cell in the row: the rest of the tables are text.
                closeTable();
                m_cellsShown = std::max<qint64>(m_cellsShown, MaxShownCells);
                m_simplified |= CellsCapped;
            } else {
                m_cursor.insertBlock(); // keep it in this cell
            }
        }
    } else if (pending == Table::NextRow) {
        // Qt lays out every cell of a table in one go; beyond a fixed number of cells the
        // rows go on as paragraphs, one per cell.
        if (m_cellsShown + t->columns() > MaxShownCells) {
            closeTable();
            m_simplified |= CellsCapped;
            return;
        }
        m_cellsShown += t->columns();
        if (table.row + 1 >= MaxRowsPerTable) {
            // Qt lays out a table as a whole: a long one goes on in a table of its own, so
            // that the layout can proceed part by part.
            closeTable();
            openTable();
            m_simplified |= RowsSplit;
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
void RtfDocumentBuilder::finishCells(Table &table)
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

void RtfDocumentBuilder::applyBlockFormat(const RtfParagraphFormat &paragraph)
{
    // Paragraphs mostly repeat the format of the one before: it is made once for them all.
    if (!m_haveLastParagraph || !(paragraph == m_lastParagraph)) {
        m_lastBlockFormat = blockFormat(paragraph);
        m_lastParagraph = paragraph;
        m_haveLastParagraph = true;
    }
    QTextBlockFormat format = m_lastBlockFormat;
    if (m_pageBreakNext || paragraph.pageBreakBefore) {
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        m_pageBreakNext = false;
    }
    m_cursor.setBlockFormat(format);
}

QTextBlockFormat RtfDocumentBuilder::blockFormat(const RtfParagraphFormat &paragraph)
{
    QTextBlockFormat format;
    switch (paragraph.alignment) {
    case RtfParagraphFormat::Center:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case RtfParagraphFormat::Right:
        format.setAlignment(Qt::AlignRight);
        break;
    case RtfParagraphFormat::Justify:
        format.setAlignment(Qt::AlignJustify);
        break;
    default:
        format.setAlignment(Qt::AlignLeft);
        break;
    }
    format.setLeftMargin(pixels(paragraph.leftIndent));
    format.setRightMargin(pixels(paragraph.rightIndent));
    format.setTextIndent(pixels(paragraph.firstLineIndent));
    // Qt measures tab stops from where the line starts, RTF from the margin; the first line's
    // start is the one that counts. With a hanging indent the left indent is a tab stop of its
    // own: a list's label and its tab end where the item's text begins.
    QList<QTextOption::Tab> tabs;
    QVariantList leaders; // Qt draws none: a save writes each back with its stop
    QVariantList bars;    // nor bar tabs
    const int lineStart = paragraph.leftIndent + paragraph.firstLineIndent;
    for (const int stop : *paragraph.tabStops) {
        if (RtfParagraphFormat::tabKind(stop) == RtfParagraphFormat::BarTab) {
            if (const int at = RtfParagraphFormat::tabPosition(stop); !bars.contains(at))
                bars.append(at);
            continue;
        }
        const int position = RtfParagraphFormat::tabPosition(stop) - lineStart;
        if (position <= 0)
            continue;
        // A stop said twice is one, with the leader said first.
        const int at = RtfParagraphFormat::tabPosition(stop);
        const bool known = std::any_of(leaders.cbegin(), leaders.cend(),
                                       [at](const QVariant &v) { return v.toInt() / 8 == at; });
        if (const int leader = RtfParagraphFormat::tabLeader(stop); leader && !known)
            leaders.append(at * 8 + leader);
        QTextOption::Tab tab(pixels(position), QTextOption::LeftTab);
        switch (RtfParagraphFormat::tabKind(stop)) {
        case RtfParagraphFormat::CenterTab:
            tab.type = QTextOption::CenterTab;
            break;
        case RtfParagraphFormat::RightTab:
            tab.type = QTextOption::RightTab;
            break;
        case RtfParagraphFormat::DecimalTab:
            tab.type = QTextOption::DelimiterTab;
            tab.delimiter = QLatin1Char('.');
            break;
        default:
            break;
        }
        tabs.append(tab);
    }
    if (paragraph.firstLineIndent < 0 && paragraph.leftIndent > 0)
        tabs.append(QTextOption::Tab(pixels(-paragraph.firstLineIndent), QTextOption::LeftTab));
    // A leader goes with its stop's position, whatever the order the stops were said in.
    std::sort(leaders.begin(), leaders.end(),
              [](const QVariant &a, const QVariant &b) { return a.toInt() < b.toInt(); });
    if (!tabs.isEmpty() || !bars.isEmpty()) {
        std::stable_sort(tabs.begin(), tabs.end(),
                         [](const auto &a, const auto &b) { return a.position < b.position; });
        tabs.erase(std::unique(tabs.begin(), tabs.end(),
                               [](const auto &a, const auto &b) {
                                   return qFuzzyCompare(a.position, b.position);
                               }),
                   tabs.end());
        if (!tabs.isEmpty())
            format.setTabPositions(tabs);
        size_t key = 0;
        for (const QTextOption::Tab &tab : tabs)
            key = qHashMulti(key, tab.position, int(tab.type), tab.delimiter);
        for (const QVariant &leader : std::as_const(leaders))
            key = qHashMulti(key, leader.toInt());
        for (const QVariant &bar : std::as_const(bars))
            key = qHashMulti(key, bar.toInt(), 1);
        format.setProperty(RtfProperty::ListsKey, int(key));
    }
    if (!leaders.isEmpty())
        format.setProperty(RtfProperty::TabLeaders, leaders);
    if (!bars.isEmpty())
        format.setProperty(RtfProperty::BarTabs, bars);
    format.setTopMargin(pixels(paragraph.spaceBefore));
    format.setBottomMargin(pixels(paragraph.spaceAfter));
    // \sl240\slmult1 is single spacing, the default.
    if (paragraph.lineSpacing != 0 && !(paragraph.lineMultiple && paragraph.lineSpacing == 240)) {
        if (paragraph.lineMultiple && paragraph.lineSpacing > 0)
            format.setLineHeight(paragraph.lineSpacing * 100.0 / 240.0,
                                 QTextBlockFormat::ProportionalHeight);
        else if (paragraph.lineSpacing > 0)
            format.setLineHeight(pixels(paragraph.lineSpacing), QTextBlockFormat::MinimumHeight);
        else
            format.setLineHeight(pixels(-paragraph.lineSpacing), QTextBlockFormat::FixedHeight);
    }
    if (paragraph.style >= 0)
        format.setProperty(RtfProperty::ParagraphStyle, paragraph.style);
    if (!paragraph.words.isEmpty())
        format.setProperty(RtfProperty::ParagraphWords,
                           RtfProperty::keptWordsValue(*paragraph.words));
    if (paragraph.endsSection)
        format.setProperty(RtfProperty::SectionEnd, true);
    return format;
}

QTextCharFormat RtfDocumentBuilder::charFormat(const RtfCharFormat &format)
{
    if (m_haveLastFormat && format == m_lastFormat)
        return m_lastCharFormat;
    // A document has a few dozen formats in a hundred thousand runs: each is made once. A field's
    // run is made each time, as its numbering depends on the runs before it, and so is a link's.
    if (format.field >= 0 || format.link >= 0)
        return remember(format, makeCharFormat(format));
    auto it = m_charFormats.find(format);
    // A file that gives each run a format of its own would only fill the cache: past its bound,
    // new formats are made as they come.
    if (it == m_charFormats.end() && m_charFormats.size() >= MaxCachedFormats)
        return remember(format, makeCharFormat(format));
    // A font defined after its first use changes what its number means from there on.
    const RtfFont *font = m_parser.fonts().find(format.font);
    const RtfFont used = font ? *font : RtfFont{-1, -1, -1, {}};
    if (it != m_charFormats.end()) {
        const RtfFont &kept = it->second.font;
        if (kept.number == used.number && kept.charset == used.charset &&
            kept.codePage == used.codePage && kept.name == used.name) {
            m_lastField = -1;
            return remember(format, it->second.format);
        }
    }
    CachedCharFormat &cached = m_charFormats[format];
    cached.format = makeCharFormat(format);
    cached.font = used;
    return remember(format, cached.format);
}

QTextCharFormat RtfDocumentBuilder::remember(const RtfCharFormat &format,
                                             const QTextCharFormat &made)
{
    m_lastFormat = format;
    m_lastCharFormat = made;
    m_haveLastFormat = true;
    return made;
}

QTextCharFormat RtfDocumentBuilder::makeCharFormat(const RtfCharFormat &format)
{
    QTextCharFormat f;
    f.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(format.italic);
    f.setFontStrikeOut(format.strike);
    switch (format.underline) {
    case RtfCharFormat::SingleUnderline:
        f.setUnderlineStyle(QTextCharFormat::SingleUnderline);
        break;
    case RtfCharFormat::DoubleUnderline:
        // Qt draws no double line; the property keeps it for a save.
        f.setUnderlineStyle(QTextCharFormat::SingleUnderline);
        f.setProperty(RtfProperty::DoubleUnderline, true);
        m_decorated = true;
        break;
    case RtfCharFormat::DottedUnderline:
        f.setUnderlineStyle(QTextCharFormat::DotLine);
        break;
    case RtfCharFormat::DashUnderline:
        f.setUnderlineStyle(QTextCharFormat::DashUnderline);
        break;
    case RtfCharFormat::WaveUnderline:
        f.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        break;
    default:
        f.setUnderlineStyle(QTextCharFormat::NoUnderline);
        break;
    }
    f.setFontPointSize(format.halfPoints / 2.0);
    // Symbol and Wingdings text is already Unicode: drawn in such a font it would show other
    // glyphs (or none), and written back under that font's name it would be mapped twice.
    if (const RtfFont *font = m_parser.fonts().find(format.font);
        font && !font->name.isEmpty() && !RtfTextDecoder::isGlyphFont(*font)) {
        // Each family costs a font look-up when the text is laid out; thousands of them would
        // stall the window. Real documents use a few dozen at most.
        if (m_families.contains(font->name) || m_families.size() < MaxFamilies) {
            m_families.insert(font->name);
            QStringList families{font->name};
            if (const QString &cjk = m_cjkFallback.familyFor(*font);
                !cjk.isEmpty() && cjk != font->name)
                families.append(cjk);
            f.setFontFamilies(families);
        } else {
            m_simplified |= FontsCapped;
        }
    }
    if (!format.script.isEmpty()) {
        // The text's own font goes among them where it was said; without a family it has none.
        const bool family = f.hasProperty(QTextFormat::FontFamilies);
        const ScriptKey key{&*format.script, family ? format.font : -1};
        auto it = m_scripts.constFind(key);
        if (it == m_scripts.constEnd()) {
            QByteArray script = RtfScriptWords::withFontSlot(*format.script, format.font);
            // A font table may name one font twice (LibreOffice does, for two pitches): a save
            // writes the text's font under the first of them, so both are the text's font here.
            // Only the few \f among the words are looked up: the table may be long.
            if (const RtfFont *own = m_parser.fonts().find(format.font)) {
                const QByteArray said = script;
                for (qsizetype at = said.indexOf("\\f"); at >= 0;
                     at = said.indexOf("\\f", at + 2)) {
                    bool ok = false;
                    qsizetype end = at + 2;
                    while (end < said.size() &&
                           (said[end] == '-' || (said[end] >= '0' && said[end] <= '9')))
                        ++end;
                    const int number = said.mid(at + 2, end - at - 2).toInt(&ok);
                    const RtfFont *other = ok ? m_parser.fonts().find(number) : nullptr;
                    if (other && other->number != own->number && other->name == own->name)
                        script = RtfScriptWords::withFontSlot(script, number);
                }
            }
            // A font said before them (\deff ...) is written first, as a save writes it.
            if (family && !RtfScriptWords::hasFontSlot(script))
                script.prepend("\\f");
            it = m_scripts.insert(key, family ? script : RtfScriptWords::withFont(script, -1));
        }
        f.setProperty(RtfProperty::ScriptWords, RtfProperty::keptWordsValue(*it));
    }
    if (format.foreground >> 24)
        f.setForeground(QColor::fromRgb(format.foreground));
    if (format.background >> 24) {
        f.setProperty(RtfProperty::Highlight, QColor::fromRgb(format.background));
        m_decorated = true;
    }
    if (format.vertical == RtfCharFormat::Superscript)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (format.vertical == RtfCharFormat::Subscript)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (format.caps)
        f.setFontCapitalization(QFont::AllUppercase);
    else if (format.smallCaps)
        f.setFontCapitalization(QFont::SmallCaps);
    if (format.field >= 0) {
        f.setProperty(RtfProperty::FieldInstruction, m_parser.fieldInstruction(format.field));
        // A field's result that goes on in another cell or table is another field to a save,
        // and so is one that goes on after another field's result.
        const qint64 key = qint64(m_fieldEpoch) << 32 | quint32(format.field);
        auto it = m_fieldIds.find(key);
        if (it == m_fieldIds.end() || format.field != m_lastField)
            it = m_fieldIds.insert(key, m_fieldCount++);
        f.setProperty(RtfProperty::FieldId, *it);
    }
    m_lastField = format.field;
    if (format.generated)
        f.setProperty(RtfProperty::Generated, true);
    if (!format.words.isEmpty())
        f.setProperty(RtfProperty::CharWords, RtfProperty::keptWordsValue(*format.words));
    if (format.listLabel)
        f.setProperty(RtfProperty::ListLabelKind, int(format.listLabel));
    const QByteArray &flags =
        format.field >= 0 ? m_parser.fieldFlags(format.field) : m_parser.linkFlags(format.link);
    const QByteArray &parts =
        format.field >= 0 ? m_parser.fieldParts(format.field) : m_parser.linkParts(format.link);
    if (!flags.isEmpty())
        f.setProperty(RtfProperty::FieldFlags, flags);
    if (!parts.isEmpty())
        f.setProperty(RtfProperty::FieldParts, parts);
    if (format.footnoteMark)
        f.setProperty(RtfProperty::FootnoteMark, true);
    if (format.link >= 0) {
        f.setAnchor(true);
        f.setAnchorHref(m_parser.linkTarget(format.link));
    }
    return f;
}
