// SPDX-License-Identifier: GPL-3.0-or-later
// Showing a file when memory runs short, under a real address-space limit (CTest starts this
// test through prlimit): the file is refused with a message and the window goes on.
#include "app/browser.h"
#include "controls/appfonts.h"
#include "files/memorybudget.h"
#include "windowtest.h"

#include <QFile>

#include <limits>
#include <sys/resource.h>

class TestMemoryLimit : public WindowTest
{
    Q_OBJECT

private slots:
    void initTestCase();

    void fileTooLargeForMemoryIsRefused_data();
    void fileTooLargeForMemoryIsRefused();

private:
    // Makes a file of the given fraction of the memory left, without taking disk space.
    QString sparseFile(const QString &name, double fractionOfRoom);
};

void TestMemoryLimit::initTestCase()
{
    rlimit limit{};
    QCOMPARE(getrlimit(RLIMIT_AS, &limit), 0);
    if (limit.rlim_cur == RLIM_INFINITY)
        QSKIP("needs an address-space limit: run it as prlimit --as=BYTES tst_memorylimit");
    useOwnHome();
    installDesignFonts();
}

QString TestMemoryLimit::sparseFile(const QString &name, double fractionOfRoom)
{
    const MemoryBudget::SystemFigures figures = MemoryBudget::readSystemFigures();
    const qint64 room = *figures.addressLimit - figures.addressInUse.value_or(0);
    [&] {
        QVERIFY2(room > (qint64(64) << 20), qPrintable(QString::number(room)));
    }();
    QFile file(f->browse(name));
    if (!file.open(QIODevice::WriteOnly) || !file.resize(qint64(room * fractionOfRoom)))
        return {};
    return file.fileName();
}

void TestMemoryLimit::fileTooLargeForMemoryIsRefused_data()
{
    QTest::addColumn<bool>("budgetTrusted");
    // Reading it would fit; showing it would not.
    QTest::newRow("refused by the budget") << true;
    // Told that memory is plenty, the display runs out of it for real while decoding.
    QTest::newRow("running out while decoding") << false;
}

void TestMemoryLimit::fileTooLargeForMemoryIsRefused()
{
    QFETCH(bool, budgetTrusted);
    const QString big = sparseFile("big.txt", 0.6);
    QVERIFY(!big.isEmpty());
    writeFile(f->browse("small.txt"), "small text");
    writeFile(f->browse("other.txt"), "other text");
    pgwell &w = f->open();
    if (!budgetTrusted)
        w.viewer().setMemoryBudget(MemoryBudget::fixed(std::numeric_limits<qint64>::max()));
    choose(ui(w).File1, "small.txt");
    choose(ui(w).File1, "big.txt");

    // A large file is read in the background: running out shows when the read ends.
    QTRY_COMPARE_WITH_TIMEOUT(f->fake.messages.shown.size(), 1, 60000);
    QCOMPARE(f->fake.messages.lastText(), big + " is too large to show with the memory available");
    QCOMPARE(ui(w).Text1->toPlainText(), "small text");
    QCOMPARE(w.viewer().lastFileListPath(), f->browse("small.txt"));

    choose(ui(w).File1, "other.txt");
    QCOMPARE(ui(w).Text1->toPlainText(), "other text");
    QCOMPARE(f->fake.messages.shown.size(), 1);
}

QTEST_MAIN(TestMemoryLimit)
#include "tst_memorylimit.moc"
