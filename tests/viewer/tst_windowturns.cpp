// SPDX-License-Identifier: GPL-3.0-or-later
// Work on a thread that reads the window's objects in turns: never while the window's thread
// runs, the window's events handled between the turns, a stop honoured while the window's
// thread cannot give a turn, and the work going straight on when it runs on the window's thread.
#include "viewer/windowturns.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <mutex>

class TestWindowTurns : public QObject
{
    Q_OBJECT

private slots:
    void turnsExcludeTheWindow_data();
    void turnsExcludeTheWindow();
    void stoppedWhileTheWindowWaits_data();
    void stoppedWhileTheWindowWaits();
    void onTheWindowsThread_data();
    void onTheWindowsThread();
    void twoWorksLeaveTheWindowItsEvents();
    void lentWhileTheWindowWaits_data();
    void lentWhileTheWindowWaits();
};

void TestWindowTurns::turnsExcludeTheWindow_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("stepMs");
    // A step longer than a slice: each takes a turn of its own.
    QTest::newRow("a turn per step") << 4 << WindowTurns::sliceMs + 10;
    QTest::newRow("several steps a turn") << 40 << 3;
    QTest::newRow("one short step") << 1 << 0;
}

void TestWindowTurns::turnsExcludeTheWindow()
{
    QFETCH(int, steps);
    QFETCH(int, stepMs);
    QObject window;
    WindowTurns turns(&window);
    // Touched by the window's events and by the work's steps: a step sees it unchanged while
    // it runs when the two never run at once.
    int shared = 0;
    std::atomic<int> windowEvents{0};
    int eventsBetween = -1;
    bool overlapped = false;
    int stepsDone = 0;
    QThread *work = QThread::create([&] {
        int eventsAtFirst = -1;
        for (int i = 0; i < steps; ++i) {
            if (!turns.take([] { return false; }))
                return;
            if (eventsAtFirst < 0)
                eventsAtFirst = windowEvents;
            const int seen = ++shared;
            QThread::msleep(stepMs);
            overlapped = overlapped || shared != seen;
            ++stepsDone;
        }
        eventsBetween = windowEvents - eventsAtFirst;
        turns.giveBack();
    });
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, &window, [&] {
        ++shared;
        ++windowEvents;
    });
    ticks.start(1);
    work->start();
    QTRY_VERIFY_WITH_TIMEOUT(work->isFinished(), 30000);
    delete work;
    QCOMPARE(stepsDone, steps);
    QVERIFY(!overlapped);
    // A turn per step: the window had its events between them.
    if (stepMs > WindowTurns::sliceMs)
        QVERIFY2(eventsBetween > 0, qPrintable(QString::number(eventsBetween)));
    // After the turn is given back the window goes on.
    const int after = windowEvents;
    QTRY_VERIFY(windowEvents > after);
}

void TestWindowTurns::stoppedWhileTheWindowWaits_data()
{
    QTest::addColumn<bool>("turnTaken");
    QTest::newRow("waiting for its first turn") << false;
    QTest::newRow("holding a turn") << true;
}

void TestWindowTurns::stoppedWhileTheWindowWaits()
{
    // The window's thread waits for the work to end (the window is closing) and gives no
    // turn: the work stops waiting once it is told to stop, and a turn it holds is given back.
    QFETCH(bool, turnTaken);
    QObject window;
    WindowTurns turns(&window);
    std::atomic<bool> stop{false};
    std::atomic<bool> firstTaken{false};
    bool taken = true;
    QThread *work = QThread::create([&] {
        if (turnTaken) {
            firstTaken = turns.take([&stop] { return stop.load(); });
            stop = true; // the cancel comes while the work has its turn
        }
        taken = turns.take([&stop] { return stop.load(); });
    });
    work->start();
    if (turnTaken) {
        QTRY_VERIFY(work->isFinished());
        QVERIFY(firstTaken);
    } else {
        stop = true;
    }
    // No event loop runs here: no turn can be given.
    QVERIFY(work->wait(20000));
    delete work;
    QVERIFY(!taken);
    // The window goes on; a turn asked for and given up is not given later.
    QTest::qWait(20);
}

void TestWindowTurns::onTheWindowsThread_data()
{
    QTest::addColumn<bool>("stopped");
    QTest::newRow("going on") << false;
    QTest::newRow("stopped") << true;
}

void TestWindowTurns::onTheWindowsThread()
{
    // A small operation runs where it was asked for: no turn to wait for.
    QFETCH(bool, stopped);
    QObject window;
    WindowTurns turns(&window);
    for (int i = 0; i < 3; ++i)
        QCOMPARE(turns.take([stopped] { return stopped; }), !stopped);
    turns.giveBack();
}

void TestWindowTurns::twoWorksLeaveTheWindowItsEvents()
{
    // Two works at once (a save and a draft) get their turns one at a time, with the window's
    // events between any two of them: the window never waits for both in a row.
    QObject window;
    WindowTurns first(&window);
    WindowTurns second(&window);
    std::atomic<int> windowEvents{0};
    std::mutex mutex;
    QList<int> seenAtTurns; // the window's events counted at the start of each turn
    const auto work = [&](WindowTurns &turns) {
        for (int i = 0; i < 4; ++i) {
            if (!turns.take([] { return false; }))
                return;
            {
                std::lock_guard lock(mutex);
                seenAtTurns.append(windowEvents);
            }
            QThread::msleep(WindowTurns::sliceMs + 10); // the next step takes a new turn
        }
        turns.giveBack();
    };
    QThread *one = QThread::create(work, std::ref(first));
    QThread *two = QThread::create(work, std::ref(second));
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, &window, [&] { ++windowEvents; });
    ticks.start(1);
    one->start();
    two->start();
    QTRY_VERIFY_WITH_TIMEOUT(one->isFinished() && two->isFinished(), 30000);
    delete one;
    delete two;
    QCOMPARE(seenAtTurns.size(), 8);
    for (qsizetype i = 1; i < seenAtTurns.size(); ++i)
        QVERIFY2(seenAtTurns[i] > seenAtTurns[i - 1], qPrintable(QString::number(i)));
}

void TestWindowTurns::lentWhileTheWindowWaits_data()
{
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("stepMs");
    QTest::newRow("one step") << 1 << 0;
    QTest::newRow("a turn per step") << 3 << WindowTurns::sliceMs + 10;
    QTest::newRow("several steps a turn") << 30 << 2;
}

void TestWindowTurns::lentWhileTheWindowWaits()
{
    // The window's thread waits for a work that needs its turns (the last draft as the window
    // closes), handling no events meanwhile: the wait itself gives them.
    QFETCH(int, steps);
    QFETCH(int, stepMs);
    QObject window;
    WindowTurns turns(&window);
    QElapsedTimer clock;
    clock.start();
    std::atomic<bool> done{false};
    std::atomic<int> taken{0};
    QThread *work = QThread::create([&] {
        for (int i = 0; i < steps; ++i) {
            if (!turns.take([&clock] { return clock.elapsed() > 20000; }))
                break;
            ++taken;
            QThread::msleep(stepMs);
        }
        turns.giveBack();
        done = true;
    });
    work->start();
    WindowTurns::lendWhile([&done] { return !done; });
    QVERIFY(work->wait(20000));
    delete work;
    QCOMPARE(taken.load(), steps);
}

QTEST_MAIN(TestWindowTurns)
#include "tst_windowturns.moc"
