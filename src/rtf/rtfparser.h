// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfcodepages.h"
#include "rtf/rtfcontentsink.h"
#include "rtf/rtfdocumenttables.h"
#include "rtf/rtffieldreader.h"
#include "rtf/rtffonttable.h"
#include "rtf/rtfgroupstate.h"
#include "rtf/rtfhiddenrun.h"
#include "rtf/rtfinternpool.h"
#include "rtf/rtfkeptparts.h"
#include "rtf/rtfkeyword.h"
#include "rtf/rtflistfollows.h"
#include "rtf/rtflisttable.h"
#include "rtf/rtfnotes.h"
#include "rtf/rtfparagraphnumbering.h"
#include "rtf/rtfrowreader.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <vector>

// Reads RTF and hands its visible content to a sink. Group state lives on an
// explicit stack, so nesting depth never touches the call stack.
class RtfParser
{
public:
    RtfParser();

    // Stops early, as at the end of the input, once *stop is set (by the sink, or another thread).
    void parse(QByteArrayView rtf, RtfContentSink &sink, const std::atomic<bool> *stop = nullptr);

    const RtfFontTable &fonts() const { return m_tables.fonts(); }
    // The entries of the font and colour tables as the file wrote them (of every table, when
    // there were several), for a save that keeps their numbers; null when there was none.
    const QByteArray &fontTableRtf() const { return m_tables.fontTableRtf(); }
    const QByteArray &colorTableRtf() const { return m_tables.colorTableRtf(); }
    const std::vector<quint32> &colors() const { return m_tables.colors(); }
    int documentCodePage() const { return m_pages.documentPage(); }
    int defaultFont() const { return m_defaultFont; }
    // A font number above every number the file's font table defined or its text used.
    int fontNumberEnd() const { return m_tables.fontNumberEnd(); }
    // True when some font or the document uses a code page other than 1252, so that written
    // text must use \u for everything beyond ASCII.
    bool usesOtherCodePages() const { return m_otherCodePages; }
    // True when text past MaxRuns runs kept the format of the run before it.
    bool formatsSimplified() const { return m_formatsSimplified; }
    // True when formats the pane does not show, or tab stops, were dropped past their budget.
    bool formatsDropped() const { return m_keptWords.refusedAny() || m_tabStops.refusedAny(); }
    QString linkTarget(int link) const { return m_fields.linkTarget(link); }
    QString fieldInstruction(int field) const { return m_fields.instruction(field); }
    // A field's flags (\fldlock ...) and the groups inside its instruction, as RTF, for the
    // field (other than a link) and the link of that number.
    const QByteArray &fieldFlags(int field) const { return m_fields.fieldFlags(field); }
    const QByteArray &fieldParts(int field) const { return m_fields.fieldParts(field); }
    const QByteArray &linkFlags(int link) const { return m_fields.linkFlags(link); }
    const QByteArray &linkParts(int link) const { return m_fields.linkParts(link); }
    // The row definition in effect for top-level (nested false) or nested table rows.
    const RtfRowDefinition &rowDefinition(bool nested) const { return m_rows.row(nested); }

    // The footnotes and endnotes read, with their marks and texts.
    const QList<RtfNote> &notes() const { return m_notes.notes(); }

    // Deeper groups share the state of the deepest one kept.
    static constexpr int MaxDepth = 4096;
    static constexpr int MaxTableLevel = 16;
    static constexpr qint64 MaxRuns = 500000;
    // 22 inches in twips: larger lengths only break the layout.
    static constexpr int MaxLength = 31680;

private:
    RtfGroupState &state() { return m_stack.back(); }

    // Groups (rtfparser.cpp)
    void openGroup();
    bool closeGroup();
    void handleDestinationWord(RtfKeyword keyword);
    bool instructionPartAllowed(const RtfGroupState &group) const;
    QByteArray tableEntries() const;
    void closeOpenGroups();
    void appendPictureHex(QByteArrayView text);
    bool finishPicture(const RtfGroupState &group);

    // Words (rtfparserwords.cpp): handleWord gives each word to the part that reads it.
    void handleWord(QByteArrayView name, bool hasParameter, int parameter);
    bool destinationWord(RtfKeyword keyword, int parameter);
    void commonWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter, int parameter);
    void keepWord(RtfInterned<QByteArray> &words, QByteArrayView name, bool hasValue, int value);
    void sayScriptWord(RtfCharFormat &chars, QByteArrayView name, bool hasParameter, int parameter);
    void applyStyle(int number, bool character);
    void plainWord();
    void pardWord();
    void tabStopWord(RtfKeyword keyword, QByteArrayView name, int parameter);
    void tableDefinitionWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter,
                             int parameter);
    void borderWord(RtfKeyword keyword, QByteArrayView name, bool hasParameter, int parameter);
    void finishNumbering();
    bool noteWord(RtfKeyword keyword, bool hasParameter, int parameter);
    void beginNote();
    void noteIsEndnote();
    void appendNoteBytes(QByteArrayView bytes);
    void finishFieldInstruction();
    void commitFont();
    RtfCharFormat plainFormat() const;
    RtfCharFormat plainChars() const;

    // Text (rtfparsertext.cpp)
    void handleSymbol(char symbol);
    void handleText(QByteArrayView text);
    void handleByte(unsigned char byte);
    void handleUnicode(int parameter);
    void resolveSurrogate();
    int codePage(int font) { return m_pages.page(font, m_tables.fonts()); }
    int fieldPage();
    void appendBodyBytes(QByteArrayView bytes);
    void appendChar(char16_t c);
    void appendBodyChar(char16_t c);
    void appendNumberingBytes(QByteArrayView bytes);
    void prepareText();
    void flushBytes();
    void flushText();
    void labelTabFollows();
    std::pair<int, int> paragraphList() const;
    QString listNumber();
    bool heldBlankLabel() const;
    void labelFromList();
    void labelsBeforeText();
    void listItemEnd();
    void numberingLabel();
    void numberingCarriedOn();
    void numberingOfStyle();
    bool sectionAtParagraphEnd();
    void paragraphEnd(bool pageBreak, bool section = false);
    void pageBreak();
    void tableEvent(RtfKeyword keyword);
    qint64 ownContent() const;
    static RtfParagraphFormat shownParagraph(const RtfGroupState &s);

    // Kept groups and hidden text (rtfparserkept.cpp)
    void keepGroup(RtfGroupState &group);
    static QByteArray hidingContext(const RtfCharFormat &chars);
    bool decodesOtherwise(int font, QByteArrayView rtf);
    RtfHiddenRun::Context hiddenRunContext(const RtfCharFormat &format, int paragraphStyle = -1);
    void dropHiddenText();
    // breakBefore: the paragraph open where the part began breaks before; a \page inside the
    // part may have ended it since.
    void emitKept(qsizetype start, bool withFormat = false, bool breakBefore = false);
    void sendKept(int tableLevel);
    QByteArray closedSlice(qsizetype start) const;

    RtfContentSink *m_sink = nullptr;
    QByteArrayView m_input;
    qsizetype m_offset = 0; // after the token being handled
    qsizetype m_groupStart = 0;
    std::vector<RtfGroupState> m_stack;
    int m_overflowDepth = 0;
    int m_skipUnits = 0;         // \uc fallback still to skip
    bool m_bodyStarted = false;  // the sink has had content: what is kept goes in its place
    bool m_closingAtEnd = false; // closing the groups the file left open
    bool m_otherCodePages = false;
    int m_defaultFont = RtfCharFormat::NoFont;

    // What was shown, counted: kept parts taken back and labels made depend on it.
    qint64 m_emitted = 0; // characters shown
    qint64 m_runs = 0;
    qint64 m_structures = 0; // paragraph and cell ends, pictures: with m_emitted, what was shown
    qint64 m_generatedShown = 0; // of that, the results of objects kept whole
    bool m_formatsSimplified = false;
    qint64 m_paragraphStart = 0;     // m_emitted when the paragraph began
    qint64 m_paragraphContent = 0;   // m_emitted + m_structures then
    bool m_pageBreakPending = false; // \page before anything of the paragraph
    bool m_pageBreakCarried = false; // the last paragraph ended with \page: this one breaks before

    // Text waiting to go to the sink, all in one format, and the code pages it is read in.
    RtfCodePages m_pages;
    QString m_text;
    RtfCharFormat m_textFormat;
    RtfParagraphFormat m_textParagraph;
    QByteArray m_bytes; // bytes of a double-byte page, decoded together
    int m_bytesPage = 0;
    char16_t m_highSurrogate = 0;

    RtfDocumentTables m_tables;
    RtfKeptParts m_kept;
    RtfFieldReader m_fields;
    RtfRowReader m_rows;
    RtfParagraphNumbering m_numbering;
    RtfParagraphNumbering m_styleNumbering; // of the style being read in the stylesheet
    bool m_inStyleEntry = false;
    RtfParagraphNumbering &numberingRead()
    {
        return m_inStyleEntry ? m_styleNumbering : m_numbering;
    }
    RtfPicture m_picture;
    int m_pictureNibble = -1;
    RtfNotes m_notes;
    // The mark of the footnote shown last, and what was shown with it: the note that follows
    // takes it, an endnote's changes it while it is still waiting in m_text.
    struct NoteMark
    {
        qint64 shownAfter = -1; // m_emitted + m_structures after it
        QString text;
    };
    NoteMark m_lastMark;

    struct Style
    {
        RtfCharFormat chars;
        RtfParagraphFormat paragraph;
        RtfParagraphNumbering::Definition numbering; // \pn words said in the style
    };
    QHash<int, Style> m_paragraphStyles;
    QHash<int, Style> m_characterStyles;

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
    quint8 m_tabKind = 0;   // \tqr, \tqc or \tqdec waiting for its \tx
    quint8 m_tabLeader = 0; // \tldot ... waiting for its \tx

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
    LabelTab m_labelTab;
    RtfListFollows m_listFollows;
    // Numbers of list items whose label the file leaves out or leaves blank (AbiWord), made from
    // the list tables. A blank label is held back, not shown, until the paragraph's first text:
    // its \ls and \ilvl may come after it.
    RtfListTable m_listTable;
    bool m_listItemFresh = true; // nothing of the paragraph shown yet but its label
    bool m_listCounted = false;  // the paragraph's number is taken
    bool m_blankLabel = false;   // the paragraph's label, still in m_text, is blank
    // The paragraph said its own \pn; one that goes on with the numbering of the paragraph
    // before gets a copy after its label, as a save writes \pard before each paragraph.
    bool m_numberingInParagraph = false;
    bool m_parEndedLast = false;     // the last paragraph, not in a table, ended with \par
    bool m_numberingPending = false; // a \pn read, its label not made yet
};
