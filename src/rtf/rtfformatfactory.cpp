// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfformatfactory.h"

#include "rtf/rtfboxwords.h"
#include "rtf/rtfparser.h"
#include "rtf/rtfproperties.h"
#include "rtf/rtfscriptshown.h"
#include "rtf/rtfscriptwords.h"
#include "rtf/rtfsimplified.h"
#include "rtf/rtftextdecoder.h"

#include <algorithm>

namespace {

// Document lengths are in pixels at 96 dpi: 15 twips each.
qreal pixels(int twips)
{
    return twips / 15.0;
}

} // namespace

RtfFormatFactory::RtfFormatFactory(const RtfParser &parser, int &simplified)
    : m_parser(parser), m_simplified(simplified)
{
}

void RtfFormatFactory::newFieldEpoch()
{
    ++m_fieldEpoch;
    m_haveLastFormat = false;
}

// Paragraphs mostly repeat the format of the one before: it is made once for them all.
const QTextBlockFormat &RtfFormatFactory::blockFormat(const RtfParagraphFormat &paragraph)
{
    if (!m_haveLastParagraph || !(paragraph == m_lastParagraph)) {
        m_lastBlockFormat = makeBlockFormat(paragraph);
        if (!paragraph.words.isEmpty()) {
            const std::vector<quint32> &colors = m_parser.colors();
            if (const QColor shading = RtfBoxWords::shading(*paragraph.words, colors, false);
                shading.isValid())
                m_lastBlockFormat.setProperty(RtfProperty::ParagraphShading, shading);
            if (const QVariantList borders = RtfBoxWords::borders(*paragraph.words, colors);
                !borders.isEmpty())
                m_lastBlockFormat.setProperty(RtfProperty::ParagraphBorders, borders);
        }
        if (m_lastBlockFormat.hasProperty(RtfProperty::TabLeaders) ||
            m_lastBlockFormat.hasProperty(RtfProperty::ParagraphShading) ||
            m_lastBlockFormat.hasProperty(RtfProperty::ParagraphBorders))
            m_decorated = true;
        m_lastParagraph = paragraph;
        m_haveLastParagraph = true;
    }
    return m_lastBlockFormat;
}

size_t RtfFormatFactory::CharFormatHash::operator()(const RtfCharFormat &f) const
{
    // Equal formats hash alike; what is left out only makes formats share a bucket.
    return qHashMulti(0, f.font, f.halfPoints, f.foreground, f.background, f.link, f.underline,
                      f.vertical, f.offset, f.bold, f.italic, f.strike, f.caps, f.smallCaps,
                      f.listLabel, f.words, f.script);
}

QTextBlockFormat RtfFormatFactory::makeBlockFormat(const RtfParagraphFormat &paragraph)
{
    QTextBlockFormat format;
    switch (paragraph.alignment) {
    case RtfParagraphFormat::Center:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case RtfParagraphFormat::Right:
        format.setAlignment(Qt::AlignRight);
        break;
    case RtfParagraphFormat::Justify:
        format.setAlignment(Qt::AlignJustify);
        break;
    default:
        format.setAlignment(Qt::AlignLeft);
        break;
    }
    // Word processors lay out a paragraph left to right unless it says otherwise. LibreOffice
    // keeps \ql and \qr where they say in a right-to-left paragraph too (\ql is at the left),
    // where Qt would mirror them.
    if (paragraph.direction == RtfParagraphFormat::RightToLeft) {
        format.setLayoutDirection(Qt::RightToLeft);
        format.setAlignment(format.alignment() | Qt::AlignAbsolute);
    } else {
        format.setLayoutDirection(Qt::LeftToRight);
    }
    format.setLeftMargin(pixels(paragraph.leftIndent));
    format.setRightMargin(pixels(paragraph.rightIndent));
    format.setTextIndent(pixels(paragraph.firstLineIndent));
    // Qt measures tab stops from where the line starts, RTF from the margin; the first line's
    // start is the one that counts. With a hanging indent the left indent is a tab stop of its
    // own: a list's label and its tab end where the item's text begins.
    QList<QTextOption::Tab> tabs;
    QVariantList leaders; // Qt draws none: a save writes each back with its stop
    QVariantList bars;    // nor bar tabs
    const int lineStart = paragraph.leftIndent + paragraph.firstLineIndent;
    for (const int stop : *paragraph.tabStops) {
        if (RtfParagraphFormat::tabKind(stop) == RtfParagraphFormat::BarTab) {
            if (const int at = RtfParagraphFormat::tabPosition(stop); !bars.contains(at))
                bars.append(at);
            continue;
        }
        const int position = RtfParagraphFormat::tabPosition(stop) - lineStart;
        if (position <= 0)
            continue;
        // A stop said twice is one, with the leader said first.
        const int at = RtfParagraphFormat::tabPosition(stop);
        const bool known = std::any_of(leaders.cbegin(), leaders.cend(),
                                       [at](const QVariant &v) { return v.toInt() / 8 == at; });
        if (const int leader = RtfParagraphFormat::tabLeader(stop); leader && !known)
            leaders.append(at * 8 + leader);
        QTextOption::Tab tab(pixels(position), QTextOption::LeftTab);
        switch (RtfParagraphFormat::tabKind(stop)) {
        case RtfParagraphFormat::CenterTab:
            tab.type = QTextOption::CenterTab;
            break;
        case RtfParagraphFormat::RightTab:
            tab.type = QTextOption::RightTab;
            break;
        case RtfParagraphFormat::DecimalTab:
            tab.type = QTextOption::DelimiterTab;
            tab.delimiter = QLatin1Char('.');
            break;
        default:
            break;
        }
        tabs.append(tab);
    }
    if (paragraph.firstLineIndent < 0 && paragraph.leftIndent > 0)
        tabs.append(QTextOption::Tab(pixels(-paragraph.firstLineIndent), QTextOption::LeftTab));
    // A leader goes with its stop's position, whatever the order the stops were said in.
    std::sort(leaders.begin(), leaders.end(),
              [](const QVariant &a, const QVariant &b) { return a.toInt() < b.toInt(); });
    if (!tabs.isEmpty() || !bars.isEmpty()) {
        std::stable_sort(tabs.begin(), tabs.end(),
                         [](const auto &a, const auto &b) { return a.position < b.position; });
        tabs.erase(std::unique(tabs.begin(), tabs.end(),
                               [](const auto &a, const auto &b) {
                                   return qFuzzyCompare(a.position, b.position);
                               }),
                   tabs.end());
        if (!tabs.isEmpty())
            format.setTabPositions(tabs);
        size_t key = 0;
        for (const QTextOption::Tab &tab : tabs)
            key = qHashMulti(key, tab.position, int(tab.type), tab.delimiter);
        for (const QVariant &leader : std::as_const(leaders))
            key = qHashMulti(key, leader.toInt());
        for (const QVariant &bar : std::as_const(bars))
            key = qHashMulti(key, bar.toInt(), 1);
        format.setProperty(RtfProperty::ListsKey, int(key));
    }
    if (!leaders.isEmpty())
        format.setProperty(RtfProperty::TabLeaders, leaders);
    if (!bars.isEmpty())
        format.setProperty(RtfProperty::BarTabs, bars);
    format.setTopMargin(pixels(paragraph.spaceBefore));
    format.setBottomMargin(pixels(paragraph.spaceAfter));
    // \sl240\slmult1 is single spacing, the default.
    if (paragraph.lineSpacing != 0 && !(paragraph.lineMultiple && paragraph.lineSpacing == 240)) {
        if (paragraph.lineMultiple && paragraph.lineSpacing > 0)
            format.setLineHeight(paragraph.lineSpacing * 100.0 / 240.0,
                                 QTextBlockFormat::ProportionalHeight);
        else if (paragraph.lineSpacing > 0)
            format.setLineHeight(pixels(paragraph.lineSpacing), QTextBlockFormat::MinimumHeight);
        else
            format.setLineHeight(pixels(-paragraph.lineSpacing), QTextBlockFormat::FixedHeight);
    }
    if (paragraph.style >= 0)
        format.setProperty(RtfProperty::ParagraphStyle, paragraph.style);
    if (!paragraph.words.isEmpty())
        format.setProperty(RtfProperty::ParagraphWords,
                           RtfProperty::keptWordsValue(*paragraph.words));
    if (paragraph.endsSection)
        format.setProperty(RtfProperty::SectionEnd, true);
    return format;
}

QTextCharFormat RtfFormatFactory::charFormat(const RtfCharFormat &format)
{
    if (m_haveLastFormat && format == m_lastFormat)
        return m_lastCharFormat;
    // A document has a few dozen formats in a hundred thousand runs: each is made once. A field's
    // run is made each time, as its numbering depends on the runs before it, and so is a link's.
    if (format.field >= 0 || format.link >= 0)
        return remember(format, makeCharFormat(format));
    auto it = m_charFormats.find(format);
    // A file that gives each run a format of its own would only fill the cache: past its bound,
    // new formats are made as they come.
    if (it == m_charFormats.end() && m_charFormats.size() >= MaxCachedFormats)
        return remember(format, makeCharFormat(format));
    // A font defined after its first use changes what its number means from there on.
    const RtfFont *font = m_parser.fonts().find(format.font);
    const RtfFont used = font ? *font : RtfFont{-1, -1, -1, {}};
    if (it != m_charFormats.end()) {
        const RtfFont &kept = it->second.font;
        if (kept.number == used.number && kept.charset == used.charset &&
            kept.codePage == used.codePage && kept.name == used.name) {
            m_lastField = -1;
            return remember(format, it->second.format);
        }
    }
    CachedCharFormat &cached = m_charFormats[format];
    cached.format = makeCharFormat(format);
    cached.font = used;
    return remember(format, cached.format);
}

QTextCharFormat RtfFormatFactory::remember(const RtfCharFormat &format, const QTextCharFormat &made)
{
    m_lastFormat = format;
    m_lastCharFormat = made;
    m_haveLastFormat = true;
    return made;
}

QTextCharFormat RtfFormatFactory::makeCharFormat(const RtfCharFormat &format)
{
    QTextCharFormat f;
    f.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(format.italic);
    f.setFontStrikeOut(format.strike);
    switch (format.underline) {
    case RtfCharFormat::SingleUnderline:
        f.setUnderlineStyle(QTextCharFormat::SingleUnderline);
        break;
    case RtfCharFormat::DoubleUnderline:
        // Qt draws no double line; the property keeps it for a save.
        f.setUnderlineStyle(QTextCharFormat::SingleUnderline);
        f.setProperty(RtfProperty::DoubleUnderline, true);
        m_decorated = true;
        break;
    case RtfCharFormat::DottedUnderline:
        f.setUnderlineStyle(QTextCharFormat::DotLine);
        break;
    case RtfCharFormat::DashUnderline:
        f.setUnderlineStyle(QTextCharFormat::DashUnderline);
        break;
    case RtfCharFormat::WaveUnderline:
        f.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        break;
    default:
        f.setUnderlineStyle(QTextCharFormat::NoUnderline);
        break;
    }
    f.setFontPointSize(format.halfPoints / 2.0);
    // Symbol and Wingdings text is already Unicode: drawn in such a font it would show other
    // glyphs (or none), and written back under that font's name it would be mapped twice.
    if (const RtfFont *font = m_parser.fonts().find(format.font);
        font && !font->name.isEmpty() && !RtfTextDecoder::isGlyphFont(*font)) {
        // Each family costs a font look-up when the text is laid out; thousands of them would
        // stall the window. Real documents use a few dozen at most.
        if (m_families.contains(font->name) || m_families.size() < MaxFamilies) {
            m_families.insert(font->name);
            QStringList families{font->name};
            if (const QString &cjk = m_cjkFallback.familyFor(*font);
                !cjk.isEmpty() && cjk != font->name)
                families.append(cjk);
            f.setFontFamilies(families);
        } else {
            m_simplified |= RtfSimplified::FontsCapped;
        }
    }
    if (!format.script.isEmpty()) {
        // The text's own font goes among them where it was said; without a family it has none.
        const bool family = f.hasProperty(QTextFormat::FontFamilies);
        const ScriptKey key{&*format.script, family ? format.font : RtfCharFormat::NoFont};
        auto it = m_scripts.constFind(key);
        if (it == m_scripts.constEnd()) {
            QByteArray script = RtfScriptWords::withFontSlot(*format.script, format.font);
            // A font table may name one font twice (LibreOffice does, for two pitches): a save
            // writes the text's font under the first of them, so both are the text's font here.
            // Only the few \f among the words are looked up: the table may be long.
            if (const RtfFont *own = m_parser.fonts().find(format.font)) {
                const QByteArray said = script;
                for (qsizetype at = said.indexOf("\\f"); at >= 0;
                     at = said.indexOf("\\f", at + 2)) {
                    bool ok = false;
                    qsizetype end = at + 2;
                    while (end < said.size() &&
                           (said[end] == '-' || (said[end] >= '0' && said[end] <= '9')))
                        ++end;
                    const int number = said.mid(at + 2, end - at - 2).toInt(&ok);
                    const RtfFont *other = ok ? m_parser.fonts().find(number) : nullptr;
                    if (other && other->number != own->number && other->name == own->name)
                        script = RtfScriptWords::withFontSlot(script, number);
                }
            }
            // A font said before them (\deff ...) is written first, as a save writes it.
            if (family && !RtfScriptWords::hasFontSlot(script))
                script.prepend("\\f");
            it = m_scripts.insert(
                key, family ? script : RtfScriptWords::withFont(script, RtfCharFormat::NoFont));
        }
        f.setProperty(RtfProperty::ScriptWords, RtfProperty::keptWordsValue(*it));
    }
    if (format.foreground >> 24)
        f.setForeground(QColor::fromRgb(format.foreground));
    if (format.background >> 24) {
        f.setProperty(RtfProperty::Highlight, QColor::fromRgb(format.background));
        m_decorated = true;
    }
    if (format.vertical == RtfCharFormat::Superscript)
        f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (format.vertical == RtfCharFormat::Subscript)
        f.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (format.offset > 0 && format.vertical != RtfCharFormat::Baseline) {
        f.setProperty(RtfProperty::VerticalOffset, int(format.offset));
        if (format.offsetOnly)
            f.setProperty(RtfProperty::OffsetOnly, true);
    }
    if (format.caps)
        f.setFontCapitalization(QFont::AllUppercase);
    else if (format.smallCaps)
        f.setFontCapitalization(QFont::SmallCaps);
    if (format.field >= 0) {
        f.setProperty(RtfProperty::FieldInstruction, m_parser.fieldInstruction(format.field));
        // A field's result that goes on in another cell or table is another field to a save,
        // and so is one that goes on after another field's result.
        const qint64 key = qint64(m_fieldEpoch) << 32 | quint32(format.field);
        auto it = m_fieldIds.find(key);
        if (it == m_fieldIds.end() || format.field != m_lastField)
            it = m_fieldIds.insert(key, m_fieldCount++);
        f.setProperty(RtfProperty::FieldId, *it);
    }
    m_lastField = format.field;
    if (format.generated)
        f.setProperty(RtfProperty::Generated, true);
    if (!format.words.isEmpty())
        f.setProperty(RtfProperty::CharWords, RtfProperty::keptWordsValue(*format.words));
    if (format.listLabel)
        f.setProperty(RtfProperty::ListLabelKind, int(format.listLabel));
    const QByteArray &flags =
        format.field >= 0 ? m_parser.fieldFlags(format.field) : m_parser.linkFlags(format.link);
    const QByteArray &parts =
        format.field >= 0 ? m_parser.fieldParts(format.field) : m_parser.linkParts(format.link);
    if (!flags.isEmpty())
        f.setProperty(RtfProperty::FieldFlags, flags);
    if (!parts.isEmpty())
        f.setProperty(RtfProperty::FieldParts, parts);
    if (format.footnoteMark)
        f.setProperty(RtfProperty::FootnoteMark, true);
    if (format.link >= 0) {
        f.setAnchor(true);
        f.setAnchorHref(m_parser.linkTarget(format.link));
    }
    return f;
}

RtfFormatFactory::ScriptClass RtfFormatFactory::scriptClass(char16_t c)
{
    if ((c >= 0x0590 && c <= 0x08FF) || (c >= 0xFB1D && c <= 0xFDFF) ||
        (c >= 0xFE70 && c <= 0xFEFF))
        return ComplexScript; // Hebrew, Arabic, Syriac, Thaana ... and their presentation forms
    if ((c >= 0x1100 && c <= 0x11FF) || (c >= 0x2E80 && c <= 0xA4CF) ||
        (c >= 0xAC00 && c <= 0xD7AF) || (c >= 0xF900 && c <= 0xFAFF) ||
        (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFFEF) ||
        (c >= 0xD840 && c <= 0xD8BF)) // of the pairs, the supplementary ideographs
        return EastAsianScript;
    return OwnScript;
}

const RtfFormatFactory::ScriptFormats &RtfFormatFactory::scriptFormats(const RtfCharFormat &format)
{
    static const ScriptFormats none;
    if (format.script.isEmpty())
        return none;
    const QByteArray *words = &*format.script;
    auto it = m_scriptFormats.constFind(words);
    if (it == m_scriptFormats.constEnd()) {
        if (m_scriptFormats.size() >= 4096)
            m_scriptFormats.clear();
        it = m_scriptFormats.insert(words, {RtfScriptWords::associated(*words, true),
                                            RtfScriptWords::associated(*words, false)});
    }
    return *it;
}

bool RtfFormatFactory::hasScriptFormats(const RtfCharFormat &format)
{
    // The words of other scripts mean what they say beside the text's own font: without one a
    // save could write, a reading of the saved file would take them otherwise.
    const RtfFont *own = m_parser.fonts().find(format.font);
    if (!own || own->name.isEmpty() || RtfTextDecoder::isGlyphFont(*own) ||
        !m_families.contains(own->name))
        return false;
    const ScriptFormats &formats = scriptFormats(format);
    return !formats.complex.isEmpty() || !formats.eastAsian.isEmpty();
}

QTextCharFormat RtfFormatFactory::scriptFormat(const RtfCharFormat &format,
                                               const QTextCharFormat &base, ScriptClass script)
{
    if (script == OwnScript)
        return base;
    const ScriptFormats &formats = scriptFormats(format);
    const RtfScriptWords::Associated &said =
        script == ComplexScript ? formats.complex : formats.eastAsian;
    if (said.isEmpty())
        return base;
    QTextCharFormat shown = base;
    if (const RtfFont *font = m_parser.fonts().find(said.font);
        font && !font->name.isEmpty() && !RtfTextDecoder::isGlyphFont(*font) &&
        (m_families.contains(font->name) || m_families.size() < MaxFamilies)) {
        m_families.insert(font->name);
        shown.setFontFamilies(QStringList{font->name});
    }
    if (said.halfPoints > 0)
        shown.setFontPointSize(said.halfPoints / 2.0);
    if (said.bold >= 0)
        shown.setFontWeight(said.bold ? QFont::Bold : QFont::Normal);
    if (said.italic >= 0)
        shown.setFontItalic(said.italic);
    return RtfScriptShown::shown(base, shown);
}
