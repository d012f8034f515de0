#include "rtf/rtfdocumentbuilder.h"

#include "rtf/rtfparser.h"

#include <QBuffer>
#include <QImageReader>
#include <QTextDocument>
#include <QTextTable>
#include <QUrl>

#include <algorithm>

namespace {

// Document lengths are in pixels at 96 dpi: 15 twips each.
qreal pixels(int twips)
{
    return twips / 15.0;
}

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

void RtfDocumentBuilder::text(QStringView text, const RtfCharFormat &format,
                              const RtfParagraphFormat &paragraph)
{
    enterLevel(paragraph.tableLevel());
    m_cursor.insertText(text.toString(), charFormat(format));
}

void RtfDocumentBuilder::paragraphEnd(const RtfParagraphFormat &paragraph,
                                      const RtfCharFormat &mark, bool pageBreakAfter)
{
    enterLevel(paragraph.tableLevel());
    applyBlockFormat(paragraph);
    m_cursor.insertBlock(QTextBlockFormat(), charFormat(mark));
    m_pageBreakNext = pageBreakAfter;
}

void RtfDocumentBuilder::cellEnd(int level, const RtfParagraphFormat &paragraph)
{
    enterLevel(level);
    applyBlockFormat(paragraph);
    if (int(m_tables.size()) < level) {
        m_cursor.insertBlock(); // out of table budget: cells become paragraphs
        return;
    }
    m_tables.back().pending = Table::NextCell;
}

void RtfDocumentBuilder::rowEnd(int level, const QList<int> &cellEdges)
{
    level = std::clamp(level, 1, RtfParser::MaxTableLevel);
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
    if (table.row == 0)
        table.cellEdges = cellEdges;
    table.pending = Table::NextRow;
}

void RtfDocumentBuilder::picture(const RtfPicture &picture, const RtfCharFormat &format,
                                 const RtfParagraphFormat &paragraph)
{
    enterLevel(paragraph.tableLevel());
    QBuffer buffer;
    buffer.setData(picture.data);
    if (!buffer.open(QIODevice::ReadOnly))
        return;
    QImageReader reader(&buffer, picture.kind == RtfPicture::Png ? "png" : "jpeg");
    const QSize size = reader.size();
    const qint64 bytes = qint64(size.width()) * size.height() * 4;
    if (!size.isValid() || size.isEmpty() || bytes > m_imageBudget)
        return;
    const QImage image = reader.read();
    if (image.isNull())
        return;
    m_imageBudget -= bytes;

    const QString name = QStringLiteral("rtfimage:%1").arg(++m_imageCount);
    m_document->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat imageFormat;
    imageFormat.merge(charFormat(format));
    imageFormat.setName(name);
    const qreal width = picture.goalWidth > 0 ? pixels(picture.goalWidth) : image.width();
    const qreal height = picture.goalHeight > 0 ? pixels(picture.goalHeight) : image.height();
    imageFormat.setWidth(width * picture.scaleX / 100.0);
    imageFormat.setHeight(height * picture.scaleY / 100.0);
    m_cursor.insertImage(imageFormat);
}

void RtfDocumentBuilder::finish(const RtfParagraphFormat &paragraph)
{
    enterLevel(0);
    applyBlockFormat(paragraph);
    m_cursor.endEditBlock();
    m_finished = true;
}

// Moves the cursor to where content of the given table level goes: closes
// deeper tables, moves to the next cell or row, opens tables as needed.
void RtfDocumentBuilder::enterLevel(int level)
{
    level = std::clamp(level, 0, RtfParser::MaxTableLevel);
    const bool changed = level != m_level;
    m_level = level;
    const size_t depth = m_tables.size();
    while (int(m_tables.size()) > level)
        closeTable();
    if (!m_tables.empty())
        advance(m_tables.back());
    while (int(m_tables.size()) < level) {
        if (!openTable())
            break;
    }
    // Leaving or entering a table always starts a new paragraph, even when
    // the table could not be made.
    if (changed && m_tables.size() == depth && m_cursor.block().length() > 1)
        m_cursor.insertBlock();
}

bool RtfDocumentBuilder::openTable()
{
    if (m_cellBudget <= 0)
        return false;
    --m_cellBudget;
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellPadding(3);
    format.setCellSpacing(0);
    // A table inserted into an empty paragraph leaves that paragraph above it
    // as a blank line; merge it into the one before when that is possible.
    const QTextBlock block = m_cursor.block();
    const QTextBlock previous = block.previous();
    if (block.length() == 1 && previous.isValid() &&
        QTextCursor(previous).currentFrame() == m_cursor.currentFrame())
        m_cursor.deletePreviousChar();
    Table table;
    table.table = m_cursor.insertTable(1, 1, format);
    m_tables.push_back(table);
    return true;
}

void RtfDocumentBuilder::closeTable()
{
    const Table table = m_tables.back();
    m_tables.pop_back();
    QTextTable *t = table.table;
    const int columns = t->columns();
    if (const int unused = t->rows() - table.row - 1; unused > 0) {
        t->removeRows(table.row + 1, unused);
        m_cellBudget += qint64(unused) * columns;
    }
    if (table.cellEdges.size() == columns) {
        QList<QTextLength> widths;
        int left = 0;
        for (const int edge : table.cellEdges) {
            if (edge <= left)
                break;
            widths.append(QTextLength(QTextLength::FixedLength, pixels(edge - left)));
            left = edge;
        }
        if (widths.size() == columns) {
            QTextTableFormat format = t->format();
            format.setColumnWidthConstraints(widths);
            t->setFormat(format);
        }
    }
    m_cursor.setPosition(t->lastPosition() + 1);
}

// QTextTable rebuilds its cell grid after every structural change, so growing
// it one row at a time and asking for cellAt() is quadratic. Rows are added in
// chunks instead, and since every cell after the current one is still empty
// (one position each), the next cell's position is counted from the table's end.
void RtfDocumentBuilder::advance(Table &table)
{
    const Table::Pending pending = table.pending;
    table.pending = Table::None;
    QTextTable *t = table.table;
    if (pending == Table::NextCell) {
        if (table.column + 1 < t->columns()) {
            ++table.column;
        } else if (t->columns() < MaxColumns && m_cellBudget >= t->rows()) {
            m_cellBudget -= t->rows();
            t->appendColumns(1);
            ++table.column;
        } else {
            m_cursor.insertBlock(); // no room for another cell: keep it in this one
            return;
        }
    } else if (pending == Table::NextRow) {
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
        table.column = 0;
    } else {
        return;
    }
    const int cellsAfter =
        (t->rows() - 1 - table.row) * t->columns() + (t->columns() - 1 - table.column);
    m_cursor.setPosition(t->lastPosition() - cellsAfter);
}

void RtfDocumentBuilder::applyBlockFormat(const RtfParagraphFormat &paragraph)
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
    // With a hanging indent the left indent is a tab stop of its own: a list's label and its
    // tab end where the item's text begins.
    if (paragraph.firstLineIndent < 0 && paragraph.leftIndent > 0)
        format.setTabPositions(
            {QTextOption::Tab(pixels(-paragraph.firstLineIndent), QTextOption::LeftTab)});
    format.setTopMargin(pixels(paragraph.spaceBefore));
    format.setBottomMargin(pixels(paragraph.spaceAfter));
    if (paragraph.lineSpacing != 0) {
        if (paragraph.lineMultiple && paragraph.lineSpacing > 0)
            format.setLineHeight(paragraph.lineSpacing * 100.0 / 240.0,
                                 QTextBlockFormat::ProportionalHeight);
        else if (paragraph.lineSpacing > 0)
            format.setLineHeight(pixels(paragraph.lineSpacing), QTextBlockFormat::MinimumHeight);
        else
            format.setLineHeight(pixels(-paragraph.lineSpacing), QTextBlockFormat::FixedHeight);
    }
    if (m_pageBreakNext) {
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        m_pageBreakNext = false;
    }
    m_cursor.setBlockFormat(format);
}

QTextCharFormat RtfDocumentBuilder::charFormat(const RtfCharFormat &format)
{
    if (m_haveLastFormat && format == m_lastFormat)
        return m_lastCharFormat;
    QTextCharFormat f;
    f.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(format.italic);
    f.setFontStrikeOut(format.strike);
    switch (format.underline) {
    case RtfCharFormat::SingleUnderline:
        f.setUnderlineStyle(QTextCharFormat::SingleUnderline);
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
    if (const RtfFont *font = m_parser.fonts().find(format.font); font && !font->name.isEmpty())
        f.setFontFamilies({font->name});
    if (format.foreground >> 24)
        f.setForeground(QColor::fromRgb(format.foreground));
    if (format.background >> 24)
        f.setBackground(QColor::fromRgb(format.background));
    if (format.vertical == RtfCharFormat::Superscript)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (format.vertical == RtfCharFormat::Subscript)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (format.caps)
        f.setFontCapitalization(QFont::AllUppercase);
    else if (format.smallCaps)
        f.setFontCapitalization(QFont::SmallCaps);
    if (format.link >= 0) {
        f.setAnchor(true);
        f.setAnchorHref(m_parser.linkTarget(format.link));
    }
    m_lastFormat = format;
    m_lastCharFormat = f;
    m_haveLastFormat = true;
    return f;
}
