// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>

#include <memory>
#include <unordered_map>

struct RtfFont;

// Turns the 8-bit text of an RTF document into Unicode. Single-byte code pages
// go through a 256-entry table; double-byte ones through QStringDecoder.
class RtfTextDecoder
{
public:
    // Pseudo code pages for fonts whose bytes are glyph numbers.
    static constexpr int SymbolPage = -2;
    static constexpr int WingdingsPage = -3;

    RtfTextDecoder();
    ~RtfTextDecoder();

    static int codePageForCharset(int charset, int documentPage);
    static int codePageForFont(const RtfFont &font, int documentPage);
    // A font whose bytes are glyph numbers (Symbol, Wingdings), not characters.
    static bool isGlyphFont(const RtfFont &font)
    {
        const int page = codePageForFont(font, 1252);
        return page == SymbolPage || page == WingdingsPage;
    }
    static bool isGlyphFontName(const QString &family);
    // The character of a Symbol or Wingdings glyph number.
    static char16_t glyphChar(int page, unsigned char glyph);
    // Characters the document model must not receive as text (separators,
    // controls, frame markers); they are dropped.
    static bool isDropped(char32_t c)
    {
        return (c < 0x20 && c != '\t') || (c >= 0x7f && c <= 0x9f) || c == 0x2029 || c == 0xfdd0 ||
               c == 0xfdd1 || c == 0xfffc || c == 0xfeff || c == 0xfffe || c == 0xffff;
    }

    // Table for a single-byte page, nullptr for a multi-byte one. A zero entry
    // means the byte is dropped.
    const char16_t *singleByteTable(int codePage);
    // Appends the decoded bytes to out.
    void decode(int codePage, QByteArrayView bytes, QString &out);

private:
    struct Page;
    Page *page(int codePage);

    // By code page number; only known pages get their own entry, so the map stays small.
    std::unordered_map<int, std::unique_ptr<Page>> m_pages;
    Page *m_last = nullptr;
};
