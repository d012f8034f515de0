// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfhiddenrun.h"

#include "rtf/rtfkeptwords.h"
#include "rtf/rtfscriptwords.h"

namespace {

void word(QByteArray &out, const char *name)
{
    out += '\\';
    out += name;
}

void word(QByteArray &out, const char *name, int value)
{
    word(out, name);
    out += QByteArray::number(value);
}

// A format that is on, or off when every format is said.
void toggle(QByteArray &out, const char *name, bool on, bool all)
{
    if (on)
        word(out, name);
    else if (all)
        word(out, name, 0);
}

// Which of \v and \deleted hide the text, and who deleted it when.
void hidingWords(QByteArray &out, const RtfCharFormat &format)
{
    if (format.hidden)
        word(out, "v");
    if (format.deleted) {
        word(out, "deleted");
        if (format.deletedBy >= 0)
            word(out, "revauthdel", format.deletedBy);
        if (format.deletedAt != 0)
            word(out, "revdttmdel", format.deletedAt);
    }
}

} // namespace

QByteArray RtfHiddenRun::formatWords(const RtfCharFormat &format, const Context &context)
{
    QByteArray out;
    hidingWords(out, format);
    // The kept words in their order, a character style among them: it brings its own formats,
    // which every format said after it, the ones that are off too, sets back to the text's.
    const bool all = context.explicitFormat || RtfKeptWords::contains(*format.words, "cs");
    out += *format.words;
    // The fonts of other scripts hold the text's own font where it was said.
    const QByteArray &script = *format.script;
    if (format.font != RtfCharFormat::NoFont && !RtfScriptWords::hasFont(script, format.font))
        word(out, "f", format.font);
    out += script;
    if (format.halfPoints != 24 || all)
        word(out, "fs", format.halfPoints);
    toggle(out, "b", format.bold, all);
    toggle(out, "i", format.italic, all);
    toggle(out, "strike", format.strike, all);
    static const char *const underlines[] = {"ulnone", "ul", "uldb", "uld", "uldash", "ulwave"};
    if ((format.underline > 0 || all) && format.underline < std::size(underlines))
        word(out, underlines[format.underline]);
    if (format.vertical == RtfCharFormat::Superscript && !format.offsetOnly)
        word(out, "super");
    else if (format.vertical == RtfCharFormat::Subscript && !format.offsetOnly)
        word(out, "sub");
    else if (all)
        word(out, "nosupersub");
    if (format.offset > 0 && format.vertical != RtfCharFormat::Baseline)
        word(out, format.vertical == RtfCharFormat::Superscript ? "up" : "dn", format.offset);
    toggle(out, "caps", format.caps, all);
    toggle(out, "scaps", format.smallCaps, all);
    const int foreground = context.foreground >= 0 ? context.foreground
                           : all                   ? context.autoColor
                                                   : -1;
    const int background = context.background >= 0 ? context.background
                           : all                   ? context.autoColor
                                                   : -1;
    if (foreground >= 0)
        word(out, "cf", foreground);
    if (background >= 0)
        word(out, "highlight", background);
    if (out.endsWith(' '))
        out.chop(1);
    return out;
}

QByteArray RtfHiddenRun::paragraphWords(const RtfParagraphFormat &paragraph, bool styledChars)
{
    QByteArray out;
    word(out, "pard");
    if (paragraph.inTable)
        word(out, "intbl");
    if (paragraph.nestLevel != 0)
        word(out, "itap", paragraph.nestLevel);
    // After a style every format is said, zeros too: the style brings its own.
    const bool styled = paragraph.style >= 0;
    if (styled) {
        word(out, "s", paragraph.style);
        if (!styledChars)
            word(out, "plain");
    }
    static const char *const alignments[] = {"ql", "qc", "qr", "qj"};
    if ((paragraph.alignment != RtfParagraphFormat::Left || styled) &&
        paragraph.alignment < std::size(alignments))
        word(out, alignments[paragraph.alignment]);
    const std::pair<const char *, int> lengths[] = {
        {"li", paragraph.leftIndent},      {"ri", paragraph.rightIndent},
        {"fi", paragraph.firstLineIndent}, {"sb", paragraph.spaceBefore},
        {"sa", paragraph.spaceAfter},      {"sl", paragraph.lineSpacing},
    };
    for (const auto &[name, value] : lengths) {
        if (value != 0 || styled)
            word(out, name, value);
    }
    if (paragraph.lineMultiple || styled)
        word(out, "slmult", paragraph.lineMultiple);
    if (paragraph.pageBreakBefore)
        word(out, "pagebb");
    static const char *const kinds[] = {nullptr, "tqc", "tqr", "tqdec"};
    for (const int stop : *paragraph.tabStops) {
        const int kind = RtfParagraphFormat::tabKind(stop);
        if (const int leader = RtfParagraphFormat::tabLeader(stop))
            word(out, tabLeaderWord(leader));
        if (kind < int(std::size(kinds)) && kinds[kind])
            word(out, kinds[kind]);
        word(out, kind == RtfParagraphFormat::BarTab ? "tb" : "tx",
             RtfParagraphFormat::tabPosition(stop));
    }
    if (!paragraph.words.isEmpty())
        out += ' ' + paragraph.words->chopped(1);
    return out;
}

QByteArray RtfHiddenRun::run(QStringView text, const RtfCharFormat &format, const Context &context)
{
    QByteArray out = '{' + formatWords(format, context);
    if (format.footnoteMark) {
        word(out, "chftn"); // the reader numbers it again
        return out + '}';
    }
    out += ' ';
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == u'\t') {
            out += "\\tab ";
        } else if (c == QChar::LineSeparator) {
            out += "\\line ";
        } else if (c == u' ') {
            out += ' ';
        } else {
            // Even ASCII: the font's table may come later in the file and make it a symbol
            // font, which would read the letter as another character.
            // Signed 16 bits, as RTF writes \u; '?' for readers that know no \u.
            word(out, "u", qint16(c));
            out += "\\'3f";
        }
    }
    return out + '}';
}

const char *RtfHiddenRun::tabLeaderWord(int leader)
{
    static const char *const words[] = {nullptr, "tldot", "tlhyph", "tlul",
                                        "tlth",  "tleq",  "tlmdot"};
    return leader > 0 && leader < int(std::size(words)) ? words[leader] : nullptr;
}

QByteArray RtfHiddenRun::paragraphMark(const RtfCharFormat &format)
{
    QByteArray out = "{";
    hidingWords(out, format);
    return out + "\\par}";
}
