// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfdocumentbuilder.h"

#include "rtf/rtfparser.h"
#include "rtf/rtfproperties.h"
#include "rtf/rtfsimplified.h"
#include "rtf/rtftextdecoder.h"

#include <QBuffer>
#include <QHash>
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
    : m_document(document), m_parser(parser), m_cursor(document), m_formats(parser, m_simplified),
      // Malformed input must not make a few bytes cost megabytes of cells.
      m_grid(document, m_cursor, parser, 1024 + inputSize / 4, m_simplified),
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
    if (level != 1 || m_grid.depth() > 0 || m_grid.cellsShown() < RtfTableGrid::MaxShownCells ||
        m_hidden.hasPending())
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
    m_hidden.take(text.isEmpty(), block);
    m_resultLast = format.generated;
    QTextCharFormat qtFormat = m_hidden.withHidden(charFormat(format));
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
    if (format.script.isEmpty() || !m_formats.hasScriptFormats(format)) {
        insertRun(text, qtFormat, paragraph, block);
        return;
    }
    // Text of another script is shown in the font, size, bold and italic the run's words say for
    // it. Spaces and marks keep the run's own: how the file split its runs must not matter.
    qsizetype start = 0;
    auto current = RtfFormatFactory::OwnScript;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        auto script = current;
        if (i < text.size()) {
            const QChar c = text[i];
            if (c.isLowSurrogate())
                continue;
            script = c.isLetterOrNumber() || c.isSurrogate()
                         ? RtfFormatFactory::scriptClass(c.unicode())
                         : RtfFormatFactory::OwnScript;
            if (script == current)
                continue;
        }
        if (i > start)
            insertRun(text.sliced(start, i - start),
                      m_formats.scriptFormat(format, qtFormat, current), paragraph, block);
        start = i;
        current = script;
    }
}

// Inserts text of one format; a paragraph too long to lay out goes on in pieces.
void RtfDocumentBuilder::insertRun(QStringView text, const QTextCharFormat &qtFormat,
                                   const RtfParagraphFormat &paragraph, QTextBlock &block)
{
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
    m_hidden.continueIn(m_cursor.block()); // still the same paragraph
    m_runs = 1;
    m_simplified |= RtfSimplified::ParagraphsSplit;
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
    m_hidden.attachToBlock(m_cursor);
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

bool RtfDocumentBuilder::sectionEndsLastParagraph()
{
    const QTextBlock block = m_cursor.block();
    const QTextBlock previous = block.previous();
    if (!m_rowText.isEmpty() || m_level != 0 || m_pageBreakNext || block.length() > 1 ||
        !previous.isValid() || previous.blockFormat().hasProperty(RtfProperty::Generated) ||
        previous.blockFormat().hasProperty(RtfProperty::SectionEnd) || m_cursor.currentTable() ||
        QTextCursor(previous).currentTable())
        return false;
    QTextBlockFormat format = previous.blockFormat();
    format.setProperty(RtfProperty::SectionEnd, true);
    QTextCursor(previous).setBlockFormat(format);
    return true;
}

void RtfDocumentBuilder::cellEnd(int level, const RtfParagraphFormat &paragraph)
{
    m_formats.newFieldEpoch();
    m_resultLast = false;
    if (rowsAsText(level)) {
        m_rowText += u'\t';
        endLongRowText(paragraph);
        return;
    }
    flushRowText();
    enterLevel(level);
    applyBlockFormat(paragraph);
    if (m_grid.depth() < level) {
        // Out of table budget: a row becomes a paragraph, its cells apart by tabs, in the
        // format of the text before them.
        m_hidden.take(false, m_cursor.block());
        m_cursor.insertText(QStringLiteral("\t"),
                            m_hidden.withHidden(m_formats.hasLastFormat()
                                                    ? m_formats.lastCharFormat()
                                                    : charFormat(RtfCharFormat())));
        return;
    }
    m_hidden.attachToBlock(m_cursor);
    m_grid.cellEnded();
}

void RtfDocumentBuilder::rowEnd(int level, const RtfRowDefinition &row)
{
    m_formats.newFieldEpoch();
    const bool resultLast = std::exchange(m_resultLast, false);
    level = std::clamp(level, 1, RtfParser::MaxTableLevel);
    if (rowsAsText(level)) {
        m_rowText += QChar::ParagraphSeparator;
        return;
    }
    flushRowText();
    if (m_grid.depth() < level) {
        // A row without cells, or one of a table there was no room for.
        if (level <= m_level && m_cursor.block().length() > 1)
            m_cursor.insertBlock();
        return;
    }
    // A row ended in a cell an object's result shows: the object kept stays in that cell,
    // where its result is, not with what the next row shows.
    if (resultLast && m_hidden.hasPending())
        m_hidden.attachToBlock(m_cursor);
    while (m_grid.depth() > level)
        m_grid.close();
    m_level = std::min(m_level, level);
    m_grid.rowEnded(row);
}

bool RtfDocumentBuilder::picture(const RtfPicture &picture, const RtfCharFormat &format,
                                 const RtfParagraphFormat &paragraph)
{
    // A picture in a table cell is there even when it cannot be shown, as its text would be.
    // One after a table that cannot be shown closes nothing: kept for a save, it goes with
    // what follows, which may be the table's next row.
    flushRowText();
    const bool leaving = paragraph.tableLevel() < m_level;
    if (!leaving)
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
    if (leaving)
        enterLevel(paragraph.tableLevel());

    const QString name = QStringLiteral("rtfimage:%1").arg(++m_imageCount);
    m_document->addResource(QTextDocument::ImageResource, QUrl(name), image);
    QTextImageFormat imageFormat;
    imageFormat.merge(charFormat(format));
    imageFormat.setName(name);
    imageFormat.setProperty(RtfProperty::PictureData, picture.data);
    m_hidden.take(false, m_cursor.block());
    imageFormat = m_hidden.withHidden(imageFormat).toImageFormat();
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
    if (m_level > 0 && (paragraph.tableLevel() >= m_level || m_resultLast) && m_hidden.hasPending())
        m_hidden.attachToBlock(m_cursor);
    // So is a page break after its last paragraph, as a cell's end would have taken it.
    if (m_level > 0 && m_pageBreakNext) {
        QTextBlockFormat format = m_cursor.blockFormat();
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        m_cursor.setBlockFormat(format);
        m_pageBreakNext = false;
    }
    enterLevel(0);
    applyBlockFormat(paragraph);
    m_hidden.attachToBlock(m_cursor);
    keepDocumentTables();
    if (m_parser.formatsSimplified())
        m_simplified |= RtfSimplified::RunsMerged;
    if (m_simplified)
        insertNote();
    m_cursor.endEditBlock();
    m_finished = true;
}

void RtfDocumentBuilder::hidden(QByteArrayView rtf, bool preamble)
{
    m_hidden.add(rtf, preamble);
}

// The writer numbers fonts and colours as the file did, so that what was kept verbatim (and
// refers to them by number) still means the same.
void RtfDocumentBuilder::keepDocumentTables()
{
    QTextFrameFormat root = m_document->rootFrame()->frameFormat();
    if (!m_hidden.preamble().isEmpty())
        root.setProperty(RtfProperty::Preamble, m_hidden.preamble());
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
    if (m_formats.decorated())
        root.setProperty(RtfProperty::Decorated, true);
    if (m_parser.defaultFont() != RtfCharFormat::NoFont)
        root.setProperty(RtfProperty::DefaultFont, m_parser.defaultFont());
    // Only the file's own font table makes its fonts' code pages matter to a save.
    root.setProperty(RtfProperty::UnicodeText,
                     m_parser.usesOtherCodePages() && !m_parser.fontTableRtf().isNull());
    m_document->rootFrame()->setFrameFormat(root);
}

bool RtfDocumentBuilder::lostForSave() const
{
    return (m_simplified & (RtfSimplified::NestingCapped | RtfSimplified::FontsCapped |
                            RtfSimplified::CellsCapped | RtfSimplified::RunsMerged)) ||
           m_parser.formatsDropped();
}

// A line at the top says what was simplified to keep the window responsive. It is marked, so
// that a save leaves it out.
void RtfDocumentBuilder::insertNote()
{
    QStringList what;
    if (m_simplified & RtfSimplified::NestingCapped)
        what << QStringLiteral("tables nested more than %1 deep are shown flattened")
                    .arg(MaxNesting);
    if (m_simplified & RtfSimplified::RowsSplit)
        what << QStringLiteral("long tables are shown in parts of %1 rows")
                    .arg(RtfTableGrid::MaxRowsPerTable);
    if (m_simplified & RtfSimplified::ParagraphsSplit)
        what << QStringLiteral("very long paragraphs are shown in pieces");
    if (m_simplified & RtfSimplified::CellsCapped)
        what << QStringLiteral("table rows after the first %1 cells are shown as lines of text")
                    .arg(RtfTableGrid::MaxShownCells);
    if (m_simplified & RtfSimplified::RunsMerged)
        what << QStringLiteral("the formatting of text after the first %L1 changes of format is "
                               "not shown")
                    .arg(RtfParser::MaxRuns);
    if (m_simplified & RtfSimplified::FontsCapped)
        what << QStringLiteral("only the first %1 fonts are used")
                    .arg(RtfFormatFactory::MaxFamilies);
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
    if (level > m_level && m_hidden.hasPending() && m_cursor.block().length() > 1)
        m_hidden.attachToBlock(m_cursor);
    // So do those after an object's result that a table shows, when the text leaves the table:
    // written after it, the object would make the table again.
    if (level < m_level && m_resultLast && m_hidden.hasPending())
        m_hidden.attachToBlock(m_cursor);
    const bool changed = level != m_level;
    m_level = level;
    if (changed)
        m_formats.newFieldEpoch();
    const int depth = m_grid.depth();
    while (m_grid.depth() > level)
        m_grid.close();
    m_grid.advance();
    while (m_grid.depth() < level) {
        if (m_grid.depth() >= MaxNesting) {
            // Qt lays out each nesting level twice per level above it: deeper tables would take
            // minutes. Their cells become paragraphs of the deepest cell shown.
            m_simplified |= RtfSimplified::NestingCapped;
            break;
        }
        if (!m_grid.open())
            break;
    }
    // Leaving or entering a table always starts a new paragraph, even when
    // the table could not be made.
    if (changed && m_grid.depth() == depth && m_cursor.block().length() > 1) {
        // Parts kept at the end of the paragraph before stay there alone.
        QTextBlockFormat next = m_cursor.blockFormat();
        next.clearProperty(RtfProperty::HiddenAtEnd);
        next.clearProperty(RtfProperty::HiddenId);
        m_cursor.insertBlock(next);
    }
}

void RtfDocumentBuilder::applyBlockFormat(const RtfParagraphFormat &paragraph)
{
    QTextBlockFormat format = m_formats.blockFormat(paragraph);
    if (m_pageBreakNext || paragraph.pageBreakBefore) {
        format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
        m_pageBreakNext = false;
    }
    m_cursor.setBlockFormat(format);
}

// Below the document, as a web view shows them: a thin rule, then each note with its mark.
void RtfDocumentBuilder::notes(const QList<RtfNote> &notes)
{
    QTextCursor cursor(m_document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    QTextBlockFormat rule;
    rule.setProperty(RtfProperty::NoteText, true);
    rule.setProperty(QTextFormat::BlockTrailingHorizontalRulerWidth,
                     QTextLength(QTextLength::PercentageLength, 33));
    rule.setTopMargin(12);
    // Shown, not the document's own text: the notes are kept where they are, and a save writes
    // them from there.
    QTextCharFormat plain;
    plain.setProperty(RtfProperty::Generated, true);
    cursor.insertBlock(rule, plain);
    QTextBlockFormat note;
    note.setProperty(RtfProperty::NoteText, true);
    QTextCharFormat mark = plain;
    mark.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    for (const RtfNote &n : notes) {
        cursor.insertBlock(note, plain);
        if (!n.mark.isEmpty()) {
            cursor.insertText(n.mark, mark);
            cursor.insertText(QStringLiteral(" "), plain);
        }
        QString text = n.text;
        cursor.insertText(text.replace(u'\n', QChar::LineSeparator), plain);
    }
    cursor.endEditBlock();
}
