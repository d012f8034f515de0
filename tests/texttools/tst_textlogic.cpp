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

    QTest::newRow("overlapping, first") << "aaaa"
                                        << "aa" << qsizetype(1) << qsizetype(1);
    QTest::newRow("overlapping, second") << "aaaa"
                                         << "aa" << qsizetype(2) << qsizetype(2);
    QTest::newRow("overlapping, third") << "aaaa"
                                        << "aa" << qsizetype(3) << qsizetype(3);
    QTest::newRow("overlapping, past the last") << "aaaa"
                                                << "aa" << qsizetype(4) << qsizetype(0);
    QTest::newRow("case counts") << "Word WORD word"
                                 << "word" << qsizetype(1) << qsizetype(11);
    QTest::newRow("capital not in lower") << "word"
                                          << "Word" << qsizetype(1) << qsizetype(0);
    QTest::newRow("no whole-word rule") << "swordfish"
                                        << "word" << qsizetype(1) << qsizetype(2);
    QTest::newRow("start before 1 is 1") << "ab"
                                         << "a" << qsizetype(0) << qsizetype(1);
    QTest::newRow("start past the end") << "ab"
                                        << "b" << qsizetype(3) << qsizetype(0);
    QTest::newRow("empty text") << ""
                                << "a" << qsizetype(1) << qsizetype(0);
    QTest::newRow("word longer than text") << "ab"
                                           << "abc" << qsizetype(1) << qsizetype(0);
    QTest::newRow("empty word at start") << "ab"
                                         << "" << qsizetype(1) << qsizetype(1);
    QTest::newRow("empty word at last") << "ab"
                                        << "" << qsizetype(2) << qsizetype(2);
    QTest::newRow("empty word past the end") << "ab"
                                             << "" << qsizetype(3) << qsizetype(0);
    QTest::newRow("empty word, empty text") << ""
                                            << "" << qsizetype(1) << qsizetype(0);
    QTest::newRow("empty word steps over an emoji") << "a" + grin + "b"
                                                    << "" << qsizetype(3) << qsizetype(4);
    QTest::newRow("after an emoji") << grin + "b"
                                    << "b" << qsizetype(1) << qsizetype(3);
    QTest::newRow("the emoji") << "ab" + grin << grin << qsizetype(1) << qsizetype(3);
    QTest::newRow("across a line end") << "one\ntwo"
                                       << "e\nt" << qsizetype(1) << qsizetype(3);

    const QString far = QString(40000, u'x') + "needle";
    QTest::newRow("past 32767") << far << "needle" << qsizetype(1) << qsizetype(40001);
    QTest::newRow("from past 32767") << far << "x" << qsizetype(39000) << qsizetype(39000);
    QTest::newRow("after the last past 32767")
        << far << "needle" << qsizetype(40002) << qsizetype(0);
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

    QTest::newRow("typed small in capitals") << CaseMode::Upper << "abc"
                                             << "d"
                                             << "ef" << true;
    QTest::newRow("typed capital in capitals") << CaseMode::Upper << "abc"
                                               << "D"
                                               << "ef" << false;
    QTest::newRow("typed at the start") << CaseMode::Lower << ""
                                        << "Q"
                                        << "rest" << true;
    QTest::newRow("typed at the end") << CaseMode::Lower << "rest"
                                      << "Q"
                                      << "" << true;
    QTest::newRow("pasted lines") << CaseMode::Upper << "x"
                                  << "one\nTwo\n"
                                  << "y" << true;
    QTest::newRow("sharp s grows") << CaseMode::Upper << "stra"
                                   << "\u00DF"
                                   << "e" << true;
    QTest::newRow("dotted capital I grows") << CaseMode::Lower << "a"
                                            << "\u0130"
                                            << "b" << true;
    QTest::newRow("sigma at a word's end") << CaseMode::Lower << "\u039F\u0394\u039F"
                                           << "\u03A3"
                                           << " x" << true;
    QTest::newRow("ligature") << CaseMode::Upper << "a"
                              << "\uFB01"
                              << "b" << true;
    QTest::newRow("emoji") << CaseMode::Upper << "a" << grin << "b" << false;
    QTest::newRow("second half of a pair typed") << CaseMode::Lower << "x" + deseretCapital.left(1)
                                                 << deseretCapital.right(1) << "y" << true;
    QTest::newRow("first half of a pair typed") << CaseMode::Lower << "x" << deseretCapital.left(1)
                                                << deseretCapital.right(1) + "y" << true;
    QTest::newRow("removal joins two halves")
        << CaseMode::Lower << deseretCapital.left(1) << "" << deseretCapital.right(1) << true;
    QTest::newRow("no mode") << CaseMode::None << "abc"
                             << "d"
                             << "e" << false;
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

    QTest::newRow("empty pane: one line end") << "" << 10 << 50 << QStringList{""};
    QTest::newRow("short") << "abc" << 10 << 50 << QStringList{"abc"};
    QTest::newRow("text with its own line end") << "abc\n" << 10 << 50 << QStringList{"abc", ""};
    QTest::newRow("exact fit") << "abcde" << 5 << 50 << QStringList{"abcde"};
    QTest::newRow("wrapped after blanks")
        << "the quick brown fox" << 10 << 50 << QStringList{"the quick", "brown fox"};
    QTest::newRow("blanks at the wrap dropped")
        << "aaa    bbb" << 5 << 50 << QStringList{"aaa", "bbb"};
    QTest::newRow("long word cut")
        << "abcdefghijkl" << 5 << 50 << QStringList{"abcde", "fghij", "kl"};
    QTest::newRow("emoji not split")
        << "ab" + grin + "c" << 3 << 50 << QStringList{"ab", grin + "c"};
    QTest::newRow("tabs to columns of eight") << "a\tb" << 20 << 50 << QStringList{"a       b"};
    QTest::newRow("pages") << "1\n2\n3\n4\n5" << 10 << 2
                           << QStringList{"1", "2", "<page>", "3", "4", "<page>", "5"};
    QTest::newRow("wrapped lines fill pages")
        << "aaaaaa" << 2 << 2 << QStringList{"aa", "aa", "<page>", "aa"};
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
    QStringList got;
    for (const QStringList &page : PrintLayout::pages(text, columns, linesPerPage, width)) {
        if (!got.isEmpty())
            got.append("<page>");
        got += page;
    }
    QCOMPARE(got, printed);
}

QTEST_APPLESS_MAIN(TestTextLogic)
#include "tst_textlogic.moc"
