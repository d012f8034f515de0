// SPDX-License-Identifier: GPL-3.0-or-later
// What keeping a draft costs in a large text: one key typed into a shown file of 100 MB (to
// idle, with the first edit's base taken), handing the draft to disk, and the disk it takes.
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

#include <cstdio>
#include <sys/stat.h>

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
    const double key = milliseconds([&] {
        QTest::sendKeyEvent(QTest::Click, pane->editor(), Qt::Key_unknown, "x", {});
    });
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
    QDir(DraftStore::defaultFolder()).removeRecursively();
    return 0;
}
