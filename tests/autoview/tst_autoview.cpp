// SPDX-License-Identifier: GPL-3.0-or-later
// Auto view: the interval text, the Off/Armed/Running states, and the timed walk through the
// file list or the favorites, driven by a timer the test ticks.
#include "app/browser.h"
#include "controls/clicklabel.h"
#include "fakesteptimer.h"
#include "reader/form3.h"
#include "viewer/autoviewinterval.h"
#include "viewer/autoviewstate.h"
#include "viewer/displayloading.h"
#include "windowtest.h"

#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

using State = AutoViewState::State;
Q_DECLARE_METATYPE(State)

namespace {
const QString failure = QStringLiteral(
    "The list is empty .. Please select a directory which contain some text files ...");

QString nameAt(int i)
{
    return QStringLiteral("f%1.txt").arg(i);
}
QString textAt(int i)
{
    return QStringLiteral("text of file %1").arg(i);
}
// Whether the choice of list, Start and the interval are all enabled, or all disabled.
bool controlsEnabled(const pgwell &w, bool enabled)
{
    const QList<QWidget *> controls{ui(w).Option1, ui(w).Option2, ui(w).ok, ui(w).Label3};
    return std::all_of(controls.begin(), controls.end(),
                       [enabled](QWidget *c) { return c->isEnabled() == enabled; });
}
} // namespace

class TestAutoView : public WindowTest
{
    Q_OBJECT

private slots:
    void init() { f = std::make_unique<WindowFixture>(); }
    void cleanup()
    {
        f.reset();
        timer.reset();
    }

    void interval_data();
    void interval();
    void states_data();
    void states();

    void walksTheFolderInOrder();
    void failedStepTurnsItOff_data();
    void failedStepTurnsItOff();
    void intervalBox();
    void walkPassesAFileThatCannotBeShown();
    void walkWaitsForItsReadAndKeepsItsPlace();

private:
    pgwell &openWith(int files);
    void run(pgwell &w);

    std::unique_ptr<FakeStepTimer> timer;
};

pgwell &TestAutoView::openWith(int files)
{
    for (int i = 0; i < files; ++i)
        writeFile(f->browse(nameAt(i)), textAt(i).toLatin1());
    timer = std::make_unique<FakeStepTimer>();
    pgwell::Options options;
    options.autoViewTimer = timer.get();
    return f->open(options);
}

void TestAutoView::run(pgwell &w)
{
    QTest::mouseClick(ui(w).Check1, Qt::LeftButton);
    QTest::mouseClick(ui(w).ok, Qt::LeftButton);
}

void TestAutoView::interval_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("milliseconds"); // -1: refused

    QTest::newRow("blanks around") << " 250 " << 250;
    QTest::newRow("tab and plus") << "\t+75" << 75;
    QTest::newRow("largest") << "65535" << 65535;
    QTest::newRow("rounded down") << "250.4" << 250;
    QTest::newRow("rounded up") << "250.5" << 251;

    QTest::newRow("one too many") << "65536" << -1;
    QTest::newRow("zero would stop the timer for good") << "0" << -1;
    QTest::newRow("rounds to zero") << "0.4" << -1;
    QTest::newRow("thousands separator") << "1,000" << -1;
    QTest::newRow("exponent") << "1e3" << -1;
    QTest::newRow("trailing letters") << "250ms" << -1;
    QTest::newRow("digits beyond any integer") << QString(40, u'9') << -1;
}

void TestAutoView::interval()
{
    QFETCH(QString, caption);
    QFETCH(int, milliseconds);
    const std::optional<int> parsed = AutoViewInterval::parse(caption);
    QCOMPARE(parsed.value_or(-1), milliseconds);
}

void TestAutoView::states_data()
{
    QTest::addColumn<QString>("events"); // c: check, u: uncheck, s: start
    QTest::addColumn<State>("state");

    QTest::newRow("check arms") << "c" << State::Armed;
    QTest::newRow("start runs") << "cs" << State::Running;
    QTest::newRow("start while off does nothing") << "s" << State::Off;
    QTest::newRow("uncheck while armed") << "cu" << State::Off;
    QTest::newRow("uncheck while running") << "csu" << State::Off;
    QTest::newRow("check again does not run") << "csuc" << State::Armed;
    QTest::newRow("check while running stays running") << "csc" << State::Running;
}

void TestAutoView::states()
{
    QFETCH(QString, events);
    QFETCH(State, state);
    AutoViewState s;
    for (QChar e : events) {
        if (e == u's')
            s.start();
        else
            s.setChecked(e == u'c');
    }
    QCOMPARE(s.state(), state);
    QCOMPARE(s.timerEnabled(), state == State::Running);
}

void TestAutoView::walksTheFolderInOrder()
{
    pgwell &w = openWith(3);
    QVERIFY(!ui(w).Check1->isChecked());
    QVERIFY(ui(w).Option1->isChecked());
    QVERIFY(controlsEnabled(w, false));
    QCOMPARE(ui(w).Label3->caption(), QStringLiteral("5000"));
    QTest::mouseClick(ui(w).Check1, Qt::LeftButton);
    QVERIFY(controlsEnabled(w, true));
    timer->elapse(); // armed, not stepping
    QVERIFY(!timer->isActive());
    QCOMPARE(ui(w).File1->listIndex(), -1);
    // Start alone does not step; the first step comes after the timer's second.
    QTest::mouseClick(ui(w).ok, Qt::LeftButton);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 1000);
    QCOMPARE(ui(w).File1->listIndex(), -1);

    QList<int> walked;
    for (int i = 0; i < 4; ++i) {
        timer->elapse();
        waitForDisplay(w);
        walked << ui(w).File1->listIndex();
        QCOMPARE(ui(w).Text1->toPlainText(), textAt(walked.last()));
    }
    QCOMPARE(walked, QList<int>({0, 1, 2, 0}));
    // The typed interval governs from the first step on.
    QCOMPARE(timer->interval(), 5000);
    QCOMPARE(w.viewer().shownFile().list, ShownList::Files);
    QVERIFY(f->fake.messages.shown.isEmpty());

    // A file chosen by hand is where the walk goes on from.
    choose(ui(w).File1, nameAt(1));
    timer->elapse();
    waitForDisplay(w);
    QCOMPARE(ui(w).File1->listIndex(), 2);
    QCOMPARE(ui(w).Text1->toPlainText(), textAt(2));

    // An accepted interval is applied by the next step, which restarts the countdown first.
    f->fake.input.answers.enqueue(QStringLiteral(" 250 "));
    QTest::mouseClick(ui(w).Label3, Qt::LeftButton);
    QCOMPARE(timer->interval(), 5000);
    const int restarts = timer->restarts;
    timer->elapse();
    waitForDisplay(w);
    QCOMPARE(timer->interval(), 250);
    QCOMPARE(timer->restarts, restarts + 1);
    QCOMPARE(ui(w).File1->listIndex(), 0);

    // Unchecking stops at once, even a tick already on its way; checking again only arms, and
    // Start goes on from where it stopped.
    QTest::mouseClick(ui(w).Check1, Qt::LeftButton);
    QVERIFY(!timer->isActive());
    QVERIFY(!ui(w).ok->isEnabled());
    timer->start();
    timer->elapse();
    waitForDisplay(w);
    QCOMPARE(ui(w).File1->listIndex(), 0);
    timer->stop();
    QTest::mouseClick(ui(w).Check1, Qt::LeftButton);
    QVERIFY(!timer->isActive());
    QTest::mouseClick(ui(w).ok, Qt::LeftButton);
    timer->elapse();
    waitForDisplay(w);
    QCOMPARE(ui(w).File1->listIndex(), 1);

    // The favorites walk the same way, leaving the file list alone; the reader follows.
    QFile::remove(f->favorite("What is This.txt"));
    writeFile(f->favorite("one.txt"), "first favorite");
    writeFile(f->favorite("two.txt"), "second favorite");
    ui(w).File2->refresh();
    QTest::mouseClick(ui(w).Option2, Qt::LeftButton);
    timer->elapse();
    waitForDisplay(w);
    QCOMPARE(ui(w).Text1->toPlainText(), QStringLiteral("first favorite"));
    timer->elapse();
    waitForDisplay(w);
    QCOMPARE(ui(w).Text1->toPlainText(), QStringLiteral("second favorite"));
    QCOMPARE(w.reader()->windowTitle(), QStringLiteral("Full screen mode - two.txt"));
    QCOMPARE(w.viewer().shownFile().list, ShownList::Favorites);
    QCOMPARE(ui(w).File1->listIndex(), 1);

    // Without a test timer the window's Timer1 steps; it is only started and stopped here.
    pgwell &real = f->open();
    run(real);
    QVERIFY(ui(real).Timer1->isActive());
    QCOMPARE(ui(real).Timer1->interval(), 1000);
    QTest::mouseClick(ui(real).Check1, Qt::LeftButton);
    QVERIFY(!ui(real).Timer1->isActive());
}

void TestAutoView::failedStepTurnsItOff_data()
{
    QTest::addColumn<int>("files");
    QTest::addColumn<bool>("favorites");
    QTest::addColumn<QString>("interval");

    QTest::newRow("empty file list") << 0 << false << "5000";
    QTest::newRow("empty favorites") << 2 << true << "5000";
    QTest::newRow("not a number") << 2 << false << "abc";
}

void TestAutoView::failedStepTurnsItOff()
{
    QFETCH(int, files);
    QFETCH(bool, favorites);
    QFETCH(QString, interval);
    pgwell &w = openWith(files);
    if (favorites) {
        QFile::remove(f->favorite("What is This.txt"));
        ui(w).File2->refresh();
        QCOMPARE(ui(w).File2->listCount(), 0);
    }
    QTest::mouseClick(ui(w).Check1, Qt::LeftButton);
    if (favorites)
        QTest::mouseClick(ui(w).Option2, Qt::LeftButton);
    f->fake.input.answers.enqueue(interval);
    QTest::mouseClick(ui(w).Label3, Qt::LeftButton);
    QCOMPARE(ui(w).Label3->caption(), interval); // taken as typed; checked only by the step
    QTest::mouseClick(ui(w).ok, Qt::LeftButton);

    timer->elapse();
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QCOMPARE(f->fake.messages.lastText(), failure);
    QVERIFY(!ui(w).Check1->isChecked());
    QVERIFY(!timer->isActive());
    QVERIFY(controlsEnabled(w, false));
    // A bad interval fails before any list moves, and is never applied.
    QCOMPARE(ui(w).File1->listIndex(), -1);
    QCOMPARE(timer->interval(), AutoViewInterval::parse(interval).value_or(1000));

    // Off means off: a late tick does nothing, and it can be switched on again.
    timer->elapse();
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QTest::mouseClick(ui(w).Check1, Qt::LeftButton);
    QVERIFY(ui(w).ok->isEnabled());
    QCOMPARE(ui(w).Label3->caption(), interval); // the caption survives the trip through Off
}

void TestAutoView::intervalBox()
{
    pgwell &w = openWith(1);
    QTest::mouseClick(ui(w).Label3, Qt::LeftButton); // disabled while Off: nobody is asked
    QVERIFY(f->fake.input.asked.isEmpty());

    QTest::mouseClick(ui(w).Check1, Qt::LeftButton);
    f->fake.input.answers.enqueue(QStringLiteral("1234"));
    QTest::mouseClick(ui(w).Label3, Qt::LeftButton);
    QCOMPARE(ui(w).Label3->caption(), QStringLiteral("1234"));
    QCOMPARE(f->fake.input.asked.last().prompt,
             QStringLiteral("Type the number of Milli secounde for the auto change the file .."));
    QCOMPARE(f->fake.input.asked.last().title, QStringLiteral("Auto change"));

    // The box offers the default, not the value in use; Cancel brings the default back.
    QTest::mouseClick(ui(w).Label3, Qt::LeftButton);
    QCOMPARE(f->fake.input.asked.last().defaultText, QStringLiteral("5000"));
    QCOMPARE(ui(w).Label3->caption(), QStringLiteral("5000"));

    f->fake.input.fail = true;
    QTest::mouseClick(ui(w).Label3, Qt::LeftButton);
    QCOMPARE(f->fake.messages.lastText(), QStringLiteral("unknow value .."));
    QCOMPARE(ui(w).Label3->caption(), QStringLiteral("5"));
}

void TestAutoView::walkPassesAFileThatCannotBeShown()
{
    pgwell &w = openWith(3);
    QVERIFY(QFile::remove(f->browse(nameAt(0))));
    QVERIFY(QDir(f->browsed.path()).mkdir(nameAt(0)));
    // A tick while the failure's message is up must not start a second step inside the first.
    int ticksBehind = 0;
    f->fake.messages.whileShown = [&] {
        ++ticksBehind;
        timer->elapse();
    };
    run(w);
    QList<int> walked;
    for (int i = 0; i < 5; ++i) {
        timer->elapse();
        waitForDisplay(w);
        walked << ui(w).File1->listIndex();
    }
    // Each failure leaves the selection on the file shown (none at first), and the walk goes on
    // after the file that failed instead of trying it again.
    QCOMPARE(walked, QList<int>({-1, 1, 2, 2, 1}));
    QCOMPARE(ticksBehind, 2);
    QCOMPARE(f->fake.messages.shown.size(), 2);
    QVERIFY(f->fake.messages.lastText().contains(nameAt(0)));
    QCOMPARE(ui(w).Text1->toPlainText(), textAt(1));
    QVERIFY(ui(w).Check1->isChecked());
}

void TestAutoView::walkWaitsForItsReadAndKeepsItsPlace()
{
    pgwell &w = openWith(4);
    run(w);
    // Ticks that come while the step's file is read wait for it instead of dropping it.
    timer->elapse();
    QVERIFY(w.viewer().isLoading());
    for (int i = 0; i < 5; ++i)
        timer->elapse();
    QCOMPARE(ui(w).File1->listIndex(), 0);
    QTRY_COMPARE(ui(w).Text1->toPlainText(), textAt(0));
    timer->elapse();
    QTRY_COMPARE(ui(w).Text1->toPlainText(), textAt(1));

    // A file deleted while the walk runs: it is passed over in silence, and the walk goes on
    // with the file after it, not from the top.
    QVERIFY(QFile::remove(f->browse(nameAt(2))));
    timer->elapse();
    QTRY_VERIFY(!w.viewer().isLoading());
    QCOMPARE(rowOf(ui(w).File1, nameAt(2)), -1);
    QCOMPARE(ui(w).Text1->toPlainText(), textAt(1));
    timer->elapse();
    QTRY_COMPARE(ui(w).Text1->toPlainText(), textAt(3));
    QVERIFY(f->fake.messages.shown.isEmpty());
}

QTEST_MAIN(TestAutoView)
#include "tst_autoview.moc"
