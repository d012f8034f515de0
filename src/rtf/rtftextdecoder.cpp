// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtftextdecoder.h"

#include "rtf/rtffont.h"

#include <QStringDecoder>

#include <array>
#include <optional>

namespace {

// Adobe Symbol glyphs from 0x20 to 0xFF; 0 where the font has none.
constexpr char16_t kSymbol[224] = {
    // 0x20
    0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220B, 0x0028, 0x0029, 0x2217, 0x002B,
    0x002C, 0x2212, 0x002E, 0x002F,
    // 0x30
    0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B,
    0x003C, 0x003D, 0x003E, 0x003F,
    // 0x40
    0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A,
    0x039B, 0x039C, 0x039D, 0x039F,
    // 0x50
    0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0x005B,
    0x2234, 0x005D, 0x22A5, 0x005F,
    // 0x60
    0x203E, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5, 0x03BA,
    0x03BB, 0x03BC, 0x03BD, 0x03BF,
    // 0x70
    0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6, 0x007B,
    0x007C, 0x007D, 0x223C, 0,
    // 0x80
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0x90
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    // 0xA0
    0x20AC, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194,
    0x2190, 0x2191, 0x2192, 0x2193,
    // 0xB0
    0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, 0x00F7, 0x2260, 0x2261, 0x2248,
    0x2026, 0x23D0, 0x23AF, 0x21B5,
    // 0xC0
    0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284,
    0x2282, 0x2286, 0x2208, 0x2209,
    // 0xD0
    0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4,
    0x21D0, 0x21D1, 0x21D2, 0x21D3,
    // 0xE0
    0x25CA, 0x2329, 0x00AE, 0x00A9, 0x2122, 0x2211, 0x239B, 0x239C, 0x239D, 0x23A1, 0x23A2, 0x23A3,
    0x23A7, 0x23A8, 0x23A9, 0x23AA,
    // 0xF0
    0, 0x232A, 0x222B, 0x2320, 0x23AE, 0x2321, 0x239E, 0x239F, 0x23A0, 0x23A4, 0x23A5, 0x23A6,
    0x23AB, 0x23AC, 0x23AD, 0};

// The Wingdings glyphs that documents use as list bullets and check marks.
char16_t wingdingsChar(unsigned char glyph)
{
    switch (glyph) {
    case 0x4A:
        return 0x263A;
    case 0x6C:
        return 0x25CF;
    case 0x6E:
        return 0x25A0;
    case 0x6F:
        return 0x25A1;
    case 0x71:
        return 0x2751;
    case 0x75:
        return 0x25C6;
    case 0x76:
        return 0x2756;
    case 0x9F:
        return 0x2022;
    case 0xA1:
        return 0x25CB;
    case 0xA7:
        return 0x25AA;
    case 0xA8:
        return 0x25FB;
    case 0xD8:
        return 0x27A2;
    case 0xE8:
        return 0x2794;
    case 0xFB:
        return 0x2717;
    case 0xFC:
        return 0x2713;
    case 0xFD:
        return 0x2612;
    case 0xFE:
        return 0x2611;
    default:
        break;
    }
    if (glyph == 0x80)
        return 0x24EA; // circled digits 0 to 10
    if (glyph >= 0x81 && glyph <= 0x8A)
        return char16_t(0x2460 + glyph - 0x81);
    if (glyph == 0x8B)
        return 0x24FF; // negative circled digits 0 to 10
    if (glyph >= 0x8C && glyph <= 0x95)
        return char16_t(0x2776 + glyph - 0x8C);
    if (glyph == 0x9E)
        return 0x00B7;
    if (glyph >= 0x7F && glyph <= 0x9F)
        return 0xFFFD; // ornaments without a Unicode twin: visible, never a control character
    return glyph >= 0x20 ? glyph : 0;
}

bool isMultiByte(int codePage)
{
    switch (codePage) {
    case 932:
    case 936:
    case 949:
    case 950:
    case 1361:
    case 10001:
    case 10002:
    case 10003:
    case 10008:
    case 20932:
    case 51932:
    case 51936:
    case 51949:
    case 54936:
    case 65001:
        return true;
    default:
        return false;
    }
}

bool isDosPage(int codePage)
{
    switch (codePage) {
    case 437:
    case 737:
    case 775:
    case 850:
    case 852:
    case 855:
    case 857:
    case 860:
    case 861:
    case 862:
    case 863:
    case 864:
    case 865:
    case 866:
    case 869:
        return true;
    default:
        return false;
    }
}

// The code pages that get a decoder of their own; any other number reads as 1252. Keeping the
// set closed bounds the work a document with thousands of made-up \cpg values can cause.
bool isKnownPage(int codePage)
{
    if (codePage == RtfTextDecoder::SymbolPage || codePage == RtfTextDecoder::WingdingsPage)
        return true;
    if (isMultiByte(codePage) || isDosPage(codePage))
        return true;
    if ((codePage >= 1250 && codePage <= 1258) || (codePage >= 28591 && codePage <= 28605))
        return true;
    switch (codePage) {
    case 708:
    case 874:
    case 10000:
    case 10004:
    case 10005:
    case 10006:
    case 10007:
    case 10021:
    case 10029:
    case 10081:
    case 20866:
    case 21866:
        return true;
    default:
        return false;
    }
}

// Qt's (ICU's) names for the Windows, DOS and Mac code pages RTF uses.
QStringDecoder decoderFor(int codePage)
{
    const char *name = nullptr;
    switch (codePage) {
    case 437:
        name = "IBM437";
        break;
    case 708:
        name = "ISO-8859-6";
        break;
    case 874:
        name = "windows-874";
        break;
    case 932:
        name = "windows-31j";
        break;
    case 936:
        name = "GBK";
        break;
    case 949:
        name = "windows-949";
        break;
    case 950:
        name = "Big5";
        break;
    case 1361:
        name = "windows-949";
        break; // no Johab decoder; Korean at least
    case 10000:
        name = "macintosh";
        break;
    case 10001:
        name = "Shift_JIS";
        break;
    case 10002:
        name = "Big5";
        break;
    case 10003:
        name = "windows-949";
        break;
    case 10004:
        name = "windows-1256";
        break;
    case 10005:
        name = "windows-1255";
        break;
    case 10006:
        name = "x-mac-greek";
        break;
    case 10007:
        name = "x-mac-cyrillic";
        break;
    case 10008:
        name = "GBK";
        break;
    case 10021:
        name = "windows-874";
        break;
    case 10029:
        name = "x-mac-ce";
        break;
    case 10081:
        name = "x-mac-turkish";
        break;
    case 20866:
        name = "KOI8-R";
        break;
    case 21866:
        name = "KOI8-U";
        break;
    case 20932:
    case 51932:
        name = "EUC-JP";
        break;
    case 51936:
        name = "GBK";
        break;
    case 51949:
        name = "EUC-KR";
        break;
    case 54936:
        name = "GB18030";
        break;
    case 65001:
        name = "UTF-8";
        break;
    default:
        break;
    }
    const auto flags = QStringDecoder::Flag::Stateless;
    if (name) {
        QStringDecoder decoder(name, flags);
        if (decoder.isValid())
            return decoder;
    }
    QByteArray guess;
    if (codePage >= 1250 && codePage <= 1258)
        guess = "windows-" + QByteArray::number(codePage);
    else if (codePage >= 28591 && codePage <= 28605)
        guess = "ISO-8859-" + QByteArray::number(codePage - 28590);
    else if (isDosPage(codePage))
        guess = "IBM" + QByteArray::number(codePage);
    if (!guess.isEmpty()) {
        QStringDecoder decoder(guess.constData(), flags);
        if (decoder.isValid())
            return decoder;
    }
    return QStringDecoder("windows-1252", flags);
}

} // namespace

struct RtfTextDecoder::Page
{
    int codePage = 0;
    bool singleByte = true;
    std::array<char16_t, 256> table{};
    std::optional<QStringDecoder> decoder;
};

RtfTextDecoder::RtfTextDecoder() = default;
RtfTextDecoder::~RtfTextDecoder() = default;

int RtfTextDecoder::codePageForCharset(int charset, int documentPage)
{
    switch (charset) {
    case 0:
        return 1252;
    case 2:
        return SymbolPage;
    case 77:
        return 10000;
    case 78:
        return 10001;
    case 79:
        return 10003;
    case 80:
        return 10008;
    case 81:
        return 10002;
    case 83:
        return 10005;
    case 84:
        return 10004;
    case 85:
        return 10006;
    case 86:
        return 10081;
    case 87:
        return 10021;
    case 88:
        return 10029;
    case 89:
        return 10007;
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
    case 181:
        return 1255;
    case 178:
    case 179:
    case 180:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 254:
        return 437;
    case 255:
        return 850;
    default:
        return documentPage; // 1 (default) and unknown values
    }
}

int RtfTextDecoder::codePageForFont(const RtfFont &font, int documentPage)
{
    if (font.name.contains(QLatin1String("wingdings"), Qt::CaseInsensitive))
        return WingdingsPage;
    if (font.name.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0)
        return SymbolPage;
    if (font.charset == 2) {
        // Other symbol-charset fonts: only the Symbol look-alikes share its layout.
        const bool symbolLike =
            font.name.contains(QLatin1String("symbol"), Qt::CaseInsensitive) &&
            !font.name.contains(QLatin1String("opensymbol"), Qt::CaseInsensitive);
        return symbolLike ? SymbolPage : 1252;
    }
    if (font.codePage > 0)
        return font.codePage;
    return codePageForCharset(font.charset, documentPage);
}

bool RtfTextDecoder::isGlyphFontName(const QString &family)
{
    return family.contains(QLatin1String("wingdings"), Qt::CaseInsensitive) ||
           family.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
}

char16_t RtfTextDecoder::glyphChar(int page, unsigned char glyph)
{
    if (page == WingdingsPage)
        return wingdingsChar(glyph);
    return glyph >= 0x20 ? kSymbol[glyph - 0x20] : 0;
}

RtfTextDecoder::Page *RtfTextDecoder::page(int codePage)
{
    if (m_last && m_last->codePage == codePage)
        return m_last;
    if (!isKnownPage(codePage))
        codePage = 1252;
    if (const auto it = m_pages.find(codePage); it != m_pages.end())
        return m_last = it->second.get();
    auto p = std::make_unique<Page>();
    p->codePage = codePage;
    if (codePage == SymbolPage || codePage == WingdingsPage) {
        for (int b = 0; b < 256; ++b)
            p->table[b] = glyphChar(codePage, static_cast<unsigned char>(b));
        p->table['\t'] = '\t';
    } else if (isMultiByte(codePage)) {
        p->singleByte = false;
        p->decoder.emplace(decoderFor(codePage));
    } else {
        QStringDecoder decoder = decoderFor(codePage);
        for (int b = 0; b < 256; ++b) {
            char16_t c = static_cast<char16_t>(b);
            if (b >= 0x80) {
                const char byte = static_cast<char>(b);
                const QString s = decoder.decode(QByteArrayView(&byte, 1));
                c = s.size() == 1 ? s.at(0).unicode() : 0xFFFD;
            }
            p->table[b] = isDropped(c) ? 0 : c;
        }
    }
    m_last = p.get();
    m_pages.emplace(codePage, std::move(p));
    return m_last;
}

const char16_t *RtfTextDecoder::singleByteTable(int codePage)
{
    Page *p = page(codePage);
    return p->singleByte ? p->table.data() : nullptr;
}

void RtfTextDecoder::decode(int codePage, QByteArrayView bytes, QString &out)
{
    Page *p = page(codePage);
    if (p->singleByte) {
        for (const char b : bytes) {
            if (const char16_t c = p->table[static_cast<unsigned char>(b)])
                out.append(QChar(c));
        }
        return;
    }
    // Straight into out, which grows by its own steps: double-byte text comes in many short
    // runs (a brace or a \' in it ends one), and each would otherwise cost a string of its own.
    const qsizetype old = out.size();
    out.resize(old + p->decoder->requiredSpace(bytes.size()));
    QChar *const start = out.data() + old;
    QChar *const end = p->decoder->appendToBuffer(start, bytes);
    QChar *kept = start;
    for (const QChar *c = start; c != end; ++c) {
        if (!isDropped(c->unicode()))
            *kept++ = *c;
    }
    out.resize(old + (kept - start));
}
