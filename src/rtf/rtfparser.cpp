// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfparser.h"

#include "rtf/rtftextdecoder.h"
#include "rtf/rtftokenizer.h"

#include <algorithm>

RtfParser::RtfParser() = default;

void RtfParser::parse(QByteArrayView rtf, RtfContentSink &sink, const std::atomic<bool> *stop)
{
    m_sink = &sink;
    m_input = rtf;
    m_offset = 0;
    m_stack.assign(1, RtfGroupState());
    m_stack.reserve(64);
    m_overflowDepth = 0;
    m_skipUnits = 0;
    m_bodyStarted = false;
    m_otherCodePages = false;
    m_defaultFont = RtfCharFormat::NoFont;
    m_emitted = 0;
    m_runs = 0;
    m_structures = 0;
    m_generatedShown = 0;
    m_formatsSimplified = false;
    m_paragraphStart = 0;
    m_paragraphContent = 0;
    m_pageBreakPending = false;
    m_pageBreakCarried = false;
    m_pages.reset();
    m_text.clear();
    m_text.reserve(4096);
    m_bytes.clear();
    m_highSurrogate = 0;
    m_tables.reset();
    m_kept.reset();
    m_fields.reset();
    m_rows.reset();
    m_numbering.reset();
    m_styleNumbering.reset();
    m_inStyleEntry = false;
    m_picture = RtfPicture();
    m_notes.reset();
    m_lastMark = NoteMark();
    m_paragraphStyles.clear();
    m_characterStyles.clear();
    m_keptWords.clear();
    m_keepSteps.clear();
    m_scriptChanges.clear();
    m_tabStops.clear();
    m_tabKind = RtfParagraphFormat::LeftTab;
    m_tabLeader = RtfParagraphFormat::NoLeader;
    m_labelSeen = false;
    m_listTable = RtfListTable();
    m_listItemFresh = true;
    m_listCounted = false;
    m_blankLabel = false;
    m_numberingInParagraph = false;
    m_numberingPending = false;
    m_parEndedLast = false;

    RtfTokenizer tokenizer(rtf);
    bool running = true;
    unsigned tokens = 0;
    while (running) {
        if (stop && ++tokens % 4096 == 0 && stop->load(std::memory_order_relaxed))
            break;
        const RtfToken token = tokenizer.next();
        m_offset = tokenizer.offset();
        switch (token.type) {
        case RtfToken::End:
            running = false;
            break;
        case RtfToken::GroupOpen:
            m_skipUnits = 0; // fallback text never crosses a brace
            m_groupStart = m_offset - 1;
            openGroup();
            break;
        case RtfToken::GroupClose:
            m_skipUnits = 0;
            running = !closeGroup();
            break;
        case RtfToken::Text:
            handleText(token.data);
            break;
        case RtfToken::HexByte:
            if (m_skipUnits > 0)
                --m_skipUnits;
            else
                handleByte(token.value);
            break;
        case RtfToken::ControlWord:
            if (m_skipUnits > 0)
                --m_skipUnits;
            else
                handleWord(token.data, token.hasParameter, token.parameter);
            break;
        case RtfToken::ControlSymbol:
            if (m_skipUnits > 0)
                --m_skipUnits;
            else
                handleSymbol(static_cast<char>(token.value));
            break;
        case RtfToken::Binary:
            if (m_skipUnits > 0)
                --m_skipUnits;
            else if (state().destination == RtfGroupState::Picture &&
                     m_picture.kind != RtfPicture::Unsupported)
                m_picture.data.append(token.data);
            break;
        }
    }
    flushBytes();
    resolveSurrogate();
    const RtfParagraphFormat lastParagraph = state().paragraph;
    closeOpenGroups();
    flushBytes();
    resolveSurrogate();
    flushText();
    const int documentPage = m_pages.documentPage();
    m_otherCodePages = documentPage != 1252;
    for (const RtfFont &font : m_tables.fonts().all()) {
        const int page = RtfTextDecoder::codePageForFont(font, documentPage);
        if (page != 1252 && page != RtfTextDecoder::SymbolPage &&
            page != RtfTextDecoder::WingdingsPage) {
            m_otherCodePages = true;
            break;
        }
    }
    sendKept(0);
    m_sink->finish(lastParagraph);
    if (!m_notes.notes().isEmpty()) {
        // Footnotes first, then endnotes, as the document's end shows them.
        QList<RtfNote> notes = m_notes.notes();
        std::stable_partition(notes.begin(), notes.end(),
                              [](const RtfNote &note) { return !note.endnote; });
        m_sink->notes(notes);
    }
    m_sink = nullptr;
    m_input = QByteArrayView();
}

void RtfParser::openGroup()
{
    flushBytes();
    // Hidden text before the group is kept before whatever the group turns out to be: a group
    // kept whole takes back only what was kept within it.
    if (m_textFormat.isHiddenText())
        flushText();
    if (m_stack.size() >= MaxDepth) {
        ++m_overflowDepth;
        return;
    }
    m_stack.push_back(m_stack.back());
    RtfGroupState &group = m_stack.back();
    group.starred = false;
    group.fieldGroup = false;
    group.fieldSymbol = 0;
    group.fieldFallback = -1;
    group.start = m_groupStart;
    group.keepHere = false;
    group.instructionPart = false;
    group.instructionAtOpen = m_fields.instructionSize();
    group.contentAtOpen = m_emitted + m_structures;
    group.ownContentAtOpen = ownContent();
    group.keptAtOpen = m_kept.position();
    group.pageBreakAtOpen = m_pageBreakPending || m_pageBreakCarried;
    if (group.destination == RtfGroupState::Stylesheet) {
        // A style starts from nothing: only what it says is its format.
        group.destination = RtfGroupState::StyleEntry;
        group.chars = plainFormat();
        group.paragraph = RtfParagraphFormat();
        group.styleNumber = 0;
        group.characterStyle = false;
        m_styleNumbering.begin();
        m_inStyleEntry = true;
    }
}

// Returns true when the outermost group has closed: the rest is ignored.
bool RtfParser::closeGroup()
{
    flushBytes();
    if (m_overflowDepth > 0) {
        --m_overflowDepth;
        return false;
    }
    if (m_stack.size() <= 1)
        return false; // a stray }
    if (m_stack.size() == 2)
        return true; // the document's group: its state still formats the last paragraph
    const RtfGroupState closed = m_stack.back();
    m_stack.pop_back();
    const RtfGroupState::Destination parent = state().destination;
    if (closed.chars.listLabel == 1 && state().chars.listLabel != 1 &&
        closed.destination == RtfGroupState::Body && parent == RtfGroupState::Body &&
        !closed.kept && !closed.chars.generated) {
        m_blankLabel = true;
        m_blankLabel = heldBlankLabel();
    }
    if (closed.chars.listLabel == 1 && state().chars.listLabel != 1 &&
        closed.destination == RtfGroupState::Body && parent == RtfGroupState::Body &&
        !closed.kept && !closed.chars.generated && m_textFormat.listLabel == 1 &&
        !m_textFormat.isHiddenText() && m_text.endsWith(u'\t')) {
        // Only a tab that alone parts the number from the text, or that is all the label shows.
        const qsizetype n = m_text.size();
        const bool alone = n >= 2 ? m_text[n - 2] != u' ' && m_text[n - 2] != u'\t'
                                  : closed.contentAtOpen == m_emitted + m_structures - 1;
        if (alone) {
            m_labelTab = {m_emitted + m_structures, n, m_stack.size(), false};
            labelTabFollows();
        }
    }
    bool keptWhole = false; // the closed group's own bytes were kept here
    switch (closed.destination) {
    case RtfGroupState::FontTable:
        commitFont();
        if (parent == RtfGroupState::Body && m_stack.size() == 2)
            m_tables.fontTableClosed(tableEntries());
        break;
    case RtfGroupState::ColorTable:
        if (parent == RtfGroupState::Body && m_stack.size() == 2)
            m_tables.colorTableClosed(tableEntries());
        break;
    case RtfGroupState::StyleEntry:
        if (parent == RtfGroupState::Stylesheet) {
            QHash<int, Style> &styles =
                closed.characterStyle ? m_characterStyles : m_paragraphStyles;
            if (styles.size() < 4096)
                styles.insert(closed.styleNumber,
                              {closed.chars, closed.paragraph, m_styleNumbering.definition()});
            m_inStyleEntry = false;
        }
        break;
    case RtfGroupState::Picture:
        if (parent != RtfGroupState::Picture) {
            // A picture that is not shown (WMF, EMF, one that cannot be read, hidden text) is
            // kept as it was, unless its group showed text before it.
            const bool nothingShown = m_emitted + m_structures == closed.contentAtOpen;
            if (!finishPicture(closed) && parent == RtfGroupState::Body && !state().kept &&
                nothingShown) {
                if (m_kept.takeBack(closed.keptAtOpen)) // hidden text inside goes with it
                    dropHiddenText();
                emitKept(closed.start);
                keptWhole = true;
            }
        }
        break;
    case RtfGroupState::FieldInstruction:
        // Only a field's own instruction makes a link of its result.
        if (parent != RtfGroupState::FieldInstruction && state().fieldGroup)
            finishFieldInstruction();
        break;
    case RtfGroupState::ListNumbering:
        // The numbering itself is kept (keepHere) and given after the label, so that a reader
        // of the saved file finds the label first and makes none of its own.
        if (parent == RtfGroupState::Body) {
            finishNumbering();
            if (closed.keepHere && !m_closingAtEnd) {
                if (const auto numbering = m_keptWords.intern(
                        m_input.sliced(closed.start, m_offset - closed.start).toByteArray()))
                    state().paragraph.numbering = *numbering;
                m_numberingInParagraph = true;
            }
        }
        break;
    case RtfGroupState::NoteText:
        if (parent != RtfGroupState::NoteText)
            m_notes.end();
        break;
    case RtfGroupState::Skip:
        if (closed.instructionPart && parent == RtfGroupState::FieldInstruction &&
            !m_fields.partsFull())
            m_fields.appendPart(
                m_closingAtEnd
                    ? closedSlice(closed.start)
                    : m_input.sliced(closed.start, m_offset - closed.start).toByteArray());
        break;
    default:
        break;
    }
    // A SYMBOL field whose result is empty still shows its character; another field that
    // shows nothing is kept whole, and so is one whose result is only what an object kept whole
    // shows (Word's EMBED): a save would have nothing of its own to write it with. (A field word
    // in a group kept whole anyway means nothing.)
    if (closed.fieldGroup && !closed.keepHere && parent == RtfGroupState::Body) {
        const bool empty = m_emitted + m_structures == closed.contentAtOpen;
        if (closed.fieldSymbol && m_emitted == closed.fieldTextStart) {
            // A field that is a picture too is kept whole: its character is shown, and the
            // kept field writes it back.
            const bool generated =
                std::exchange(state().chars.generated, state().chars.generated || keptWhole);
            appendBodyChar(closed.fieldSymbol);
            state().chars.generated = generated;
        } else if (!state().kept && ownContent() == closed.ownContentAtOpen &&
                   m_kept.takeBack(closed.keptAtOpen)) { // the parts inside it go with it
            dropHiddenText();
            emitKept(closed.start, !empty || closed.fieldFallback >= 0, closed.pageBreakAtOpen);
            // A field that shows nothing of its own (ruby) shows what a reader without it
            // would; the field kept whole writes it back.
            if (empty && closed.fieldFallback >= 0) {
                const bool generated = std::exchange(state().chars.generated, true);
                for (const QChar c : m_fields.fallback(closed.fieldFallback))
                    appendBodyChar(c.unicode());
                state().chars.generated = generated;
            }
        }
    }
    if (closed.keepHere) // an object's result keeps the format it was shown in
        emitKept(closed.start, closed.chars.generated, closed.pageBreakAtOpen);
    return false;
}

void RtfParser::handleDestinationWord(RtfKeyword keyword)
{
    RtfGroupState &s = state();
    switch (keyword) {
    case RtfKeyword::Fonttbl:
    case RtfKeyword::Colortbl:
        // Only the document's own tables count. One inside another group (an embedded file,
        // a field instruction ...) would renumber fonts and colours behind a save's back, and
        // written back in the body it would be the document's own: it means nothing. So does
        // one said in a field's own group.
        if (s.destination != RtfGroupState::Body || m_stack.size() != 3 || s.fieldGroup) {
            s.destination = RtfGroupState::Skip;
            break;
        }
        if (keyword == RtfKeyword::Colortbl) {
            s.destination = RtfGroupState::ColorTable;
            m_tables.beginColorTable(m_offset);
            break;
        }
        s.destination = RtfGroupState::FontTable;
        m_tables.beginFontTable(m_offset, s.unicodeSkip);
        break;
    case RtfKeyword::Pict:
        // Only the body has pictures; one said in a table or an instruction means nothing.
        if (s.destination != RtfGroupState::Body && s.destination != RtfGroupState::Picture) {
            s.destination = RtfGroupState::Skip;
            break;
        }
        s.destination = RtfGroupState::Picture;
        m_picture = RtfPicture();
        m_pictureNibble = -1;
        break;
    case RtfKeyword::Field:
        s.fieldGroup = s.destination == RtfGroupState::Body; // elsewhere it means nothing
        s.fieldSymbol = 0;
        s.fieldFallback = -1;
        s.fieldTextStart = m_emitted;
        if (s.fieldGroup)
            m_fields.beginField();
        break;
    case RtfKeyword::Fldinst:
        m_fields.beginInstruction(s.destination == RtfGroupState::FieldInstruction);
        s.destination = RtfGroupState::FieldInstruction;
        break;
    case RtfKeyword::Pn:
        if (s.destination == RtfGroupState::Body && !s.kept && !s.chars.generated &&
            m_stack.size() > 2)
            keepGroup(s);
        if (s.destination == RtfGroupState::StyleEntry) {
            s.destination = RtfGroupState::ListNumbering; // the style's numbering
            break;
        }
        s.destination = s.destination == RtfGroupState::Body ? RtfGroupState::ListNumbering
                                                             : RtfGroupState::Skip;
        m_numbering.begin();
        break;
    case RtfKeyword::Pntxta:
    case RtfKeyword::Pntxtb:
        if (s.destination == RtfGroupState::ListNumbering ||
            s.destination == RtfGroupState::StyleEntry) {
            s.destination = RtfGroupState::ListNumberingText;
            numberingRead().beginText(keyword == RtfKeyword::Pntxtb);
        } else {
            s.destination = RtfGroupState::Skip;
        }
        break;
    case RtfKeyword::Upr:
        // \upr holds an 8-bit version first and the Unicode one in \ud.
        s.uprDestination = s.destination;
        s.destination = RtfGroupState::Skip;
        s.inUpr = true;
        break;
    default:
        if (s.destination == RtfGroupState::Body)
            keepGroup(s);
        else if (s.destination == RtfGroupState::FieldInstruction)
            s.instructionPart = instructionPartAllowed(s);
        s.destination = RtfGroupState::Skip;
        break;
    }
}

// A group in a field instruction is kept with the field unless it gave the instruction text,
// or a group kept so, before its destination word: that would be written twice.
bool RtfParser::instructionPartAllowed(const RtfGroupState &group) const
{
    return group.instructionAtOpen == m_fields.instructionSize();
}

// What a font or colour table group holds after its word, up to its closing brace. Not null,
// even when empty: the file had a table.
QByteArray RtfParser::tableEntries() const
{
    const qsizetype start = std::min(m_tables.entriesStart(), m_offset - 1);
    return QByteArray(m_input.data() + start, m_offset - 1 - start);
}

// Groups the file left open are closed at its end, as a reader of the saved file (which closes
// them) would: a field shows its symbol, a group kept whole is kept closed.
void RtfParser::closeOpenGroups()
{
    // A table the file never closed holds more than its kept entries show: a save writes the
    // tables as they were read, with the same numbers.
    bool tablesOpen = false;
    for (const RtfGroupState &group : m_stack) {
        tablesOpen = tablesOpen || group.destination == RtfGroupState::FontTable ||
                     group.destination == RtfGroupState::ColorTable;
    }
    const QByteArray fonts = m_tables.fontTableRtf();
    const QByteArray colors = m_tables.colorTableRtf();
    m_closingAtEnd = true;
    while (m_overflowDepth > 0 || m_stack.size() > 2)
        closeGroup();
    m_closingAtEnd = false;
    // So does a table whose fonts were defined but its entries not kept (it turned into
    // another destination before it closed).
    if (tablesOpen || m_tables.fontsOutsideKeptTables()) {
        m_tables.setTablesRtf(fonts, colors);
        m_tables.writeTablesAsRead();
    }
}

// The bytes of a group the file never closed, closed as a reader closes it at the end of the
// file.
QByteArray RtfParser::closedSlice(qsizetype start) const
{
    return RtfKeptParts::closedSlice(m_input, start);
}

void RtfParser::appendPictureHex(QByteArrayView text)
{
    if (m_picture.kind == RtfPicture::Unsupported)
        return; // WMF, EMF and the like are not shown: don't keep their data
    for (const char c : text) {
        const int v = RtfTokenizer::hexValue(c);
        if (v < 0)
            continue;
        if (m_pictureNibble < 0) {
            m_pictureNibble = v;
        } else {
            m_picture.data.append(static_cast<char>(m_pictureNibble << 4 | v));
            m_pictureNibble = -1;
        }
    }
}

bool RtfParser::finishPicture(const RtfGroupState &group)
{
    bool shown = false;
    if (m_picture.kind != RtfPicture::Unsupported && !m_picture.data.isEmpty() &&
        !group.chars.isHiddenText() && state().destination == RtfGroupState::Body) {
        flushText();
        // Where the picture's group is: what it says within itself is no paragraph's.
        const RtfParagraphFormat paragraph = shownParagraph(state());
        sendKept(paragraph.tableLevel());
        m_bodyStarted = true;
        ++m_structures;
        m_generatedShown += group.chars.generated;
        shown = m_sink->picture(m_picture, group.chars, paragraph);
    }
    m_picture = RtfPicture();
    return shown;
}
