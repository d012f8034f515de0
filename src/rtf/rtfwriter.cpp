#include "rtfwriter.h"

#include "rtfformattables.h"
#include "rtfoutput.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <cmath>

namespace {

// Document lengths are pixels at 96 dpi, as Qt's own exporters take them; 1 px = 15 twips.
constexpr qreal TwipsPerPixel = 15.0;
// Width given to tables whose columns have no fixed width: a text column of A4 or Letter.
constexpr int DefaultTableWidthTwips = 9360;
constexpr int CellGapTwips = 108;

int twips(qreal pixels)
{
    return int(std::lround(pixels * TwipsPerPixel));
}

// QTextList::itemText() gives only the suffix for bullet styles, as Qt draws bullets itself.
QString listLabel(const QTextList *list, const QTextBlock &block)
{
    switch (list->format().style()) {
    case QTextListFormat::ListDisc:
    case QTextListFormat::ListCircle:
        return QString(QChar(0x2022));
    case QTextListFormat::ListSquare:
        return QString(QChar(0x25aa));
    default:
        return list->itemText(block);
    }
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument &doc)
{
    const RtfFormatTables tables(doc);
    // Mostly ASCII text plus a group per run: a little more than the text itself.
    RtfOutput out(qsizetype(doc.characterCount()) * 11 / 10);
    out.openGroup();
    out.word("rtf", 1);
    out.word("ansi");
    out.word("ansicpg", 1252);
    out.word("deff", 0);
    out.word("uc", 1);
    out.lineBreak();
    tables.write(out);

    RtfWriter writer(doc, tables, out);
    writer.writeFrame(doc.rootFrame(), false);

    out.closeGroup();
    out.lineBreak();
    return out.take();
}

RtfWriter::RtfWriter(const QTextDocument &doc, const RtfFormatTables &tables, RtfOutput &out)
    : m_doc(doc), m_tables(tables), m_out(out)
{
}

void RtfWriter::writeFrame(const QTextFrame *frame, bool inTable)
{
    const QTextBlock lastBlock = m_doc.lastBlock();
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame()) {
            const auto *table = qobject_cast<const QTextTable *>(child);
            // RTF tables nest only with a second set of control words that few readers know;
            // a table inside a cell gives one paragraph per inner cell instead.
            if (table && !inTable)
                writeTable(table);
            else
                writeFrame(child, inTable);
            continue;
        }
        const QTextBlock block = it.currentBlock();
        if (block.isValid())
            writeBlock(block, inTable, block == lastBlock ? Ending::None : Ending::Par);
    }
}

void RtfWriter::writeTable(const QTextTable *table)
{
    const int rows = table->rows();
    const int columns = table->columns();
    if (rows <= 0 || columns <= 0)
        return;

    // Right cell borders in twips, from the column constraints where they are fixed.
    const QTextTableFormat format = table->format();
    const QList<QTextLength> constraints = format.columnWidthConstraints();
    int totalWidth = DefaultTableWidthTwips;
    if (format.width().type() == QTextLength::FixedLength)
        totalWidth = std::max(twips(format.width().rawValue()), columns * 2 * CellGapTwips);
    QList<int> widths(columns, 0);
    int fixedSum = 0;
    int variableColumns = 0;
    for (int c = 0; c < columns; ++c) {
        const QTextLength length = c < constraints.size() ? constraints.at(c) : QTextLength();
        if (length.type() == QTextLength::FixedLength)
            widths[c] = twips(length.rawValue());
        else if (length.type() == QTextLength::PercentageLength)
            widths[c] = int(std::lround(length.rawValue() * totalWidth / 100.0));
        if (widths[c] > 0)
            fixedSum += widths[c];
        else
            ++variableColumns;
    }
    if (variableColumns > 0) {
        const int share =
            std::max(totalWidth - fixedSum, variableColumns * 2 * CellGapTwips) / variableColumns;
        for (int &width : widths) {
            if (width <= 0)
                width = share;
        }
    }

    for (int r = 0; r < rows; ++r) {
        m_out.word("trowd");
        m_out.word("trgaph", CellGapTwips);
        int right = 0;
        for (int c = 0; c < columns; ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.rowSpan() > 1 && cell.row() == r)
                m_out.word("clvmgf");
            else if (cell.row() < r)
                m_out.word("clvmrg");
            if (cell.columnSpan() > 1 && cell.column() == c)
                m_out.word("clmgf");
            else if (cell.column() < c)
                m_out.word("clmrg");
            right += widths.at(c);
            m_out.word("cellx", right);
        }
        m_out.lineBreak();
        for (int c = 0; c < columns; ++c)
            writeCellContent(table, r, c);
        m_out.word("row");
        m_out.lineBreak();
    }
}

void RtfWriter::writeCellContent(const QTextTable *table, int row, int column)
{
    const QTextTableCell cell = table->cellAt(row, column);
    if (cell.row() != row || cell.column() != column) {
        // Covered by a merged cell: present in the grid, but empty.
        m_out.word("pard");
        m_out.word("intbl");
        m_out.word("cell");
        m_out.lineBreak();
        return;
    }
    const QTextBlock lastBlock = cell.lastCursorPosition().block();
    for (auto it = cell.begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame()) {
            writeFrame(child, true);
            continue;
        }
        const QTextBlock block = it.currentBlock();
        if (block.isValid())
            writeBlock(block, true, block == lastBlock ? Ending::Cell : Ending::Par);
    }
}

void RtfWriter::writeBlock(const QTextBlock &block, bool inTable, Ending ending)
{
    const QTextBlockFormat format = block.blockFormat();
    m_out.word("pard");
    if (inTable)
        m_out.word("intbl");

    const Qt::Alignment alignment = format.alignment() & Qt::AlignHorizontal_Mask;
    if (alignment & Qt::AlignHCenter)
        m_out.word("qc");
    else if (alignment & Qt::AlignJustify)
        m_out.word("qj");
    else if (alignment & Qt::AlignRight)
        m_out.word("qr");
    else
        m_out.word("ql");
    if (format.layoutDirection() == Qt::RightToLeft)
        m_out.word("rtlpar");

    // Qt indents list items and blockquotes by levels; RTF knows only the margin.
    qreal left = format.leftMargin() + format.indent() * m_doc.indentWidth();
    if (const QTextList *list = block.textList())
        left += list->format().indent() * m_doc.indentWidth();
    const struct
    {
        const char *word;
        qreal pixels;
    } lengths[] = {
        {"li", left},
        {"ri", format.rightMargin()},
        {"fi", format.textIndent()},
        {"sb", format.topMargin()},
        {"sa", format.bottomMargin()},
    };
    for (const auto &length : lengths) {
        if (const int value = twips(length.pixels); value != 0)
            m_out.word(length.word, value);
    }

    if (const QTextList *list = block.textList()) {
        // The marker Qt draws is not part of the text; readers show \listtext as the label.
        const QString label = listLabel(list, block);
        if (!label.isEmpty()) {
            m_out.openGroup();
            m_out.word("listtext");
            m_out.text(label);
            m_out.word("tab");
            m_out.closeGroup();
        }
    }

    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        const QTextCharFormat charFormat = fragment.charFormat();
        if (charFormat.isImageFormat()) {
            writeImage(charFormat.toImageFormat());
            continue;
        }
        const QString href = charFormat.isAnchor() ? charFormat.anchorHref() : QString();
        if (!href.isEmpty()) {
            m_out.openGroup();
            m_out.word("field");
            m_out.openGroup();
            m_out.word("*");
            m_out.word("fldinst");
            m_out.text(QStringLiteral("HYPERLINK \"%1\"").arg(href));
            m_out.closeGroup();
            m_out.openGroup();
            m_out.word("fldrslt");
        }
        m_out.openGroup();
        writeCharFormat(charFormat);
        m_out.text(fragment.text());
        m_out.closeGroup();
        if (!href.isEmpty()) {
            m_out.closeGroup();
            m_out.closeGroup();
        }
    }

    if (ending == Ending::Par)
        m_out.word("par");
    else if (ending == Ending::Cell)
        m_out.word("cell");
    m_out.lineBreak();
}

void RtfWriter::writeCharFormat(const QTextCharFormat &format)
{
    if (format.fontWeight() >= QFont::DemiBold)
        m_out.word("b");
    if (format.fontItalic())
        m_out.word("i");
    const QTextCharFormat::UnderlineStyle underline = format.underlineStyle();
    if (format.fontUnderline() || (underline != QTextCharFormat::NoUnderline &&
                                   underline != QTextCharFormat::SpellCheckUnderline))
        m_out.word("ul");
    if (format.fontStrikeOut())
        m_out.word("strike");
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        m_out.word("super");
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        m_out.word("sub");
    if (format.fontCapitalization() == QFont::AllUppercase)
        m_out.word("caps");

    const QString family = RtfFormatTables::explicitFamily(format);
    if (!family.isEmpty())
        m_out.word("f", m_tables.fontIndex(family));

    qreal points = 0;
    if (format.hasProperty(QTextFormat::FontPointSize))
        points = format.fontPointSize();
    else if (format.hasProperty(QTextFormat::FontPixelSize))
        points = format.intProperty(QTextFormat::FontPixelSize) * 0.75;
    if (points > 0)
        m_out.word("fs", int(std::lround(points * 2)));

    if (format.hasProperty(QTextFormat::ForegroundBrush)) {
        const QBrush brush = format.foreground();
        if (brush.style() != Qt::NoBrush)
            m_out.word("cf", m_tables.colorIndex(brush.color()));
    }
    if (format.hasProperty(QTextFormat::BackgroundBrush)) {
        const QBrush brush = format.background();
        if (brush.style() != Qt::NoBrush)
            m_out.word("highlight", m_tables.colorIndex(brush.color()));
    }
}

void RtfWriter::writeImage(const QTextImageFormat &format)
{
    // PNG and JPEG files are kept as they are; anything else is stored as PNG. An image whose
    // data the document does not have is dropped.
    const QVariant resource = m_doc.resource(QTextDocument::ImageResource, QUrl(format.name()));
    QByteArray data;
    QImage image;
    bool jpeg = false;
    if (resource.typeId() == QMetaType::QByteArray) {
        data = resource.toByteArray();
        jpeg = data.startsWith("\xff\xd8\xff");
        if (!data.startsWith("\x89PNG\r\n\x1a\n") && !jpeg) {
            image = QImage::fromData(data);
            data.clear();
        } else {
            image = QImage::fromData(data, jpeg ? "JPEG" : "PNG");
        }
    } else if (resource.typeId() == QMetaType::QPixmap) {
        image = resource.value<QPixmap>().toImage();
    } else {
        image = resource.value<QImage>();
    }
    if (image.isNull())
        return;
    if (data.isEmpty()) {
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "PNG"))
            return;
    }

    // Qt keeps the aspect ratio when only one side is given.
    qreal width = format.width();
    qreal height = format.height();
    if (width <= 0 && height <= 0) {
        width = image.width();
        height = image.height();
    } else if (width <= 0) {
        width = height * image.width() / image.height();
    } else if (height <= 0) {
        height = width * image.height() / image.width();
    }
    m_out.openGroup();
    m_out.word("pict");
    m_out.word(jpeg ? "jpegblip" : "pngblip");
    m_out.word("picw", image.width());
    m_out.word("pich", image.height());
    m_out.word("picwgoal", twips(width));
    m_out.word("pichgoal", twips(height));
    m_out.hex(data);
    m_out.closeGroup();
}
