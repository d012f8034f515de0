// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfwriter.h"

#include "rtfcharformat.h"
#include "rtfformattables.h"
#include "rtfhiddenrun.h"
#include "rtfkeptwords.h"
#include "rtfoutput.h"
#include "rtfproperties.h"
#include "rtfscriptshown.h"
#include "rtfscriptwords.h"

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

// The positions of the fragments of block that make up list labels as they were read: runs of
// fragments carrying one label whose text together is that label.
QSet<int> unchangedLabels(const QTextBlock &block)
{
    QSet<int> positions;
    QList<int> run;
    QString label;
    QString text;
    int kind = 0;
    auto finish = [&] {
        if (!run.isEmpty() && text == label) {
            for (const int position : std::as_const(run))
                positions.insert(position);
        }
        run.clear();
        text.clear();
    };
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        if (!format.hasProperty(RtfProperty::ListLabel)) {
            finish();
            continue;
        }
        const QString thisLabel = format.stringProperty(RtfProperty::ListLabel);
        const int thisKind = format.intProperty(RtfProperty::ListLabelKind);
        if (thisLabel != label || thisKind != kind || text.size() >= label.size())
            finish();
        label = thisLabel;
        kind = thisKind;
        run.append(fragment.position());
        text += fragment.text();
    }
    finish();
    return positions;
}

// Whether the paragraphs after block in the same text (not in another cell or table) go on with
// the result of the given field: the first of them with text begins with it.
bool continuesField(const QTextBlock &block, const QTextBlock &next, const QString &field, int id)
{
    if (field.isEmpty())
        return false;
    const QTextCursor at(block);
    const QTextTable *table = at.currentTable();
    for (QTextBlock later = next; later.isValid(); later = later.next()) {
        if (QTextCursor(later).currentFrame() != at.currentFrame())
            return false;
        if (table && table->cellAt(block.position()) != table->cellAt(later.position()))
            return false;
        for (auto it = later.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            return format.stringProperty(RtfProperty::FieldInstruction) == field &&
                   format.intProperty(RtfProperty::FieldId) == id;
        }
    }
    return false;
}

} // namespace

QTextCharFormat RtfWriter::paragraphMark(const QTextBlock &block)
{
    const QTextBlock next = block.next();
    const QTextBlockFormat format = block.blockFormat();
    if (!next.isValid() || format.boolProperty(RtfProperty::ContinuesInNextBlock) ||
        format.boolProperty(RtfProperty::Generated) || format.boolProperty(RtfProperty::ReaderNote))
        return {};
    const QTextCursor at(block);
    const QTextCursor after(next);
    if (at.currentFrame() != after.currentFrame())
        return {};
    if (const QTextTable *table = at.currentTable();
        table && table->cellAt(block.position()) != table->cellAt(next.position()))
        return {};
    const QTextCharFormat mark = next.charFormat();
    const bool sized = mark.hasProperty(QTextFormat::FontPointSize) && mark.fontPointSize() != 12;
    const bool formatted = mark.fontWeight() >= QFont::DemiBold || mark.fontItalic() ||
                           mark.underlineStyle() != QTextCharFormat::NoUnderline ||
                           mark.fontStrikeOut() || mark.fontCapitalization() != QFont::MixedCase ||
                           mark.verticalAlignment() != QTextCharFormat::AlignNormal ||
                           !RtfFormatTables::explicitFamily(mark).isEmpty() ||
                           mark.hasProperty(QTextFormat::ForegroundBrush) ||
                           RtfFormatTables::highlight(mark).isValid() ||
                           mark.hasProperty(RtfProperty::CharWords) ||
                           mark.hasProperty(RtfProperty::ScriptWords);
    return sized || formatted ? mark : QTextCharFormat();
}

QByteArray RtfWriter::write(const QTextDocument &doc)
{
    return write(doc, {});
}

QByteArray RtfWriter::write(const QTextDocument &doc, const std::function<bool()> &step)
{
    bool stopped = false;
    const std::function<bool()> goOn = [&step, &stopped] {
        stopped = stopped || (step && !step());
        return !stopped;
    };
    if (!goOn())
        return QByteArray();
    const RtfFormatTables tables(doc, goOn);
    if (stopped)
        return QByteArray();
    const QTextFrameFormat root = doc.rootFrame()->frameFormat();
    const QByteArray preamble = root.property(RtfProperty::Preamble).toByteArray();
    // Mostly ASCII text plus a group per run: a little more than the text itself.
    RtfOutput out(qsizetype(doc.characterCount()) * 11 / 10 + preamble.size());
    out.openGroup();
    out.word("rtf", 1);
    out.word("ansi");
    // What was kept from the file is in the file's code page; then text beyond ASCII goes as
    // \u only, as no other code page can be relied on.
    const int codePage =
        root.hasProperty(RtfProperty::CodePage) ? root.intProperty(RtfProperty::CodePage) : 1252;
    out.word("ansicpg", codePage);
    out.setUnicodeOnly(codePage != 1252 || root.boolProperty(RtfProperty::UnicodeText));
    // No \deff: text without a font of its own is read back without one. Font 0, the
    // document's default font, is what other readers take for it.
    out.word("uc", 1);
    out.lineBreak();
    tables.write(out);
    // The stylesheet, list tables, document info and page setup, as the file had them.
    out.raw(preamble);

    RtfWriter writer(doc, tables, out);
    if (step)
        writer.m_step = goOn;
    writer.writeFrame(doc.rootFrame(), 0);
    if (stopped)
        return QByteArray();
    writer.closeField();

    out.closeGroup();
    out.lineBreak();
    return out.take();
}

RtfWriter::RtfWriter(const QTextDocument &doc, const RtfFormatTables &tables, RtfOutput &out)
    : m_doc(doc), m_tables(tables), m_out(out)
{
}

void RtfWriter::writeFrame(const QTextFrame *frame, int level)
{
    // The notes' texts below the document are not written: the last block is the one above them.
    QTextBlock lastBlock = m_doc.lastBlock();
    while (lastBlock.previous().isValid() &&
           lastBlock.blockFormat().boolProperty(RtfProperty::NoteText))
        lastBlock = lastBlock.previous();
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame()) {
            if (const auto *table = qobject_cast<const QTextTable *>(child))
                writeTable(table, level + 1);
            else
                writeFrame(child, level);
        } else if (const QTextBlock block = it.currentBlock(); block.isValid()) {
            writeBlock(block, level, block == lastBlock ? Ending::None : Ending::Par);
        }
        // Stopped, the document is not touched again.
        if (m_stopped)
            return;
    }
}

// A table inside a cell is written as RTF's nested table: its paragraphs carry \itap, its
// cells end in \nestcell and each row's definition comes at the row's end, in \nesttableprops.
void RtfWriter::writeTable(const QTextTable *table, int level)
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
        if (level == 1) {
            writeRowDefinition(table, r, widths);
            m_out.lineBreak();
        }
        for (int c = 0; c < columns; ++c) {
            writeCellContent(table, r, c, level);
            if (m_stopped)
                return;
        }
        if (level == 1) {
            m_out.word("row");
        } else {
            m_out.openGroup();
            m_out.ignorableDestination("nesttableprops");
            writeRowDefinition(table, r, widths);
            m_out.word("nestrow");
            m_out.closeGroup();
            // Readers that know no nested tables see the row end as a paragraph end.
            m_out.openGroup();
            m_out.word("nonesttables");
            m_out.word("par");
            m_out.closeGroup();
        }
        m_out.lineBreak();
    }
}

void RtfWriter::writeRowDefinition(const QTextTable *table, int r, const QList<int> &widths)
{
    const qreal tableBorder = table->format().border();
    const QByteArray rowWords =
        table->format().property(RtfProperty::RowWords).toList().value(r).toByteArray();
    m_out.word("trowd");
    if (!RtfKeptWords::contains(rowWords, "trgaph"))
        m_out.word("trgaph", CellGapTwips);
    m_out.kept(rowWords);
    int right = 0;
    for (int c = 0; c < widths.size(); ++c) {
        const QTextTableCell cell = table->cellAt(r, c);
        if (cell.rowSpan() > 1 && cell.row() == r)
            m_out.word("clvmgf");
        else if (cell.row() < r)
            m_out.word("clvmrg");
        if (cell.columnSpan() > 1 && cell.column() == c)
            m_out.word("clmgf");
        else if (cell.column() < c)
            m_out.word("clmrg");
        // A cell's own border where it has one, else the table's.
        const QTextTableCellFormat format = cell.format().toTableCellFormat();
        const struct
        {
            const char *word;
            int width;
            int style;
        } sides[] = {
            {"clbrdrt", QTextFormat::TableCellTopBorder, QTextFormat::TableCellTopBorderStyle},
            {"clbrdrl", QTextFormat::TableCellLeftBorder, QTextFormat::TableCellLeftBorderStyle},
            {"clbrdrb", QTextFormat::TableCellBottomBorder,
             QTextFormat::TableCellBottomBorderStyle},
            {"clbrdrr", QTextFormat::TableCellRightBorder, QTextFormat::TableCellRightBorderStyle},
        };
        // A border the file described is written as it was, its line style, width and colour.
        const QByteArray kept = RtfProperty::keptWords(format, RtfProperty::CellWords);
        for (const auto &side : sides) {
            if (RtfKeptWords::contains(kept, side.word))
                continue;
            const qreal width =
                format.hasProperty(side.width) ? format.doubleProperty(side.width) : tableBorder;
            const bool none = format.hasProperty(side.style) &&
                              format.intProperty(side.style) == QTextFrameFormat::BorderStyle_None;
            if (width > 0 && !none) {
                m_out.word(side.word);
                m_out.word("brdrs");
                m_out.word("brdrw", std::max(1, twips(width)));
            }
        }
        m_out.kept(kept);
        right += widths.at(c);
        m_out.word("cellx", right);
    }
}

void RtfWriter::writeCellContent(const QTextTable *table, int row, int column, int level)
{
    const QTextTableCell cell = table->cellAt(row, column);
    if (cell.row() != row || cell.column() != column) {
        // Covered by a merged cell: present in the grid, but empty.
        m_out.word("pard");
        m_out.word("intbl");
        if (level > 1)
            m_out.word("itap", level);
        m_out.word(level > 1 ? "nestcell" : "cell");
        m_out.lineBreak();
        return;
    }
    const QTextBlock lastBlock = cell.lastCursorPosition().block();
    for (auto it = cell.begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame()) {
            if (const auto *inner = qobject_cast<const QTextTable *>(child))
                writeTable(inner, level + 1);
            else
                writeFrame(child, level);
        } else if (const QTextBlock block = it.currentBlock(); block.isValid()) {
            writeBlock(block, level, block == lastBlock ? Ending::Cell : Ending::Par);
        }
        if (m_stopped)
            return;
    }
}

void RtfWriter::writeBlock(const QTextBlock &block, int level, Ending ending)
{
    if (m_stopped || (m_step && !m_step())) {
        m_stopped = true;
        return;
    }
    const QTextBlockFormat format = block.blockFormat();
    if (format.boolProperty(RtfProperty::ReaderNote) || format.boolProperty(RtfProperty::NoteText))
        return; // the reader's own note, or the notes' texts shown below the document
    if (format.boolProperty(RtfProperty::MadeForTable) && block.length() == 1 &&
        !format.hasProperty(RtfProperty::HiddenAtEnd))
        return; // Qt's, not the file's
    // A long paragraph shown in pieces is one paragraph again.
    if (format.boolProperty(RtfProperty::ContinuesInNextBlock) && ending == Ending::Par)
        ending = Ending::Continues;
    // So is a paragraph end within an object's result: the kept object has it.
    if (format.boolProperty(RtfProperty::Generated) && ending == Ending::Par)
        ending = Ending::Continues;
    // After a paragraph end that a kept object writes, this paragraph's words follow the
    // object: written before it, they would format the paragraph the object ends.
    const QTextBlock previous = block.previous();
    bool startPending =
        previous.isValid() && previous.blockFormat().boolProperty(RtfProperty::Generated);
    auto startParagraph = [&] {
        if (std::exchange(startPending, false))
            writeParagraphStart(block, level);
    };
    if (!startPending)
        writeParagraphStart(block, level);

    // Consecutive runs that are one field's result are written inside that field; a field whose
    // result began in an earlier paragraph is still open. When it closes here, this paragraph's
    // words are said again: those said within the field end with it.
    bool fieldFromBefore = !m_openField.isEmpty();
    auto endField = [&] {
        if (m_openField.isEmpty())
            return;
        closeField();
        if (std::exchange(fieldFromBefore, false) && !startPending)
            writeParagraphStart(block, level, true);
    };
    const QSet<int> labels = unchangedLabels(block);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (!fragment.isValid())
            continue;
        const QTextCharFormat charFormat = fragment.charFormat();
        const QString field = charFormat.stringProperty(RtfProperty::FieldInstruction);
        const int fieldId = field.isEmpty() ? -1 : charFormat.intProperty(RtfProperty::FieldId);
        const bool otherField = field != m_openField || fieldId != m_openFieldId;
        if (otherField)
            endField();
        if (writeHidden(charFormat, RtfProperty::HiddenBefore))
            startParagraph();
        if (charFormat.boolProperty(RtfProperty::Generated))
            continue; // the kept object it belongs to was written instead
        startParagraph();
        if (otherField) {
            if (!field.isEmpty()) {
                m_out.openGroup();
                m_out.word("field");
                m_out.kept(charFormat.property(RtfProperty::FieldFlags).toByteArray());
                m_out.openGroup();
                m_out.ignorableDestination("fldinst");
                m_out.text(field);
                m_out.raw(charFormat.property(RtfProperty::FieldParts).toByteArray());
                m_out.closeGroup();
                m_out.openGroup();
                m_out.word("fldrslt");
                m_openField = field;
                m_openFieldId = fieldId;
            }
        }
        const QString href = charFormat.isAnchor() ? charFormat.anchorHref() : QString();
        if (!href.isEmpty()) {
            m_out.openGroup();
            m_out.word("field");
            m_out.kept(charFormat.property(RtfProperty::FieldFlags).toByteArray());
            m_out.openGroup();
            m_out.ignorableDestination("fldinst");
            // Within the quotes a quote is \" and a backslash \\, as the reader takes them.
            QString target = href;
            target.replace(u'\\', QStringLiteral("\\\\")).replace(u'"', QStringLiteral("\\\""));
            m_out.text(QStringLiteral("HYPERLINK \"%1\"").arg(target));
            m_out.raw(charFormat.property(RtfProperty::FieldParts).toByteArray());
            m_out.closeGroup();
            m_out.openGroup();
            m_out.word("fldrslt");
        }
        if (charFormat.isImageFormat()) {
            writeImage(charFormat.toImageFormat());
        } else {
            m_out.openGroup();
            // A list item's label, unchanged since it was read: readers that number the list
            // themselves drop it.
            if (labels.contains(fragment.position()))
                m_out.word(charFormat.intProperty(RtfProperty::ListLabelKind) == 2 ? "pntext"
                                                                                   : "listtext");
            writeCharFormat(charFormat);
            if (charFormat.boolProperty(RtfProperty::FootnoteMark))
                m_out.word("chftn"); // readers number it again
            else
                m_out.text(fragment.text());
            m_out.closeGroup();
        }
        if (!href.isEmpty()) {
            m_out.closeGroup();
            m_out.closeGroup();
        }
    }
    // The field stays open when its result goes on in the next paragraph of the same text.
    const QTextBlock next = block.next();
    if (!((ending == Ending::Par || ending == Ending::Continues) &&
          continuesField(block, next, m_openField, m_openFieldId)))
        endField();
    writeHidden(format, RtfProperty::HiddenAtEnd);
    startParagraph();

    if (ending == Ending::Par) {
        // The mark's own format, which is the height of an empty line.
        const QTextCharFormat mark = paragraphMark(block);
        if (mark.propertyCount() > 0) {
            m_out.openGroup();
            writeCharFormat(mark);
        }
        // A page break before the next paragraph is that paragraph's \pagebb, never \page here:
        // word processors take \page for a break inside the paragraph, which the next \pard
        // would then join to this one.
        m_out.word(format.boolProperty(RtfProperty::SectionEnd) ? "sect" : "par");
        if (mark.propertyCount() > 0)
            m_out.closeGroup();
    } else if (ending == Ending::Cell)
        m_out.word(level > 1 ? "nestcell" : "cell");
    m_out.lineBreak();
}

// A kept part of the file is written once, however many pieces of text carry it after editing.
// Returns whether it was written here.
bool RtfWriter::writeHidden(const QTextFormat &format, int property)
{
    const QByteArray rtf = format.property(property).toByteArray();
    if (rtf.isEmpty())
        return false;
    const int id = format.intProperty(RtfProperty::HiddenId);
    if (m_hiddenWritten.contains(id))
        return false;
    m_hiddenWritten.insert(id);
    m_out.raw(rtf);
    return true;
}

void RtfWriter::closeField()
{
    if (m_openField.isEmpty())
        return;
    m_out.closeGroup();
    m_out.closeGroup();
    m_openField.clear();
    m_openFieldId = -1;
}

// \pard and the paragraph's formats, and its list label; again: the formats once more, after
// a group in which they were said has closed.
void RtfWriter::writeParagraphStart(const QTextBlock &block, int level, bool again)
{
    const QTextBlockFormat format = block.blockFormat();
    m_out.word("pard");
    if (level > 0)
        m_out.word("intbl");
    if (level > 1)
        m_out.word("itap", level);
    // The paragraph's style, as the file named it. Readers give it the style's formats: every
    // format follows, zeros too, and \plain ends the style's character format, so that the
    // paragraph reads back as it is.
    const bool styled = format.hasProperty(RtfProperty::ParagraphStyle);
    if (styled)
        m_out.word("s", format.intProperty(RtfProperty::ParagraphStyle));

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
    // After a paragraph end of an object's result, the kept object gives the page break itself.
    if (!again) {
        const QTextBlock previous = block.previous();
        m_pagebbWritten =
            (format.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore) &&
            !(previous.isValid() && previous.blockFormat().boolProperty(RtfProperty::Generated));
    }
    if (m_pagebbWritten)
        m_out.word("pagebb");

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
        if (const int value = twips(length.pixels); value != 0 || styled)
            m_out.word(length.word, value);
    }
    writeLineSpacing(format);
    if (styled && format.lineHeightType() == QTextBlockFormat::SingleHeight) {
        m_out.word("sl", 0);
        m_out.word("slmult", 0);
    }
    writeTabs(format, twips(left) + twips(format.textIndent()));
    if (styled)
        m_out.word("plain");
    m_out.kept(RtfProperty::keptWords(format, RtfProperty::ParagraphWords));

    if (const QTextList *list = again ? nullptr : block.textList()) {
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
}
