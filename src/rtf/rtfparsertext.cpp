// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfparser.h"

#include "rtf/rtfkeptwords.h"
#include "rtf/rtftextdecoder.h"

#include <algorithm>

namespace {
constexpr qsizetype kMaxLabelText = 256; // of \pntxtb and \pntxta
} // namespace

void RtfParser::handleSymbol(char symbol)
{
    switch (symbol) {
    case '\\':
    case '{':
    case '}':
        appendChar(static_cast<char16_t>(symbol));
        break;
    case '~':
        appendChar(0x00A0);
        break;
    case '_':
        appendChar(0x2011);
        break;
    case '-':
        appendChar(0x00AD); // a soft hyphen, shown only where the line breaks
        break;
    case '*':
        state().starred = true;
        break;
    default:
        break; // others mean nothing
    }
}

void RtfParser::handleText(QByteArrayView text)
{
    if (m_skipUnits > 0) {
        const qsizetype n = std::min<qsizetype>(text.size(), m_skipUnits);
        m_skipUnits -= static_cast<int>(n);
        text = text.sliced(n);
        if (text.isEmpty())
            return;
    }
    switch (state().destination) {
    case RtfGroupState::Body:
        appendBodyBytes(text);
        break;
    case RtfGroupState::FontTable:
        for (const char c : text) {
            if (c == ';')
                commitFont();
            else
                m_tables.appendNameByte(c);
        }
        break;
    case RtfGroupState::ColorTable:
        for (const char c : text) {
            if (c == ';')
                m_tables.commitColor();
        }
        break;
    case RtfGroupState::Picture:
        appendPictureHex(text);
        break;
    case RtfGroupState::ListNumberingText:
        appendNumberingBytes(text);
        break;
    case RtfGroupState::FieldInstruction:
        m_fields.appendBytes(text);
        break;
    case RtfGroupState::Skip:
        if (state().listTable)
            m_listTable.text(text);
        break;
    case RtfGroupState::NoteText:
        appendNoteBytes(text);
        break;
    case RtfGroupState::ListNumbering:
    case RtfGroupState::Stylesheet:
    case RtfGroupState::StyleEntry: // a style's name
        break;
    }
}

void RtfParser::handleByte(unsigned char byte)
{
    const char c = static_cast<char>(byte);
    switch (state().destination) {
    case RtfGroupState::Body:
        appendBodyBytes(QByteArrayView(&c, 1));
        break;
    case RtfGroupState::FontTable:
        m_tables.appendNameByte(c);
        break;
    case RtfGroupState::FieldInstruction:
        m_fields.appendByte(c);
        break;
    case RtfGroupState::ListNumberingText:
        appendNumberingBytes(QByteArrayView(&c, 1));
        break;
    case RtfGroupState::Skip:
        if (state().listTable)
            m_listTable.text(QByteArrayView(&c, 1));
        break;
    case RtfGroupState::NoteText:
        appendNoteBytes(QByteArrayView(&c, 1));
        break;
    default:
        break;
    }
}

void RtfParser::handleUnicode(int parameter)
{
    RtfGroupState &s = state();
    long long value = parameter;
    if (value < 0)
        value += 65536; // written as signed 16-bit
    if (value < 0 || value > 0x10FFFF)
        value = 0xFFFD;
    const auto c = static_cast<char32_t>(value);
    if (s.destination == RtfGroupState::Body) {
        const int page = codePage(s.chars.font);
        const bool glyphFont =
            page == RtfTextDecoder::SymbolPage || page == RtfTextDecoder::WingdingsPage;
        if (glyphFont && c >= 0xF020 && c <= 0xF0FF) {
            // Symbol fonts put their glyphs in the private use area.
            if (const char16_t g = RtfTextDecoder::glyphChar(page, c & 0xFF))
                appendBodyChar(g);
        } else if (s.chars.listLabel && c >= 0xF080 && c <= 0xF0FF) {
            // A list label's bullet in a symbol font's encoding (LibreOffice's OpenSymbol
            // bullet is U+F095): the character of that byte in the code page of Windows.
            const char16_t g = m_pages.decoder().singleByteTable(1252)[c & 0xFF];
            appendBodyChar(g && !RtfTextDecoder::isDropped(g) ? g : char16_t(0x2022));
        } else if (QChar::isHighSurrogate(c)) {
            // The low half may follow under another \uc, or in another group.
            resolveSurrogate();
            m_highSurrogate = static_cast<char16_t>(c);
        } else if (QChar::isLowSurrogate(c)) {
            const char16_t high = std::exchange(m_highSurrogate, 0);
            if (high) {
                appendBodyChar(high);
                appendBodyChar(static_cast<char16_t>(c));
            } else {
                appendBodyChar(QChar::ReplacementCharacter);
            }
        } else if (c > 0xFFFF) {
            appendBodyChar(QChar::highSurrogate(c));
            appendBodyChar(QChar::lowSurrogate(c));
        } else if (!RtfTextDecoder::isDropped(c)) {
            appendBodyChar(static_cast<char16_t>(c));
        }
    } else if (c > 0xFFFF) {
        appendChar(QChar::highSurrogate(c));
        appendChar(QChar::lowSurrogate(c));
    } else if (!QChar::isSurrogate(c) || s.destination == RtfGroupState::FontTable ||
               s.destination == RtfGroupState::NoteText ||
               s.destination == RtfGroupState::FieldInstruction) {
        appendChar(static_cast<char16_t>(c)); // halves of pairs are joined when it ends
    }
    m_skipUnits = s.unicodeSkip;
}

// A high surrogate that no low one followed is shown as the replacement character.
void RtfParser::resolveSurrogate()
{
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        appendBodyChar(QChar::ReplacementCharacter);
    }
}

void RtfParser::appendBodyBytes(QByteArrayView bytes)
{
    const RtfGroupState &s = state();
    resolveSurrogate();
    int page = 0;
    const char16_t *table = m_pages.table(s.chars.font, m_tables.fonts(), &page);
    if (!table) {
        // Double-byte text: keep the bytes until the run ends, so a lead byte
        // written as \'hh joins its literal trail byte.
        if (!m_bytes.isEmpty() && m_bytesPage != page)
            flushBytes();
        m_bytesPage = page;
        m_bytes.append(bytes);
        return;
    }
    flushBytes();
    prepareText();
    const qsizetype old = m_text.size();
    m_text.resize(old + bytes.size());
    QChar *out = m_text.data() + old;
    qsizetype n = 0;
    for (const char b : bytes) {
        const char16_t c = table[static_cast<unsigned char>(b)];
        if (c)
            out[n++] = QChar(c);
    }
    if (n != bytes.size())
        m_text.resize(old + n);
    if (!m_textFormat.isHiddenText())
        m_emitted += n;
}

void RtfParser::appendChar(char16_t c)
{
    switch (state().destination) {
    case RtfGroupState::Body:
        appendBodyChar(c);
        break;
    case RtfGroupState::FontTable:
        m_tables.appendNameChar(QChar(c), m_pages.decoder(), m_pages.documentPage());
        break;
    case RtfGroupState::FieldInstruction:
        m_fields.appendChar(QChar(c), m_pages.decoder(), fieldPage());
        break;
    case RtfGroupState::ListNumberingText:
        if (QString *text = numberingRead().text(); text && text->size() < kMaxLabelText)
            text->append(QChar(c));
        break;
    case RtfGroupState::NoteText:
        if (!state().chars.isHiddenText()) {
            const QChar shown(c);
            m_notes.append(QStringView(&shown, 1));
        }
        break;
    default:
        break;
    }
}

void RtfParser::appendBodyChar(char16_t c)
{
    if (m_highSurrogate && !QChar::isLowSurrogate(c))
        resolveSurrogate();
    flushBytes();
    prepareText();
    m_text.append(QChar(c));
    if (!m_textFormat.isHiddenText())
        ++m_emitted;
}

// Starts a new run when the format differs from the pending one.
void RtfParser::prepareText()
{
    if (m_listItemFresh && state().chars.listLabel == 0 && !state().chars.isHiddenText() &&
        !state().chars.generated && state().destination == RtfGroupState::Body) {
        labelsBeforeText();
        numberingCarriedOn();
        numberingOfStyle();
    }
    const RtfGroupState &s = state();
    if (!m_text.isEmpty()) {
        const int level = s.chars.generated ? s.keptTableLevel : s.paragraph.tableLevel();
        if (level == m_textParagraph.tableLevel()) {
            if (s.chars == m_textFormat)
                return;
            // Each run costs Qt time to insert and to lay out: past a budget the text goes on
            // in the format it has, but links, fields and footnote numbers stay what they are.
            const RtfCharFormat &c = s.chars;
            if (m_runs >= MaxRuns && c.link == m_textFormat.link && c.field == m_textFormat.field &&
                c.generated == m_textFormat.generated &&
                c.footnoteMark == m_textFormat.footnoteMark && !c.isHiddenText() &&
                !m_textFormat.isHiddenText()) {
                m_formatsSimplified = true;
                return;
            }
        }
        flushText();
    }
    m_textFormat = s.chars;
    m_textParagraph = shownParagraph(s);
}

void RtfParser::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    prepareText();
    const qsizetype old = m_text.size();
    m_pages.decoder().decode(m_bytesPage, m_bytes, m_text);
    if (!m_textFormat.isHiddenText())
        m_emitted += m_text.size() - old;
    m_bytes.resize(0);
}

void RtfParser::flushText()
{
    if (m_text.isEmpty())
        return;
    if (m_textFormat.isHiddenText()) {
        // Not shown, but kept in its place; within an object kept whole it is there already.
        if (!m_textFormat.generated)
            m_kept.append(RtfHiddenRun::run(m_text, m_textFormat, hiddenRunContext(m_textFormat)));
        m_text.resize(0);
        return;
    }
    sendKept(m_textParagraph.tableLevel());
    m_bodyStarted = true;
    ++m_runs;
    if (m_textFormat.generated)
        m_generatedShown += m_text.size();
    m_sink->text(m_text, m_textFormat, m_textParagraph);
    m_text.resize(0);
}

// Takes the label's tab out when its list says nothing follows the number, or puts it back when
// a later \ls or \ilvl says otherwise: LibreOffice writes a tab for readers without list tables.
void RtfParser::labelTabFollows()
{
    LabelTab &tab = m_labelTab;
    // Anything shown since, or a group opened, and the label is done with.
    if (tab.shown != m_emitted + m_structures || tab.depth != m_stack.size() ||
        m_textFormat.listLabel != 1 || m_textFormat.isHiddenText() ||
        m_text.size() != tab.textSize - tab.dropped) {
        tab.shown = -1;
        return;
    }
    const auto number = [](QByteArrayView entry, qsizetype nameLength) {
        return entry.isEmpty() ? 0 : entry.sliced(nameLength).trimmed().toInt();
    };
    const QByteArrayView words = *state().paragraph.words;
    const QByteArrayView list = RtfKeptWords::entry(words, "ls");
    const bool drop =
        !list.isEmpty() &&
        m_listFollows.follow(number(list, 3), number(RtfKeptWords::entry(words, "ilvl"), 5)) ==
            RtfListFollows::Nothing;
    if (drop && !tab.dropped) {
        m_text.chop(1);
        --m_emitted;
    } else if (!drop && tab.dropped) {
        m_text.append(u'\t');
        ++m_emitted;
    }
    tab.dropped = drop;
    tab.shown = m_emitted + m_structures;
}

void RtfParser::paragraphEnd(bool pageBreak, bool section)
{
    const RtfGroupState &s = state();
    if (s.destination != RtfGroupState::Body)
        return;
    // A hidden paragraph mark joins the paragraph to the next one; a save writes it again.
    if (s.chars.isHiddenText() && !pageBreak) {
        flushBytes();
        flushText();
        if (!s.chars.generated)
            m_kept.append(RtfHiddenRun::paragraphMark(s.chars));
        return;
    }
    resolveSurrogate();
    if (m_listItemFresh && !section && !s.chars.isHiddenText() && !s.chars.generated)
        labelsBeforeText();
    flushText();
    listItemEnd();
    RtfParagraphFormat paragraph = shownParagraph(s);
    sendKept(paragraph.tableLevel());
    m_bodyStarted = true;
    ++m_structures;
    m_generatedShown += s.chars.generated;
    paragraph.endsSection = section;
    paragraph.pageBreakBefore |= std::exchange(m_pageBreakPending, false);
    m_sink->paragraphEnd(paragraph, s.chars, pageBreak);
    // A page break before that an object's result takes from where it is belongs to the
    // paragraph the object is in: the result's next paragraphs go on, as one object does.
    if (s.chars.generated) {
        for (RtfGroupState &group : m_stack) {
            if (group.chars.generated)
                group.paragraph.pageBreakBefore = false;
        }
    }
    m_pageBreakCarried = pageBreak;
    m_parEndedLast = !pageBreak && !section && paragraph.tableLevel() == 0 && !s.chars.generated;
    m_labelSeen = false;
    m_paragraphStart = m_emitted;
    m_paragraphContent = m_emitted + m_structures;
}

// \sect straight after \par ends the section with that paragraph: no empty paragraph between.
bool RtfParser::sectionAtParagraphEnd()
{
    const RtfGroupState &s = state();
    if (!m_parEndedLast || s.destination != RtfGroupState::Body || s.kept || s.chars.generated ||
        s.chars.isHiddenText() || s.paragraph.tableLevel() != 0 || s.paragraph.pageBreakBefore)
        return false;
    resolveSurrogate();
    flushText();
    if (m_emitted + m_structures != m_paragraphContent || !m_kept.isEmpty() || m_pageBreakPending ||
        !m_sink->sectionEndsLastParagraph())
        return false;
    m_parEndedLast = false;
    return true;
}

// \page after text ends the paragraph there. Word processors put it at the start of the
// paragraph that goes to the next page too: that paragraph then breaks before, and no empty one
// is made.
void RtfParser::pageBreak()
{
    const RtfGroupState &s = state();
    if (s.destination == RtfGroupState::Body && s.paragraph.tableLevel() == 0 &&
        !s.chars.isHiddenText() && !s.chars.generated) {
        resolveSurrogate();
        flushText();
        if (m_emitted + m_structures == m_paragraphContent) {
            m_pageBreakPending = true;
            return;
        }
    }
    paragraphEnd(true);
}

void RtfParser::tableEvent(RtfKeyword keyword)
{
    const RtfGroupState &s = state();
    if (s.destination != RtfGroupState::Body)
        return;
    if (s.chars.generated) {
        // The cells of an object's result are its paragraphs: a table made of them would be
        // written beside the kept object, which has them already.
        if (keyword == RtfKeyword::Cell || keyword == RtfKeyword::Nestcell)
            paragraphEnd(false);
        return;
    }
    resolveSurrogate();
    if (m_listItemFresh && (keyword == RtfKeyword::Cell || keyword == RtfKeyword::Nestcell) &&
        !s.chars.isHiddenText())
        labelsBeforeText();
    flushText();
    // Text since the last \par: a \sect after this is no longer straight after that \par.
    if (m_emitted + m_structures != m_paragraphContent)
        m_parEndedLast = false;
    const int nested = std::max(2, s.paragraph.tableLevel());
    // A row's end shows nothing its cells have not shown: one without cells leaves what is kept
    // before and after it in the preamble, where a save puts it.
    const bool cellEnd = keyword == RtfKeyword::Cell || keyword == RtfKeyword::Nestcell;
    if (cellEnd || m_bodyStarted)
        sendKept(1);
    if (cellEnd)
        m_bodyStarted = true;
    ++m_structures;
    switch (keyword) {
    case RtfKeyword::Cell:
        m_sink->cellEnd(1, s.paragraph);
        break;
    case RtfKeyword::Nestcell:
        m_sink->cellEnd(nested, s.paragraph);
        break;
    case RtfKeyword::Row:
        m_sink->rowEnd(1, m_rows.row(false));
        break;
    default:
        m_sink->rowEnd(nested, m_rows.row(true));
        break;
    }
    m_labelSeen = false; // a cell's end is its paragraph's end
    listItemEnd();
    m_paragraphStart = m_emitted;
    m_paragraphContent = m_emitted + m_structures;
}

// Content shown so far that is the file's own, not the result of an object kept whole.
qint64 RtfParser::ownContent() const
{
    const qint64 pending =
        m_textFormat.generated && !m_textFormat.isHiddenText() ? m_text.size() : 0;
    return m_emitted + m_structures - m_generatedShown - pending;
}

// The paragraph format content is shown in. An object's result stays at the table level the
// object is at: a table it made would be written beside the kept object, which has it already.
RtfParagraphFormat RtfParser::shownParagraph(const RtfGroupState &s)
{
    if (!s.chars.generated || s.paragraph.tableLevel() == s.keptTableLevel)
        return s.paragraph;
    RtfParagraphFormat paragraph = s.paragraph;
    paragraph.inTable = s.keptTableLevel > 0;
    paragraph.nestLevel = s.keptTableLevel;
    return paragraph;
}

void RtfParser::appendNoteBytes(QByteArrayView bytes)
{
    if (state().chars.isHiddenText())
        return;
    QString text;
    m_pages.decoder().decode(codePage(state().chars.font), bytes, text);
    m_notes.append(text);
}

void RtfParser::appendNumberingBytes(QByteArrayView bytes)
{
    RtfParagraphNumbering &numbering = numberingRead();
    QString *text = numbering.text();
    if (!text || text->size() >= kMaxLabelText)
        return;
    const int page = codePage(numbering.font() >= 0 ? numbering.font() : state().chars.font);
    m_pages.decoder().decode(page, bytes, *text);
}

// Field instructions are in the document's code page, like its text.
int RtfParser::fieldPage()
{
    const int page = codePage(state().chars.font);
    return page == RtfTextDecoder::SymbolPage || page == RtfTextDecoder::WingdingsPage
               ? m_pages.documentPage()
               : page;
}

// The paragraph's list (\lsN) and level (\ilvlN); list 0 when it is in none.
std::pair<int, int> RtfParser::paragraphList() const
{
    const QByteArrayView words = *m_stack.back().paragraph.words;
    const QByteArrayView list = RtfKeptWords::entry(words, "ls");
    if (list.isEmpty())
        return {0, 0};
    const QByteArrayView level = RtfKeptWords::entry(words, "ilvl");
    return {list.sliced(3).trimmed().toInt(),
            level.isEmpty() ? 0 : level.sliced(5).trimmed().toInt()};
}

// Counts the paragraph as an item of its list, once, and gives its label with what follows the
// number; a null string when the list tables do not say how the label looks.
QString RtfParser::listNumber()
{
    if (std::exchange(m_listCounted, true) || m_listTable.isEmpty())
        return QString();
    const auto [list, level] = paragraphList();
    if (list <= 0)
        return QString();
    int font = -1;
    QString label = m_listTable.nextLabel(list, level, &font);
    if (label.isNull())
        return label;
    // Bullets of symbol fonts are their glyphs.
    const int page = codePage(font >= 0 ? font : state().chars.font);
    const bool glyphFont =
        page == RtfTextDecoder::SymbolPage || page == RtfTextDecoder::WingdingsPage;
    QString shown;
    for (const QChar c : std::as_const(label)) {
        const char16_t u = c.unicode();
        const bool privateGlyph = u >= 0xF020 && u <= 0xF0FF;
        char16_t g = u;
        if (privateGlyph || (glyphFont && u >= 0x20 && u <= 0xFF))
            g = RtfTextDecoder::glyphChar(glyphFont ? page : int(RtfTextDecoder::SymbolPage),
                                          u & 0xFF);
        if (!g && privateGlyph) // a symbol font's encoding of a Windows character
            g = m_pages.decoder().singleByteTable(1252)[u & 0xFF];
        if (g && !RtfTextDecoder::isDropped(g))
            shown += QChar(g);
    }
    switch (m_listFollows.follow(list, level)) {
    case RtfListFollows::Nothing:
        break;
    case RtfListFollows::Space:
        shown += u' ';
        break;
    default:
        shown += u'\t';
        break;
    }
    return shown;
}

// The paragraph's label is blank, and all of it is still waiting in m_text.
bool RtfParser::heldBlankLabel() const
{
    if (!m_blankLabel || m_textFormat.listLabel != 1 || m_textFormat.isHiddenText() ||
        m_emitted - m_paragraphStart != m_text.size() ||
        m_emitted + m_structures - m_paragraphContent != m_text.size())
        return false;
    return std::all_of(m_text.cbegin(), m_text.cend(), [](QChar c) { return c.isSpace(); });
}

// Before the paragraph's first text: the label the list tables make for an item whose file
// gives none, or a blank one.
void RtfParser::labelFromList()
{
    m_listItemFresh = false;
    if (m_listTable.isEmpty() || paragraphList().first <= 0)
        return;
    if (m_labelSeen && !m_text.isEmpty()) {
        if (!heldBlankLabel())
            return;
        const QString label = listNumber();
        if (label.isNull())
            return;
        m_emitted += label.size() - m_text.size();
        m_text = label;
        m_labelTab.shown = -1;
        return;
    }
    if (m_emitted != m_paragraphStart)
        return;
    const QString label = listNumber();
    if (label.isNull())
        return;
    const quint8 wasLabel = std::exchange(state().chars.listLabel, quint8(1));
    for (const QChar c : label)
        appendBodyChar(c.unicode());
    state().chars.listLabel = wasLabel;
    m_labelSeen = true;
}

// The labels the file leaves to its list tables or its \pn numbering to make.
void RtfParser::labelsBeforeText()
{
    labelFromList();
    if (m_numberingPending)
        numberingLabel();
    // A save writes a paragraph's list words before its own \pn (AbiWord says them after it):
    // said once more after it, the list stays the paragraph's for readers where the later word
    // wins.
    if (m_numberingInParagraph && !state().kept) {
        if (const auto [list, level] = paragraphList(); list > 0 && m_listTable.hasList(list))
            m_kept.append(QByteArrayLiteral("\\ls") + QByteArray::number(list) +
                          QByteArrayLiteral(" \\ilvl") + QByteArray::number(level) + ' ');
    }
}

// The first text of a paragraph of a style that numbers its paragraphs (\pn words in the
// stylesheet) and that says no numbering of its own: the label the style's numbering makes.
// A save writes the label; the stylesheet, kept as read, numbers the paragraph again.
void RtfParser::numberingOfStyle()
{
    const RtfGroupState &s = state();
    if (m_labelSeen || m_numberingInParagraph || s.paragraph.style < 0 ||
        !s.paragraph.numbering.isEmpty() || s.kept)
        return;
    const auto style = m_paragraphStyles.constFind(s.paragraph.style);
    if (style == m_paragraphStyles.constEnd() || style->numbering.level == 0)
        return;
    const RtfParagraphNumbering::Definition own = m_numbering.definition();
    m_numbering.setDefinition(style->numbering);
    numberingLabel();
    m_numbering.setDefinition(own);
}

// A paragraph ends: an item with a label of its own counts still.
void RtfParser::listItemEnd()
{
    if (!m_listCounted)
        listNumber();
    m_listCounted = false;
    m_listItemFresh = true;
    m_blankLabel = false;
    m_numberingInParagraph = false;
    m_numberingPending = false;
}

// The first text of a paragraph numbered by the \pn of a paragraph before it: its label, made
// from that numbering when the file gives none, then a copy of the numbering.
void RtfParser::numberingCarriedOn()
{
    const RtfGroupState &s = state();
    if (m_numberingInParagraph || s.paragraph.numbering.isEmpty() || s.kept)
        return;
    m_numberingInParagraph = true;
    numberingLabel();
    flushBytes();
    flushText();
    m_kept.append(*s.paragraph.numbering);
}
