// SPDX-License-Identifier: GPL-3.0-or-later
// The text tools' logic without windows: finding, case conversion of what changed, print layout.
#include "texttools/caseconversion.h"
#include "texttools/printlayout.h"
#include "texttools/textsearch.h"

#include <QTest>

Q_DECLARE_METATYPE(CaseMode)

namespace {
const QString grin = QStringLiteral("\U0001F600");
const QString deseretCapital = QStringLiteral("\U00010400"); // small form: U+10428
} // namespace

class TestTextLogic : public QObject
{
    Q_OBJECT

private slots:
    void find_data();
    void find();
    void caseOfAChange_data();
    void caseOfAChange();
    void caseOfEveryCharacter_data();
    void caseOfEveryCharacter();
    void layout_data();
    void layout();
};

void TestTextLogic::find_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("word");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("found");

    const auto row = [](const char *name, const QString &text, const QString &word, qsizetype start,
                        qsizetype found) {
        QTest::newRow(name) << text << word << start << found;
    };
    row("overlapping, first", "aaaa", "aa", 1, 1);
    row("overlapping, third", "aaaa", "aa", 3, 3);
    row("overlapping, past the last", "aaaa", "aa", 4, 0);
    row("case counts", "Word WORD word", "word", 1, 11);
    row("no whole-word rule", "swordfish", "word", 1, 2);
    row("start before 1 is 1", "ab", "a", 0, 1);
    row("from the last character", "ab", "b", 2, 2);
    row("start past the end", "ab", "b", 3, 0);
    row("word longer than text", "ab", "abc", 1, 0);
    row("empty word at start", "ab", "", 1, 1);
    row("empty word past the end", "ab", "", 3, 0);
    row("empty word, empty text", "", "", 1, 0);
    row("empty word steps over an emoji", "a" + grin + "b", "", 3, 4);
    row("the emoji", "ab" + grin, grin, 1, 3);
    row("across a line end", "one\ntwo", "e\nt", 1, 3);

    const QString far = QString(40000, u'x') + "needle";
    row("past 32767", far, "needle", 1, 40001);
    row("from past 32767", far, "x", 39000, 39000);
    row("after the last past 32767", far, "needle", 40002, 0);
}

void TestTextLogic::find()
{
    QFETCH(QString, text);
    QFETCH(QString, word);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, found);
    QCOMPARE(TextSearch::find(text, word, start), found);
}

void TestTextLogic::caseOfAChange_data()
{
    QTest::addColumn<CaseMode>("mode");
    QTest::addColumn<QString>("before"); // already in case: the mode's form of it is used
    QTest::addColumn<QString>("changed");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("edits");

    const auto row = [](const char *name, CaseMode mode, const QString &before,
                        const QString &changed, const QString &after, bool edits) {
        QTest::newRow(name) << mode << before << changed << after << edits;
    };
    const auto upper = CaseMode::Upper;
    const auto lower = CaseMode::Lower;
    const QString high = deseretCapital.left(1);
    const QString low = deseretCapital.right(1);
    row("typed small in capitals", upper, "abc", "d", "ef", true);
    row("typed capital in capitals", upper, "abc", "D", "ef", false);
    row("typed at the start", lower, "", "Q", "rest", true);
    row("pasted lines", upper, "x", "one\nTwo\n", "y", true);
    row("sharp s grows", upper, "stra", "\u00DF", "e", true);
    row("dotted capital I grows", lower, "a", "\u0130", "b", true);
    row("sigma at a word's end", lower, "\u039F\u0394\u039F", "\u03A3", " x", true);
    row("emoji", upper, "a", grin, "b", false);
    row("second half of a pair typed", lower, "x" + high, low, "y", true);
    row("first half of a pair typed", lower, "x", high, low + "y", true);
    row("removal joins two halves", lower, high, "", low, true);
    row("no mode", CaseMode::None, "abc", "d", "e", false);
}

void TestTextLogic::caseOfAChange()
{
    QFETCH(CaseMode, mode);
    QFETCH(QString, before);
    QFETCH(QString, changed);
    QFETCH(QString, after);
    QFETCH(bool, edits);

    const QString head = CaseConversion::convert(before, mode);
    const QString text = head + changed + CaseConversion::convert(after, mode);
    const qsizetype from = head.size();
    const qsizetype to = from + changed.size();
    const QString whole = CaseConversion::convert(text, mode);

    // Given the whole text, and given only the window around the change the pane hands over.
    const qsizetype windowStart = qMax<qsizetype>(0, from - 1);
    const qsizetype windowEnd = qMin(text.size(), to + 1);
    for (const qsizetype offset : {qsizetype(0), windowStart}) {
        const qsizetype end = offset == 0 ? text.size() : windowEnd;
        const QString window = text.mid(offset, end - offset);
        const auto edit = CaseConversion::forChange(window, from - offset, to - offset, mode);
        QCOMPARE(edit.has_value(), edits);
        QString result = text;
        if (edit)
            result.replace(offset + edit->start, edit->length, edit->replacement);
        QCOMPARE(result, whole);
    }
}

void TestTextLogic::caseOfEveryCharacter_data()
{
    QTest::addColumn<CaseMode>("mode");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // empty: what Qt makes of the whole text
    QString every;                         // every character of the Basic Multilingual Plane
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (!QChar::isSurrogate(c))
            every += QChar(char16_t(c));
    }
    const QString high(QChar(char16_t(0xD801)));
    const QString low(QChar(char16_t(0xDC28)));
    const QString pairs = u"\U00010428x\U00010400\U0001F600"_qs;
    for (const CaseMode mode : {CaseMode::Upper, CaseMode::Lower}) {
        const bool upper = mode == CaseMode::Upper;
        const char *name = upper ? "upper" : "lower";
        QTest::addRow("every character, %s", name) << mode << every << QString();
        QTest::addRow("pairs, %s", name) << mode << pairs << QString();
        QTest::addRow("letters that grow, %s", name)
            << mode << u"stra\u00DFe \u0130 \uFB01"_qs << QString();
        // Halves without their other half are kept, where Qt would replace them.
        const QString ss = upper ? u"SS"_qs : u"\u00DF"_qs;
        QTest::addRow("halves, %s", name) << mode << high + u"a"_qs + low + u"\u00DF"_qs + high
                                          << high + (upper ? u"A"_qs : u"a"_qs) + low + ss + high;
    }
}

void TestTextLogic::caseOfEveryCharacter()
{
    // The fast conversion gives what Qt's own does.
    QFETCH(CaseMode, mode);
    QFETCH(QString, text);
    QFETCH(QString, expected);
    if (expected.isEmpty())
        expected = mode == CaseMode::Upper ? text.toUpper() : text.toLower();
    QCOMPARE(CaseConversion::convert(text, mode), expected);
    QString inPlace = text;
    QCOMPARE(CaseConversion::convertInPlace(inPlace, mode), expected != text);
    QCOMPARE(inPlace, expected);
    // Converting the result again changes nothing and keeps it shared.
    const QString again = inPlace;
    QVERIFY(!CaseConversion::convertInPlace(inPlace, mode));
    QVERIFY(inPlace.isSharedWith(again));
}

void TestTextLogic::layout_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("linesPerPage");
    QTest::addColumn<QStringList>("printed"); // "<page>" between pages

    const auto row = [](const char *name, const QString &text, int columns, int linesPerPage,
                        const QStringList &printed) {
        QTest::newRow(name) << text << columns << linesPerPage << printed;
    };
    row("empty pane: one line end", "", 10, 50, {""});
    row("text with its own line end", "abc\n", 10, 50, {"abc", ""});
    row("wrapped after blanks", "the quick brown fox", 10, 50, {"the quick", "brown fox"});
    row("blanks at the wrap dropped", "aaa    bbb", 5, 50, {"aaa", "bbb"});
    row("long word cut", "abcdefghijkl", 5, 50, {"abcde", "fghij", "kl"});
    row("emoji not split", "ab" + grin + "c", 3, 50, {"ab", grin + "c"});
    row("tabs to columns of eight", "a\tb", 20, 50, {"a       b"});
    row("pages", "1\n2\n3\n4\n5", 10, 2, {"1", "2", "<page>", "3", "4", "<page>", "5"});
    row("wrapped lines fill pages", "aaaaaa", 2, 2, {"aa", "aa", "<page>", "aa"});
}

void TestTextLogic::layout()
{
    QFETCH(QString, text);
    QFETCH(int, columns);
    QFETCH(int, linesPerPage);
    QFETCH(QStringList, printed);

    // A fixed font where each UTF-16 unit is one column wide.
    const auto width = [](QStringView piece) {
        return qreal(piece.size());
    };
    const QList<QStringList> pages = PrintLayout::pages(text, columns, linesPerPage, width);
    QStringList got;
    for (qsizetype page = 0; page < pages.size(); ++page) {
        if (page > 0)
            got.append("<page>");
        got += pages[page];
    }
    QCOMPARE(got, printed);
}

QTEST_APPLESS_MAIN(TestTextLogic)
#include "tst_textlogic.moc"
