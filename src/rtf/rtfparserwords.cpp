// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfparser.h"

#include "rtf/rtfkeptwords.h"
#include "rtf/rtfpropertywords.h"
#include "rtf/rtfscriptwords.h"
#include "rtf/rtftextdecoder.h"

#include <algorithm>
#include <climits>

namespace {
constexpr qsizetype kMaxTabStops = 64;
} // namespace

void RtfParser::handleWord(QByteArrayView name, bool hasParameter, int parameter)
{
    flushBytes();
    RtfGroupState &s = state();
    const RtfKeyword keyword = RtfKeywords::lookup(name);
    if (s.starred) {
        s.starred = false;
        if (!RtfKeywords::isKnownDestination(keyword)) {
            if (s.destination == RtfGroupState::Body)
                keepGroup(s);
            else if (s.destination == RtfGroupState::FieldInstruction)
                s.instructionPart = instructionPartAllowed(s);
            s.destination = RtfGroupState::Skip;
            return;
        }
    }
    if (s.destination == RtfGroupState::Skip) {
        if (s.listTable) {
            // Kept as it is for a save, and read for the numbers of list items.
            m_listFollows.word(RtfListFollows::Table(s.listTable), name, hasParameter, parameter);
            m_listTable.word(RtfListTable::Table(s.listTable), name, hasParameter, parameter);
            if (keyword == RtfKeyword::U)
                m_skipUnits = s.unicodeSkip;
        }
        if (keyword == RtfKeyword::Ud && s.inUpr) {
            s.destination = s.uprDestination;
            s.inUpr = false;
        }
        return;
    }

    // The simple property words, the same wherever they are said.
    if (RtfPropertyWords::apply(keyword, hasParameter, parameter, s))
        return;
    if (const char16_t c = RtfPropertyWords::character(keyword)) {
        appendChar(c);
        return;
    }
    if (s.destination == RtfGroupState::NoteText && noteWord(keyword, hasParameter, parameter))
        return;
    if (!destinationWord(keyword, parameter))
        commonWord(keyword, name, hasParameter, parameter);
}

// The words a note's text is read with; the others it says are group words (\f ...) or
// destinations, not shown.
bool RtfParser::noteWord(RtfKeyword keyword, bool hasParameter, int parameter)
{
    using K = RtfKeyword;
    RtfGroupState &s = state();
    switch (keyword) {
    case K::Par:
    case K::Sect:
    case K::Page:
    case K::Row:
    case K::Nestrow:
        m_notes.append(u"\n");
        return true;
    case K::Cell:
    case K::Nestcell:
        m_notes.append(u"\t");
        return true;
    case K::Ftnalt:
        noteIsEndnote();
        return true;
    case K::F:
        if (hasParameter)
            s.chars.font = parameter;
        return true;
    case K::U:
    case K::Uc:
        return false;
    case K::Field: // a field's result is shown, its instruction not
    case K::Fldrslt:
        return true;
    default:
        if (RtfKeywords::isKnownDestination(keyword))
            s.destination = RtfGroupState::Skip;
        return true;
    }
}

// \footnote: its text is read for the end of the document, under the mark shown before it.
void RtfParser::beginNote()
{
    RtfGroupState &s = state();
    const bool marked = m_lastMark.shownAfter == m_emitted + m_structures;
    m_notes.begin(marked ? m_lastMark.text : QString());
    if (!marked)
        m_lastMark = NoteMark();
    s.destination = RtfGroupState::NoteText;
}

// \ftnalt: the note is an endnote, numbered with the endnotes. Its mark, when still waiting to
// be shown, shows that number.
void RtfParser::noteIsEndnote()
{
    if (m_lastMark.shownAfter < 0) {
        m_notes.setMark(QString(), true);
        return;
    }
    const QString mark = m_notes.footnoteWasEndnote();
    if (m_lastMark.shownAfter == m_emitted + m_structures && m_textFormat.footnoteMark &&
        !m_textFormat.isHiddenText() && m_text.endsWith(m_lastMark.text)) {
        m_text.chop(m_lastMark.text.size());
        m_text += mark;
        m_emitted += mark.size() - m_lastMark.text.size();
    }
    m_notes.setMark(mark, true);
    m_lastMark = NoteMark();
}

// The words of the font and colour tables, pictures and \pn numbering, read only there.
bool RtfParser::destinationWord(RtfKeyword keyword, int parameter)
{
    using K = RtfKeyword;
    const int p = parameter;
    switch (state().destination) {
    case RtfGroupState::FontTable:
        switch (keyword) {
        case K::F:
            commitFont();
            m_tables.beginFont(p, m_pages.decoder(), m_pages.documentPage());
            return true;
        case K::Fcharset:
            m_tables.setCharset(p);
            return true;
        case K::Cpg:
            m_tables.setFontCodePage(p);
            return true;
        default:
            return false;
        }
    case RtfGroupState::ColorTable:
        switch (keyword) {
        case K::Red:
        case K::Green:
        case K::Blue:
            m_tables.setColorComponent(keyword == K::Red ? 0 : keyword == K::Green ? 1 : 2, p);
            return true;
        default:
            return false;
        }
    case RtfGroupState::Picture:
        switch (keyword) {
        case K::Pngblip:
        case K::Jpegblip:
            m_picture.kind = keyword == K::Pngblip ? RtfPicture::Png : RtfPicture::Jpeg;
            return true;
        case K::Picwgoal:
            m_picture.goalWidth = std::clamp(p, 0, MaxLength);
            return true;
        case K::Pichgoal:
            m_picture.goalHeight = std::clamp(p, 0, MaxLength);
            return true;
        case K::Picscalex:
            m_picture.scaleX = p > 0 ? std::min(p, 1000) : 100;
            return true;
        case K::Picscaley:
            m_picture.scaleY = p > 0 ? std::min(p, 1000) : 100;
            return true;
        default:
            return false;
        }
    case RtfGroupState::ListNumbering:
    case RtfGroupState::StyleEntry: // a style that numbers its paragraphs
        switch (keyword) {
        case K::Pnlvl:
        case K::Pnlvlblt:
        case K::Pnlvlbody:
        case K::Pnlvlcont:
        case K::Pndec:
        case K::Pnucltr:
        case K::Pnlcltr:
        case K::Pnucrm:
        case K::Pnlcrm:
        case K::Pnstart:
        case K::Pnf:
        case K::Pnprev:
            numberingRead().word(keyword, p);
            return true;
        default:
            return false;
        }
    default:
        return false;
    }
}

void RtfParser::commonWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter,
                           int parameter)
{
    RtfGroupState &s = state();
    const int p = parameter;
    RtfCharFormat &chars = s.chars;
    RtfParagraphFormat &para = s.paragraph;
    using K = RtfKeyword;
    switch (keyword) {
    case K::Stylesheet:
        if (s.destination == RtfGroupState::Body) {
            keepGroup(s);
            s.destination = RtfGroupState::Stylesheet;
        } else {
            s.destination = RtfGroupState::Skip;
        }
        break;
    case K::S:
    case K::Cs:
    case K::Ds:
    case K::Ts:
        if (s.destination == RtfGroupState::StyleEntry) {
            s.styleNumber = p;
            s.characterStyle = keyword != K::S;
        } else if (s.destination == RtfGroupState::Body && (keyword == K::S || keyword == K::Cs)) {
            applyStyle(p, keyword == K::Cs);
            if (keyword == K::S)
                s.paragraph.style = std::max(p, 0); // a save refers to the style again
            else // the link to the character style is kept; its formats are the text's own
                keepWord(s.chars.words, "cs", true, p);
        } else if (s.destination == RtfGroupState::Body && keyword == K::Ts) {
            tableDefinitionWord(keyword, name, hasParameter, p); // a row's table style
        }
        break;
    case K::KeptChar:
    case K::CharBorder:
        if (s.destination == RtfGroupState::Body || s.destination == RtfGroupState::StyleEntry) {
            keepWord(chars.words, name, hasParameter, p);
            s.charsSaid |= RtfPropertyWords::CharWords;
            if (keyword == K::CharBorder)
                m_rows.startBorder(RtfRowReader::BorderOfChars, name);
        }
        break;
    case K::KeptParagraph:
    case K::ParagraphBorder:
        if (s.destination == RtfGroupState::Body || s.destination == RtfGroupState::StyleEntry) {
            keepWord(para.words, name, hasParameter, p);
            s.paragraphSaid |= RtfPropertyWords::ParagraphWords;
            if (name == "rtlpar" || name == "ltrpar") {
                para.direction = name == "rtlpar" ? RtfParagraphFormat::RightToLeft
                                                  : RtfParagraphFormat::LeftToRight;
                s.paragraphSaid |= RtfPropertyWords::Direction;
            }
            if (keyword == K::ParagraphBorder)
                m_rows.startBorder(RtfRowReader::BorderOfParagraph, name);
            if (m_labelTab.shown >= 0 && (name == "ls" || name == "ilvl"))
                labelTabFollows();
        }
        break;
    case K::KeptRow:
    case K::KeptCell:
        tableDefinitionWord(keyword, name, hasParameter, p);
        break;
    case K::BorderStyle:
    case K::BorderDetail:
    case K::Brdrnone:
    case K::Brdrw:
        borderWord(keyword, name, hasParameter, p);
        break;
    case K::FieldFlag:
        if (s.fieldGroup)
            m_fields.setFlag(name, hasParameter, p);
        break;
    case K::Object:
    case K::Shp:
        // Kept whole for a save; what its result shows is not written a second time. The
        // document's own group is never kept whole: its text is the document's.
        if (s.destination == RtfGroupState::Body && !s.kept && m_stack.size() > 2) {
            keepGroup(s);
            chars.generated = s.keepHere; // else what it shows is all a save has of it
            s.keptTableLevel = s.paragraph.tableLevel();
            if (s.keepHere) {
                // Written back on its own, it is in no link or field: a field around it with
                // other text is written around that text.
                chars.link = -1;
                chars.field = -1;
            }
        }
        break;
    case K::Chatn:
    case K::Column:
        // Not shown, kept in its place.
        if (s.destination == RtfGroupState::Body && !s.kept) {
            flushBytes();
            flushText();
            m_kept.append(keyword == K::Chatn ? "\\chatn " : "\\column ");
        }
        break;
    case K::DocumentWord:
        // Before the text: the document's page setup and first section. Within it: a later
        // section's, kept where it is said.
        if (s.destination == RtfGroupState::Body && !s.kept && !chars.generated)
            flushText(); // text before the word is shown before it
        if (s.destination == RtfGroupState::Body && !s.kept && !chars.generated &&
            (m_bodyStarted || m_stack.size() == 2)) {
            QByteArray word = '\\' + name.toByteArray();
            if (hasParameter)
                word += QByteArray::number(p);
            m_kept.append(word + ' ');
        }
        if (s.destination == RtfGroupState::Body && m_stack.size() == 2)
            m_notes.setting(name, hasParameter, p);
        break;
    case K::Listtext:
    case K::Pntext:
        if (s.destination == RtfGroupState::Body) {
            m_labelSeen = true; // the producer's own label text follows
            chars.listLabel = keyword == K::Listtext ? 1 : 2;
        }
        break;
    case K::NotKeptDestination:
        s.destination = RtfGroupState::Skip;
        break;
    case K::Pn:
    case K::Pntxta:
    case K::Pntxtb:
    case K::Fonttbl:
    case K::Colortbl:
    case K::Pict:
    case K::Field:
    case K::Fldinst:
    case K::Upr:
        handleDestinationWord(keyword);
        break;
    case K::SkippedDestination:
        if (s.destination == RtfGroupState::Body && m_stack.size() == 3 && !s.fieldGroup)
            s.listTable = name == "listtable"           ? RtfListFollows::ListTable
                          : name == "listoverridetable" ? RtfListFollows::OverrideTable
                                                        : RtfListFollows::NoTable;
        {
            const bool inBody = s.destination == RtfGroupState::Body;
            handleDestinationWord(keyword);
            if (name == "footnote" && inBody && s.keepHere && !chars.isHiddenText() &&
                !chars.generated)
                beginNote();
        }
        break;
    case K::Ansi:
    case K::Mac:
    case K::Pc:
    case K::Pca:
    case K::Ansicpg:
        // The document's character set is said in its header, before the font table: one
        // said later (an embedded file) would read what came before it in another code page
        // on the next reading, as a save writes it at the top.
        if (m_stack.size() == 2 && !m_bodyStarted && !m_tables.fontTableSeen()) {
            const int page = keyword == K::Mac       ? 10000
                             : keyword == K::Pc      ? 437
                             : keyword == K::Pca     ? 850
                             : keyword == K::Ansicpg ? p
                                                     : 1252;
            if (page > 0)
                m_pages.setDocumentPage(page);
        }
        break;
    case K::Deff:
        // The document's own default font, said in its header; one inside a group (of a part
        // kept for a save) would change it behind the save's back.
        if (m_stack.size() == 2) {
            m_defaultFont = p;
            chars.font = p;
            if (!chars.script.isEmpty()) // the text's font is the one said last among them
                sayScriptWord(chars, "f", true, p);
        }
        m_tables.noteFontNumber(p);
        break;
    case K::F:
        if (hasParameter) {
            chars.font = p;
            s.charsSaid |= RtfPropertyWords::Font;
            m_tables.noteFontNumber(p);
            if (!chars.script.isEmpty()) // where the font is said among them counts
                sayScriptWord(chars, name, hasParameter, p);
        }
        break;
    case K::ScriptWord:
        if (s.destination == RtfGroupState::Body || s.destination == RtfGroupState::StyleEntry) {
            sayScriptWord(chars, name, hasParameter, p);
            s.charsSaid |= RtfPropertyWords::Script;
        }
        break;
    case K::Uc:
        s.unicodeSkip = std::clamp(hasParameter ? p : 1, 0, 64);
        break;
    case K::U:
        handleUnicode(p);
        break;
    case K::Plain:
        plainWord();
        break;
    case K::Cf:
        chars.foreground = m_tables.color(p);
        s.charsSaid |= RtfPropertyWords::Foreground;
        break;
    case K::Highlight:
    case K::Cb:
        chars.background = m_tables.color(p);
        s.charsSaid |= RtfPropertyWords::Background;
        break;
    case K::Pard:
        pardWord();
        break;
    case K::Par:
        paragraphEnd(false);
        break;
    case K::Sect:
        if (!sectionAtParagraphEnd())
            paragraphEnd(false, true);
        if (state().destination == RtfGroupState::Body)
            m_listTable.sectionEnd();
        break;
    case K::Page:
        pageBreak();
        break;
    case K::Cell:
    case K::Nestcell:
    case K::Row:
    case K::Nestrow:
        tableEvent(keyword);
        break;
    case K::Trowd:
    case K::Cellx:
    case K::Clmgf:
    case K::Clmrg:
    case K::Clvmgf:
    case K::Clvmrg:
    case K::Clbrdrt:
    case K::Clbrdrl:
    case K::Clbrdrb:
    case K::Clbrdrr:
    case K::Trbrdrt:
    case K::Trbrdrl:
    case K::Trbrdrb:
    case K::Trbrdrr:
    case K::Trbrdrh:
    case K::Trbrdrv:
        tableDefinitionWord(keyword, name, hasParameter, p);
        break;
    case K::Nesttableprops:
        s.nestedTableProps = true;
        break;
    case K::Tx:
    case K::Tb:
    case K::TabLeader:
    case K::Tqr:
    case K::Tqc:
    case K::Tqdec:
        tabStopWord(keyword, name, p);
        break;
    case K::Chftn:
        // The automatic footnote number; inside the (skipped) footnote it is not shown anyway.
        if (s.destination == RtfGroupState::Body) {
            const QString number = m_notes.nextFootnoteMark();
            const bool mark = std::exchange(chars.footnoteMark, true);
            for (const QChar c : number)
                appendBodyChar(c.unicode());
            state().chars.footnoteMark = mark;
            m_lastMark = {m_emitted + m_structures, number};
        }
        break;
    default:
        break; // shown destinations (\fldrslt, \listtext ...) and unknown words
    }
}

// The default character format, in the link, field, object's result and label the text is in.
RtfCharFormat RtfParser::plainChars() const
{
    const RtfCharFormat &chars = m_stack.back().chars;
    RtfCharFormat plain = plainFormat();
    plain.link = chars.link;
    plain.field = chars.field;
    plain.generated = chars.generated;
    plain.listLabel = chars.listLabel; // Word says \plain inside \listtext
    return plain;
}

void RtfParser::plainWord()
{
    state().chars = plainChars();
    state().charsSaid = 0;
    state().styledChars = false;
    m_rows.endBorder(RtfRowReader::BorderOfChars);
}

void RtfParser::pardWord()
{
    RtfGroupState &s = state();
    s.paragraph = RtfParagraphFormat();
    s.paragraphSaid = 0;
    if (s.styledChars) {
        // The paragraph's style goes, and the character format it gave with it; what the
        // text's own words said stays.
        RtfCharFormat chars = plainChars();
        RtfPropertyWords::keepSaid(s.chars, s.charsSaid, chars);
        if (s.charsSaid & RtfPropertyWords::CharWords)
            chars.words = s.chars.words;
        s.chars = chars;
        s.styledChars = false;
    }
    m_tabKind = RtfParagraphFormat::LeftTab;
    m_tabLeader = RtfParagraphFormat::NoLeader;
    m_rows.endBorder(RtfRowReader::BorderOfParagraph);
}

void RtfParser::tabStopWord(RtfKeyword keyword, QByteArrayView name, int parameter)
{
    using K = RtfKeyword;
    switch (keyword) {
    case K::Tx:
    case K::Tb:
        state().paragraphSaid |= RtfPropertyWords::TabStops;
        m_tabStops.change(state().paragraph.tabStops, [&](QList<int> &stops) {
            const int at = std::clamp(parameter, 0, MaxLength);
            if (stops.size() < kMaxTabStops)
                stops.append(keyword == K::Tb
                                 ? RtfParagraphFormat::tabStop(at, RtfParagraphFormat::BarTab, 0)
                                 : RtfParagraphFormat::tabStop(at, m_tabKind, m_tabLeader));
        });
        m_tabKind = RtfParagraphFormat::LeftTab;
        m_tabLeader = RtfParagraphFormat::NoLeader;
        break;
    case K::TabLeader:
        // The leader belongs to the stop said next.
        m_tabLeader = name == "tldot"    ? RtfParagraphFormat::Dots
                      : name == "tlhyph" ? RtfParagraphFormat::Hyphens
                      : name == "tlul"   ? RtfParagraphFormat::Underline
                      : name == "tlth"   ? RtfParagraphFormat::ThickLine
                      : name == "tleq"   ? RtfParagraphFormat::Equals
                                         : RtfParagraphFormat::MiddleDots;
        break;
    case K::Tqr:
        m_tabKind = RtfParagraphFormat::RightTab;
        break;
    case K::Tqc:
        m_tabKind = RtfParagraphFormat::CenterTab;
        break;
    case K::Tqdec:
        m_tabKind = RtfParagraphFormat::DecimalTab;
        break;
    default:
        break;
    }
}

// Keeps the word in a format's words, for a save to write back. A document says the same words
// in the same order paragraph after paragraph: each step from words to words is made once.
void RtfParser::keepWord(RtfInterned<QByteArray> &words, QByteArrayView name, bool hasValue,
                         int value)
{
    const KeepStep step{words, name, value, hasValue};
    if (const auto it = m_keepSteps.constFind(step); it != m_keepSteps.constEnd()) {
        words = it.value();
        return;
    }
    m_keptWords.change(words,
                       [&](QByteArray &kept) { RtfKeptWords::set(kept, name, hasValue, value); });
    if (m_keepSteps.size() >= kMaxKeepSteps)
        m_keepSteps.clear();
    m_keepSteps.insert(step, words);
}

void RtfParser::sayScriptWord(RtfCharFormat &chars, QByteArrayView name, bool hasParameter,
                              int parameter)
{
    // Producers say the same words run after run: each change is worked out once.
    ScriptChange change{&*chars.script,
                        {},
                        quint8(std::min<qsizetype>(name.size(), 8)),
                        hasParameter,
                        hasParameter ? parameter : 0,
                        chars.font};
    std::copy_n(name.data(), change.length, change.name.begin());
    if (const auto it = m_scriptChanges.constFind(change); it != m_scriptChanges.constEnd()) {
        chars.script = *it;
        return;
    }
    m_keptWords.change(chars.script, [&](QByteArray &words) {
        words = RtfScriptWords::said(words, name, hasParameter, parameter, chars.font);
    });
    if (m_scriptChanges.size() >= 4096)
        m_scriptChanges.clear();
    m_scriptChanges.insert(change, chars.script);
}

// \sN and \csN: the style's formats, as the stylesheet defines them, under what follows.
void RtfParser::applyStyle(int number, bool character)
{
    const QHash<int, Style> &styles = character ? m_characterStyles : m_paragraphStyles;
    const auto it = styles.constFind(number);
    if (it == styles.constEnd())
        return;
    RtfGroupState &s = state();
    RtfCharFormat chars = it->chars;
    chars.link = s.chars.link;
    chars.field = s.chars.field;
    chars.generated = s.chars.generated;
    chars.hidden = chars.hidden || s.chars.hidden;
    if (s.chars.deleted) {
        chars.deleted = true;
        chars.deletedBy = s.chars.deletedBy;
        chars.deletedAt = s.chars.deletedAt;
    }
    if (character) {
        // A style without a font of its own leaves the text's, with the fonts of other scripts
        // said around it; words said around the styled text stay, the style's own over them.
        if (chars.font == m_defaultFont) {
            chars.font = s.chars.font;
            chars.script = s.chars.script;
        }
        if (!s.chars.words.isEmpty()) {
            const QByteArray outer = *s.chars.words;
            m_keptWords.change(chars.words, [&outer](QByteArray &words) {
                QByteArray merged = outer;
                RtfKeptWords::merge(merged, words);
                words = merged;
            });
        }
    }
    // A paragraph style is the base: what the text's and the paragraph's own words said,
    // before the style or after it, stays.
    auto ownWordsOver = [this](RtfInterned<QByteArray> &style, const RtfInterned<QByteArray> &own) {
        if (own.isEmpty())
            return;
        const QByteArray ownWords = *own;
        m_keptWords.change(
            style, [&ownWords](QByteArray &words) { RtfKeptWords::merge(words, ownWords); });
    };
    if (!character) {
        RtfPropertyWords::keepSaid(s.chars, s.charsSaid, chars);
        if (s.charsSaid & RtfPropertyWords::CharWords)
            ownWordsOver(chars.words, s.chars.words);
    }
    s.chars = chars;
    if (!character) {
        s.styledChars = true;
        RtfParagraphFormat paragraph = it->paragraph;
        paragraph.inTable = s.paragraph.inTable;
        paragraph.nestLevel = s.paragraph.nestLevel;
        RtfPropertyWords::keepSaid(s.paragraph, s.paragraphSaid, paragraph);
        if (s.paragraphSaid & RtfPropertyWords::ParagraphWords)
            ownWordsOver(paragraph.words, s.paragraph.words);
        s.paragraph = paragraph;
    }
}

void RtfParser::tableDefinitionWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter,
                                    int parameter)
{
    // Within a group kept whole (an object and its result) they are the group's: a save
    // writes them with it.
    if (state().destination != RtfGroupState::Body || state().kept)
        return;
    m_rows.definitionWord(keyword, name, hasParameter, parameter, state().nestedTableProps);
}

// The line style, width, colour ... of the border said last, kept with it.
void RtfParser::borderWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter,
                           int parameter)
{
    RtfGroupState &s = state();
    if (s.destination != RtfGroupState::Body && s.destination != RtfGroupState::StyleEntry)
        return;
    const RtfRowReader::BorderTarget target = m_rows.borderTarget();
    const bool ofTable =
        target == RtfRowReader::BorderOfCell || target == RtfRowReader::BorderOfRow;
    if (target == RtfRowReader::NoBorder ||
        ((s.destination != RtfGroupState::Body || s.kept) && ofTable))
        return;
    if (ofTable) {
        m_rows.borderLineWord(keyword, name, hasParameter, parameter);
        return;
    }
    auto extend = [&](QByteArray &words) {
        RtfKeptWords::extend(words, m_rows.borderEntry(), name, hasParameter, parameter);
    };
    m_keptWords.change(
        target == RtfRowReader::BorderOfParagraph ? s.paragraph.words : s.chars.words, extend);
}

// A paragraph numbered by \pn without a \pntext label gets the label the producer shows:
// the text before, the number (or the bullet), the text after, and a tab.
void RtfParser::finishNumbering()
{
    m_numbering.endText();
    // Made before the paragraph's first text, when the file gives no label before it (a saved
    // file may give it after the numbering). Only at a paragraph's start: after text (a label
    // edited into text) it would be a second. None in hidden text: it would not be shown, and a
    // save would write it as more hidden text beside the numbering that makes it.
    m_numberingPending = state().destination == RtfGroupState::Body;
}

void RtfParser::numberingLabel()
{
    m_numberingPending = false;
    if (m_labelSeen || !m_numbering.showsLabel() || state().destination != RtfGroupState::Body ||
        m_emitted > m_paragraphStart || state().chars.isHiddenText())
        return;
    // An item of a list of the list table takes its number from there.
    if (const int list = paragraphList().first; list > 0 && m_listTable.hasList(list))
        return;
    const QString label = m_numbering.nextLabel();
    // Written back as \pntext: a reader of the saved file shows it and makes none of its own.
    const quint8 wasLabel = std::exchange(state().chars.listLabel, quint8(2));
    for (const QChar c : label) {
        if (!RtfTextDecoder::isDropped(c.unicode()))
            appendBodyChar(c.unicode());
    }
    appendBodyChar(u'\t');
    state().chars.listLabel = wasLabel;
    m_labelSeen = true;
}

void RtfParser::finishFieldInstruction()
{
    const RtfFieldReader::Result result =
        m_fields.finishInstruction(m_pages.decoder(), fieldPage(), m_pages.documentPage());
    switch (result.kind) {
    case RtfFieldReader::Result::Link:
        state().chars.link = result.index;
        break;
    case RtfFieldReader::Result::Field:
        state().chars.field = result.index;
        state().fieldFallback = result.fallback;
        break;
    case RtfFieldReader::Result::Symbol:
        state().fieldSymbol = result.symbol;
        break;
    case RtfFieldReader::Result::Nothing:
        break;
    }
}

void RtfParser::commitFont()
{
    bool defined = false;
    const int number = m_tables.commitFont(m_pages.decoder(), m_pages.documentPage(), &defined);
    if (defined)
        m_pages.fontChanged(number);
}

RtfCharFormat RtfParser::plainFormat() const
{
    RtfCharFormat format;
    format.font = m_defaultFont;
    return format;
}
