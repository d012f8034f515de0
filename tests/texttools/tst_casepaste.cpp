// SPDX-License-Identifier: GPL-3.0-or-later
// A large paste while "Make CAP" or "Make Min" is on: converted in steps on the operation's
// thread, with progress and Cancel, into what converting it at once gives, and undone with the
// paste in one step.
#include "controls/clicklabel.h"
#include "controls/filelistbox.h"
#include "controls/richtextbox.h"
#include "texttools/caseconversion.h"
#include "texttools/casetools.h"
#include "viewer/longoperation.h"
#include "viewer/viewer.h"
#include "windowtest.h"

#include <QApplication>
#include <QClipboard>
#include <QRadioButton>
#include <QTest>

Q_DECLARE_METATYPE(CaseMode)

class TestCasePaste : public WindowTest
{
    Q_OBJECT

private slots:
    void stepsGiveWhatOneConversionGives_data();
    void stepsGiveWhatOneConversionGives();
    void stoppedStepsGiveNothing();
    void largePasteIsConvertedInSteps_data();
    void largePasteIsConvertedInSteps();
};

void TestCasePaste::stepsGiveWhatOneConversionGives_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("from");
    QTest::addColumn<qsizetype>("to");
    QTest::addColumn<CaseMode>("mode");
    QTest::addColumn<qsizetype>("step");
    const QString pairs = u"a\U0001D41Ab\U00010428c\U00010400d\U00010428"_qs; // 𐐨 has a capital
    QTest::newRow("letters, steps of three") << u"Some words here."_qs << qsizetype(0)
                                             << qsizetype(16) << CaseMode::Upper << qsizetype(3);
    QTest::newRow("pairs across every step")
        << pairs << qsizetype(0) << qsizetype(pairs.size()) << CaseMode::Upper << qsizetype(2);
    QTest::newRow("pairs, odd steps")
        << pairs << qsizetype(0) << qsizetype(pairs.size()) << CaseMode::Upper << qsizetype(3);
    QTest::newRow("pairs cut by the change")
        << pairs << qsizetype(2) << qsizetype(5) << CaseMode::Upper << qsizetype(2);
    QTest::newRow("sharp s grows") << u"stra\u00dfe und gru\u00df"_qs << qsizetype(1)
                                   << qsizetype(14) << CaseMode::Upper << qsizetype(4);
    QTest::newRow("small letters") << u"MIXED Case \u0130STANBUL \U00010400"_qs << qsizetype(2)
                                   << qsizetype(22) << CaseMode::Lower << qsizetype(5);
    QTest::newRow("nothing to change")
        << u"ALREADY 123"_qs << qsizetype(0) << qsizetype(11) << CaseMode::Upper << qsizetype(2);
    QTest::newRow("a lone half stays") << u"ab"_qs + QChar(0xD801) + u"cd"_qs << qsizetype(0)
                                       << qsizetype(5) << CaseMode::Upper << qsizetype(2);
}

void TestCasePaste::stepsGiveWhatOneConversionGives()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, from);
    QFETCH(qsizetype, to);
    QFETCH(CaseMode, mode);
    QFETCH(qsizetype, step);
    const auto once = CaseConversion::forChange(text, from, to, mode);
    QList<qsizetype> told;
    const auto stepped =
        CaseConversion::forChangeInSteps(text, from, to, mode, step, [&told](qsizetype done) {
            told.append(done);
            return true;
        });
    QCOMPARE(stepped.has_value(), once.has_value());
    if (once) {
        QCOMPARE(stepped->start, once->start);
        QCOMPARE(stepped->length, once->length);
        QCOMPARE(stepped->replacement, once->replacement);
    }
    // Each step ends after the one before, the last where the part does.
    QVERIFY(!told.isEmpty());
    for (qsizetype i = 1; i < told.size(); ++i)
        QVERIFY(told[i] > told[i - 1]);
    QVERIFY(told.size() > 1 || to - from <= step);
}

void TestCasePaste::stoppedStepsGiveNothing()
{
    int steps = 0;
    const auto edit =
        CaseConversion::forChangeInSteps(u"all small letters"_qs, 0, 17, CaseMode::Upper, 4,
                                         [&steps](qsizetype) { return ++steps < 2; });
    QVERIFY(!edit);
    QCOMPARE(steps, 2);
}

void TestCasePaste::largePasteIsConvertedInSteps_data()
{
    QTest::addColumn<bool>("cancel");
    QTest::newRow("to its end") << false;
    QTest::newRow("cancelled") << true;
}

void TestCasePaste::largePasteIsConvertedInSteps()
{
    QFETCH(bool, cancel);
    writeFile(f->browse("a.txt"), "Before\n");
    pgwell &w = f->open();
    choose(ui(w).File1, "a.txt");
    ui(w).cap->click();
    QTRY_VERIFY(!w.viewer().isBusy());
    QCOMPARE(ui(w).Text1->toPlainText(), u"BEFORE\n"_qs);

    QString pasted;
    while (pasted.size() <= CaseTools::convertedAtOnceUpTo)
        pasted += u"a line of small letters, stra\u00dfe \U00010428\n"_qs;
    QApplication::clipboard()->setText(pasted);
    ui(w).Text1->select(ui(w).Text1->textLength(), 0);
    QTest::keyClick(ui(w).Text1->editor(), Qt::Key_V, Qt::ControlModifier);
    // Not converted on the window's thread: an operation does it, which may be cancelled.
    QVERIFY(w.viewer().isBusy());
    if (cancel)
        w.viewer().operations().cancel();
    QTRY_VERIFY(!w.viewer().isBusy());
    if (cancel) {
        QCOMPARE(ui(w).Text1->toPlainText(), "BEFORE\n" + pasted);
        QVERIFY(!ui(w).cap->isChecked());
    } else {
        QCOMPARE(ui(w).Text1->toPlainText(),
                 "BEFORE\n" + CaseConversion::convert(pasted, CaseMode::Upper));
        QVERIFY(ui(w).cap->isChecked());
    }
    // The paste and its conversion are one step back.
    QTest::keyClick(ui(w).Text1->editor(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(ui(w).Text1->toPlainText(), u"BEFORE\n"_qs);
}

QTEST_MAIN(TestCasePaste)
#include "tst_casepaste.moc"
