// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfdocumentdump.h"

#include "rtf/rtfproperties.h"
#include "rtf/rtfwriter.h"

#include <QColor>
#include <QHash>
#include <QImage>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <algorithm>

namespace {

QString number(qreal value)
{
    return QString::number(qRound(value * 10) / 10.0);
}

// Fields are told apart by their order in the document, as a save and a reading keep it.
using FieldNumbers = QHash<int, int>;

QString charSummary(const QTextDocument &document, const QTextCharFormat &f, FieldNumbers &fields)
{
    QStringList parts;
    if (f.isImageFormat()) {
        const QTextImageFormat image = f.toImageFormat();
        const QImage data =
            document.resource(QTextDocument::ImageResource, QUrl(image.name())).value<QImage>();
        parts << QStringLiteral("image %1x%2 shown %3x%4")
                     .arg(data.width())
                     .arg(data.height())
                     .arg(number(image.width()), number(image.height()));
    }
    if (f.fontWeight() >= QFont::DemiBold)
        parts << QStringLiteral("b");
    if (f.fontItalic())
        parts << QStringLiteral("i");
    if (f.underlineStyle() != QTextCharFormat::NoUnderline || f.fontUnderline())
        parts << QStringLiteral("ul%1%2")
                     .arg(int(f.underlineStyle()))
                     .arg(f.boolProperty(RtfProperty::DoubleUnderline) ? "db" : "");
    if (f.fontStrikeOut())
        parts << QStringLiteral("strike");
    if (f.fontCapitalization() != QFont::MixedCase)
        parts << QStringLiteral("caps%1").arg(int(f.fontCapitalization()));
    if (f.verticalAlignment() != QTextCharFormat::AlignNormal)
        parts << QStringLiteral("valign%1").arg(int(f.verticalAlignment()));
    if (const int offset = f.intProperty(RtfProperty::VerticalOffset); offset > 0)
        parts << QStringLiteral("offset%1%2")
                     .arg(offset)
                     .arg(f.boolProperty(RtfProperty::OffsetOnly) ? QStringLiteral(" alone")
                                                                  : QString());
    if (f.hasProperty(QTextFormat::FontPointSize))
        parts << QStringLiteral("pt") + number(f.fontPointSize());
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty())
        parts << QStringLiteral("font '%1'").arg(families.first());
    if (f.hasProperty(QTextFormat::ForegroundBrush) && f.foreground().style() != Qt::NoBrush)
        parts << QStringLiteral("fg ") + f.foreground().color().name();
    if (f.hasProperty(QTextFormat::BackgroundBrush) && f.background().style() != Qt::NoBrush)
        parts << QStringLiteral("bg ") + f.background().color().name();
    if (f.hasProperty(RtfProperty::Highlight))
        parts << QStringLiteral("highlight ") + f.colorProperty(RtfProperty::Highlight).name();
    if (f.hasProperty(RtfProperty::FieldInstruction)) {
        const int id = f.intProperty(RtfProperty::FieldId);
        const int number = fields.contains(id) ? fields.value(id) : int(fields.size()) + 1;
        fields.insert(id, number);
        parts << QStringLiteral("field %1 '%2'")
                     .arg(number)
                     .arg(f.stringProperty(RtfProperty::FieldInstruction));
    }
    if (f.isAnchor() && !f.anchorHref().isEmpty())
        parts << QStringLiteral("link '%1'").arg(f.anchorHref());
    for (const auto &[name, property] : {std::pair{"words", RtfProperty::CharWords},
                                         {"script", RtfProperty::ScriptWords},
                                         {"flags", RtfProperty::FieldFlags},
                                         {"parts", RtfProperty::FieldParts}}) {
        if (const QByteArray words = f.property(property).toByteArray(); !words.isEmpty())
            parts << QStringLiteral("%1 '%2'").arg(QLatin1String(name), QString::fromLatin1(words));
    }
    if (f.hasProperty(RtfProperty::ListLabel))
        parts << QStringLiteral("label%1 '%2'")
                     .arg(f.intProperty(RtfProperty::ListLabelKind))
                     .arg(f.stringProperty(RtfProperty::ListLabel));
    if (f.boolProperty(RtfProperty::Generated))
        parts << QStringLiteral("generated");
    if (f.boolProperty(RtfProperty::FootnoteMark))
        parts << QStringLiteral("footnote");
    if (const QByteArray kept = f.property(RtfProperty::HiddenBefore).toByteArray();
        !kept.isEmpty())
        parts << QStringLiteral("kept %1").arg(QString::fromLatin1(kept.toHex().left(24)));
    return parts.join(u' ');
}

// Top, left, bottom, right: "-" for none, else width, line and colour.
QString boxSummary(const QVariantList &borders)
{
    static const char *const lines[] = {"none", "s", "db", "dot", "dash"};
    QStringList sides;
    for (const QVariant &side : borders) {
        const QVariantList line = side.toList();
        if (line.size() != 3) {
            sides << QStringLiteral("-");
            continue;
        }
        const QColor color = line.at(1).value<QColor>();
        sides << number(line.at(0).toDouble()) +
                     QLatin1String(lines[std::clamp(line.at(2).toInt(), 0, 4)]) +
                     (color.isValid() ? color.name() : QString());
    }
    return sides.join(u',');
}

QString blockSummary(const QTextBlockFormat &f)
{
    QStringList parts;
    const Qt::Alignment a = f.alignment() & Qt::AlignHorizontal_Mask & ~Qt::AlignAbsolute;
    parts << QStringLiteral("align%1").arg(int(a == Qt::AlignLeading ? Qt::AlignLeft : a));
    if (f.layoutDirection() == Qt::RightToLeft)
        parts << QStringLiteral("rtl");
    for (const auto &[name, property] : {std::pair{"li", QTextFormat::BlockLeftMargin},
                                         {"ri", QTextFormat::BlockRightMargin},
                                         {"fi", QTextFormat::TextIndent},
                                         {"sb", QTextFormat::BlockTopMargin},
                                         {"sa", QTextFormat::BlockBottomMargin}}) {
        if (const qreal v = f.doubleProperty(property); v != 0)
            parts << QLatin1String(name) + number(v);
    }
    if (f.lineHeightType() != QTextBlockFormat::SingleHeight)
        parts << QStringLiteral("line%1:%2").arg(f.lineHeightType()).arg(number(f.lineHeight()));
    for (const QTextOption::Tab &tab : f.tabPositions())
        parts << QStringLiteral("tab%1@%2").arg(int(tab.type)).arg(number(tab.position));
    for (const QVariant &leader : f.property(RtfProperty::TabLeaders).toList())
        parts << QStringLiteral("leader%1@%2").arg(leader.toInt() % 8).arg(leader.toInt() / 8);
    for (const QVariant &bar : f.property(RtfProperty::BarTabs).toList())
        parts << QStringLiteral("bar@%1").arg(bar.toInt());
    if (f.hasProperty(RtfProperty::ParagraphShading))
        parts << QStringLiteral("shade ") + f.colorProperty(RtfProperty::ParagraphShading).name();
    if (const QVariantList borders = f.property(RtfProperty::ParagraphBorders).toList();
        !borders.isEmpty())
        parts << QStringLiteral("box ") + boxSummary(borders);
    if (f.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore)
        parts << QStringLiteral("pagebreak");
    if (f.boolProperty(RtfProperty::Generated))
        parts << QStringLiteral("generated end");
    if (f.hasProperty(RtfProperty::ParagraphStyle))
        parts << QStringLiteral("style %1").arg(f.intProperty(RtfProperty::ParagraphStyle));
    if (f.boolProperty(RtfProperty::SectionEnd))
        parts << QStringLiteral("section end");
    if (f.boolProperty(RtfProperty::NoteText))
        parts << (f.hasProperty(QTextFormat::BlockTrailingHorizontalRulerWidth)
                      ? QStringLiteral("notes rule")
                      : QStringLiteral("note"));
    if (const QByteArray words = RtfProperty::keptWords(f, RtfProperty::ParagraphWords);
        !words.isEmpty())
        parts << QStringLiteral("words '%1'").arg(QString::fromLatin1(words));
    if (const QByteArray kept = f.property(RtfProperty::HiddenAtEnd).toByteArray(); !kept.isEmpty())
        parts << QStringLiteral("kept at end %1").arg(QString::fromLatin1(kept.toHex().left(24)));
    return parts.join(u' ');
}

void dumpFrame(const QTextDocument &document, const QTextFrame *frame, QString &out, int depth,
               FieldNumbers &fields);

void dumpBlock(const QTextDocument &document, const QTextBlock &block, QString &out, int depth,
               FieldNumbers &fields)
{
    if (block.blockFormat().boolProperty(RtfProperty::ReaderNote))
        return; // says how the document was shown, is not part of it
    out += QString(depth * 2, u' ') + QStringLiteral("[") + blockSummary(block.blockFormat()) +
           QStringLiteral("]");
    // Runs of equal format are one run, however Qt split them.
    QString run;
    QString runFormat;
    auto flush = [&] {
        if (!run.isEmpty())
            out += QStringLiteral(" {%1}'%2'").arg(runFormat, run);
        run.clear();
    };
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QString format = charSummary(document, fragment.charFormat(), fields);
        if (format != runFormat || fragment.charFormat().isImageFormat()) {
            flush();
            runFormat = format;
        }
        run += fragment.text();
    }
    flush();
    // The paragraph mark's format, as far as a save writes it.
    if (const QTextCharFormat mark = RtfWriter::paragraphMark(block); mark.propertyCount() > 0) {
        QTextCharFormat shown;
        for (const int property :
             {int(QTextFormat::FontWeight), int(QTextFormat::FontItalic),
              int(QTextFormat::TextUnderlineStyle), int(QTextFormat::FontStrikeOut),
              int(QTextFormat::FontCapitalization), int(QTextFormat::TextVerticalAlignment),
              int(QTextFormat::FontPointSize), int(QTextFormat::FontFamilies),
              int(QTextFormat::ForegroundBrush), int(QTextFormat::BackgroundBrush),
              RtfProperty::Highlight, RtfProperty::DoubleUnderline, RtfProperty::CharWords,
              RtfProperty::ScriptWords, RtfProperty::VerticalOffset, RtfProperty::OffsetOnly}) {
            if (mark.hasProperty(property))
                shown.setProperty(property, mark.property(property));
        }
        out += QStringLiteral(" mark {%1}").arg(charSummary(document, shown, fields));
    }
    out += u'\n';
}

void dumpTable(const QTextDocument &document, const QTextTable *table, QString &out, int depth,
               FieldNumbers &fields)
{
    const QString indent(depth * 2, u' ');
    const QTextTableFormat format = table->format();
    QStringList widths;
    for (const QTextLength &length : format.columnWidthConstraints())
        widths << QStringLiteral("%1:%2").arg(length.type()).arg(number(length.rawValue()));
    out += indent + QStringLiteral("table %1x%2 widths %3\n")
                        .arg(table->rows())
                        .arg(table->columns())
                        .arg(widths.join(u','));
    const QVariantList rowWords = format.property(RtfProperty::RowWords).toList();
    for (int r = 0; r < table->rows(); ++r) {
        if (const QByteArray words = rowWords.value(r).toByteArray(); !words.isEmpty())
            out += indent +
                   QStringLiteral("row %1 words '%2'\n").arg(r).arg(QString::fromLatin1(words));
        for (int c = 0; c < table->columns(); ++c) {
            const QTextTableCell cell = table->cellAt(r, c);
            if (cell.row() != r || cell.column() != c)
                continue;
            const QTextTableCellFormat f = cell.format().toTableCellFormat();
            out += indent + QStringLiteral("cell %1,%2 span %3x%4 borders %5%6%7%8\n")
                                .arg(r)
                                .arg(c)
                                .arg(cell.rowSpan())
                                .arg(cell.columnSpan())
                                .arg(number(f.topBorder()), number(f.leftBorder()),
                                     number(f.bottomBorder()), number(f.rightBorder()));
            if (f.hasProperty(QTextFormat::BackgroundBrush))
                out += indent + QStringLiteral("  bg ") + f.background().color().name() + u'\n';
            if (const QByteArray words = RtfProperty::keptWords(f, RtfProperty::CellWords);
                !words.isEmpty())
                out += indent + QStringLiteral("  words '%1'\n").arg(QString::fromLatin1(words));
            for (auto it = cell.begin(); !it.atEnd(); ++it) {
                if (const QTextFrame *child = it.currentFrame())
                    dumpFrame(document, child, out, depth + 1, fields);
                else if (it.currentBlock().isValid())
                    dumpBlock(document, it.currentBlock(), out, depth + 1, fields);
            }
        }
    }
}

void dumpFrame(const QTextDocument &document, const QTextFrame *frame, QString &out, int depth,
               FieldNumbers &fields)
{
    if (const auto *table = qobject_cast<const QTextTable *>(frame)) {
        dumpTable(document, table, out, depth, fields);
        return;
    }
    for (auto it = frame->begin(); !it.atEnd(); ++it) {
        if (const QTextFrame *child = it.currentFrame())
            dumpFrame(document, child, out, depth, fields);
        else if (it.currentBlock().isValid())
            dumpBlock(document, it.currentBlock(), out, depth, fields);
    }
}

} // namespace

QString RtfDocumentDump::dump(const QTextDocument &document)
{
    QString out;
    const QByteArray preamble =
        document.rootFrame()->frameFormat().property(RtfProperty::Preamble).toByteArray();
    if (!preamble.isEmpty())
        out += QStringLiteral("preamble %1\n").arg(QString::fromLatin1(preamble.toHex().left(24)));
    FieldNumbers fields;
    dumpFrame(document, document.rootFrame(), out, 0, fields);
    return out;
}
