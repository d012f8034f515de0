#pragma once

#include <QByteArrayView>
#include <QString>

#include <memory>
#include <vector>

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

    std::vector<std::unique_ptr<Page>> m_pages;
    Page *m_last = nullptr;
};
