// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfcodepages.h"

void RtfCodePages::reset()
{
    m_documentPage = 1252;
    m_valid = false;
}

void RtfCodePages::setDocumentPage(int page)
{
    m_documentPage = page;
    m_valid = false;
}

int RtfCodePages::page(int font, const RtfFontTable &fonts)
{
    if (!m_valid) {
        m_fontPages.clear();
        m_haveTable = false;
        m_valid = true;
    } else if (font >= 0 && size_t(font) < m_fontPages.size() &&
               m_fontPages[size_t(font)] != kNoPage) {
        return m_fontPages[size_t(font)];
    }
    const RtfFont *f = fonts.find(font);
    const int page = f ? RtfTextDecoder::codePageForFont(*f, m_documentPage) : m_documentPage;
    if (font >= 0 && font < kCachedFontPages) {
        if (size_t(font) >= m_fontPages.size())
            m_fontPages.resize(size_t(font) + 1, kNoPage);
        m_fontPages[size_t(font)] = page;
    }
    return page;
}

const char16_t *RtfCodePages::table(int font, const RtfFontTable &fonts, int *page)
{
    if (!m_valid || !m_haveTable || font != m_tableFont) {
        m_tablePage = this->page(font, fonts);
        m_table = m_decoder.singleByteTable(m_tablePage);
        m_tableFont = font;
        m_haveTable = true;
    }
    *page = m_tablePage;
    return m_table;
}

void RtfCodePages::fontChanged(int number)
{
    // Only this font's page may have changed.
    if (number >= 0 && size_t(number) < m_fontPages.size())
        m_fontPages[size_t(number)] = kNoPage;
    if (number == m_tableFont)
        m_haveTable = false;
}
