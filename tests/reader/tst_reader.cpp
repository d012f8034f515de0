// SPDX-License-Identifier: GPL-3.0-or-later
// The full-screen reader: its window, Next, Back and Skip through both lists, Add to favo and
// Close, and opening it with "Full screen mode".
#include "controls/clicklabel.h"
#include "plaintext/plaintextview.h"
#include "reader/form3.h"
#include "viewer/liststep.h"
#include "windowtest.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

using Move = ListStep::Move;
using Refusal = ListStep::Refusal;
Q_DECLARE_METATYPE(Move)
Q_DECLARE_METATYPE(Refusal)

namespace {
enum class LeftBy { AnotherFile, Close, Restart };
}
Q_DECLARE_METATYPE(LeftBy)

namespace {
const QString emptyList = QStringLiteral("The list is empty ...!!");
const QString atFirst = QStringLiteral("You are at the first Item ..");

QString nameAt(int i)
{
    return QStringLiteral("f%1.txt").arg(i);
}
QByteArray textAt(int i)
{
    return "text of file " + QByteArray::number(i);
}
} // namespace

class TestReader : public WindowTest
{
    Q_OBJECT

private slots:
    void stepArithmetic_data();
    void stepArithmetic();
    void stepsSelectInTheChosenList_data();
    void stepsSelectInTheChosenList();
    void favoritesChoiceCountsAtTheStep();
    void openedFollowingAndClosed();
    void addToFavoStoresReaderText();
    void addToFavoWithoutAFileOrAPlace();
    void typedTextKeptAsDraft_data();
    void typedTextKeptAsDraft();

private:
    // count files in the browsed folder, or count favorites and nothing else in the favorites.
    void fillList(pgwell &w, bool favorites, int count);
    Form3 *openReader(pgwell &w);
};

void TestReader::fillList(pgwell &w, bool favorites, int count)
{
    if (favorites) {
        QFile::remove(f->favorite("What is This.txt"));
        for (int i = 0; i < count; ++i)
            writeFile(f->favorite(nameAt(i)), textAt(i));
        ui(w).File2->refresh();
        QCOMPARE(ui(w).File2->listCount(), count);
    } else {
        for (int i = 0; i < count; ++i)
            writeFile(f->browse(nameAt(i)), textAt(i));
        ui(w).File1->refresh();
        QCOMPARE(ui(w).File1->listCount(), count);
    }
}

Form3 *TestReader::openReader(pgwell &w)
{
    QTest::mouseClick(ui(w).Command7, Qt::LeftButton);
    Form3 *reader = w.existingReader();
    return reader && reader->isVisible() ? reader : nullptr;
}

void TestReader::stepArithmetic_data()
{
    QTest::addColumn<Move>("move");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("expected");
    QTest::addColumn<Refusal>("refusal");

    QTest::newRow("next, empty") << Move::Next << 0 << -1 << -1 << Refusal::EmptyList;
    QTest::newRow("next, none of 3") << Move::Next << 3 << -1 << 0 << Refusal::None;
    QTest::newRow("next, last of 3 wraps") << Move::Next << 3 << 2 << 0 << Refusal::None;

    QTest::newRow("skip, empty") << Move::Skip << 0 << -1 << -1 << Refusal::EmptyList;
    QTest::newRow("skip, only of 1 stays") << Move::Skip << 1 << 0 << 0 << Refusal::None;
    QTest::newRow("skip, none of 2") << Move::Skip << 2 << -1 << 1 << Refusal::None;
    QTest::newRow("skip, first of 3") << Move::Skip << 3 << 0 << 2 << Refusal::None;
    QTest::newRow("skip, second to last wraps") << Move::Skip << 3 << 1 << 0 << Refusal::None;

    QTest::newRow("back, none of 3") << Move::Back << 3 << -1 << -1 << Refusal::AtFirst;
    QTest::newRow("back, first of 2") << Move::Back << 2 << 0 << -1 << Refusal::AtFirst;
    QTest::newRow("back, last of 2") << Move::Back << 2 << 1 << 0 << Refusal::None;
    // Beyond what 16 bits hold: a folder of 40,000 files still steps correctly.
    QTest::newRow("next, large list") << Move::Next << 40000 << 32767 << 32768 << Refusal::None;
    QTest::newRow("skip, large list") << Move::Skip << 40000 << 39998 << 0 << Refusal::None;
}

void TestReader::stepArithmetic()
{
    QFETCH(Move, move);
    QFETCH(int, count);
    QFETCH(int, index);
    QFETCH(int, expected);
    QFETCH(Refusal, refusal);
    const ListStep::Result result = ListStep::forReader(move, count, index);
    QCOMPARE(result.refusal, refusal);
    if (refusal == Refusal::None)
        QCOMPARE(result.index, expected);
}

void TestReader::stepsSelectInTheChosenList_data()
{
    QTest::addColumn<bool>("favorites");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("start");
    QTest::addColumn<Move>("move");
    QTest::addColumn<int>("expected");
    QTest::addColumn<QString>("message");

    for (const bool favorites : {false, true}) {
        const auto row = [favorites](const char *name) -> QTestData & {
            return QTest::addRow("%s, %s", favorites ? "favorites" : "files", name) << favorites;
        };
        // The arithmetic has its own test; here each item's wiring and each refusal's message.
        row("next on empty") << 0 << -1 << Move::Next << -1 << emptyList;
        row("next on last wraps") << 3 << 2 << Move::Next << 0 << QString();
        row("skip on second to last wraps") << 3 << 1 << Move::Skip << 0 << QString();
        row("back on first keeps it") << 2 << 0 << Move::Back << 0 << atFirst;
    }
}

void TestReader::stepsSelectInTheChosenList()
{
    QFETCH(bool, favorites);
    QFETCH(int, count);
    QFETCH(int, start);
    QFETCH(Move, move);
    QFETCH(int, expected);
    QFETCH(QString, message);

    pgwell &w = f->open();
    fillList(w, favorites, count);
    FileListBox *list = favorites ? ui(w).File2 : ui(w).File1;
    if (start >= 0)
        QVERIFY(list->setListIndex(start));
    waitForDisplay(w);
    const QString paneBefore = ui(w).Text1->toPlainText();
    Form3 *reader = openReader(w);
    QVERIFY(reader);
    reader->Check1->setChecked(favorites);

    QAction *item = move == Move::Next   ? reader->next1
                    : move == Move::Back ? reader->back1
                                         : reader->skip1;
    item->trigger();
    waitForDisplay(w);

    QCOMPARE(list->listIndex(), expected);
    if (!message.isEmpty()) {
        QCOMPARE(f->fake.messages.shown.size(), 1);
        QCOMPARE(f->fake.messages.lastText(), message);
        QCOMPARE(ui(w).Text1->toPlainText(), paneBefore);
        return;
    }
    // The step ran the real display: the pane, the source and the reader all follow.
    QVERIFY(f->fake.messages.shown.isEmpty());
    QCOMPARE(ui(w).Text1->toPlainText(), QString::fromLatin1(textAt(expected)));
    QCOMPARE(w.viewer().shownFile().list, favorites ? ShownList::Favorites : ShownList::Files);
    QCOMPARE(reader->windowTitle(), "Full screen mode - " + nameAt(expected));
    QCOMPARE(reader->readerText(), QString::fromLatin1(textAt(expected)));
    QCOMPARE(w.existingReader(), reader);
}

void TestReader::favoritesChoiceCountsAtTheStep()
{
    pgwell &w = f->open();
    fillList(w, false, 3);
    fillList(w, true, 3);
    ui(w).File1->setListIndex(1);
    waitForDisplay(w);
    ui(w).File2->setListIndex(2);
    waitForDisplay(w);
    Form3 *reader = openReader(w);
    QVERIFY(reader);

    reader->Check1->setChecked(true); // changes nothing by itself
    QCOMPARE(ui(w).File1->listIndex(), 1);
    QCOMPARE(ui(w).File2->listIndex(), 2);
    QCOMPARE(w.viewer().shownFile().list, ShownList::Favorites);

    reader->back1->trigger(); // in the favorites, from their own selection
    waitForDisplay(w);
    QCOMPARE(ui(w).File2->listIndex(), 1);
    QCOMPARE(ui(w).File1->listIndex(), 1);
    QCOMPARE(w.viewer().shownFile().list, ShownList::Favorites);

    reader->Check1->setChecked(false);
    reader->next1->trigger(); // back in the files, from where they were left
    waitForDisplay(w);
    QCOMPARE(ui(w).File1->listIndex(), 2);
    QCOMPARE(ui(w).File2->listIndex(), 1);
    QCOMPARE(w.viewer().shownFile().list, ShownList::Files);
    QCOMPARE(reader->readerText(), QString::fromLatin1(textAt(2)));
}

void TestReader::openedFollowingAndClosed()
{
    pgwell &w = f->open();
    fillList(w, false, 2);
    const QString hint = ui(w).Text1->toPlainText();
    Form3 *reader = openReader(w);
    QVERIFY(reader);
    QCOMPARE(reader->windowTitle(), QStringLiteral("Full screen mode"));
    QCOMPARE(reader->size(), w.screen()->geometry().size());
    QCOMPARE(reader->readerText(), hint);
    // A second press shows the same reader; it is not made again.
    reader->setReaderText(QStringLiteral("typed in the reader"));
    reader->Check1->setChecked(true);
    QTest::mouseClick(reader->Command1, Qt::LeftButton);
    QVERIFY(reader->Label1->isHidden() && reader->Command1->isHidden());
    QCOMPARE(openReader(w), reader);
    QCOMPARE(reader->readerText(), QStringLiteral("typed in the reader"));

    // Not modal: the lists keep working behind it and their displays show in it. It shares the
    // pane's text until either changes it: what the pane does after, typed or converted, stays out.
    choose(ui(w).File1, nameAt(1));
    QCOMPARE(reader->readerText(), QString::fromLatin1(textAt(1)));
    QCOMPARE(reader->windowTitle(), "Full screen mode - " + nameAt(1));
    typeInPane(w, "typed ");
    ui(w).cap->click();
    const QString edited = "TYPED " + QString::fromLatin1(textAt(1)).toUpper();
    QCOMPARE(ui(w).Text1->toPlainText(), edited);
    QCOMPARE(reader->readerText(), QString::fromLatin1(textAt(1)));

    // Close destroys it; the next one starts in its design state from the pane as it is now.
    QPointer<Form3> closed = reader;
    reader->close1->trigger();
    QVERIFY(!w.existingReader());
    QTRY_VERIFY(closed.isNull());
    reader = openReader(w);
    QVERIFY(reader);
    QCOMPARE(reader->windowTitle(), "Full screen mode - " + nameAt(1));
    QCOMPARE(reader->readerText(), edited);
    QVERIFY(!reader->Check1->isChecked());

    // The close box closes it the same way; the next display makes a new, hidden reader with the
    // file's text, whose menu works like the first one's.
    QVERIFY(reader->close());
    QVERIFY(!w.existingReader());
    choose(ui(w).File1, nameAt(0));
    reader = w.existingReader();
    QVERIFY(reader && !reader->isVisible());
    QCOMPARE(reader->readerText(), QString::fromLatin1(textAt(0)).toUpper()); // still in capitals
    QVERIFY(openReader(w) == reader);
    reader->next1->trigger();
    waitForDisplay(w);
    QCOMPARE(ui(w).File1->listIndex(), 1);
}

void TestReader::addToFavoStoresReaderText()
{
    writeFile(f->browse("a.txt"), "caf\xe9 text");
    pgwell &w = f->open();
    fillList(w, true, 2);
    choose(ui(w).File1, "a.txt");
    Form3 *reader = openReader(w);
    QVERIFY(reader);
    QTest::keyClick(reader->Text1, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(reader->Text1, " typed");

    reader->add1->trigger();
    // Kept in the shown file's own encoding, as a Save of it would be.
    QCOMPARE(readFile(f->favorite("a.txt")), "caf\xe9 text typed\r\n");
    QVERIFY(rowOf(ui(w).File2, "a.txt") >= 0);
    QCOMPARE(ui(w).Text1->toPlainText(), QStringLiteral("café text")); // the pane is not the source
    QVERIFY(f->fake.messages.shown.isEmpty());

    // Stepping the favorites: the copy takes the shown favorite's name, whatever the file list
    // has selected, and replaces that favorite.
    reader->Check1->setChecked(true);
    const int first = rowOf(ui(w).File2, nameAt(0));
    ui(w).File2->setListIndex(first + 1 == ui(w).File2->listCount() ? first - 1 : first + 1);
    waitForDisplay(w);
    while (ui(w).File2->fileName() != nameAt(0))
        reader->next1->trigger();
    waitForDisplay(w);
    QCOMPARE(ui(w).File1->fileName(), QStringLiteral("a.txt"));
    reader->setReaderText(QStringLiteral("line one\nline two"));
    reader->add1->trigger();
    QCOMPARE(readFile(f->favorite(nameAt(0))), "line one\r\nline two\r\n");
    QCOMPARE(readFile(f->favorite("a.txt")), "caf\xe9 text typed\r\n");
    QCOMPARE(ui(w).File2->fileName(), nameAt(0)); // the refresh keeps the selection
}

void TestReader::addToFavoWithoutAFileOrAPlace()
{
    writeFile(f->browse("a.txt"), "a");
    writeFile(f->browse("b.txt"), "b");
    pgwell &w = f->open();
    // The file list has a selection, but the reader shows no file: there is no name to use.
    ui(w).File1->setCurrentRow(0);
    Form3 *reader = openReader(w);
    QVERIFY(reader);
    const auto before = snapshot(f->program.path());
    reader->add1->trigger();
    QCOMPARE(snapshot(f->program.path()), before);

    // A file whose display failed does not lend its name to the text shown before it: the
    // reader goes on naming the file it shows.
    choose(ui(w).File1, "a.txt");
    writeFile(f->favorite("gone.txt"), "soon gone");
    ui(w).File2->refresh();
    QFile::remove(f->favorite("gone.txt"));
    reader->Check1->setChecked(true);
    ui(w).File2->setListIndex(rowOf(ui(w).File2, "gone.txt"));
    waitForDisplay(w);
    QCOMPARE(reader->windowTitle(), QStringLiteral("Full screen mode - a.txt"));
    f->fake.messages.shown.clear();

    // A favorite that cannot be written: the failure is said, as the main window's Add says
    // it, and the list is not read again.
    QVERIFY(QDir().mkpath(f->favorite("a.txt")));
    writeFile(f->favorite("unlisted.txt"), "x");
    reader->add1->trigger();
    QVERIFY(!QFile::exists(f->favorite("gone.txt")));
    QCOMPARE(f->fake.messages.shown.size(), 1);
    QCOMPARE(f->fake.messages.lastText(),
             "Cannot save " + QDir::toNativeSeparators(f->favorite("a.txt")) + ": it is a folder");
    QCOMPARE(f->fake.messages.shown.last().icon, MessageBoxes::Icon::None);
    f->fake.messages.shown.clear();
    QCOMPARE(rowOf(ui(w).File2, "unlisted.txt"), -1);
    QVERIFY(QFileInfo(f->favorite("a.txt")).isDir());

    // The favorites folder gone: it is made again and the copy stored there.
    QVERIFY(QDir(f->favorite("")).removeRecursively());
    reader->Check1->setChecked(false);
    choose(ui(w).File1, "b.txt");
    reader->add1->trigger();
    QVERIFY(f->fake.messages.shown.isEmpty());
    QCOMPARE(readFile(f->favorite("b.txt")), "b\r\n");
    QVERIFY(rowOf(ui(w).File2, "b.txt") >= 0);
}

void TestReader::typedTextKeptAsDraft_data()
{
    QTest::addColumn<LeftBy>("leftBy");
    QTest::addRow("another file shown") << LeftBy::AnotherFile;
    QTest::addRow("reader closed") << LeftBy::Close;
    QTest::addRow("program started again") << LeftBy::Restart;
}

// What is typed into the reader outlives the display that replaces it, a Close and the end of
// the program: it is in the reader again when its file is shown again, until Add to favo keeps
// it among the favorites.
void TestReader::typedTextKeptAsDraft()
{
    QFETCH(LeftBy, leftBy);
    writeFile(f->browse("a.txt"), "text of a");
    writeFile(f->browse("b.txt"), "text of b");
    pgwell *w = &f->open();
    fillList(*w, true, 1);
    choose(ui(*w).File1, "a.txt");
    Form3 *reader = openReader(*w);
    QVERIFY(reader);
    QTest::keyClick(reader->Text1, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(reader->Text1, " typed");
    switch (leftBy) {
    case LeftBy::AnotherFile:
        break;
    case LeftBy::Close:
        reader->close1->trigger();
        break;
    case LeftBy::Restart:
        w = &f->open();
        break;
    }
    choose(ui(*w).File1, "b.txt");
    QCOMPARE(w->existingReader()->readerText(), QStringLiteral("text of b"));
    choose(ui(*w).File1, "a.txt");
    QCOMPARE(w->existingReader()->readerText(), QStringLiteral("text of a typed"));
    QCOMPARE(ui(*w).Text1->toPlainText(), QStringLiteral("text of a")); // the pane's own text
    QVERIFY(f->fake.messages.shown.isEmpty());

    // Stored among the favorites, it is no longer brought back.
    w->existingReader()->add1->trigger();
    QCOMPARE(readFile(f->favorite("a.txt")), "text of a typed\r\n");
    choose(ui(*w).File1, "b.txt");
    choose(ui(*w).File1, "a.txt");
    QCOMPARE(w->existingReader()->readerText(), QStringLiteral("text of a"));
}

QTEST_MAIN(TestReader)
#include "tst_reader.moc"
