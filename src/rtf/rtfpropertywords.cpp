// SPDX-License-Identifier: GPL-3.0-or-later
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

// \super, \sub: the default offset, in a smaller size.
template <quint8 Vertical> void script(bool on, int, RtfCharFormat &c, RtfParagraphFormat &)
{
    c.vertical = on ? Vertical : quint8(RtfCharFormat::Baseline);
    c.offset = 0;
    c.offsetOnly = false;
}

// \upN, \dnN: an offset of its own (6 half-points unsaid), for super- or subscript text said
// before, or text moved in its own size.
template <quint8 Vertical> void moved(bool on, int p, RtfCharFormat &c, RtfParagraphFormat &)
{
    if (!on) {
        c.vertical = RtfCharFormat::Baseline;
        c.offset = 0;
        c.offsetOnly = false;
        return;
    }
    const bool scripted = c.vertical == Vertical && !c.offsetOnly;
    c.vertical = Vertical;
    c.offset = quint16(p > 0 ? std::min(p, kMaxHalfPoints) : 6);
    c.offsetOnly = !scripted;
}

template <quint8 Alignment> void align(bool, int, RtfCharFormat &, RtfParagraphFormat &p)
{
    p.alignment = Alignment;
}

struct Setter
{
    K keyword;
    Apply apply;
    quint32 chars;     // the property it says, of RtfGroupState::charsSaid
    quint32 paragraph; // or of paragraphSaid
};

using namespace RtfPropertyWords;

// A word without a value is on; \b0 and the like are off. (Words whose value is a number get the
// number through p; "on" then says whether they had one or it was not zero.)
constexpr Setter kSetters[] = {
    {K::B, [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) { c.bold = on; }, Bold, 0},
    {K::I, [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) { c.italic = on; }, Italic, 0},
    {K::Strike, [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) { c.strike = on; }, Strike,
     0},
    {K::Caps, [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) { c.caps = on; }, Caps, 0},
    {K::Scaps, [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) { c.smallCaps = on; },
     SmallCaps, 0},
    {K::V, [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) { c.hidden = on; }, Hidden, 0},
    {K::Deleted, [](bool on, int, RtfCharFormat &c, RtfParagraphFormat &) { c.deleted = on; },
     Deleted, 0},
    {K::Revauthdel, [](bool, int p, RtfCharFormat &c, RtfParagraphFormat &) { c.deletedBy = p; },
     Deleted, 0},
    {K::Revdttmdel, [](bool, int p, RtfCharFormat &c, RtfParagraphFormat &) { c.deletedAt = p; },
     Deleted, 0},
    {K::Ul, underline<RtfCharFormat::SingleUnderline>, Underline, 0},
    {K::Uldb, underline<RtfCharFormat::DoubleUnderline>, Underline, 0},
    {K::Uld, underline<RtfCharFormat::DottedUnderline>, Underline, 0},
    {K::Uldash, underline<RtfCharFormat::DashUnderline>, Underline, 0},
    {K::Ulwave, underline<RtfCharFormat::WaveUnderline>, Underline, 0},
    {K::Ulnone,
     [](bool, int, RtfCharFormat &c, RtfParagraphFormat &) {
         c.underline = RtfCharFormat::NoUnderline;
     },
     Underline, 0},
    {K::Super, script<RtfCharFormat::Superscript>, Vertical, 0},
    {K::Up, moved<RtfCharFormat::Superscript>, Vertical, 0},
    {K::Sub, script<RtfCharFormat::Subscript>, Vertical, 0},
    {K::Dn, moved<RtfCharFormat::Subscript>, Vertical, 0},
    {K::Nosupersub, script<RtfCharFormat::Baseline>, Vertical, 0},
    {K::Fs,
     [](bool, int v, RtfCharFormat &c, RtfParagraphFormat &) {
         c.halfPoints = v > 0 ? std::min(v, kMaxHalfPoints) : 24;
     },
     Size, 0},
    {K::Ql, align<RtfParagraphFormat::Left>, 0, Alignment},
    {K::Qc, align<RtfParagraphFormat::Center>, 0, Alignment},
    {K::Qr, align<RtfParagraphFormat::Right>, 0, Alignment},
    {K::Qj, align<RtfParagraphFormat::Justify>, 0, Alignment},
    {K::Pagebb,
     [](bool on, int, RtfCharFormat &, RtfParagraphFormat &p) { p.pageBreakBefore = on; }, 0,
     PageBreakBefore},
    {K::Li,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) { p.leftIndent = clampLength(v); }, 0,
     LeftIndent},
    {K::Ri,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) { p.rightIndent = clampLength(v); }, 0,
     RightIndent},
    {K::Fi,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) {
         p.firstLineIndent = clampLength(v);
     },
     0, FirstLineIndent},
    {K::Sb,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) {
         p.spaceBefore = std::clamp(v, 0, kMaxLength);
     },
     0, SpaceBefore},
    {K::Sa,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) {
         p.spaceAfter = std::clamp(v, 0, kMaxLength);
     },
     0, SpaceAfter},
    {K::Sl,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) { p.lineSpacing = clampLength(v); }, 0,
     LineSpacing},
    {K::Slmult, [](bool on, int, RtfCharFormat &, RtfParagraphFormat &p) { p.lineMultiple = on; },
     0, LineMultiple},
    {K::Intbl, [](bool, int, RtfCharFormat &, RtfParagraphFormat &p) { p.inTable = true; }, 0, 0},
    {K::Itap,
     [](bool, int v, RtfCharFormat &, RtfParagraphFormat &p) {
         p.nestLevel = std::clamp(v, 0, RtfParser::MaxTableLevel);
     },
     0, 0},
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
    std::array<Setter, kKeywords> table{};
    for (const Setter &s : kSetters)
        table[size_t(s.keyword)] = s;
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
                             RtfGroupState &state)
{
    const Setter &set = kApply[size_t(keyword)];
    if (!set.apply)
        return false;
    set.apply(!hasParameter || parameter != 0, parameter, state.chars, state.paragraph);
    state.charsSaid |= set.chars;
    state.paragraphSaid |= set.paragraph;
    return true;
}

void RtfPropertyWords::keepSaid(const RtfCharFormat &own, quint32 said, RtfCharFormat &into)
{
    if (said & Bold)
        into.bold = own.bold;
    if (said & Italic)
        into.italic = own.italic;
    if (said & Strike)
        into.strike = own.strike;
    if (said & Caps)
        into.caps = own.caps;
    if (said & SmallCaps)
        into.smallCaps = own.smallCaps;
    if (said & Hidden)
        into.hidden = own.hidden;
    if (said & Deleted) {
        into.deleted = own.deleted;
        into.deletedBy = own.deletedBy;
        into.deletedAt = own.deletedAt;
    }
    if (said & Underline)
        into.underline = own.underline;
    if (said & Size)
        into.halfPoints = own.halfPoints;
    if (said & Vertical) {
        into.offset = own.offset;
        into.offsetOnly = own.offsetOnly;
    }
    if (said & Vertical)
        into.vertical = own.vertical;
    if (said & Font)
        into.font = own.font;
    if (said & Foreground)
        into.foreground = own.foreground;
    if (said & Background)
        into.background = own.background;
    if (said & Script)
        into.script = own.script;
}

void RtfPropertyWords::keepSaid(const RtfParagraphFormat &own, quint32 said,
                                RtfParagraphFormat &into)
{
    if (said & Alignment)
        into.alignment = own.alignment;
    if (said & LeftIndent)
        into.leftIndent = own.leftIndent;
    if (said & RightIndent)
        into.rightIndent = own.rightIndent;
    if (said & FirstLineIndent)
        into.firstLineIndent = own.firstLineIndent;
    if (said & SpaceBefore)
        into.spaceBefore = own.spaceBefore;
    if (said & SpaceAfter)
        into.spaceAfter = own.spaceAfter;
    if (said & LineSpacing)
        into.lineSpacing = own.lineSpacing;
    if (said & LineMultiple)
        into.lineMultiple = own.lineMultiple;
    if (said & PageBreakBefore)
        into.pageBreakBefore = own.pageBreakBefore;
    if (said & TabStops)
        into.tabStops = own.tabStops;
    if (said & Direction)
        into.direction = own.direction;
}

char16_t RtfPropertyWords::character(RtfKeyword keyword)
{
    return kCharacter[size_t(keyword)];
}
