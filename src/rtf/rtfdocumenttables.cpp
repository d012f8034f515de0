// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfdocumenttables.h"

#include "rtf/rtfdestinationtext.h"
#include "rtf/rtftextdecoder.h"

#include <algorithm>
#include <climits>

namespace {
constexpr qsizetype kMaxFontName = 256;
constexpr size_t kMaxColors = 65536;
} // namespace

void RtfDocumentTables::reset()
{
    *this = RtfDocumentTables();
}

void RtfDocumentTables::noteFontNumber(int number)
{
    if (number >= 0 && number < INT_MAX / 2)
        m_fontNumberEnd = std::max(m_fontNumberEnd, number + 1);
}

void RtfDocumentTables::beginFontTable(qsizetype entriesStart, int unicodeSkip)
{
    m_tableEntriesStart = entriesStart;
    m_tableUnicodeSkip = unicodeSkip;
    m_fontTableSeen = true;
    m_fontCommitsAtTable = m_fontCommits;
    m_fontPending = false;
    m_fontName.clear();
    m_fontNameText.clear();
}

void RtfDocumentTables::beginColorTable(qsizetype entriesStart)
{
    m_tableEntriesStart = entriesStart;
    m_components[0] = m_components[1] = m_components[2] = 0;
    m_colorSet = false;
}

void RtfDocumentTables::fontTableClosed(const QByteArray &entries)
{
    // Font names with \u skip as many characters as they did in the file.
    if (m_tableUnicodeSkip != 1)
        m_fontTableRtf += "\\uc" + QByteArray::number(m_tableUnicodeSkip) + ' ';
    m_fontTableRtf.append(entries);
    m_fontCommitsKept += m_fontCommits - m_fontCommitsAtTable;
}

void RtfDocumentTables::colorTableClosed(const QByteArray &entries)
{
    m_colorTableRtf.append(entries);
}

void RtfDocumentTables::beginFont(int number, RtfTextDecoder &decoder, int documentPage)
{
    bool defined = false;
    commitFont(decoder, documentPage, &defined);
    m_font = RtfFont();
    m_font.number = number;
    m_fontPending = true;
}

void RtfDocumentTables::appendNameByte(char c)
{
    if (m_fontName.size() + m_fontNameText.size() < kMaxFontName)
        m_fontName.append(c);
}

void RtfDocumentTables::appendNameChar(QChar c, RtfTextDecoder &decoder, int documentPage)
{
    if (m_fontName.size() + m_fontNameText.size() < kMaxFontName) {
        flushNameBytes(decoder, documentPage);
        m_fontNameText.append(c);
    }
}

// The code page of the font being defined, for the bytes of its name.
int RtfDocumentTables::fontNamePage(int documentPage) const
{
    const int page = m_font.codePage > 0
                         ? m_font.codePage
                         : RtfTextDecoder::codePageForCharset(m_font.charset, documentPage);
    return page == RtfTextDecoder::SymbolPage ? 1252 : page; // a symbol font's name is plain text
}

void RtfDocumentTables::flushNameBytes(RtfTextDecoder &decoder, int documentPage)
{
    if (!m_fontName.isEmpty()) {
        decoder.decode(fontNamePage(documentPage), m_fontName, m_fontNameText);
        m_fontName.clear();
    }
}

int RtfDocumentTables::commitFont(RtfTextDecoder &decoder, int documentPage, bool *defined)
{
    *defined = m_fontPending;
    int number = -1;
    if (m_fontPending) {
        flushNameBytes(decoder, documentPage);
        RtfDestinationText::clean(m_fontNameText);
        m_font.name = m_fontNameText.trimmed();
        // A font a kept part was read in keeps its code page: given again in another one (by a
        // later table), the part would read back otherwise.
        const RtfFont *earlier =
            m_heldFonts.contains(m_font.number) ? m_fonts.find(m_font.number) : nullptr;
        if (earlier && RtfTextDecoder::codePageForFont(*earlier, documentPage) !=
                           RtfTextDecoder::codePageForFont(m_font, documentPage))
            m_heldFontKept = true;
        else
            m_fonts.insert(m_font);
        ++m_fontCommits;
        if (m_font.number < INT_MAX / 2)
            m_fontNumberEnd = std::max(m_fontNumberEnd, m_font.number + 1);
        number = m_font.number;
    }
    m_fontPending = false;
    m_fontName.clear();
    m_fontNameText.clear();
    return number;
}

void RtfDocumentTables::setColorComponent(int component, int value)
{
    m_components[component] = std::clamp(value, 0, 255);
    m_colorSet = true;
}

void RtfDocumentTables::commitColor()
{
    if (m_colors.size() < kMaxColors) {
        // An entry without components is "auto".
        m_colors.push_back(m_colorSet ? 0xFF000000u | quint32(m_components[0]) << 16 |
                                            quint32(m_components[1]) << 8 | quint32(m_components[2])
                                      : 0u);
    }
    m_components[0] = m_components[1] = m_components[2] = 0;
    m_colorSet = false;
}

quint32 RtfDocumentTables::color(int index) const
{
    return index >= 0 && size_t(index) < m_colors.size() ? m_colors[size_t(index)] : 0u;
}

int RtfDocumentTables::colorIndex(quint32 color)
{
    if (m_colorIndexSize < m_colors.size()) {
        for (size_t i = m_colorIndexSize; i < m_colors.size(); ++i)
            m_colorIndexes.try_emplace(m_colors[i], int(i));
        m_colorIndexSize = m_colors.size();
    }
    const auto it = m_colorIndexes.find(color);
    return it == m_colorIndexes.end() ? -1 : it->second;
}

void RtfDocumentTables::setTablesRtf(const QByteArray &fonts, const QByteArray &colors)
{
    m_fontTableRtf = fonts;
    m_colorTableRtf = colors;
}

void RtfDocumentTables::writeTablesAsRead()
{
    QList<int> numbers = m_fonts.all().keys();
    std::sort(numbers.begin(), numbers.end());
    if (!numbers.isEmpty())
        m_fontTableRtf = QByteArray("");
    for (const int number : std::as_const(numbers)) {
        const RtfFont &font = *m_fonts.find(number);
        m_fontTableRtf += "{\\f" + QByteArray::number(number);
        if (font.charset >= 0)
            m_fontTableRtf += "\\fcharset" + QByteArray::number(font.charset);
        if (font.codePage > 0)
            m_fontTableRtf += "\\cpg" + QByteArray::number(font.codePage);
        m_fontTableRtf += ' ';
        for (const QChar c : font.name) {
            const char16_t u = c.unicode();
            if (u >= 0x20 && u < 0x7f && u != ';' && u != '\\' && u != '{' && u != '}')
                m_fontTableRtf += char(u);
            else // \u keeps every character, a ';' too, whatever the font's code page
                m_fontTableRtf += "\\u" + QByteArray::number(qint16(u)) + "\\'3f";
        }
        m_fontTableRtf += ";}";
    }
    if (!m_colors.empty())
        m_colorTableRtf = QByteArray("");
    for (const quint32 color : m_colors) {
        if (color >> 24)
            m_colorTableRtf += "\\red" + QByteArray::number((color >> 16) & 0xff) + "\\green" +
                               QByteArray::number((color >> 8) & 0xff) + "\\blue" +
                               QByteArray::number(color & 0xff);
        m_colorTableRtf += ';';
    }
}
