// SPDX-License-Identifier: GPL-3.0-or-later
// The formats of paragraphs and runs, and pictures, as RtfWriter writes them.
#include "rtfwriter.h"

#include "rtfcharformat.h"
#include "rtfformattables.h"
#include "rtfhiddenrun.h"
#include "rtfkeptwords.h"
#include "rtfoutput.h"
#include "rtfproperties.h"
#include "rtfscriptshown.h"
#include "rtfscriptwords.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace {

// Document lengths are pixels at 96 dpi, as Qt's own exporters take them; 1 px = 15 twips.
constexpr qreal TwipsPerPixel = 15.0;

int twips(qreal pixels)
{
    return int(std::lround(pixels * TwipsPerPixel));
}

} // namespace

// Qt's tab stops count from where the first line starts, RTF's from the margin.
void RtfWriter::writeTabs(const QTextBlockFormat &format, int lineStart)
{
    const QVariantList leaders = format.property(RtfProperty::TabLeaders).toList();
    for (const QTextOption::Tab &tab : format.tabPositions()) {
        const int position = std::max(0, twips(tab.position) + lineStart);
        // A leader the file gave the stop comes before it.
        for (const QVariant &leader : leaders) {
            if (leader.toInt() / 8 == position) {
                if (const char *word = RtfHiddenRun::tabLeaderWord(leader.toInt() % 8))
                    m_out.word(word);
                break;
            }
        }
        switch (tab.type) {
        case QTextOption::RightTab:
            m_out.word("tqr");
            break;
        case QTextOption::CenterTab:
            m_out.word("tqc");
            break;
        case QTextOption::DelimiterTab:
            m_out.word("tqdec");
            break;
        default:
            break;
        }
        m_out.word("tx", position);
    }
    for (const QVariant &bar : format.property(RtfProperty::BarTabs).toList())
        m_out.word("tb", bar.toInt());
}

void RtfWriter::writeLineSpacing(const QTextBlockFormat &format)
{
    const qreal height = format.lineHeight();
    switch (format.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        // \slmult1: \sl is in 240ths of a single line.
        if (height > 0) {
            m_out.word("sl", int(std::lround(height * 240 / 100)));
            m_out.word("slmult", 1);
        }
        break;
    case QTextBlockFormat::MinimumHeight:
        if (const int value = twips(height); value > 0) {
            m_out.word("sl", value);
            m_out.word("slmult", 0);
        }
        break;
    case QTextBlockFormat::FixedHeight:
        if (const int value = twips(height); value > 0) {
            m_out.word("sl", -value);
            m_out.word("slmult", 0);
        }
        break;
    default:
        break;
    }
}

void RtfWriter::writeCharFormat(const QTextCharFormat &shown)
{
    const QTextCharFormat format = RtfScriptShown::asWritten(shown);
    // The words kept from the file come first, in their order: a character style (\csN) among
    // them brings its formats, which the text's own, all of them said, then override as the
    // file had them.
    const QByteArray kept = RtfProperty::keptWords(format, RtfProperty::CharWords);
    const bool styled = RtfKeptWords::contains(kept, "cs");
    m_out.kept(kept);

    if (format.fontWeight() >= QFont::DemiBold)
        m_out.word("b");
    else if (styled)
        m_out.word("b", 0);
    if (format.fontItalic())
        m_out.word("i");
    else if (styled)
        m_out.word("i", 0);
    if (styled) {
        m_out.word("ulnone");
        m_out.word("strike", 0);
        m_out.word("nosupersub");
        m_out.word("caps", 0);
        m_out.word("scaps", 0);
        if (const int index = m_tables.autoColorIndex(); index >= 0) {
            m_out.word("cf", index);
            m_out.word("highlight", index);
        }
    }
    switch (format.underlineStyle()) {
    case QTextCharFormat::NoUnderline:
    case QTextCharFormat::SpellCheckUnderline:
        break;
    case QTextCharFormat::DotLine:
        m_out.word("uld");
        break;
    case QTextCharFormat::DashUnderline:
    case QTextCharFormat::DashDotLine:
    case QTextCharFormat::DashDotDotLine:
        m_out.word("uldash");
        break;
    case QTextCharFormat::WaveUnderline:
        m_out.word("ulwave");
        break;
    default:
        m_out.word(format.boolProperty(RtfProperty::DoubleUnderline) ? "uldb" : "ul");
        break;
    }
    if (format.fontStrikeOut())
        m_out.word("strike");
    // A super- or subscript's own offset follows it: said before, \super would set it back.
    const int offset = format.intProperty(RtfProperty::VerticalOffset);
    const bool moved = offset > 0 && format.boolProperty(RtfProperty::OffsetOnly);
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript) {
        if (!moved)
            m_out.word("super");
        if (offset > 0)
            m_out.word("up", offset);
    } else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript) {
        if (!moved)
            m_out.word("sub");
        if (offset > 0)
            m_out.word("dn", offset);
    }
    if (format.fontCapitalization() == QFont::AllUppercase)
        m_out.word("caps");
    else if (format.fontCapitalization() == QFont::SmallCaps)
        m_out.word("scaps");

    // The fonts of other scripts hold the text's font where the file said it among them.
    const QString family = RtfFormatTables::explicitFamily(format);
    const int font = family.isEmpty() ? RtfCharFormat::NoFont : m_tables.fontIndex(family);
    const QByteArray script = RtfProperty::keptWords(format, RtfProperty::ScriptWords);
    if (font != RtfCharFormat::NoFont && !RtfScriptWords::hasFontSlot(script))
        m_out.word("f", font);
    m_out.kept(RtfScriptWords::withFont(script, font));

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
    if (const QColor highlight = RtfFormatTables::highlight(format); highlight.isValid())
        m_out.word("highlight", m_tables.colorIndex(highlight));
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
    // The bytes the file had, when the reader kept them: a JPEG stays a JPEG.
    if (const QByteArray original = format.property(RtfProperty::PictureData).toByteArray();
        !original.isEmpty() && !image.isNull()) {
        data = original;
        jpeg = data.startsWith("\xff\xd8\xff");
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
    // The picture's own group comes first in its group, as readers expect of a destination;
    // the group around it carries the character format.
    m_out.openGroup();
    writeCharFormat(format);
    m_out.openGroup();
    m_out.word("pict");
    m_out.word(jpeg ? "jpegblip" : "pngblip");
    m_out.word("picw", image.width());
    m_out.word("pich", image.height());
    m_out.word("picwgoal", twips(width));
    m_out.word("pichgoal", twips(height));
    m_out.hex(data);
    m_out.closeGroup();
    m_out.closeGroup();
}
