#pragma once

#include "rtf/rtfcontentsink.h"
#include "rtf/rtffonttable.h"
#include "rtf/rtfgroupstate.h"
#include "rtf/rtfhiddenrun.h"
#include "rtf/rtfinternpool.h"
#include "rtf/rtfkeyword.h"
#include "rtf/rtflistfollows.h"
#include "rtf/rtftextdecoder.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <climits>
#include <unordered_map>
#include <vector>

// Reads RTF and hands its visible content to a sink. Group state lives on an
// explicit stack, so nesting depth never touches the call stack.
class RtfParser
{
public:
    RtfParser();

    // Stops early, as at the end of the input, once *stop is set (by the sink, or another thread).
    void parse(QByteArrayView rtf, RtfContentSink &sink, const std::atomic<bool> *stop = nullptr);

    const RtfFontTable &fonts() const { return m_fonts; }
    // The entries of the font and colour tables as the file wrote them (of every table, when
    // there were several), for a save that keeps their numbers; null when there was none.
    const QByteArray &fontTableRtf() const { return m_fontTableRtf; }
    const QByteArray &colorTableRtf() const { return m_colorTableRtf; }
    const std::vector<quint32> &colors() const { return m_colors; }
    int documentCodePage() const { return m_documentPage; }
    int defaultFont() const { return m_defaultFont; }
    // A font number above every number the file's font table defined or its text used.
    int fontNumberEnd() const { return m_fontNumberEnd; }
    // True when some font or the document uses a code page other than 1252, so that written
    // text must use \u for everything beyond ASCII.
    bool usesOtherCodePages() const { return m_otherCodePages; }
    // True when text past MaxRuns runs kept the format of the run before it.
    bool formatsSimplified() const { return m_formatsSimplified; }
    // True when formats the pane does not show, or tab stops, were dropped past their budget.
    bool formatsDropped() const { return m_keptWords.refusedAny() || m_tabStops.refusedAny(); }
    QString linkTarget(int link) const { return m_links.value(link); }
    QString fieldInstruction(int field) const { return m_fieldInstructions.value(field); }
    // A field's flags (\fldlock ...) and the groups inside its instruction, as RTF, for the
    // field (other than a link) and the link of that number.
    const QByteArray &fieldFlags(int field) const { return extra(m_fieldExtras, field).flags; }
    const QByteArray &fieldParts(int field) const { return extra(m_fieldExtras, field).parts; }
    const QByteArray &linkFlags(int link) const { return extra(m_linkExtras, link).flags; }
    const QByteArray &linkParts(int link) const { return extra(m_linkExtras, link).parts; }
    // The row definition in effect for top-level (nested false) or nested table rows.
    const RtfRowDefinition &rowDefinition(bool nested) const
    {
        return nested ? m_nestedRow : m_outerRow;
    }

    // Deeper groups share the state of the deepest one kept.
    static constexpr int MaxDepth = 4096;
    static constexpr int MaxTableLevel = 16;
    static constexpr qint64 MaxRuns = 500000;
    // 22 inches in twips: larger lengths only break the layout.
    static constexpr int MaxLength = 31680;

private:
    RtfGroupState &state() { return m_stack.back(); }
    void openGroup();
    bool closeGroup();
    void handleWord(QByteArrayView name, bool hasParameter, int parameter);
    void handleDestinationWord(RtfKeyword keyword);
    void keepWord(RtfInterned<QByteArray> &words, QByteArrayView name, bool hasValue, int value);
    void handleSymbol(char symbol);
    void handleText(QByteArrayView text);
    void handleByte(unsigned char byte);
    void handleUnicode(int parameter);
    void resolveSurrogate();
    int fontNamePage() const;
    void keepGroup(RtfGroupState &group);
    bool instructionPartAllowed(const RtfGroupState &group) const;
    static QByteArray hidingContext(const RtfCharFormat &chars);
    RtfHiddenRun::Context hiddenRunContext(const RtfCharFormat &format, int paragraphStyle = -1);
    void dropHiddenText();
    void emitKept(qsizetype start, bool withFormat = false);
    void sendKept(int tableLevel);
    bool takeBackKept(qint64 keptAtOpen);
    QByteArray closedSlice(qsizetype start) const;
    void closeOpenGroups();
    void writeTablesAsRead();
    QByteArray tableEntries() const;
    void applyStyle(int number, bool character);
    void sayScriptWord(RtfCharFormat &chars, QByteArrayView name, bool hasParameter, int parameter);
    void flushFontNameBytes();
    void flushFieldBytes();

    int codePage(int font);
    void appendBodyBytes(QByteArrayView bytes);
    void appendChar(char16_t c);
    void appendBodyChar(char16_t c);
    void prepareText();
    void flushBytes();
    void flushText();
    void paragraphEnd(bool pageBreak, bool section = false);
    void pageBreak();
    static RtfParagraphFormat shownParagraph(const RtfGroupState &s);
    void tableEvent(RtfKeyword keyword);

    void commitFont();
    void commitColor();
    void appendPictureHex(QByteArrayView text);
    bool finishPicture(const RtfGroupState &group);
    void finishFieldInstruction();
    quint32 color(int index) const;
    RtfCharFormat plainFormat() const;

    RtfContentSink *m_sink = nullptr;
    QByteArrayView m_input;
    qsizetype m_offset = 0; // after the token being handled
    qsizetype m_groupStart = 0;
    bool m_bodyStarted = false;  // the sink has had content: what is kept goes in its place
    bool m_closingAtEnd = false; // closing the groups the file left open
    QByteArray m_kept;           // kept parts not yet given to the sink
    qint64 m_keptSent = 0;       // bytes of kept parts given to the sink
    QByteArray m_fontTableRtf;
    QByteArray m_colorTableRtf;
    qsizetype m_tableEntriesStart = 0; // after \fonttbl or \colortbl
    int m_tableUnicodeSkip = 1;        // \uc in effect at \fonttbl
    bool m_otherCodePages = false;
    qint64 m_runs = 0;
    qint64 m_structures = 0; // paragraph and cell ends, pictures: with m_emitted, what was shown
    qint64 m_generatedShown = 0; // of that, the results of objects kept whole
    qint64 ownContent() const;
    bool m_formatsSimplified = false;
    struct Style
    {
        RtfCharFormat chars;
        RtfParagraphFormat paragraph;
    };
    QHash<int, Style> m_paragraphStyles;
    QHash<int, Style> m_characterStyles;
    std::vector<RtfGroupState> m_stack;
    RtfInternPool<QByteArray> m_keptWords; // of the formats in m_stack and styles
    // A word kept in some words, and the words that made: the name points into the input.
    struct KeepStep
    {
        RtfInterned<QByteArray> from;
        QByteArrayView name;
        int value = 0;
        bool hasValue = false;
        bool operator==(const KeepStep &other) const
        {
            return from == other.from && value == other.value && hasValue == other.hasValue &&
                   name == other.name;
        }
        friend size_t qHash(const KeepStep &step, size_t seed = 0)
        {
            return qHashMulti(seed, step.from, step.name, step.value, step.hasValue);
        }
    };
    static constexpr qsizetype kMaxKeepSteps = 65536;
    QHash<KeepStep, RtfInterned<QByteArray>> m_keepSteps;
    // A word of other scripts (RtfScriptWords) said over the words in effect, and what they
    // became.
    struct ScriptChange
    {
        const QByteArray *words;
        std::array<char, 8> name;
        quint8 length;
        bool hasValue;
        int value;
        int font;
        bool operator==(const ScriptChange &) const = default;
        friend size_t qHash(const ScriptChange &c, size_t seed = 0)
        {
            return qHashMulti(seed, quintptr(c.words), QByteArrayView(c.name.data(), c.length),
                              c.value, c.font);
        }
    };
    QHash<ScriptChange, RtfInterned<QByteArray>> m_scriptChanges;
    RtfInternPool<QList<int>> m_tabStops;
    int m_overflowDepth = 0;
    int m_skipUnits = 0; // \uc fallback still to skip

    RtfTextDecoder m_decoder;
    int m_documentPage = 1252;
    int m_defaultFont = -1;
    static constexpr int kCachedFontPages = 1 << 20;
    static constexpr int kNoPage = INT_MIN;
    std::vector<int> m_fontPages; // by font number, kNoPage when not known yet
    bool m_pageCacheValid = false;
    // The font of the last body text, its page and that page's table (nullptr: double-byte).
    int m_tableFont = kNoPage;
    int m_tablePage = 0;
    const char16_t *m_table = nullptr;

    // Text waiting to go to the sink, all in one format.
    QString m_text;
    RtfCharFormat m_textFormat;
    RtfParagraphFormat m_textParagraph;
    QByteArray m_bytes; // bytes of a double-byte page, decoded together
    int m_bytesPage = 0;
    char16_t m_highSurrogate = 0;
    qint64 m_emitted = 0;

    RtfFontTable m_fonts;
    int m_fontNumberEnd = 0;
    bool m_fontTableSeen = false;
    RtfFont m_font;
    QByteArray m_fontName; // bytes not yet decoded
    QString m_fontNameText;
    bool m_fontPending = false;
    qint64 m_fontCommits = 0;        // fonts defined so far
    qint64 m_fontCommitsKept = 0;    // of them, in tables whose entries are kept
    qint64 m_fontCommitsAtTable = 0; // when the font table being read began

    std::vector<quint32> m_colors;
    std::unordered_map<quint32, int> m_colorIndexes; // the first entry of each colour
    size_t m_colorIndexSize = 0;                     // entries of m_colors in m_colorIndexes
    int m_red = 0, m_green = 0, m_blue = 0;
    bool m_colorSet = false;

    RtfPicture m_picture;
    int m_pictureNibble = -1;
    QByteArray m_fieldInstruction; // bytes not yet decoded
    QString m_fieldText;
    QStringList m_links;
    QStringList m_fieldInstructions;
    struct FieldExtra
    {
        QByteArray flags;
        QByteArray parts;
    };
    static const FieldExtra &extra(const QList<FieldExtra> &extras, int index)
    {
        static const FieldExtra none;
        return index >= 0 && index < extras.size() ? extras.at(index) : none;
    }
    QList<FieldExtra> m_linkExtras;
    QList<FieldExtra> m_fieldExtras;
    QByteArray m_fieldFlags;       // of the field being read
    QByteArray m_instructionParts; // groups kept inside the instruction being read
    void tableDefinitionWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter,
                             int parameter);
    enum BorderTarget : quint8 {
        NoBorder,
        BorderOfCell,
        BorderOfRow,
        BorderOfParagraph,
        BorderOfChars
    };
    void startBorder(BorderTarget target, QByteArrayView name);
    void borderWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter, int parameter);
    RtfRowDefinition &definedRow() { return m_definingNested ? m_nestedRow : m_outerRow; }

    RtfRowDefinition m_outerRow;
    RtfRowDefinition m_nestedRow;
    bool m_definingNested = false;
    RtfCellDefinition m_cell; // properties of the next \cellx
    quint64 m_rowSerial = 0;
    // The border said last (a bit of the cell or of the row, the name of its kept entry): its
    // line's words go with it, and \brdrnone or \brdrw0 takes it away.
    quint8 m_borderBit = 0;
    BorderTarget m_borderTarget = NoBorder;
    QByteArray m_borderEntry;
    quint8 m_tabKind = 0;   // \tqr, \tqc or \tqdec waiting for its \tx
    quint8 m_tabLeader = 0; // \tldot ... waiting for its \tx
    int m_footnotes = 0;

    // Word 6 numbering (\pn) of the paragraph, shown when the file gives no label text.
    struct Numbering
    {
        enum Style : quint8 { Bullet, Decimal, UpperLetter, LowerLetter, UpperRoman, LowerRoman };
        int level = 0;          // 1..9, 10 for \pnlvlbody, 0 for none
        bool continued = false; // \pnlvlcont: no number
        bool previous = false;  // \pnprev: the level above's number comes first
        quint8 style = Decimal;
        int start = 1;
        int font = -1;
        QString before;
        QString after;
        QString *target = nullptr; // which text the characters go to
    };
    void finishNumbering();
    void numberingWord(RtfKeyword keyword, int parameter);
    void appendNumberingBytes(QByteArrayView bytes);
    Numbering m_numbering;
    bool m_labelSeen = false; // \listtext or \pntext in this paragraph
    // A \listtext label ends in a tab that a list whose number is followed by nothing does not
    // show. Its \ls and \ilvl may come after it: until more is shown, the tab is taken out or
    // put back as they say.
    struct LabelTab
    {
        qint64 shown = -1;      // m_emitted + m_structures with the tab as it stands
        qsizetype textSize = 0; // m_text's size with the tab
        size_t depth = 0;       // the group the label was in
        bool dropped = false;
    };
    void labelTabFollows();
    LabelTab m_labelTab;
    RtfListFollows m_listFollows;
    qint64 m_paragraphStart = 0;     // m_emitted when the paragraph began
    qint64 m_paragraphContent = 0;   // m_emitted + m_structures then
    bool m_pageBreakPending = false; // \page before anything of the paragraph
    QHash<QString, int> m_numberCounters;
    int m_levelNumbers[11] = {}; // \chftn numbers footnotes in order
};
