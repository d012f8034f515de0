// SPDX-License-Identifier: GPL-3.0-or-later
// The clip slots: sending the pane's text to the first free slot, counting free slots and
// starting sbx.
#include "controls/clicklabel.h"
#include "texttools/clipslots.h"
#include "texttools/clipslotwriter.h"
#include "windowtest.h"

using Icon = MessageBoxes::Icon;
using Buttons = MessageBoxes::Buttons;
using Answer = MessageBoxes::Answer;

namespace {
const QString notFound =
    QStringLiteral("Faild to found Vantrel Stashbox .. please ensure that you get all the Vantrel "
                   "tools..you can download them from the place where you got Pagewell <>");
const QString question = QStringLiteral("Would you like to start Vantrel Stash now");
const QString full = QStringLiteral("All the clips are full please free up them ..");

// Another program that writes a clip right after Pagewell looked at the slot.
class RacingWriter : public ClipSlotWriter
{
public:
    using ClipSlotWriter::ClipSlotWriter;
    QString raceOn;
    QByteArray theirs;

protected:
    bool isFilled(const QString &path) const override
    {
        const bool filled = ClipSlotWriter::isFilled(path);
        if (path == raceOn)
            writeFile(path, theirs);
        return filled;
    }
};
} // namespace

class TestClipSlots : public WindowTest
{
    Q_OBJECT

private slots:
    void init()
    {
        f = std::make_unique<WindowFixture>();
        f->fake.environment.variables.insert("windir", slotFolder.path());
    }
    void cleanup()
    {
        f.reset();
        QDir(slotFolder.path()).removeRecursively();
        QDir().mkpath(slotFolder.path());
    }

    void content_data();
    void content();
    void sendFillsFirstFreeSlot_data();
    void sendFillsFirstFreeSlot();
    void folderInTheWayIsReported();
    void startsSbxOnYes_data();
    void startsSbxOnYes();
    void clipWrittenMeanwhileIsKept();
    void halfWrittenClipIsRemoved();
    void folderWithoutWindir();
    void releaseOutsideSendsNothing();

private:
    QString slot(int n) const { return ClipSlots::path(slotFolder.path(), n); }
    QStringList shownTexts() const
    {
        QStringList texts;
        for (const auto &shown : f->fake.messages.shown)
            texts.append(shown.text);
        return texts;
    }
    void clickSend() { QTest::mouseClick(ui(*f->w).Label13, Qt::LeftButton); }
    QString report()
    {
        QTest::mouseClick(ui(*f->w).Image4, Qt::LeftButton);
        const auto shown = f->fake.messages.shown.takeLast();
        return shown.icon == Icon::None && shown.buttons == Buttons::Ok ? shown.text : "odd box";
    }

    QTemporaryDir slotFolder;
};

void TestClipSlots::content_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("readBack");

    QTest::newRow("empty") << "" << QByteArray("\r\n") << "";
    QTest::newRow("lines") << "a\nb\n" << QByteArray("a\r\nb\r\n\r\n") << "a\nb\n";
    QTest::newRow("CR LF and CR kept as one line end")
        << "a\r\nb\rc" << QByteArray("a\r\nb\r\nc\r\n") << "a\nb\nc";
    QTest::newRow("line and paragraph separators")
        << QString("a\u2028b\u2029c") << QByteArray("a\r\nb\r\nc\r\n") << "a\nb\nc";
    QTest::newRow("UTF-8") << QString("caf\u00e9 \u20ac")
                           << QByteArray("caf\xc3\xa9 \xe2\x82\xac\r\n")
                           << QString("caf\u00e9 \u20ac");
}

void TestClipSlots::content()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, readBack);
    QCOMPARE(ClipSlots::content(text), bytes);
    QCOMPARE(ClipSlots::text(bytes), readBack);
}

void TestClipSlots::sendFillsFirstFreeSlot_data()
{
    QTest::addColumn<QList<int>>("present");
    QTest::addColumn<QString>("reportBefore");
    QTest::addColumn<int>("written");
    QTest::addColumn<QString>("reportAfter");

    QTest::newRow("none present") << QList<int>{} << "You have 3 empty clips ." << 1
                                  << "You have 2 empty clips .";
    QTest::newRow("1 and 2 present")
        << QList<int>{1, 2} << "You have 1 empty clip ." << 3 << "You have no empty clip .";
    // Counted from the first free slot, as if slots were filled in order.
    QTest::newRow("1 missing, 2 and 3 present")
        << QList<int>{2, 3} << "You have 3 empty clips ." << 1 << "You have no empty clip .";
    QTest::newRow("2 missing") << QList<int>{1, 3} << "You have 2 empty clips ." << 2
                               << "You have no empty clip .";
    // All full: said, nothing written, and still asked.
    QTest::newRow("all present") << QList<int>{1, 2, 3} << "You have no empty clip ." << 0
                                 << "You have no empty clip .";
}

void TestClipSlots::sendFillsFirstFreeSlot()
{
    QFETCH(QList<int>, present);
    QFETCH(QString, reportBefore);
    QFETCH(int, written);
    QFETCH(QString, reportAfter);

    for (int n : present)
        writeFile(slot(n), "older clip\r\n");
    pgwell &w = f->open();
    ui(w).Text1->setPlainText("first\nsecond");
    QCOMPARE(report(), reportBefore);
    const auto before = snapshot(slotFolder.path());

    clickSend();
    auto after = snapshot(slotFolder.path());
    if (written)
        QCOMPARE(after.take(slot(written)), QByteArray("first\r\nsecond\r\n"));
    QCOMPARE(after, before); // nothing else touched
    QCOMPARE(shownTexts(), written ? QStringList(question) : QStringList({full, question}));
    QCOMPARE(f->fake.messages.shown.last().buttons, Buttons::YesNo);
    QVERIFY(f->fake.launcher.started.isEmpty()); // answered No
    const int said = f->fake.messages.shown.size();
    QCOMPARE(report(), reportAfter);
    QCOMPARE(f->fake.messages.shown.size(), said);
}

void TestClipSlots::folderInTheWayIsReported()
{
    // A folder named like a slot leaves the slot free; creating the file then fails.
    QVERIFY(QDir(slotFolder.path()).mkdir("clip1.txt"));
    pgwell &w = f->open();
    QCOMPARE(report(), "You have 3 empty clips .");
    ui(w).Text1->setPlainText("text");
    f->fake.messages.answers.enqueue(Answer::Yes);
    clickSend();
    QCOMPARE(f->fake.messages.shown.size(), 1); // no question after a failed write
    const auto &shown = f->fake.messages.shown[0];
    QCOMPARE(shown.text,
             "Cannot create " + QDir::toNativeSeparators(slot(1)) + ": Is a directory" + notFound);
    QVERIFY(!QFile::exists(slot(2)));
    QVERIFY(QFileInfo(slot(1)).isDir());
    QVERIFY(f->fake.launcher.started.isEmpty());
}

void TestClipSlots::startsSbxOnYes_data()
{
    QTest::addColumn<bool>("starts");
    QTest::newRow("started") << true;
    QTest::newRow("cannot be started: said, the clip stays") << false;
}

void TestClipSlots::startsSbxOnYes()
{
    QFETCH(bool, starts);
    pgwell &w = f->open();
    ui(w).Text1->setPlainText("kept");
    f->fake.launcher.succeed = starts;
    f->fake.messages.answers.enqueue(Answer::Yes);
    clickSend();
    QCOMPARE(f->fake.launcher.started.size(), 1);
    QCOMPARE(f->fake.launcher.started[0].program, f->program.filePath("sbx"));
    QCOMPARE(f->fake.launcher.started[0].arguments, QStringList());
    QStringList said{question};
    if (!starts)
        said << "Cannot start " + f->program.filePath("sbx") + notFound;
    QCOMPARE(shownTexts(), said);
    QCOMPARE(readFile(slot(1)), QByteArray("kept\r\n"));
}

void TestClipSlots::clipWrittenMeanwhileIsKept()
{
    writeFile(slot(1), "one");
    RacingWriter writer(slotFolder.path());
    writer.raceOn = slot(2);
    writer.theirs = QByteArray("their clip\r\n\0\xff", 14);
    const ClipSlotWriter::Result sent = writer.send("mine");
    QCOMPARE(sent.slot, 3);
    QCOMPARE(sent.error, QString());
    QCOMPARE(readFile(slot(2)), writer.theirs);
    QCOMPARE(readFile(slot(3)), QByteArray("mine\r\n"));

    // A clip larger than sbx takes is not written at all.
    QFile::remove(slot(3));
    ClipSlotWriter small(slotFolder.path(), 8);
    QVERIFY(small.send("1234567").tooLarge);
    QVERIFY(!QFile::exists(slot(3)));
    QCOMPARE(small.send("123456").slot, 3); // with its line end, eight bytes
    QCOMPARE(readFile(slot(3)), QByteArray("123456\r\n"));

    // With no slot left after the race, all are full and nothing is overwritten.
    QFile::remove(slot(3));
    writer.raceOn = slot(3);
    writer.theirs = "late";
    QCOMPARE(writer.send("mine").slot, 0);
    QCOMPARE(readFile(slot(3)), QByteArray("late"));
}

void TestClipSlots::halfWrittenClipIsRemoved()
{
    pgwell &w = f->open();
    ui(w).Text1->setPlainText(QString(100000, u'x'));
    {
        FileSizeLimit limit(4096);
        clickSend();
    }
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QVERIFY(f->fake.messages.lastText().startsWith("Cannot write " +
                                                   QDir::toNativeSeparators(slot(1)) + ": "));
    QVERIFY(f->fake.messages.lastText().endsWith(notFound));
    QVERIFY(!QFile::exists(slot(1)));
}

void TestClipSlots::folderWithoutWindir()
{
    f->fake.environment.variables.clear();
    const QString shared = WindowFixture::data() + "/stashbox";
    QDir(shared).removeRecursively();
    pgwell &w = f->open();
    ui(w).Text1->setPlainText("here");
    clickSend();
    QCOMPARE(readFile(shared + "/clip1.txt"), QByteArray("here\r\n"));
    QDir(shared).removeRecursively();
}

// Pressed, then released outside the label: nothing is sent.
void TestClipSlots::releaseOutsideSendsNothing()
{
    pgwell &w = f->open();
    w.show();
    QTest::mousePress(ui(w).Label13, Qt::LeftButton, {}, QPoint(5, 5));
    QTest::mouseRelease(ui(w).Label13, Qt::LeftButton, {}, QPoint(-20, 5));
    QVERIFY(f->fake.messages.shown.isEmpty());
    QVERIFY(!QFile::exists(slot(1)));
}

QTEST_MAIN(TestClipSlots)
#include "tst_clipslots.moc"
