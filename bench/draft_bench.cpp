// SPDX-License-Identifier: GPL-3.0-or-later
// What keeping a draft costs in a large text: one key typed into a shown file of 100 MB (to
// idle, with the first edit's base taken), handing the draft to disk, and the disk it takes;
// then the longest the window thread is held while a whole-text draft of that file is shown
// again, and while a kept version of it is restored; and a formatted document's draft, handed
// over at once and made aside.
//
//   draft_bench [--megabytes N]
#include "app/pgwell.h"
#include "controls/appfonts.h"
#include "controls/richtextbox.h"
#include "fakeplatform.h"
#include "viewer/draftkeeper.h"
#include "windowcontrols.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <sys/stat.h>
#include <time.h>

namespace {
void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

template <typename F> double milliseconds(F &&action)
{
    QElapsedTimer clock;
    clock.start();
    action();
    settle();
    return clock.nsecsElapsed() / 1e6;
}

double threadCpuMs()
{
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Of the longest hold that longestStall() found last, the window thread's own work (its CPU
// time): the rest of it the thread waited for a processor, which on a busy or throttled machine
// (another build, a virtual machine's quota) may be most of it.
double ownWorkOfLongest = 0;

// The longest the window thread went without handling its events while until() was false.
template <typename F> double longestStall(F &&until, int timeoutMs = 120000)
{
    QElapsedTimer clock;
    clock.start();
    QElapsedTimer sinceLast;
    sinceLast.start();
    double cpuAtLast = threadCpuMs();
    double longest = 0;
    ownWorkOfLongest = 0;
    const auto beat = [&] {
        const double held = sinceLast.nsecsElapsed() / 1e6;
        const double cpu = threadCpuMs();
        if (held > longest) {
            longest = held;
            ownWorkOfLongest = cpu - cpuAtLast;
        }
        sinceLast.restart();
        cpuAtLast = cpu;
    };
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, beat);
    tick.start(2);
    while (!until() && clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        beat();
    }
    return longest;
}

// Blocks the drafts folder's files take beyond those they share with the shown file.
qint64 draftBytes(const QString &folder, const QString &shown)
{
    struct stat file;
    ::stat(QFile::encodeName(shown).constData(), &file);
    qint64 total = 0;
    for (const QFileInfo &info : QDir(folder).entryInfoList(QDir::Files)) {
        struct stat st;
        if (::stat(QFile::encodeName(info.filePath()).constData(), &st) != 0)
            continue;
        if (st.st_ino == file.st_ino && st.st_dev == file.st_dev)
            continue; // a second name of the shown file
        total += qint64(st.st_blocks) * 512;
    }
    return total;
}
} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    qint64 megabytes = 100;
    for (int i = 1; i + 1 < argc; ++i)
        if (QByteArray(argv[i]) == "--megabytes")
            megabytes = QByteArray(argv[i + 1]).toLongLong();
    installDesignFonts();
    QStandardPaths::setTestModeEnabled(true);
    const QString data = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    QDir().mkpath(data);
    QTemporaryDir folder(data + "/draft-bench-XXXXXX");
    QDir(DraftStore::defaultFolder()).removeRecursively();
    const QString path = folder.filePath("big.txt");
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        const QByteArray line = "lorem ipsum dolor sit amet consectetur elit sed do tempor\n";
        QByteArray block;
        while (block.size() < (1 << 20))
            block += line;
        for (qint64 i = 0; i < megabytes; ++i)
            file.write(block);
    }
    FakePlatform fake(folder.path());
    pgwell w(fake.platform);
    w.show();
    QElapsedTimer clock;
    clock.start();
    w.openStartPath(path);
    while (w.viewer().isLoading())
        QTest::qWait(20);
    std::printf("shown %lld MB in %.0f ms\n", megabytes, clock.nsecsElapsed() / 1e6);
    RichTextBox *pane = ui(w).Text1;
    pane->select(1000, 0);
    const double key = milliseconds(
        [&] { QTest::sendKeyEvent(QTest::Click, pane->editor(), Qt::Key_unknown, "x", {}); });
    const double handOver = milliseconds([&] { w.viewer().drafts().flush(); });
    const double written = milliseconds([&] { w.viewer().drafts().waitUntilWritten(); });
    std::printf("first key %.1f ms, draft handed over %.1f ms, on disk after %.1f ms more\n", key,
                handOver, written);
    std::printf("drafts folder takes %lld bytes beyond the file\n",
                draftBytes(DraftStore::defaultFolder(), path));
    const double second = milliseconds([&] {
        QTest::sendKeyEvent(QTest::Click, pane->editor(), Qt::Key_unknown, "y", {});
        w.viewer().keepDrafts();
    });
    std::printf("second key with its draft on disk %.1f ms\n", second);

    // A draft of the whole text (as a case conversion of all of it leaves), shown again.
    w.viewer().keepDrafts();
    {
        Draft draft;
        draft.path = path;
        draft.savedAt = QDateTime::currentDateTime();
        draft.base = w.viewer().shownFile().identity;
        draft.kind = Draft::Kind::Text;
        draft.text = pane->plainTextBuffer();
        draft.text.remove(draft.text.length() / 2, 1);
        draft.text.insert(draft.text.length() / 2, QStringLiteral("WHOLE"));
        w.viewer().drafts().store().write(draft);
    }
    const QString other = folder.filePath("small.txt");
    {
        QFile file(other);
        file.open(QIODevice::WriteOnly);
        file.write("small\n");
    }
    w.openStartPath(other);
    while (w.viewer().isLoading())
        QTest::qWait(20);
    w.viewer().keepDrafts();
    // For comparison: the same display with no draft to show.
    {
        const DraftStore store = w.viewer().drafts().store();
        QFile::rename(store.draftFile(path), store.draftFile(path) + ".aside");
        clock.restart();
        w.openStartPath(path);
        const double displayStall = longestStall(
            [&] { return !w.viewer().isLoading() && w.viewer().shownFile().path == path; });
        std::printf("%lld MB shown with no draft after %.0f ms; window thread held at most %.0f "
                    "ms (its own work %.0f ms)\n",
                    megabytes, clock.nsecsElapsed() / 1e6, displayStall, ownWorkOfLongest);
        w.openStartPath(other);
        while (w.viewer().isLoading())
            QTest::qWait(20);
        QFile::rename(store.draftFile(path) + ".aside", store.draftFile(path));
    }
    // The pane's text is dropped with the other file shown: the draft's is the only one.
    clock.restart();
    QCoreApplication::processEvents();
    w.openStartPath(path);
    const double restoreStall = longestStall([&] { return w.viewer().offersDiscard(); });
    std::printf("whole-text draft of %lld MB shown again after %.0f ms; window thread held at "
                "most %.0f ms (its own work %.0f ms)\n",
                megabytes, clock.nsecsElapsed() / 1e6, restoreStall, ownWorkOfLongest);

    // Discard: the dropped draft is kept as a version (written on the drafts' thread), and the
    // file shown again.
    {
        const qsizetype versionsBefore = w.viewer().versions().list(path).size();
        clock.restart();
        w.viewer().discardDraft();
        const double call = clock.nsecsElapsed() / 1e6;
        const double discardStall =
            std::max(call, longestStall([&] {
                         return !w.viewer().isLoading() &&
                                w.viewer().versions().list(path).size() > versionsBefore;
                     }));
        std::printf("draft of %lld MB discarded, its version kept after %.0f ms; window thread "
                    "held at most %.0f ms (its own work %.0f ms)\n",
                    megabytes, clock.nsecsElapsed() / 1e6, discardStall, ownWorkOfLongest);
    }
    // A kept version of the file written back.
    const std::optional<VersionStore::Version> version =
        w.viewer().versions().keep(path, VersionStore::Reason::Save);
    if (version) {
        const ShownFile::Identity before = w.viewer().shownFile().identity;
        clock.restart();
        w.viewer().restoreVersion(*version);
        const double call = clock.nsecsElapsed() / 1e6; // held by the call itself
        const double versionStall = std::max(call, longestStall([&] {
                                                 return !w.viewer().isLoading() &&
                                                        w.viewer().shownFile().identity != before;
                                             }));
        std::printf("version of %lld MB restored after %.0f ms; window thread held at most %.0f "
                    "ms\n",
                    megabytes, clock.nsecsElapsed() / 1e6, versionStall);
    }

    // A formatted document as large as the pane keeps editable: one key, then its draft handed
    // to the drafts' thread (the document written as RTF).
    const QString rich = folder.filePath("large.rtf");
    {
        QFile file(rich);
        file.open(QIODevice::WriteOnly);
        file.write("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs20 ");
        for (int i = 0; i < 40000; ++i)
            file.write("Paragraph " + QByteArray::number(i) +
                       " of the document, {\\b bold} and {\\i italic} words in it.\\par\n");
        file.write("}");
    }
    w.openStartPath(rich);
    while (w.viewer().isLoading())
        QTest::qWait(20);
    if (pane->showsFormatting()) {
        pane->select(100, 0);
        const double richKey = milliseconds(
            [&] { QTest::sendKeyEvent(QTest::Click, pane->editor(), Qt::Key_unknown, "x", {}); });
        const double richHandOver = milliseconds([&] { w.viewer().drafts().flush(); });
        w.viewer().drafts().waitUntilWritten();
        std::printf("formatted document of 40000 paragraphs: key %.1f ms, draft handed over "
                    "at once %.1f ms\n",
                    richKey, richHandOver);
        // As the draft's timer hands it over: its RTF made on the drafts' thread in turns.
        QTest::sendKeyEvent(QTest::Click, pane->editor(), Qt::Key_unknown, "y", {});
        const QString draftFile = w.viewer().drafts().store().draftFile(rich);
        QFile::remove(draftFile);
        QElapsedTimer aside;
        aside.start();
        const double asideCall = milliseconds([&] { w.viewer().drafts().flushAside(); });
        const double asideStall =
            std::max(asideCall, longestStall([&] { return QFileInfo::exists(draftFile); }));
        std::printf("formatted document of 40000 paragraphs: draft made aside in %.0f ms; window "
                    "thread held at most %.1f ms\n",
                    aside.nsecsElapsed() / 1e6, asideStall);
        // Another file chosen right after a key: the last draft of the document goes before
        // the other text is shown.
        w.viewer().keepDrafts();
        QTest::sendKeyEvent(QTest::Click, pane->editor(), Qt::Key_unknown, "z", {});
        QFile::remove(draftFile);
        clock.restart();
        w.openStartPath(other);
        const double leaveCall = clock.nsecsElapsed() / 1e6;
        const auto richDraftOnDisk = [&] {
            const std::optional<Draft> draft = w.viewer().drafts().store().read(rich);
            return draft && draft->kind == Draft::Kind::Rich;
        };
        const double leaveStall = std::max(
            leaveCall, longestStall([&] { return !w.viewer().isLoading() && richDraftOnDisk(); }));
        std::printf("formatted document of 40000 paragraphs left for another file: its draft on "
                    "disk after %.0f ms; window thread held at most %.1f ms\n",
                    clock.nsecsElapsed() / 1e6, leaveStall);
        // Shown again with its draft, which is then discarded: the draft is kept as a version.
        clock.restart();
        w.openStartPath(rich);
        const double backCall = clock.nsecsElapsed() / 1e6;
        const double backStall = std::max(
            backCall,
            longestStall([&] { return !w.viewer().isLoading() && w.viewer().offersDiscard(); }));
        std::printf("formatted draft of 40000 paragraphs shown again after %.0f ms; window "
                    "thread held at most %.1f ms\n",
                    clock.nsecsElapsed() / 1e6, backStall);
        settle();
        const qsizetype versionsBefore = w.viewer().versions().list(rich).size();
        clock.restart();
        w.viewer().discardDraft();
        const double discardCall = clock.nsecsElapsed() / 1e6;
        const double discardStall =
            std::max(discardCall, longestStall([&] {
                         return !w.viewer().isLoading() &&
                                w.viewer().versions().list(rich).size() > versionsBefore;
                     }));
        std::printf("formatted draft of 40000 paragraphs discarded, its version kept after %.0f "
                    "ms; window thread held at most %.1f ms\n",
                    clock.nsecsElapsed() / 1e6, discardStall);
    } else {
        std::printf("formatted document of 40000 paragraphs shown as plain text\n");
    }
    QDir(DraftStore::defaultFolder()).removeRecursively();
    QDir(VersionStore::defaultFolder()).removeRecursively();
    return 0;
}
