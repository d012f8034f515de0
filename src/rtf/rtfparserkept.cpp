// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfparser.h"

#include "rtf/rtfkeptwords.h"

#include <algorithm>

// Marks a group whose bytes the sink gets back when it closes; only the outermost one counts.
void RtfParser::keepGroup(RtfGroupState &group)
{
    // A group that showed something before its destination word is not kept: that part would
    // be written twice.
    if (!group.kept && group.contentAtOpen == m_emitted + m_structures) {
        group.kept = true;
        group.keepHere = true;
        // Parts kept within it so far go with it.
        dropHiddenText();
        m_kept.takeBack(group.keptAtOpen);
    }
}

void RtfParser::emitKept(qsizetype start, bool withFormat, bool breakBefore)
{
    if (start < 0 || start >= m_offset)
        return;
    flushBytes();
    // A blank list label waits for the paragraph's \ls: a part kept after it goes before it.
    if (!heldBlankLabel())
        flushText();
    const QByteArray closed = m_closingAtEnd ? closedSlice(start) : QByteArray();
    const QByteArrayView rtf =
        m_closingAtEnd ? QByteArrayView(closed) : m_input.sliced(start, m_offset - start);
    // Written back on its own, a part of hidden text must stay hidden, and \u in it must skip
    // as many characters as it did.
    // An object's result is read back in the paragraph and character format it was shown in.
    QByteArray context = hidingContext(state().chars);
    if (withFormat) {
        const RtfGroupState &s = state();
        const bool styled = s.paragraph.style >= 0 && s.styledChars;
        RtfHiddenRun::Context formats = hiddenRunContext(s.chars, styled ? s.paragraph.style : -1);
        formats.explicitFormat = styled;
        // Nested past what a document shows, it is saved in the deepest cell shown.
        RtfParagraphFormat paragraph = s.paragraph;
        paragraph.nestLevel = std::min(paragraph.nestLevel, int(RtfContentSink::MaxNesting));
        // A page break before the paragraph it began in is said with it: read back, the part's
        // \pard would otherwise take the break from that paragraph, which a \page inside the
        // part may end. One said inside the part is the part's own.
        if (breakBefore && paragraph.tableLevel() == 0)
            paragraph.pageBreakBefore = true;
        context = RtfHiddenRun::paragraphWords(paragraph, s.styledChars) +
                  RtfHiddenRun::formatWords(s.chars, formats);
        // Shown within a list label, it is read back as part of the label.
        if (s.chars.listLabel)
            context += s.chars.listLabel == 1 ? "\\listtext" : "\\pntext";
    } else if (const int font = state().chars.font; decodesOtherwise(font, rtf)) {
        context += "\\f" + QByteArray::number(font);
        m_tables.holdFont(font);
    }
    if (state().unicodeSkip != 1)
        context += "\\uc" + QByteArray::number(state().unicodeSkip);
    if (!context.isEmpty())
        m_kept.append('{' + context + ' ');
    m_kept.append(rtf);
    if (!context.isEmpty())
        m_kept.append("}");
}

// Whether the bytes of a kept part read in the given font decode otherwise than with no font,
// as a save writes them: another code page those past ASCII; a symbol font every letter of a
// part that shows text (a destination marked ignorable shows none).
bool RtfParser::decodesOtherwise(int font, QByteArrayView rtf)
{
    if (font == RtfCharFormat::NoFont)
        return false;
    const int page = codePage(font);
    if (page == m_pages.documentPage())
        return false;
    if (rtf.contains("\\'") ||
        std::any_of(rtf.begin(), rtf.end(), [](char c) { return uchar(c) >= 0x80; }))
        return true;
    const bool glyphFont =
        page == RtfTextDecoder::SymbolPage || page == RtfTextDecoder::WingdingsPage;
    return glyphFont && !rtf.startsWith("{\\*");
}

// What makes a kept part written back on its own stay hidden, as it was.
QByteArray RtfParser::hidingContext(const RtfCharFormat &chars)
{
    QByteArray context;
    if (chars.hidden)
        context += "\\v";
    if (chars.deleted)
        context += "\\deleted";
    return context;
}

// The colour table entries of a hidden run's format.
RtfHiddenRun::Context RtfParser::hiddenRunContext(const RtfCharFormat &format, int paragraphStyle)
{
    auto index = [this](quint32 color) {
        return color >> 24 ? m_tables.colorIndex(color) : -1;
    };
    RtfHiddenRun::Context context;
    context.foreground = index(format.foreground);
    context.background = index(format.background);
    // A style that gives a colour is undone by an "auto" one, where the format has none.
    auto coloured = [](const QHash<int, Style> &styles, int number) {
        const auto it = styles.constFind(number);
        return it != styles.constEnd() && ((it->chars.foreground | it->chars.background) >> 24);
    };
    const QByteArrayView style = RtfKeptWords::entry(*format.words, "cs");
    const bool styleColour =
        (!style.isEmpty() && coloured(m_characterStyles, style.sliced(3).trimmed().toInt())) ||
        (paragraphStyle >= 0 && coloured(m_paragraphStyles, paragraphStyle));
    if (const int autoColor = m_tables.colorIndex(0u); styleColour && autoColor >= 0)
        context.autoColor = autoColor;
    return context;
}

// Hidden text of a group that is kept whole: the group's bytes hold it.
void RtfParser::dropHiddenText()
{
    flushBytes();
    if (m_textFormat.isHiddenText())
        m_text.resize(0);
}

// Kept parts go to the sink just before what follows them is shown: until then a field that
// turns out to show nothing can take them back, being kept whole itself. tableLevel: that of
// what follows.
void RtfParser::sendKept(int tableLevel)
{
    // Before any content it is the preamble, unless that content is a table's.
    if (!m_kept.isEmpty())
        m_sink->hidden(m_kept.send(), !m_bodyStarted && tableLevel == 0);
}
