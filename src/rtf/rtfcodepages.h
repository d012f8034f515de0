// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtffonttable.h"
#include "rtf/rtftextdecoder.h"

#include <climits>
#include <vector>

// The code page of the document and of each font, and the decoder of their bytes. Text switches
// fonts at nearly every run, and a font's page takes comparisons of its name: the pages of fonts
// are kept by number until the font or the document's page changes.
class RtfCodePages
{
public:
    void reset();
    int documentPage() const { return m_documentPage; }
    void setDocumentPage(int page);
    // The page text in the given font is in.
    int page(int font, const RtfFontTable &fonts);
    // The single-byte table of the page of the given font, nullptr for a double-byte page;
    // *page gets the page.
    const char16_t *table(int font, const RtfFontTable &fonts, int *page);
    // The font of that number was (re)defined.
    void fontChanged(int number);
    RtfTextDecoder &decoder() { return m_decoder; }

private:
    static constexpr int kCachedFontPages = 1 << 20;
    static constexpr int kNoPage = INT_MIN;
    RtfTextDecoder m_decoder;
    int m_documentPage = 1252;
    std::vector<int> m_fontPages; // by font number, kNoPage when not known yet
    bool m_valid = false;
    // The font of the last body text, its page and that page's table (nullptr: double-byte).
    int m_tableFont = 0;
    bool m_haveTable = false; // m_table is the table of m_tableFont
    int m_tablePage = 0;
    const char16_t *m_table = nullptr;
};
