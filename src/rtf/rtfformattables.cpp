// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfformattables.h"

#include "rtfoutput.h"
#include "rtfproperties.h"
#include "rtfscriptshown.h"
#include "rtftextdecoder.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFormat>
#include <QTextFrame>

#include <climits>

RtfFormatTables::RtfFormatTables(const QTextDocument &doc, const std::function<bool()> &step)
{
    const QTextFrameFormat root = doc.rootFrame()->frameFormat();
    m_fileFonts = root.property(RtfProperty::FontTable).toByteArray();
    m_fileColors = root.property(RtfProperty::ColorTable).toByteArray();
    m_haveFileFonts = root.hasProperty(RtfProperty::FontTable);
    m_haveFileColors = root.hasProperty(RtfProperty::ColorTable);
    // New fonts take numbers the file never gave, so that no kept part redefines them.
    const qint64 fileEnd = root.intProperty(RtfProperty::FontNumberEnd);
    if (m_haveFileFonts) {
        const QVariantMap numbers = root.property(RtfProperty::FontNumbers).toMap();
        qint64 next = fileEnd;
        for (auto it = numbers.cbegin(); it != numbers.cend(); ++it) {
            m_fontIndex.insert(it.key(), it->toInt());
            next = std::max(next, it->toLongLong() + 1);
        }
        m_firstFont = int(std::min<qint64>(next, INT_MAX / 2));
    } else {
        m_firstFont = int(std::min<qint64>(fileEnd, INT_MAX / 2));
        QString defaultFamily = doc.defaultFont().family();
        if (defaultFamily.isEmpty())
            defaultFamily = QStringLiteral("Arial");
        m_fonts.append(defaultFamily);
        m_fontIndex.insert(defaultFamily, m_firstFont);
    }
    if (m_haveFileColors) {
        const QVariantList colors = root.property(RtfProperty::Colors).toList();
        m_autoColor = -1;
        for (qsizetype i = 0; i < colors.size(); ++i) {
            const QRgb rgb = colors.at(i).toUInt();
            if (qAlpha(rgb) == 0 && m_autoColor < 0)
                m_autoColor = int(i);
            if (qAlpha(rgb) != 0 && !m_colorIndex.contains(rgb))
                m_colorIndex.insert(rgb, int(i));
        }
        m_firstColor = int(colors.size());
    }

    // Only the formats some text still has: the document keeps those of deleted text too, and
    // a save must not depend on what was deleted. Formats are shared, so each is added once.
    const QList<QTextFormat> formats = doc.allFormats();
    QList<bool> used(formats.size(), false);
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (step && !step())
            return;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const int index = it.fragment().charFormatIndex();
            if (index >= 0 && index < used.size() && !used[index]) {
                used[index] = true;
                add(formats.at(index).toCharFormat());
            }
        }
    }
}

QString RtfFormatTables::explicitFamily(const QTextCharFormat &format)
{
    const QStringList families = format.property(QTextFormat::FontFamilies).toStringList();
    // The document holds Unicode: a glyph font's name would make readers map the text again.
    if (families.isEmpty() || RtfTextDecoder::isGlyphFontName(families.first()))
        return QString();
    return families.first();
}

void RtfFormatTables::add(const QTextCharFormat &shown)
{
    const QTextCharFormat format = RtfScriptShown::asWritten(shown);
    const QString family = explicitFamily(format);
    if (!family.isEmpty() && !m_fontIndex.contains(family)) {
        m_fontIndex.insert(family, m_firstFont + int(m_fonts.size()));
        m_fonts.append(family);
    }
    if (format.hasProperty(QTextFormat::ForegroundBrush)) {
        const QBrush brush = format.foreground();
        if (brush.style() != Qt::NoBrush)
            addColor(brush.color());
    }
    if (const QColor color = highlight(format); color.isValid())
        addColor(color);
}

// A background Qt draws (text pasted or typed in), or one painted as high as the text.
QColor RtfFormatTables::highlight(const QTextCharFormat &format)
{
    if (format.hasProperty(QTextFormat::BackgroundBrush)) {
        const QBrush brush = format.background();
        if (brush.style() != Qt::NoBrush)
            return brush.color();
    }
    return format.hasProperty(RtfProperty::Highlight) ? format.colorProperty(RtfProperty::Highlight)
                                                      : QColor();
}

void RtfFormatTables::addColor(QColor color)
{
    const QRgb rgb = color.rgb() | 0xff000000;
    if (m_colorIndex.contains(rgb))
        return;
    m_colorIndex.insert(rgb, m_firstColor + int(m_colors.size()));
    m_colors.append(rgb);
}

void RtfFormatTables::write(RtfOutput &out) const
{
    out.openGroup();
    out.word("fonttbl");
    out.raw(m_fileFonts); // the file's own entries first, with their numbers
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        out.openGroup();
        out.word("f", m_firstFont + int(i));
        out.word("fnil");
        out.word("fcharset", 0);
        // A ';' would end the name early; RTF has no escape for it.
        QString name = m_fonts.at(i);
        name.remove(QLatin1Char(';'));
        out.text(name);
        out.text(u";");
        out.closeGroup();
    }
    out.closeGroup();
    out.lineBreak();

    out.openGroup();
    out.word("colortbl");
    if (m_haveFileColors)
        out.raw(m_fileColors);
    else
        out.text(u";");
    for (const QRgb rgb : m_colors) {
        out.word("red", qRed(rgb));
        out.word("green", qGreen(rgb));
        out.word("blue", qBlue(rgb));
        out.text(u";");
    }
    out.closeGroup();
    out.lineBreak();
}
