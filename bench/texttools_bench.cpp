// SPDX-License-Identifier: GPL-3.0-or-later
// Times what a user does in a large text, each from the key or the control's click until the
// event loop has nothing left to do: Ctrl+End and Ctrl+Home, a typed key, Save, Find next, the
// click on "Make CAP" and one key typed in that mode, sending the text to the clipboard (Qt's
// clipboard) and showing the full-screen reader. The text is a generated UTF-8 file, shown as
// the user would open it; "Find half-way" looks for a word in the middle from the start (half
// a gigabyte away in the 1G text, which is written block by block).
//
// With --stalls it measures instead how long the window's thread is kept from its events at
// most while each long operation runs to its end: Save after one edit, Send to clip, Copy to
// clipboard, "Make CAP", Find of a word at the end, and Print of 10 MB to a PDF; then Save and
// Save as of a formatted document of 40,000 paragraphs (alone with --rich).
//
//   texttools_bench [--sizes 10M,100M,1G] [--presses N] [--save (up to Save only)]
//   texttools_bench --stalls [--sizes 100M] [--rich]
#include "app/pgwell.h"
#include "controls/appfonts.h"
#include "controls/clicklabel.h"
#include "controls/richtextbox.h"
#include "fakeplatform.h"
#include "platform/qtclipboard.h"
#include "reader/form3.h"
#include "rtf/rtfwriter.h"
#include "viewer/draftstore.h"
#include "viewer/longoperation.h"
#include "viewer/versionstore.h"
#include "windowcontrols.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <limits>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTimer>

namespace {

// The window whose long operations (run on their own thread) an action waits for.
const Viewer *shownViewer = nullptr;
// Whether to stop after Save (--save): the rest takes minutes in a gigabyte.
bool onlySave = false;

void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    while (shownViewer && shownViewer->isBusy())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

template <typename F> double milliseconds(F &&action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    settle();
    return clock.nsecsElapsed() / 1e6;
}

// Lines of lower-case words, with "needle" once in every tenth of the text (unless not asked).
QString makeText(qsizetype bytes, bool needles = true)
{
    static const char *words[] = {"lorem", "ipsum", "dolor", "sit",    "amet",  "consectetur",
                                  "elit",  "sed",   "do",    "tempor", "magna", "aliqua"};
    QString text;
    text.reserve(bytes + 100);
    unsigned seed = 1;
    qsizetype line = 0;
    qsizetype nextNeedle = needles ? bytes / 10 : std::numeric_limits<qsizetype>::max();
    while (text.size() < bytes) {
        seed = seed * 1103515245u + 12345u;
        text += QLatin1String(words[(seed >> 16) % 12]);
        line += 8;
        if (text.size() >= nextNeedle) {
            text += QLatin1String(" needle");
            nextNeedle += bytes / 10;
        }
        if (line > 72) {
            text += u'\n';
            line = 0;
        } else {
            text += u' ';
        }
    }
    return text;
}

// The text of makeText at path, with "farmark" in the middle besides; a large one is written
// block by block, so that it is never held whole.
void writeText(const QString &path, qsizetype size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    if (size < (qsizetype(256) << 20)) {
        const QString text = makeText(size);
        const qsizetype middle = text.indexOf(u'\n', text.size() / 2) + 1;
        if (file.write(
                (text.left(middle) + QStringLiteral("farmark\n") + text.mid(middle)).toUtf8()) < 0)
            qFatal("cannot write %s", qPrintable(path));
        return;
    }
    const QByteArray block = makeText(8 << 20, false).toUtf8();
    qsizetype written = 0;
    for (int tenth = 1; written < size; ++tenth) {
        const qsizetype until = std::min(size, size / 10 * tenth);
        for (; written < until; written += block.size()) {
            if (file.write(block) != block.size())
                qFatal("cannot write %s", qPrintable(path));
        }
        const QByteArray mark = tenth == 5 ? "farmark\nneedle\n" : "needle\n";
        file.write(mark);
        written += mark.size();
    }
}

struct Stats
{
    double median;
    double worst;
};

Stats stats(QList<double> times)
{
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times.last()};
}

void run(qsizetype size, int presses)
{
    QTemporaryDir program;
    FakePlatform fake(program.path());
    QtClipboard clipboard;
    Platform platform = fake.platform;
    Platform real{platform.messages,    platform.input,        platform.dialogs, platform.launcher,
                  platform.settings,    platform.environment,  clipboard,        platform.registry,
                  platform.executables, platform.programFolder};
    const QString path = program.filePath(QStringLiteral("large.txt"));
    writeText(path, size);
    pgwell w(real, {path});
    shownViewer = &w.viewer();
    w.show();
    QElapsedTimer loading;
    loading.start();
    while (w.viewer().shownFile().isEmpty() && loading.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    settle();
    const QString label = size >= 1 << 20 ? QStringLiteral("%1 MB").arg(size >> 20)
                                          : QStringLiteral("%1 KB").arg(size >> 10);
    QWidget *pane = ui(w).Text1->focusProxy();
    ui(w).Text1->setFocus();

    const double end =
        milliseconds([&] { QTest::keyClick(pane, Qt::Key_End, Qt::ControlModifier); });
    const double home =
        milliseconds([&] { QTest::keyClick(pane, Qt::Key_Home, Qt::ControlModifier); });
    std::printf("%-7s Ctrl+End            %8.1f ms\n", qPrintable(label), end);
    std::printf("%-7s Ctrl+Home           %8.1f ms\n", qPrintable(label), home);

    QList<double> typed;
    ui(w).Text1->select(ui(w).Text1->textLength() / 2, 0);
    for (int i = 0; i < presses; ++i) {
        typed.append(milliseconds(
            [&] { QTest::sendKeyEvent(QTest::Click, pane, Qt::Key_B, QStringLiteral("b"), {}); }));
    }
    const Stats type = stats(typed);
    std::printf("%-7s typed key           median %8.1f ms  worst %8.1f ms\n", qPrintable(label),
                type.median, type.worst);
    const double save = milliseconds([&] { ui(w).Command8->click(); });
    std::printf("%-7s Save                %8.1f ms  (%s)\n", qPrintable(label), save,
                ui(w).Text1->isModified() ? "NOT saved" : "saved");
    std::fflush(stdout);
    if (onlySave) {
        shownViewer = nullptr;
        return;
    }

    ui(w).find->click();
    ui(w).Text2->setText(QStringLiteral("needle"));
    QList<double> finds;
    finds.append(milliseconds([&] { ui(w).Command10->click(); }));
    for (int i = 1; i < presses; ++i)
        finds.append(milliseconds([&] { ui(w).Command11->click(); }));
    const Stats find = stats(finds);
    std::printf("%-7s Find next            median %8.1f ms  worst %8.1f ms  (%d presses, "
                "last at %d)\n",
                qPrintable(label), find.median, find.worst, presses, w.viewer().findPosition());

    // A word in the middle, found from the start: half the text away.
    ui(w).Text2->setText(QStringLiteral("farmark"));
    const double far = milliseconds([&] { ui(w).Command10->click(); });
    std::printf("%-7s Find half-way        %8.1f ms  (at %d)\n", qPrintable(label), far,
                w.viewer().findPosition());

    const double cap = milliseconds([&] { ui(w).cap->click(); });
    std::printf("%-7s Make CAP click       %8.1f ms\n", qPrintable(label), cap);

    QList<double> keys;
    ui(w).Text1->select(ui(w).Text1->textLength() / 2, 0);
    for (int i = 0; i < presses; ++i) {
        keys.append(milliseconds([&] {
            QTest::sendKeyEvent(QTest::Click, ui(w).Text1->focusProxy(), Qt::Key_A,
                                QStringLiteral("a"), {});
        }));
    }
    const Stats key = stats(keys);
    std::printf("%-7s key in CAP mode      median %8.1f ms  worst %8.1f ms\n", qPrintable(label),
                key.median, key.worst);

    const double copy = milliseconds([&] { emit ui(w).com->clicked(); });
    std::printf("%-7s copy to clipboard    %8.1f ms  (%lld characters)\n", qPrintable(label), copy,
                static_cast<long long>(clipboard.text().size()));
    const double reader = milliseconds([&] { ui(w).Command7->click(); });
    std::printf("%-7s reader shown        %8.1f ms\n", qPrintable(label), reader);
    w.reader()->close1->trigger();
    settle();
    shownViewer = nullptr;
    std::fflush(stdout);
}

// The longest time between two returns to the event loop, from the action until over() holds:
// the longest the window could not answer.
double longestStall(const std::function<void()> &action, const std::function<bool()> &over,
                    double *total)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 worst = 0;
    action();
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
    } while (!over() && clock.elapsed() < 600000);
    settle();
    *total = clock.nsecsElapsed() / 1e6;
    return worst / 1e6;
}

void stalls(qsizetype size)
{
    QTemporaryDir program;
    FakePlatform fake(program.path());
    const QString path = program.filePath(QStringLiteral("large.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write((makeText(size) + QStringLiteral("\nendmark\n")).toUtf8()) < 0)
            qFatal("cannot write %s", qPrintable(path));
    }
    pgwell w(fake.platform, {path});
    w.show();
    QElapsedTimer loading;
    loading.start();
    while (w.viewer().shownFile().isEmpty() && loading.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    settle();
    const QString label = QStringLiteral("%1 MB").arg(size >> 20);
    Viewer &viewer = w.viewer();
    const auto idle = [&viewer] {
        return !viewer.isBusy();
    };
    const auto report = [&](const char *what, double stall, double total, const QString &note) {
        std::printf("%-7s %-22s longest stall %8.1f ms  (all of it %8.1f ms%s)\n",
                    qPrintable(label), what, stall, total, qPrintable(note));
        std::fflush(stdout);
    };
    double total = 0;
    ui(w).Text1->select(ui(w).Text1->textLength() / 2, 0);
    QTest::sendKeyEvent(QTest::Click, ui(w).Text1->focusProxy(), Qt::Key_B, QStringLiteral("b"),
                        {});
    settle();
    double stall = longestStall([&] { ui(w).Command8->click(); }, idle, &total);
    report("Save (one edit)", stall, total,
           ui(w).Text1->isModified() ? QStringLiteral(", NOT saved") : QString());

    viewer.setClipFolderSetting(program.filePath(QStringLiteral("clips")));
    QDir().mkpath(viewer.clipFolderSetting());
    stall =
        longestStall([&] { w.findChild<QAction *>(QStringLiteral("actionSendToClip"))->trigger(); },
                     idle, &total);
    report("Send to clip", stall, total, QStringLiteral(", ") + fake.messages.lastText());

    stall = longestStall([&] { emit ui(w).com->clicked(); }, idle, &total);
    report("Copy to clipboard", stall, total,
           QStringLiteral(", %1 characters").arg(fake.clipboard.held.size()));

    ui(w).find->click();
    ui(w).Text2->setText(QStringLiteral("endmark"));
    stall = longestStall([&] { ui(w).Command10->click(); }, idle, &total);
    report("Find (at the end)", stall, total,
           QStringLiteral(", found at %1").arg(viewer.findPosition()));

    stall = longestStall([&] { ui(w).cap->click(); }, idle, &total);
    report("Make CAP", stall, total, QString());

    // Print of the first 10 MB of the text: the selection, to a PDF.
    const QString pdf = program.filePath(QStringLiteral("printed.pdf"));
    fake.dialogs.printerScript = [&pdf](QPrinter &printer) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPrintRange(QPrinter::Selection);
        return true;
    };
    ui(w).Text1->select(0, std::min<qsizetype>(10 << 20, ui(w).Text1->textLength()));
    stall = longestStall([&] { w.findChild<QAction *>(QStringLiteral("actionPrint"))->trigger(); },
                         idle, &total);
    report("Print 10 MB", stall, total,
           QStringLiteral(", %1 MB of PDF").arg(QFileInfo(pdf).size() >> 20));
}

// A formatted document of 40,000 paragraphs, one letter typed: Save and Save as to RTF.
void richStalls()
{
    QTemporaryDir program;
    FakePlatform fake(program.path());
    const QString path = program.filePath(QStringLiteral("large.rtf"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write %s", qPrintable(path));
        file.write("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ");
        for (int i = 0; i < 40000; ++i)
            file.write("Paragraph " + QByteArray::number(i) +
                       " of the document, {\\b bold} and {\\i italic} words in it.\\par\n");
        file.write("}");
    }
    pgwell w(fake.platform, {path});
    shownViewer = &w.viewer();
    w.show();
    QElapsedTimer loading;
    loading.start();
    while (w.viewer().shownFile().isEmpty() && loading.elapsed() < 600000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    settle();
    if (!ui(w).Text1->showsRichDocument()) {
        std::printf("40000 paragraphs of RTF shown as plain text\n");
        return;
    }
    Viewer &viewer = w.viewer();
    // Over when the pane's changes in steps are over too (a conversion taken back, an undo).
    const auto idle = [&viewer, &w] {
        return !viewer.isBusy() && !ui(w).Text1->isMapping();
    };
    ui(w).Text1->select(100, 0);
    QTest::sendKeyEvent(QTest::Click, ui(w).Text1->editor(), Qt::Key_unknown, QStringLiteral("x"),
                        {});
    settle();
    // What Save and Copy held the window for when the document was read on the window's thread.
    QElapsedTimer atOnce;
    atOnce.start();
    const QByteArray rtf = RtfWriter::write(*ui(w).Text1->document());
    const double writeMs = atOnce.nsecsElapsed() / 1e6;
    atOnce.restart();
    const QString plain = ui(w).Text1->document()->toPlainText();
    std::printf("RTF     on the window thread: RTF written in %.1f ms (%lld bytes), text copied "
                "in %.1f ms\n",
                writeMs, qlonglong(rtf.size()), atOnce.nsecsElapsed() / 1e6);
    // The edit's draft, due a second after it, is made meanwhile, in turns as well.
    double total = 0;
    double stall = longestStall([&] { ui(w).Command8->click(); }, idle, &total);
    std::printf("RTF     %-22s longest stall %8.1f ms  (all of it %8.1f ms%s)\n",
                "Save (40000 par.)", stall, total, ui(w).Text1->isModified() ? ", NOT saved" : "");
    fake.dialogs.saveAnswers.enqueue(program.filePath(QStringLiteral("copy.rtf")));
    stall = longestStall([&] { ui(w).Command6->click(); }, idle, &total);
    std::printf("RTF     %-22s longest stall %8.1f ms  (all of it %8.1f ms, %lld bytes)\n",
                "Save as (40000 par.)", stall, total,
                QFileInfo(program.filePath(QStringLiteral("copy.rtf"))).size());
    stall = longestStall([&] { emit ui(w).com->clicked(); }, idle, &total);
    std::printf("RTF     %-22s longest stall %8.1f ms  (all of it %8.1f ms, %lld characters)\n",
                "Copy to clipboard", stall, total, qlonglong(fake.clipboard.held.size()));
    ui(w).find->click();
    ui(w).Text2->setText(QStringLiteral("Paragraph 39999"));
    stall = longestStall([&] { ui(w).Command10->click(); }, idle, &total);
    std::printf("RTF     %-22s longest stall %8.1f ms  (all of it %8.1f ms, found at %d)\n",
                "Find (at the end)", stall, total, viewer.findPosition());
    ui(w).Text1->select(100, 0);
    stall = longestStall([&] { ui(w).cap->click(); }, idle, &total);
    std::printf("RTF     %-22s longest stall %8.1f ms  (all of it %8.1f ms)\n",
                "Make CAP (40000 par.)", stall, total);
    stall = longestStall([&] { QTest::keySequence(ui(w).Text1->focusProxy(), QKeySequence::Undo); },
                         idle, &total);
    std::printf("RTF     %-22s longest stall %8.1f ms  (all of it %8.1f ms%s)\n",
                "Ctrl+Z of Make CAP", stall, total,
                ui(w).Text1->text().startsWith(u"Paragraph 0") ? "" : ", NOT taken back");
    stall = longestStall([&] { QTest::keySequence(ui(w).Text1->focusProxy(), QKeySequence::Redo); },
                         idle, &total);
    std::printf("RTF     %-22s longest stall %8.1f ms  (all of it %8.1f ms%s)\n",
                "Ctrl+Y of Make CAP", stall, total,
                ui(w).Text1->text().startsWith(u"PARAGRAPH 0") ? "" : ", NOT made again");
    longestStall([&] { QTest::keySequence(ui(w).Text1->focusProxy(), QKeySequence::Undo); },
                 idle, &total);
    stall = longestStall(
        [&] {
            ui(w).min->click();
            QTimer::singleShot(300, &viewer, [&viewer] { viewer.operations().cancel(); });
        },
        idle, &total);
    std::printf("RTF     %-22s longest stall %8.1f ms  (all of it %8.1f ms%s)\n",
                "Make Min, cancelled", stall, total,
                ui(w).Text1->text().startsWith(u"Paragraph 0") ? "" : ", NOT taken back");
    std::fflush(stdout);
    shownViewer = nullptr;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installDesignFonts();
    // The drafts of the edited texts and the versions its saves keep (a gigabyte each) go to a
    // folder of the benchmark's own, removed at the end, never among the user's.
    QStandardPaths::setTestModeEnabled(true);
    const auto removeKept = [] {
        QDir(DraftStore::defaultFolder()).removeRecursively();
        QDir(VersionStore::defaultFolder()).removeRecursively();
    };
    QList<qsizetype> sizes{qsizetype(10) << 20, qsizetype(100) << 20};
    int presses = 9;
    QStringList args = app.arguments();
    const bool measureStalls = args.removeAll(QStringLiteral("--stalls")) > 0;
    const bool onlyRich = args.removeAll(QStringLiteral("--rich")) > 0;
    onlySave = args.removeAll(QStringLiteral("--save")) > 0;
    if (measureStalls)
        sizes = {qsizetype(100) << 20};
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == u"--presses") {
            presses = qMax(1, args[i + 1].toInt());
        } else if (args[i] == u"--sizes") {
            sizes.clear();
            for (const QString &s : args[i + 1].split(u',')) {
                const qsizetype unit = s.endsWith(u'G')   ? (qsizetype(1) << 30)
                                       : s.endsWith(u'M') ? (1 << 20)
                                       : s.endsWith(u'K') ? 1024
                                                          : 1;
                sizes.append(s.chopped(unit > 1 ? 1 : 0).toLongLong() * unit);
            }
        }
    }
    for (qsizetype size : sizes) {
        if (onlyRich)
            break;
        if (measureStalls)
            stalls(size);
        else
            run(size, presses);
    }
    if (measureStalls)
        richStalls();
    removeKept();
    return 0;
}
