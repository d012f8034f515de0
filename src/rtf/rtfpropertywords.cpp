#include "rtf/rtfpropertywords.h"

#include "rtf/rtfparser.h"

#include <algorithm>
#include <array>

namespace {

using K = RtfKeyword;
using Apply = void (*)(bool on, int p, RtfCharFormat &chars, RtfParagraphFormat &paragraph);
constexpr int kMaxLength = RtfParser::MaxLength;
constexpr int kMaxHalfPoints = 3276;

int clampLength(int twips)
{
    return std::clamp(twips, -kMaxLength, kMaxLength);
}

template <quint8 Style> void underline(bool on, int, RtfCharFormat &c, RtfParagraphFormat &)
{
    c.underline = on ? Style : quint8(RtfCharFormat::NoUnderline);
}

template <quint8 Alignment> void align(bool, int, RtfCharFormat &, RtfParagraphFormat &p)
{
    p.alignment = Alignment;
}

struct Setter
{
    K keyword;
    Apply apply;
};

// A word without a value is on; \b0 and the like are off. (Words whose value is a number get the
// number through p; "on" then says whether they had one or it was not zero.)
constexpr Setter kSetters[] = {
    {K::B,
     [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.bold = on;
     }},
    {K::I,
     [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.italic = on;
     }},
    {K::Strike,
     [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.strike = on;
     }},
    {K::Caps,
     [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.caps = on;
     }},
    {K::Scaps,
     [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.smallCaps = on;
     }},
    {K::V,
     [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.hidden = on;
     }},
    {K::Deleted,
     [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.deleted = on;
     }},
    {K::Revauthdel,
     [](bool, int p, RtfCharFormat &c, RtfParagraphFormat &) {
         c.deletedBy = p;
     }},
    {K::Revdttmdel,
     [](bool, int p, RtfCharFormat &c, RtfParagraphFormat &) {
         c.deletedAt = p;
     }},
    {K::Ul, underline<RtfCharFormat::SingleUnderline>},
    {K::Uldb, underline<RtfCharFormat::DoubleUnderline>},
    {K::Uld, underline<RtfCharFormat::DottedUnderline>},
    {K::Uldash, underline<RtfCharFormat::DashUnderline>},
    {K::Ulwave, underline<RtfCharFormat::WaveUnderline>},
    {K::Ulnone,
     [](bool, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.underline = RtfCharFormat::NoUnderline;
     }},
    {K::Super,
     [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.vertical = on ? RtfCharFormat::Superscript : RtfCharFormat::Baseline;
     }},
    {K::Up,
     [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.vertical = on ? RtfCharFormat::Superscript : RtfCharFormat::Baseline;
     }},
    {K::Sub,
     [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.vertical = on ? RtfCharFormat::Subscript : RtfCharFormat::Baseline;
     }},
    {K::Dn,
     [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.vertical = on ? RtfCharFormat::Subscript : RtfCharFormat::Baseline;
     }},
    {K::Nosupersub,
     [](bool, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.vertical = RtfCharFormat::Baseline;
     }},
    {K::Fs,
     [](bool, int v, RtfCharFormat &c, RtfParagraphFormat &) {
         c.halfPoints = v > 0 ? std::min(v, kMaxHalfPoints) : 24;
     }},
    {K::Ql, align<RtfParagraphFormat::Left>},
    {K::Qc, align<RtfParagraphFormat::Center>},
    {K::Qr, align<RtfParagraphFormat::Right>},
    {K::Qj, align<RtfParagraphFormat::Justify>},
    {K::Pagebb,
     [](bool on, int, RtfCharFormat &, RtfParagraphFormat &p) {
         p.pageBreakBefore = on;
     }},
    {K::Li,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) {
         p.leftIndent = clampLength(v);
     }},
    {K::Ri,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) {
         p.rightIndent = clampLength(v);
     }},
    {K::Fi,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) {
         p.firstLineIndent = clampLength(v);
     }},
    {K::Sb,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) {
         p.spaceBefore = std::clamp(v, 0, kMaxLength);
     }},
    {K::Sa,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) {
         p.spaceAfter = std::clamp(v, 0, kMaxLength);
     }},
    {K::Sl,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) {
         p.lineSpacing = clampLength(v);
     }},
    {K::Slmult,
     [](bool on, int, RtfCharFormat &, RtfParagraphFormat &p) {
         p.lineMultiple = on;
     }},
    {K::Intbl,
     [](bool, int, RtfCharFormat &, RtfParagraphFormat &p) {
         p.inTable = true;
     }},
    {K::Itap,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) {
         p.nestLevel = std::clamp(v, 0, RtfParser::MaxTableLevel);
     }},
};

struct Character
{
    K keyword;
    char16_t c;
};

constexpr Character kCharacters[] = {
    {K::Line, 0x2028},      {K::Tab, u'\t'},      {K::Emdash, 0x2014},  {K::Endash, 0x2013},
    {K::Bullet, 0x2022},    {K::Lquote, 0x2018},  {K::Rquote, 0x2019},  {K::Ldblquote, 0x201C},
    {K::Rdblquote, 0x201D}, {K::Emspace, 0x2003}, {K::Enspace, 0x2002}, {K::Qmspace, 0x2005},
    {K::Zwj, 0x200D},       {K::Zwnj, 0x200C},    {K::Ltrmark, 0x200E}, {K::Rtlmark, 0x200F},
};

constexpr size_t kKeywords = 256;

// Indexed by keyword: a lookup per word costs no more than the switch it replaces.
constexpr auto kApply = [] {
    std::array<Apply, kKeywords> table{};
    for (const Setter &s : kSetters)
        table[size_t(s.keyword)] = s.apply;
    return table;
}();

constexpr auto kCharacter = [] {
    std::array<char16_t, kKeywords> table{};
    for (const Character &c : kCharacters)
        table[size_t(c.keyword)] = c.c;
    return table;
}();

} // namespace

bool RtfPropertyWords::apply(RtfKeyword keyword, bool hasParameter, int parameter,
                             RtfCharFormat &chars, RtfParagraphFormat &paragraph)
{
    const Apply set = kApply[size_t(keyword)];
    if (!set)
        return false;
    set(!hasParameter || parameter != 0, parameter, chars, paragraph);
    return true;
}

char16_t RtfPropertyWords::character(RtfKeyword keyword)
{
    return kCharacter[size_t(keyword)];
}
