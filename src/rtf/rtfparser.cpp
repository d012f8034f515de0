#include "rtf/rtfparser.h"

#include "rtf/rtfhiddenrun.h"
#include "rtf/rtfkeptwords.h"
#include "rtf/rtfscriptwords.h"
#include "rtf/rtftokenizer.h"

#include <algorithm>
#include <climits>

namespace {

constexpr qsizetype kMaxFontName = 256;
constexpr qsizetype kMaxFieldInstruction = 4096;
constexpr qsizetype kMaxInstructionParts = 256 * 1024;

// Text of a font name or field instruction: control characters mean nothing there and no save
// could write them back; a half of a surrogate pair without its other half is U+FFFD.
void cleanDestinationText(QString &text)
{
    text.removeIf([](QChar c) { return c.unicode() < 0x20; });
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
}
constexpr qsizetype kMaxCellEdges = 64;
constexpr qsizetype kMaxTabStops = 64;
constexpr size_t kMaxColors = 65536;
constexpr int kMaxLength = RtfParser::MaxLength;
constexpr int kMaxHalfPoints = 3276;

int clampLength(int twips)
{
    return std::clamp(twips, -kMaxLength, kMaxLength);
}

// Splits a field instruction into words; quoted arguments keep their spaces, and within them
// \" is a quote and \\ a backslash.
QStringList fieldArguments(QStringView instruction)
{
    QStringList args;
    qsizetype i = 0;
    const qsizetype n = instruction.size();
    while (i < n) {
        while (i < n && instruction[i].isSpace())
            ++i;
        if (i >= n)
            break;
        qsizetype start = i;
        if (instruction[i] == u'"') {
            QString arg;
            for (++i; i < n && instruction[i] != u'"'; ++i) {
                if (instruction[i] == u'\\' && i + 1 < n &&
                    (instruction[i + 1] == u'"' || instruction[i + 1] == u'\\'))
                    ++i;
                arg += instruction[i];
            }
            args.append(arg);
            ++i;
        } else {
            while (i < n && !instruction[i].isSpace())
                ++i;
            args.append(instruction.sliced(start, i - start).toString());
        }
    }
    return args;
}

} // namespace

RtfParser::RtfParser() = default;

void RtfParser::parse(QByteArrayView rtf, RtfContentSink &sink, const std::atomic<bool> *stop)
{
    m_sink = &sink;
    m_input = rtf;
    m_offset = 0;
    m_bodyStarted = false;
    m_kept.clear();
    m_keptSent = 0;
    m_runs = 0;
    m_structures = 0;
    m_generatedShown = 0;
    m_formatsSimplified = false;
    m_fontTableRtf = QByteArray();
    m_colorTableRtf = QByteArray();
    m_otherCodePages = false;
    m_paragraphStyles.clear();
    m_characterStyles.clear();
    m_stack.assign(1, RtfGroupState());
    m_keptWords.clear();
    m_keepSteps.clear();
    m_scriptChanges.clear();
    m_tabStops.clear();
    m_stack.reserve(64);
    m_overflowDepth = 0;
    m_skipUnits = 0;
    m_documentPage = 1252;
    m_defaultFont = -1;
    m_pageCacheValid = false;
    m_text.clear();
    m_text.reserve(4096);
    m_bytes.clear();
    m_highSurrogate = 0;
    m_emitted = 0;
    m_fonts.clear();
    m_fontNumberEnd = 0;
    m_fontTableSeen = false;
    m_fontPending = false;
    m_fontCommits = 0;
    m_fontCommitsAtTable = 0;
    m_fontCommitsKept = 0;
    m_colors.clear();
    m_colorIndexes.clear();
    m_colorIndexSize = 0;
    m_picture = RtfPicture();
    m_links.clear();
    m_fieldInstructions.clear();
    m_linkExtras.clear();
    m_fieldExtras.clear();
    m_fieldFlags.clear();
    m_instructionParts.clear();
    m_borderTarget = NoBorder;
    m_tabKind = RtfParagraphFormat::LeftTab;
    m_tabLeader = RtfParagraphFormat::NoLeader;
    m_outerRow = RtfRowDefinition();
    m_nestedRow = RtfRowDefinition();
    m_nestedRow.nested = true;
    m_definingNested = false;
    m_cell = RtfCellDefinition();
    m_rowSerial = 0;
    m_borderBit = 0;
    m_footnotes = 0;
    m_numbering = Numbering();
    m_labelSeen = false;
    m_paragraphStart = 0;
    m_paragraphContent = 0;
    m_pageBreakPending = false;
    m_numberCounters.clear();
    std::fill(std::begin(m_levelNumbers), std::end(m_levelNumbers), 0);

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
    m_otherCodePages = m_documentPage != 1252;
    for (const RtfFont &font : m_fonts.all()) {
        const int page = RtfTextDecoder::codePageForFont(font, m_documentPage);
        if (page != 1252 && page != RtfTextDecoder::SymbolPage &&
            page != RtfTextDecoder::WingdingsPage) {
            m_otherCodePages = true;
            break;
        }
    }
    sendKept(0);
    m_sink->finish(lastParagraph);
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
    group.start = m_groupStart;
    group.keepHere = false;
    group.instructionPart = false;
    group.instructionAtOpen =
        m_fieldInstruction.size() + m_fieldText.size() + m_instructionParts.size();
    group.contentAtOpen = m_emitted + m_structures;
    group.ownContentAtOpen = ownContent();
    group.keptAtOpen = m_keptSent + m_kept.size();
    if (group.destination == RtfGroupState::Stylesheet) {
        // A style starts from nothing: only what it says is its format.
        group.destination = RtfGroupState::StyleEntry;
        group.chars = plainFormat();
        group.paragraph = RtfParagraphFormat();
        group.styleNumber = 0;
        group.characterStyle = false;
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
    switch (closed.destination) {
    case RtfGroupState::FontTable:
        commitFont();
        if (parent == RtfGroupState::Body && m_stack.size() == 2) {
            // Font names with \u skip as many characters as they did in the file.
            if (m_tableUnicodeSkip != 1)
                m_fontTableRtf += "\\uc" + QByteArray::number(m_tableUnicodeSkip) + ' ';
            m_fontTableRtf.append(tableEntries());
            m_fontCommitsKept += m_fontCommits - m_fontCommitsAtTable;
        }
        break;
    case RtfGroupState::ColorTable:
        if (parent == RtfGroupState::Body && m_stack.size() == 2)
            m_colorTableRtf.append(tableEntries());
        break;
    case RtfGroupState::StyleEntry:
        if (parent == RtfGroupState::Stylesheet) {
            QHash<int, Style> &styles =
                closed.characterStyle ? m_characterStyles : m_paragraphStyles;
            if (styles.size() < 4096)
                styles.insert(closed.styleNumber, {closed.chars, closed.paragraph});
        }
        break;
    case RtfGroupState::Picture:
        if (parent != RtfGroupState::Picture) {
            // A picture that is not shown (WMF, EMF, one that cannot be read, hidden text) is
            // kept as it was, unless its group showed text before it.
            const bool nothingShown = m_emitted + m_structures == closed.contentAtOpen;
            if (!finishPicture(closed) && parent == RtfGroupState::Body && !state().kept &&
                nothingShown) {
                if (takeBackKept(closed.keptAtOpen)) // hidden text inside goes with it
                    dropHiddenText();
                emitKept(closed.start);
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
        if (parent == RtfGroupState::Body)
            finishNumbering();
        break;
    case RtfGroupState::Skip:
        if (closed.instructionPart && parent == RtfGroupState::FieldInstruction &&
            m_instructionParts.size() < kMaxInstructionParts)
            m_instructionParts +=
                m_closingAtEnd
                    ? closedSlice(closed.start)
                    : m_input.sliced(closed.start, m_offset - closed.start).toByteArray();
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
            appendBodyChar(closed.fieldSymbol);
        } else if (!state().kept && ownContent() == closed.ownContentAtOpen &&
                   takeBackKept(closed.keptAtOpen)) { // the parts inside it go with it
            dropHiddenText();
            emitKept(closed.start, !empty);
        }
    }
    if (closed.keepHere) // an object's result keeps the format it was shown in
        emitKept(closed.start, closed.chars.generated);
    return false;
}

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
        if (s.listTable) // kept as it is for a save, and read for what follows list numbers
            m_listFollows.word(RtfListFollows::Table(s.listTable), name, hasParameter, parameter);
        if (keyword == RtfKeyword::Ud && s.inUpr) {
            s.destination = s.uprDestination;
            s.inUpr = false;
        }
        return;
    }

    const int p = parameter;
    const bool on = !hasParameter || p != 0;
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
            if (keyword == K::CharBorder)
                startBorder(BorderOfChars, name);
        }
        break;
    case K::KeptParagraph:
    case K::ParagraphBorder:
        if (s.destination == RtfGroupState::Body || s.destination == RtfGroupState::StyleEntry) {
            keepWord(para.words, name, hasParameter, p);
            if (keyword == K::ParagraphBorder)
                startBorder(BorderOfParagraph, name);
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
            RtfKeptWords::set(m_fieldFlags, name, hasParameter, p);
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
        if (s.destination == RtfGroupState::Body && !s.kept) {
            flushBytes();
            flushText();
            m_kept += "\\chatn ";
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
            m_kept += word + ' ';
        }
        break;
    case K::Listtext:
    case K::Pntext:
        if (s.destination == RtfGroupState::Body) {
            m_labelSeen = true; // the producer's own label text follows
            chars.listLabel = keyword == K::Listtext ? 1 : 2;
        }
        break;
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
        if (s.destination == RtfGroupState::ListNumbering)
            numberingWord(keyword, p);
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
        handleDestinationWord(keyword);
        break;
    case K::Ansi:
    case K::Mac:
    case K::Pc:
    case K::Pca:
    case K::Ansicpg:
        // The document's character set is said in its header, before the font table: one
        // said later (an embedded file) would read what came before it in another code page
        // on the next reading, as a save writes it at the top.
        if (m_stack.size() == 2 && !m_bodyStarted && !m_fontTableSeen) {
            const int page = keyword == K::Mac       ? 10000
                             : keyword == K::Pc      ? 437
                             : keyword == K::Pca     ? 850
                             : keyword == K::Ansicpg ? p
                                                     : 1252;
            if (page > 0) {
                m_documentPage = page;
                m_pageCacheValid = false;
            }
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
        if (p >= 0 && p < INT_MAX / 2)
            m_fontNumberEnd = std::max(m_fontNumberEnd, p + 1);
        break;
    case K::F:
        if (s.destination == RtfGroupState::FontTable) {
            commitFont();
            m_font = RtfFont();
            m_font.number = p;
            m_fontPending = true;
        } else if (hasParameter) {
            chars.font = p;
            if (p >= 0 && p < INT_MAX / 2)
                m_fontNumberEnd = std::max(m_fontNumberEnd, p + 1);
            if (!chars.script.isEmpty()) // where the font is said among them counts
                sayScriptWord(chars, name, hasParameter, p);
        }
        break;
    case K::ScriptWord:
        if (s.destination == RtfGroupState::Body || s.destination == RtfGroupState::StyleEntry)
            sayScriptWord(chars, name, hasParameter, p);
        break;
    case K::Fcharset:
        if (s.destination == RtfGroupState::FontTable)
            m_font.charset = p;
        break;
    case K::Cpg:
        if (s.destination == RtfGroupState::FontTable)
            m_font.codePage = p;
        break;
    case K::Uc:
        s.unicodeSkip = std::clamp(hasParameter ? p : 1, 0, 64);
        break;
    case K::U:
        handleUnicode(p);
        break;
    case K::Red:
    case K::Green:
    case K::Blue:
        if (s.destination == RtfGroupState::ColorTable) {
            const int value = std::clamp(p, 0, 255);
            (keyword == K::Red ? m_red : keyword == K::Green ? m_green : m_blue) = value;
            m_colorSet = true;
        }
        break;
    case K::Plain: {
        const int link = chars.link;
        const int field = chars.field;
        const bool generated = chars.generated;
        const quint8 label = chars.listLabel; // Word says \plain inside \listtext
        chars = plainFormat();
        chars.link = link;
        chars.field = field;
        chars.generated = generated;
        chars.listLabel = label;
        s.styledChars = false;
        if (m_borderTarget == BorderOfChars)
            m_borderTarget = NoBorder;
        break;
    }
    case K::B:
        chars.bold = on;
        break;
    case K::I:
        chars.italic = on;
        break;
    case K::Strike:
        chars.strike = on;
        break;
    case K::Caps:
        chars.caps = on;
        break;
    case K::Scaps:
        chars.smallCaps = on;
        break;
    case K::V:
        chars.hidden = on;
        break;
    case K::Deleted:
        chars.deleted = on;
        break;
    case K::Revauthdel:
        chars.deletedBy = p;
        break;
    case K::Revdttmdel:
        chars.deletedAt = p;
        break;
    case K::Ul:
        chars.underline = on ? RtfCharFormat::SingleUnderline : RtfCharFormat::NoUnderline;
        break;
    case K::Uldb:
        chars.underline = on ? RtfCharFormat::DoubleUnderline : RtfCharFormat::NoUnderline;
        break;
    case K::Uld:
        chars.underline = on ? RtfCharFormat::DottedUnderline : RtfCharFormat::NoUnderline;
        break;
    case K::Uldash:
        chars.underline = on ? RtfCharFormat::DashUnderline : RtfCharFormat::NoUnderline;
        break;
    case K::Ulwave:
        chars.underline = on ? RtfCharFormat::WaveUnderline : RtfCharFormat::NoUnderline;
        break;
    case K::Ulnone:
        chars.underline = RtfCharFormat::NoUnderline;
        break;
    case K::Cf:
        chars.foreground = color(p);
        break;
    case K::Highlight:
    case K::Cb:
        chars.background = color(p);
        break;
    case K::Fs:
        chars.halfPoints = hasParameter && p > 0 ? std::min(p, kMaxHalfPoints) : 24;
        break;
    case K::Super:
    case K::Up:
        chars.vertical = on ? RtfCharFormat::Superscript : RtfCharFormat::Baseline;
        break;
    case K::Sub:
    case K::Dn:
        chars.vertical = on ? RtfCharFormat::Subscript : RtfCharFormat::Baseline;
        break;
    case K::Nosupersub:
        chars.vertical = RtfCharFormat::Baseline;
        break;
    case K::Pard:
        para = RtfParagraphFormat();
        if (s.styledChars) {
            // The paragraph's style goes, and the character format it gave with it.
            handleWord("plain", false, 0);
            s.styledChars = false;
        }
        m_tabKind = RtfParagraphFormat::LeftTab;
        m_tabLeader = RtfParagraphFormat::NoLeader;
        if (m_borderTarget == BorderOfParagraph)
            m_borderTarget = NoBorder;
        break;
    case K::Ql:
        para.alignment = RtfParagraphFormat::Left;
        break;
    case K::Qc:
        para.alignment = RtfParagraphFormat::Center;
        break;
    case K::Qr:
        para.alignment = RtfParagraphFormat::Right;
        break;
    case K::Qj:
        para.alignment = RtfParagraphFormat::Justify;
        break;
    case K::Pagebb:
        para.pageBreakBefore = on;
        break;
    case K::Li:
        para.leftIndent = clampLength(p);
        break;
    case K::Ri:
        para.rightIndent = clampLength(p);
        break;
    case K::Fi:
        para.firstLineIndent = clampLength(p);
        break;
    case K::Sb:
        para.spaceBefore = std::clamp(p, 0, kMaxLength);
        break;
    case K::Sa:
        para.spaceAfter = std::clamp(p, 0, kMaxLength);
        break;
    case K::Sl:
        para.lineSpacing = clampLength(p);
        break;
    case K::Slmult:
        para.lineMultiple = on;
        break;
    case K::Intbl:
        para.inTable = true;
        break;
    case K::Itap:
        para.nestLevel = std::clamp(p, 0, MaxTableLevel);
        break;
    case K::Par:
        paragraphEnd(false);
        break;
    case K::Sect:
        paragraphEnd(false, true);
        break;
    case K::Page:
        pageBreak();
        break;
    case K::Line:
        appendChar(0x2028);
        break;
    case K::Tab:
        appendChar(u'\t');
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
        m_tabStops.change(para.tabStops, [&](QList<int> &stops) {
            if (stops.size() < kMaxTabStops)
                stops.append(keyword == K::Tb
                                 ? RtfParagraphFormat::tabStop(std::clamp(p, 0, kMaxLength),
                                                               RtfParagraphFormat::BarTab, 0)
                                 : RtfParagraphFormat::tabStop(std::clamp(p, 0, kMaxLength),
                                                               m_tabKind, m_tabLeader));
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
    case K::Chftn:
        // The automatic footnote number; inside the (skipped) footnote it is not shown anyway.
        if (s.destination == RtfGroupState::Body) {
            ++m_footnotes;
            const bool mark = std::exchange(chars.footnoteMark, true);
            for (const QChar c : QString::number(m_footnotes))
                appendBodyChar(c.unicode());
            state().chars.footnoteMark = mark;
        }
        break;
    case K::Pngblip:
    case K::Jpegblip:
        if (s.destination == RtfGroupState::Picture)
            m_picture.kind = keyword == K::Pngblip ? RtfPicture::Png : RtfPicture::Jpeg;
        break;
    case K::Picwgoal:
        m_picture.goalWidth = std::clamp(p, 0, kMaxLength);
        break;
    case K::Pichgoal:
        m_picture.goalHeight = std::clamp(p, 0, kMaxLength);
        break;
    case K::Picscalex:
        m_picture.scaleX = p > 0 ? std::min(p, 1000) : 100;
        break;
    case K::Picscaley:
        m_picture.scaleY = p > 0 ? std::min(p, 1000) : 100;
        break;
    case K::Emdash:
        appendChar(0x2014);
        break;
    case K::Endash:
        appendChar(0x2013);
        break;
    case K::Bullet:
        appendChar(0x2022);
        break;
    case K::Lquote:
        appendChar(0x2018);
        break;
    case K::Rquote:
        appendChar(0x2019);
        break;
    case K::Ldblquote:
        appendChar(0x201C);
        break;
    case K::Rdblquote:
        appendChar(0x201D);
        break;
    case K::Emspace:
        appendChar(0x2003);
        break;
    case K::Enspace:
        appendChar(0x2002);
        break;
    case K::Qmspace:
        appendChar(0x2005);
        break;
    case K::Zwj:
        appendChar(0x200D);
        break;
    case K::Zwnj:
        appendChar(0x200C);
        break;
    case K::Ltrmark:
        appendChar(0x200E);
        break;
    case K::Rtlmark:
        appendChar(0x200F);
        break;
    default:
        break; // shown destinations (\fldrslt, \listtext ...) and unknown words
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
        m_tableEntriesStart = m_offset;
        if (keyword == RtfKeyword::Colortbl) {
            s.destination = RtfGroupState::ColorTable;
            m_red = m_green = m_blue = 0;
            m_colorSet = false;
            break;
        }
        m_tableUnicodeSkip = s.unicodeSkip;
        m_fontTableSeen = true;
        m_fontCommitsAtTable = m_fontCommits;
        s.destination = RtfGroupState::FontTable;
        m_fontPending = false;
        m_fontName.clear();
        m_fontNameText.clear();
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
        s.fieldTextStart = m_emitted;
        if (s.fieldGroup)
            m_fieldFlags.clear();
        break;
    case RtfKeyword::Fldinst:
        if (s.destination != RtfGroupState::FieldInstruction)
            m_instructionParts.clear();
        s.destination = RtfGroupState::FieldInstruction;
        m_fieldInstruction.clear();
        m_fieldText.clear();
        break;
    case RtfKeyword::Pn:
        if (s.destination == RtfGroupState::Body && !s.kept && !s.chars.generated &&
            m_stack.size() > 2)
            keepGroup(s);
        s.destination = s.destination == RtfGroupState::Body ? RtfGroupState::ListNumbering
                                                             : RtfGroupState::Skip;
        m_numbering = Numbering();
        break;
    case RtfKeyword::Pntxta:
    case RtfKeyword::Pntxtb:
        if (s.destination == RtfGroupState::ListNumbering) {
            s.destination = RtfGroupState::ListNumberingText;
            m_numbering.target =
                keyword == RtfKeyword::Pntxtb ? &m_numbering.before : &m_numbering.after;
            m_numbering.target->clear();
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
    return group.instructionAtOpen ==
           m_fieldInstruction.size() + m_fieldText.size() + m_instructionParts.size();
}

// What a font or colour table group holds after its word, up to its closing brace. Not null,
// even when empty: the file had a table.
QByteArray RtfParser::tableEntries() const
{
    const qsizetype start = std::min(m_tableEntriesStart, m_offset - 1);
    return QByteArray(m_input.data() + start, m_offset - 1 - start);
}

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
        takeBackKept(group.keptAtOpen);
    }
}

void RtfParser::emitKept(qsizetype start, bool withFormat)
{
    if (start < 0 || start >= m_offset)
        return;
    flushBytes();
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
        context = RtfHiddenRun::paragraphWords(paragraph, s.styledChars) +
                  RtfHiddenRun::formatWords(s.chars, formats);
    }
    if (state().unicodeSkip != 1)
        context += "\\uc" + QByteArray::number(state().unicodeSkip);
    if (!context.isEmpty())
        m_kept += '{' + context + ' ';
    m_kept += rtf;
    if (!context.isEmpty())
        m_kept += '}';
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
    if (m_colorIndexSize < m_colors.size()) {
        for (size_t i = m_colorIndexSize; i < m_colors.size(); ++i)
            m_colorIndexes.try_emplace(m_colors[i], int(i));
        m_colorIndexSize = m_colors.size();
    }
    auto index = [this](quint32 color) {
        if (!(color >> 24))
            return -1;
        const auto it = m_colorIndexes.find(color);
        return it == m_colorIndexes.end() ? -1 : it->second;
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
    if (const auto it = m_colorIndexes.find(0u); styleColour && it != m_colorIndexes.end())
        context.autoColor = it->second;
    return context;
}

// Hidden text of a group that is kept whole: the group's bytes hold it.
void RtfParser::dropHiddenText()
{
    flushBytes();
    if (m_textFormat.isHiddenText())
        m_text.resize(0);
}

void RtfParser::writeTablesAsRead()
{
    QList<int> numbers = m_fonts.all().keys();
    std::sort(numbers.begin(), numbers.end());
    if (!numbers.isEmpty())
        m_fontTableRtf = QByteArray("");
    for (const int number : std::as_const(numbers)) {
        const RtfFont &font = *m_fonts.find(number);
        m_fontTableRtf += "{\\f" + QByteArray::number(number);
        if (font.charset >= 0)
            m_fontTableRtf += "\\fcharset" + QByteArray::number(font.charset);
        if (font.codePage > 0)
            m_fontTableRtf += "\\cpg" + QByteArray::number(font.codePage);
        m_fontTableRtf += ' ';
        for (const QChar c : font.name) {
            const char16_t u = c.unicode();
            if (u >= 0x20 && u < 0x7f && u != ';' && u != '\\' && u != '{' && u != '}')
                m_fontTableRtf += char(u);
            else // \u keeps every character, a ';' too, whatever the font's code page
                m_fontTableRtf += "\\u" + QByteArray::number(qint16(u)) + "\\'3f";
        }
        m_fontTableRtf += ";}";
    }
    if (!m_colors.empty())
        m_colorTableRtf = QByteArray("");
    for (const quint32 color : m_colors) {
        if (color >> 24)
            m_colorTableRtf += "\\red" + QByteArray::number((color >> 16) & 0xff) + "\\green" +
                               QByteArray::number((color >> 8) & 0xff) + "\\blue" +
                               QByteArray::number(color & 0xff);
        m_colorTableRtf += ';';
    }
}

// The bytes of a group the file never closed, from its { to the last whole token, closed as a
// reader closes it at the end of the file.
QByteArray RtfParser::closedSlice(qsizetype start) const
{
    // Up to the last whole token: binary data cut short would take the closing braces as its
    // own bytes, as would an unfinished \\'.
    const QByteArrayView rest = m_input.sliced(start);
    RtfTokenizer tokenizer(rest);
    qsizetype end = 0;
    qsizetype depth = 0;
    for (RtfToken token = tokenizer.next(); token.type != RtfToken::End; token = tokenizer.next()) {
        if (token.type == RtfToken::Binary && token.parameter > token.data.size())
            break;
        if (token.type == RtfToken::GroupOpen)
            ++depth;
        else if (token.type == RtfToken::GroupClose)
            --depth;
        end = tokenizer.offset();
    }
    QByteArray rtf = rest.first(end).toByteArray();
    // A backslash that escapes nothing yet would escape the closing brace: an unfinished \\'
    // goes, and so does a lone backslash at the end (of \\\\, both stay).
    auto escapes = [&rtf](qsizetype at) {
        qsizetype slashes = 0;
        for (qsizetype i = at; i >= 0 && rtf[i] == '\\'; --i)
            ++slashes;
        return slashes % 2 == 1;
    };
    const qsizetype quote = rtf.lastIndexOf("\\'");
    if (quote >= 0 && quote >= rtf.size() - 3 && escapes(quote)) {
        // A brace after it, no hex digit, was a token of its own: it goes too.
        for (const char c : rtf.sliced(quote))
            depth += c == '}' ? 1 : c == '{' ? -1 : 0;
        rtf.truncate(quote);
    }
    if (!rtf.isEmpty() && escapes(rtf.size() - 1))
        rtf.chop(1);
    rtf.append(QByteArray(std::max<qsizetype>(depth, 1), '}'));
    return rtf;
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
    const QByteArray fonts = m_fontTableRtf;
    const QByteArray colors = m_colorTableRtf;
    m_closingAtEnd = true;
    while (m_overflowDepth > 0 || m_stack.size() > 2)
        closeGroup();
    m_closingAtEnd = false;
    // So does a table whose fonts were defined but its entries not kept (it turned into
    // another destination before it closed).
    if (tablesOpen || m_fontCommits != m_fontCommitsKept) {
        m_fontTableRtf = fonts;
        m_colorTableRtf = colors;
        writeTablesAsRead();
    }
}

// Drops the parts kept since the given point (counted over all kept parts, sent or not), for a
// group kept whole. False when some of them have gone to the sink already.
bool RtfParser::takeBackKept(qint64 keptAtOpen)
{
    const qint64 keep = keptAtOpen - m_keptSent;
    if (keep < 0 || keep > m_kept.size())
        return false;
    m_kept.truncate(qsizetype(keep));
    return true;
}

// Kept parts go to the sink just before what follows them is shown: until then a field that
// turns out to show nothing can take them back, being kept whole itself. tableLevel: that of
// what follows.
void RtfParser::sendKept(int tableLevel)
{
    if (!m_kept.isEmpty()) {
        m_keptSent += m_kept.size();
        // Before any content it is the preamble, unless that content is a table's.
        m_sink->hidden(std::exchange(m_kept, QByteArray()), !m_bodyStarted && tableLevel == 0);
    }
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
    s.chars = chars;
    if (!character) {
        s.styledChars = true;
        RtfParagraphFormat paragraph = it->paragraph;
        paragraph.inTable = s.paragraph.inTable;
        paragraph.nestLevel = s.paragraph.nestLevel;
        s.paragraph = paragraph;
    }
}

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
    case '*':
        state().starred = true;
        break;
    default:
        break; // \- (optional hyphen) is invisible; others mean nothing
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
            else if (m_fontName.size() + m_fontNameText.size() < kMaxFontName)
                m_fontName.append(c);
        }
        break;
    case RtfGroupState::ColorTable:
        for (const char c : text) {
            if (c == ';')
                commitColor();
        }
        break;
    case RtfGroupState::Picture:
        appendPictureHex(text);
        break;
    case RtfGroupState::ListNumberingText:
        appendNumberingBytes(text);
        break;
    case RtfGroupState::FieldInstruction:
        m_fieldInstruction.append(text.first(std::min(
            text.size(), std::max<qsizetype>(0, kMaxFieldInstruction - m_fieldInstruction.size() -
                                                    m_fieldText.size()))));
        break;
    case RtfGroupState::ListNumbering:
    case RtfGroupState::Skip:
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
        if (m_fontName.size() + m_fontNameText.size() < kMaxFontName)
            m_fontName.append(c);
        break;
    case RtfGroupState::FieldInstruction:
        if (m_fieldInstruction.size() + m_fieldText.size() < kMaxFieldInstruction)
            m_fieldInstruction.append(c);
        break;
    case RtfGroupState::ListNumberingText:
        appendNumberingBytes(QByteArrayView(&c, 1));
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

// Text switches fonts at nearly every run, and a font's page takes comparisons of its name:
// the pages of fonts are kept by number until the font or the document's page changes.
int RtfParser::codePage(int font)
{
    if (!m_pageCacheValid) {
        m_fontPages.clear();
        m_tableFont = kNoPage;
        m_pageCacheValid = true;
    } else if (font >= 0 && size_t(font) < m_fontPages.size() &&
               m_fontPages[size_t(font)] != kNoPage) {
        return m_fontPages[size_t(font)];
    }
    const RtfFont *f = m_fonts.find(font);
    const int page = f ? RtfTextDecoder::codePageForFont(*f, m_documentPage) : m_documentPage;
    if (font >= 0 && font < kCachedFontPages) {
        if (size_t(font) >= m_fontPages.size())
            m_fontPages.resize(size_t(font) + 1, kNoPage);
        m_fontPages[size_t(font)] = page;
    }
    return page;
}

void RtfParser::appendBodyBytes(QByteArrayView bytes)
{
    const RtfGroupState &s = state();
    resolveSurrogate();
    if (!m_pageCacheValid || s.chars.font != m_tableFont) {
        const int font = s.chars.font;
        m_tablePage = codePage(font);
        m_table = m_decoder.singleByteTable(m_tablePage);
        m_tableFont = font;
    }
    const int page = m_tablePage;
    const char16_t *table = m_table;
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
        if (m_fontName.size() + m_fontNameText.size() < kMaxFontName) {
            flushFontNameBytes();
            m_fontNameText.append(QChar(c));
        }
        break;
    case RtfGroupState::FieldInstruction:
        if (m_fieldInstruction.size() + m_fieldText.size() < kMaxFieldInstruction) {
            flushFieldBytes();
            m_fieldText.append(QChar(c));
        }
        break;
    case RtfGroupState::ListNumberingText:
        if (m_numbering.target && m_numbering.target->size() < kMaxFontName)
            m_numbering.target->append(QChar(c));
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
    m_decoder.decode(m_bytesPage, m_bytes, m_text);
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
            m_kept += RtfHiddenRun::run(m_text, m_textFormat, hiddenRunContext(m_textFormat));
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
            m_kept += RtfHiddenRun::paragraphMark(s.chars);
        return;
    }
    resolveSurrogate();
    flushText();
    RtfParagraphFormat paragraph = shownParagraph(s);
    sendKept(paragraph.tableLevel());
    m_bodyStarted = true;
    ++m_structures;
    m_generatedShown += s.chars.generated;
    paragraph.endsSection = section;
    paragraph.pageBreakBefore |= std::exchange(m_pageBreakPending, false);
    m_sink->paragraphEnd(paragraph, s.chars, pageBreak);
    m_labelSeen = false;
    m_paragraphStart = m_emitted;
    m_paragraphContent = m_emitted + m_structures;
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
    flushText();
    sendKept(1);
    const int nested = std::max(2, s.paragraph.tableLevel());
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
        m_sink->rowEnd(1, m_outerRow);
        break;
    default:
        m_sink->rowEnd(nested, m_nestedRow);
        break;
    }
    m_labelSeen = false; // a cell's end is its paragraph's end
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

// The code page of the font being defined, for the bytes of its name.
int RtfParser::fontNamePage() const
{
    const int page = m_font.codePage > 0
                         ? m_font.codePage
                         : RtfTextDecoder::codePageForCharset(m_font.charset, m_documentPage);
    return page == RtfTextDecoder::SymbolPage ? 1252 : page; // a symbol font's name is plain text
}

void RtfParser::flushFontNameBytes()
{
    if (!m_fontName.isEmpty()) {
        m_decoder.decode(fontNamePage(), m_fontName, m_fontNameText);
        m_fontName.clear();
    }
}

// Field instructions are in the document's code page, like its text.
void RtfParser::flushFieldBytes()
{
    if (!m_fieldInstruction.isEmpty()) {
        int page = codePage(state().chars.font);
        if (page == RtfTextDecoder::SymbolPage || page == RtfTextDecoder::WingdingsPage)
            page = m_documentPage;
        m_decoder.decode(page, m_fieldInstruction, m_fieldText);
        m_fieldInstruction.clear();
    }
}

void RtfParser::commitFont()
{
    if (m_fontPending) {
        flushFontNameBytes();
        cleanDestinationText(m_fontNameText);
        m_font.name = m_fontNameText.trimmed();
        m_fonts.insert(m_font);
        ++m_fontCommits;
        if (m_font.number < INT_MAX / 2)
            m_fontNumberEnd = std::max(m_fontNumberEnd, m_font.number + 1);
        // Only this font's page may have changed.
        if (m_font.number >= 0 && size_t(m_font.number) < m_fontPages.size())
            m_fontPages[size_t(m_font.number)] = kNoPage;
        if (m_font.number == m_tableFont)
            m_tableFont = kNoPage;
    }
    m_fontPending = false;
    m_fontName.clear();
    m_fontNameText.clear();
}

void RtfParser::tableDefinitionWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter,
                                    int parameter)
{
    using K = RtfKeyword;
    // Within a group kept whole (an object and its result) they are the group's: a save
    // writes them with it.
    if (state().destination != RtfGroupState::Body || state().kept)
        return;
    auto cellBorder = [&](quint8 bit) {
        m_cell.borders |= bit;
        m_borderBit = bit;
        RtfKeptWords::set(m_cell.words, name, false, 0);
        startBorder(BorderOfCell, name);
    };
    auto rowBorder = [&](quint8 bit) {
        definedRow().borders |= bit;
        m_borderBit = bit;
        RtfKeptWords::set(definedRow().words, name, false, 0);
        startBorder(BorderOfRow, name);
    };
    switch (keyword) {
    case K::Trowd: {
        m_definingNested = state().nestedTableProps;
        RtfRowDefinition &row = definedRow();
        row = RtfRowDefinition();
        row.nested = m_definingNested;
        row.serial = ++m_rowSerial;
        m_cell = RtfCellDefinition();
        m_borderBit = 0;
        if (m_borderTarget == BorderOfCell || m_borderTarget == BorderOfRow)
            m_borderTarget = NoBorder;
        break;
    }
    case K::Cellx: {
        RtfRowDefinition &row = definedRow();
        // A single line of 15 twips is the border a save writes of every cell that shows one:
        // it is kept by the cell's format, not as words.
        for (const char *side : {"clbrdrt", "clbrdrl", "clbrdrb", "clbrdrr"}) {
            if (!m_cell.words.isEmpty() &&
                RtfKeptWords::entry(m_cell.words, side) ==
                    QByteArray('\\' + QByteArray(side) + "\\brdrs\\brdrw15 "))
                m_cell.words = RtfKeptWords::without(m_cell.words, side);
        }
        if (row.cells.size() < kMaxCellEdges) {
            m_cell.right = clampLength(parameter);
            row.cells.append(m_cell);
        }
        m_cell = RtfCellDefinition();
        m_borderBit = 0;
        if (m_borderTarget == BorderOfCell)
            m_borderTarget = NoBorder;
        break;
    }
    case K::KeptRow:
    case K::Ts:
        // A save gives every row the gap of 108 twips that is kept of no other.
        if (name == "trgaph" && hasParameter && parameter == 108)
            definedRow().words = RtfKeptWords::without(definedRow().words, name);
        else
            RtfKeptWords::set(definedRow().words, name, hasParameter, parameter);
        break;
    case K::KeptCell:
        RtfKeptWords::set(m_cell.words, name, hasParameter, parameter);
        break;
    case K::Clmgf:
        m_cell.merge |= RtfCellDefinition::FirstOfRow;
        break;
    case K::Clmrg:
        m_cell.merge |= RtfCellDefinition::InRow;
        break;
    case K::Clvmgf:
        m_cell.merge |= RtfCellDefinition::FirstOfColumn;
        break;
    case K::Clvmrg:
        m_cell.merge |= RtfCellDefinition::InColumn;
        break;
    case K::Clbrdrt:
        cellBorder(RtfBorder::Top);
        break;
    case K::Clbrdrl:
        cellBorder(RtfBorder::Left);
        break;
    case K::Clbrdrb:
        cellBorder(RtfBorder::Bottom);
        break;
    case K::Clbrdrr:
        cellBorder(RtfBorder::Right);
        break;
    case K::Trbrdrt:
        rowBorder(RtfBorder::Top);
        break;
    case K::Trbrdrl:
        rowBorder(RtfBorder::Left);
        break;
    case K::Trbrdrb:
        rowBorder(RtfBorder::Bottom);
        break;
    case K::Trbrdrr:
        rowBorder(RtfBorder::Right);
        break;
    case K::Trbrdrh:
        rowBorder(RtfBorder::InnerHorizontal);
        break;
    case K::Trbrdrv:
        rowBorder(RtfBorder::InnerVertical);
        break;
    default:
        break;
    }
}

// A border word (\brdrt, \clbrdrb ...) starts a border; the words of its line that follow go
// with it.
void RtfParser::startBorder(BorderTarget target, QByteArrayView name)
{
    m_borderTarget = target;
    m_borderEntry = name.toByteArray();
}

// The line style, width, colour ... of the border said last, kept with it. A border without a
// line (\brdrnone, or a width of zero) is no border of its cell or row.
void RtfParser::borderWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter,
                           int parameter)
{
    RtfGroupState &s = state();
    if (s.destination != RtfGroupState::Body && s.destination != RtfGroupState::StyleEntry)
        return;
    if (m_borderTarget == NoBorder ||
        ((s.destination != RtfGroupState::Body || s.kept) &&
         (m_borderTarget == BorderOfCell || m_borderTarget == BorderOfRow)))
        return;
    auto extend = [&](QByteArray &words) {
        RtfKeptWords::extend(words, m_borderEntry, name, hasParameter, parameter);
    };
    switch (m_borderTarget) {
    case BorderOfCell:
        extend(m_cell.words);
        break;
    case BorderOfRow:
        extend(definedRow().words);
        break;
    case BorderOfParagraph:
        m_keptWords.change(s.paragraph.words, extend);
        break;
    case BorderOfChars:
        m_keptWords.change(s.chars.words, extend);
        break;
    case NoBorder:
        break;
    }
    const bool none = keyword == RtfKeyword::Brdrnone ||
                      (keyword == RtfKeyword::Brdrw && hasParameter && parameter <= 0);
    if (none && m_borderTarget == BorderOfRow)
        definedRow().borders &= quint8(~m_borderBit);
    else if (none && m_borderTarget == BorderOfCell)
        m_cell.borders &= quint8(~m_borderBit);
}

void RtfParser::numberingWord(RtfKeyword keyword, int parameter)
{
    using K = RtfKeyword;
    Numbering &n = m_numbering;
    switch (keyword) {
    case K::Pnlvl:
        n.level = std::clamp(parameter, 1, 9);
        break;
    case K::Pnlvlblt:
        n.level = 10;
        n.style = Numbering::Bullet;
        break;
    case K::Pnlvlbody:
        n.level = 10;
        break;
    case K::Pnlvlcont:
        n.continued = true;
        break;
    case K::Pndec:
        n.style = Numbering::Decimal;
        break;
    case K::Pnucltr:
        n.style = Numbering::UpperLetter;
        break;
    case K::Pnlcltr:
        n.style = Numbering::LowerLetter;
        break;
    case K::Pnucrm:
        n.style = Numbering::UpperRoman;
        break;
    case K::Pnlcrm:
        n.style = Numbering::LowerRoman;
        break;
    case K::Pnstart:
        n.start = std::clamp(parameter, 0, 32767);
        break;
    case K::Pnf:
        n.font = parameter;
        break;
    case K::Pnprev:
        n.previous = true;
        break;
    default:
        break;
    }
}

void RtfParser::appendNumberingBytes(QByteArrayView bytes)
{
    if (!m_numbering.target || m_numbering.target->size() >= kMaxFontName)
        return;
    int page = codePage(m_numbering.font >= 0 ? m_numbering.font : state().chars.font);
    m_decoder.decode(page, bytes, *m_numbering.target);
}

namespace {

QString formatNumber(int n, quint8 style)
{
    switch (style) {
    case 2: // upper letter
    case 3: {
        QString letters;
        for (int v = std::max(n, 1); v > 0; v = (v - 1) / 26)
            letters.prepend(QChar(u'A' + (v - 1) % 26));
        return style == 2 ? letters : letters.toLower();
    }
    case 4: // upper roman
    case 5: {
        static const std::pair<int, const char *> parts[] = {
            {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
            {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
        QString roman;
        int v = std::clamp(n, 1, 3999);
        for (const auto &[value, text] : parts) {
            for (; v >= value; v -= value)
                roman += QLatin1String(text);
        }
        return style == 4 ? roman : roman.toLower();
    }
    default:
        return QString::number(n);
    }
}

} // namespace

// A paragraph numbered by \pn without a \pntext label gets the label the producer shows:
// the text before, the number (or the bullet), the text after, and a tab.
void RtfParser::finishNumbering()
{
    Numbering &n = m_numbering;
    n.target = nullptr;
    // Only at a paragraph's start: after text (a label edited into text) it would be a second.
    // None in hidden text: it would not be shown, and a save would write it as more hidden
    // text beside the numbering that makes it.
    if (m_labelSeen || n.level == 0 || n.continued || state().destination != RtfGroupState::Body ||
        m_emitted > m_paragraphStart || state().chars.isHiddenText())
        return;
    QString label = n.before;
    if (n.style == Numbering::Bullet) {
        if (label.isEmpty())
            label = QString(QChar(0x2022));
    } else {
        const QString key =
            QStringLiteral("%1|%2|%3|%4").arg(n.level).arg(n.style).arg(n.before, n.after);
        const auto it = m_numberCounters.find(key);
        const int number = it == m_numberCounters.end() ? n.start : ++it.value();
        if (it == m_numberCounters.end() && m_numberCounters.size() < 4096)
            m_numberCounters.insert(key, number);
        if (n.level <= 9) {
            // A number at one level starts the levels below it again.
            m_levelNumbers[n.level] = number;
            for (auto c = m_numberCounters.begin(); c != m_numberCounters.end();) {
                if (c.key().section(u'|', 0, 0).toInt() > n.level &&
                    c.key().section(u'|', 0, 0).toInt() <= 9)
                    c = m_numberCounters.erase(c);
                else
                    ++c;
            }
            if (n.previous && n.level > 1 && m_levelNumbers[n.level - 1] > 0)
                label += QString::number(m_levelNumbers[n.level - 1]) + u'.';
        }
        label += formatNumber(number, n.style);
    }
    label += n.after;
    // Written back as \pntext: a reader of the saved file shows it and makes none of its own.
    const quint8 wasLabel = std::exchange(state().chars.listLabel, quint8(2));
    for (const QChar c : std::as_const(label)) {
        if (!RtfTextDecoder::isDropped(c.unicode()))
            appendBodyChar(c.unicode());
    }
    appendBodyChar(u'\t');
    state().chars.listLabel = wasLabel;
    m_labelSeen = true;
}

void RtfParser::commitColor()
{
    if (m_colors.size() < kMaxColors) {
        // An entry without components is "auto".
        m_colors.push_back(m_colorSet ? 0xFF000000u | quint32(m_red) << 16 | quint32(m_green) << 8 |
                                            quint32(m_blue)
                                      : 0u);
    }
    m_red = m_green = m_blue = 0;
    m_colorSet = false;
}

quint32 RtfParser::color(int index) const
{
    return index >= 0 && size_t(index) < m_colors.size() ? m_colors[size_t(index)] : 0u;
}

RtfCharFormat RtfParser::plainFormat() const
{
    RtfCharFormat format;
    format.font = m_defaultFont;
    return format;
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

void RtfParser::finishFieldInstruction()
{
    flushFieldBytes();
    QString instruction = std::exchange(m_fieldText, QString());
    cleanDestinationText(instruction);
    const QStringList args = fieldArguments(instruction);
    if (args.isEmpty())
        return;
    const QString &type = args.first();
    if (type.compare(QLatin1String("HYPERLINK"), Qt::CaseInsensitive) == 0) {
        QString target;
        QString anchor;
        for (qsizetype i = 1; i < args.size(); ++i) {
            if (args[i].startsWith(u'\\')) {
                if (args[i] == QLatin1String("\\l") && i + 1 < args.size())
                    anchor = args[++i];
                else if (args[i] == QLatin1String("\\o") || args[i] == QLatin1String("\\t"))
                    ++i; // tooltip, target frame
            } else if (target.isEmpty()) {
                target = args[i];
            }
        }
        if (!anchor.isEmpty())
            target += u'#' + anchor;
        if (!target.isEmpty()) {
            m_links.append(target);
            m_linkExtras.append({m_fieldFlags, m_instructionParts});
            state().chars.link = int(m_links.size() - 1);
        }
    } else if (type.compare(QLatin1String("SYMBOL"), Qt::CaseInsensitive) != 0) {
        // Other fields (PAGE, DATE, TOC ...) show their result; the instruction stays with it,
        // so that a save writes the field again and not only what it showed.
        if (m_fieldInstructions.size() < 65536) {
            m_fieldInstructions.append(instruction.trimmed());
            m_fieldExtras.append({m_fieldFlags, m_instructionParts});
            state().chars.field = int(m_fieldInstructions.size() - 1);
        }
    } else if (args.size() > 1) {
        bool ok = false;
        const uint code = args[1].startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                              ? args[1].mid(2).toUInt(&ok, 16)
                              : args[1].toUInt(&ok);
        if (!ok || code == 0 || code > 0xFFFF)
            return;
        QString fontName;
        bool unicode = false;
        for (qsizetype i = 2; i < args.size(); ++i) {
            if (args[i] == QLatin1String("\\f") && i + 1 < args.size())
                fontName = args[++i];
            else if (args[i] == QLatin1String("\\u"))
                unicode = true;
        }
        RtfFont font;
        font.name = fontName;
        const int page = fontName.isEmpty() ? m_documentPage
                                            : RtfTextDecoder::codePageForFont(font, m_documentPage);
        char16_t c = static_cast<char16_t>(code);
        if (page == RtfTextDecoder::SymbolPage || page == RtfTextDecoder::WingdingsPage) {
            c = RtfTextDecoder::glyphChar(page, code & 0xFF);
        } else if (!unicode && code < 256) {
            QString decoded;
            const char byte = static_cast<char>(code);
            m_decoder.decode(page, QByteArrayView(&byte, 1), decoded);
            c = decoded.isEmpty() ? 0 : decoded.at(0).unicode();
        }
        if (c && !RtfTextDecoder::isDropped(c))
            state().fieldSymbol = c;
    }
}
