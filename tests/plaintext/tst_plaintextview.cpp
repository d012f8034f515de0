// SPDX-License-Identifier: GPL-3.0-or-later
// The pane's plain-text editor as the user meets it: keys, mouse, clipboard, undo, scrolling
// through large texts and long lines, and what screen readers get of it.
#include "controls/richtextbox.h"
#include "plaintext/plaintextaccessible.h"
#include "plaintext/plaintextview.h"
#include "plaintext/textbuffer.h"
#include "plaintext/wraplayout.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QScrollBar>
#include <QTest>
#include <QTextBoundaryFinder>

class TestPlainTextView : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void keys_data();
    void keys();
    void clipboardAndUndo();
    void mouseSelects();
    void resizingWrapsAnew();
    void endAndHomeOfALargeText();
    void longLineScrollsAndEdits();
    void unwrappedLinesScrollSideways_data();
    void unwrappedLinesScrollSideways();
    void screenReadersReadTheText();
    void screenReadersHearChanges();
    void piecesKeepCharactersWhole_data();
    void piecesKeepCharactersWhole();
    void pictureFollowsEveryChange_data();
    void pictureFollowsEveryChange();

private:
    PlainTextView *view() const { return m_box->plainView(); }
    std::unique_ptr<RichTextBox> m_box;
};

void TestPlainTextView::init()
{
    m_box = std::make_unique<RichTextBox>();
    m_box->resize(400, 300);
    m_box->setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    m_box->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_box.get()));
    view()->setFocus();
}

void TestPlainTextView::cleanup()
{
    m_box.reset();
}

// Keys are written as a list of QKeySequence strings; plain letters are typed.
void TestPlainTextView::keys_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("cursor");
    QTest::addColumn<QStringList>("keys");
    QTest::addColumn<QString>("result");
    QTest::addColumn<qsizetype>("resultCursor");
    QTest::addColumn<QString>("selected");

    const auto row = [](const char *name, const QString &text, qsizetype cursor,
                        const QStringList &keys, const QString &result, qsizetype resultCursor,
                        const QString &selected = {}) {
        QTest::newRow(name) << text << cursor << keys << result << resultCursor << selected;
    };
    row("type in the middle", u"abcd"_qs, 2, {u"x"_qs, u"y"_qs}, u"abxycd"_qs, 4);
    row("backspace and delete", u"abcd"_qs, 2, {u"Backspace"_qs, u"Del"_qs}, u"ad"_qs, 1);
    row("enter breaks the line", u"ab"_qs, 1, {u"Return"_qs}, u"a\nb"_qs, 2);
    row("right steps over a surrogate pair", u"a😀b"_qs, 1, {u"Right"_qs}, u"a😀b"_qs, 3);
    row("backspace removes a surrogate pair whole", u"a😀b"_qs, 3, {u"Backspace"_qs}, u"ab"_qs, 1);
    row("a caret between the halves of a pair goes before it", u"a😀b"_qs, 2, {u"x"_qs}, u"ax😀b"_qs,
        2);
    row("shift+right selects", u"hello"_qs, 1, {u"Shift+Right"_qs, u"Shift+Right"_qs}, u"hello"_qs,
        3, u"el"_qs);
    row("typing replaces the selection", u"hello"_qs, 0, {u"Shift+End"_qs, u"J"_qs}, u"J"_qs, 1);
    row("down keeps the column", u"abcdef\nxy\nabcdef"_qs, 4, {u"Down"_qs, u"Down"_qs},
        u"abcdef\nxy\nabcdef"_qs, 14);
    row("ctrl+end and ctrl+shift+home", u"one\ntwo"_qs, 2, {u"Ctrl+End"_qs, u"Ctrl+Shift+Home"_qs},
        u"one\ntwo"_qs, 0, u"one\ntwo"_qs);
    row("ctrl+right jumps a word", u"one two"_qs, 0, {u"Ctrl+Right"_qs, u"Ctrl+Shift+Right"_qs},
        u"one two"_qs, 7, u"two"_qs);
    row("ctrl+left steps back over a word, then to punctuation", u"a, bcd"_qs, 5,
        {u"Ctrl+Left"_qs, u"Ctrl+Left"_qs}, u"a, bcd"_qs, 1);
    row("ctrl+right stops at each line's end", u"ab\n\ncd"_qs, 0,
        {u"Ctrl+Right"_qs, u"Ctrl+Right"_qs}, u"ab\n\ncd"_qs, 3);
    row("tab is typed", u"ab"_qs, 1, {u"Tab"_qs}, u"a\tb"_qs, 2);
}

void TestPlainTextView::keys()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, cursor);
    QFETCH(QStringList, keys);
    QFETCH(QString, result);
    QFETCH(qsizetype, resultCursor);
    QFETCH(QString, selected);
    // The same with lines wrapped and not.
    for (const bool wrapping : {true, false}) {
        view()->setWrapping(wrapping);
        m_box->setPlainText(text);
        m_box->select(cursor, 0);
        for (const QString &key : keys) {
            if (key.size() == 1)
                QTest::keyClick(view(), key.at(0).toLatin1());
            else if (key == u"Tab")
                QTest::keyClick(view(), Qt::Key_Tab);
            else
                QTest::keySequence(view(), QKeySequence(key));
        }
        QCOMPARE(m_box->toPlainText(), result);
        QCOMPARE(m_box->cursorPosition(), resultCursor);
        QCOMPARE(m_box->selectedText(), selected);
    }
}

void TestPlainTextView::clipboardAndUndo()
{
    m_box->setPlainText(u"copy me\nand more"_qs);
    m_box->select(0, 4);
    QTest::keySequence(view(), QKeySequence::Copy);
    QCOMPARE(QApplication::clipboard()->text(), u"copy"_qs);
    QTest::keySequence(view(), QKeySequence(Qt::CTRL | Qt::Key_End));
    QTest::keySequence(view(), QKeySequence::Paste);
    QCOMPARE(m_box->toPlainText(), u"copy me\nand morecopy"_qs);
    QApplication::clipboard()->setText(u"x\r\ny"_qs);
    QTest::keySequence(view(), QKeySequence::Paste);
    QCOMPARE(m_box->toPlainText(), u"copy me\nand morecopyx\ny"_qs); // line ends become the pane's
    m_box->select(0, 5);
    QTest::keySequence(view(), QKeySequence::Cut);
    QCOMPARE(QApplication::clipboard()->text(), u"copy "_qs);
    QCOMPARE(m_box->toPlainText(), u"me\nand morecopyx\ny"_qs);

    QTest::keySequence(view(), QKeySequence::Undo);
    QCOMPARE(m_box->toPlainText(), u"copy me\nand morecopyx\ny"_qs);
    QCOMPARE(m_box->selectedText(), u"copy "_qs); // the selection comes back with the text
    QTest::keySequence(view(), QKeySequence::Undo);
    QTest::keySequence(view(), QKeySequence::Undo);
    QCOMPARE(m_box->toPlainText(), u"copy me\nand more"_qs);
    QTest::keySequence(view(), QKeySequence::Redo);
    QCOMPARE(m_box->toPlainText(), u"copy me\nand morecopy"_qs);
    // A new text is not an edit: undo does not bring the old one back.
    m_box->setPlainText(u"new"_qs);
    QTest::keySequence(view(), QKeySequence::Undo);
    QCOMPARE(m_box->toPlainText(), u"new"_qs);
}

void TestPlainTextView::mouseSelects()
{
    m_box->setPlainText(u"first line\nsecond words here\nthird"_qs);
    const qsizetype target = 14; // inside "second"
    const QRect rect = view()->cursorRect(target);
    QVERIFY(!rect.isEmpty());
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, rect.center());
    QCOMPARE(m_box->cursorPosition(), target);

    const QRect end = view()->cursorRect(32);
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::ShiftModifier, end.center());
    QCOMPARE(m_box->selectedText(), u"ond words here\nthi"_qs);

    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, {}, view()->cursorRect(19).center());
    QCOMPARE(m_box->selectedText(), u"words"_qs);
}

void TestPlainTextView::resizingWrapsAnew()
{
    m_box->setPlainText(QStringList(40, u"word"_qs).join(u' ') + u"\nend"_qs);
    const auto lastRowTop = [this] {
        return view()->cursorRect(m_box->textLength()).top();
    };
    const int wide = lastRowTop();
    m_box->resize(200, 300);
    QTRY_VERIFY(lastRowTop() > wide);
    m_box->resize(400, 300);
    QTRY_COMPARE(lastRowTop(), wide);
}

void TestPlainTextView::endAndHomeOfALargeText()
{
    QString text;
    for (int i = 0; i < 200000; ++i)
        text += QStringLiteral("line number %1\n").arg(i);
    text += u"the very end"_qs;
    m_box->setPlainText(text);
    QCOMPARE(view()->firstVisiblePosition(), 0);
    QTest::keySequence(view(), QKeySequence::MoveToEndOfDocument);
    QCOMPARE(m_box->cursorPosition(), text.size());
    QVERIFY(!view()->cursorRect(text.size()).isEmpty());
    QVERIFY(view()->firstVisiblePosition() > text.size() - 2000);
    QCOMPARE(view()->verticalScrollBar()->value(), view()->verticalScrollBar()->maximum());
    // Typing at the end keeps the end in view; the pane shows no empty space below the text.
    QTest::keyClick(view(), Qt::Key_X);
    QVERIFY(text.size() + 1 - view()->firstVisiblePosition() < 2000);
    QTest::keySequence(view(), QKeySequence::MoveToStartOfDocument);
    QCOMPARE(view()->firstVisiblePosition(), 0);
    QCOMPARE(view()->verticalScrollBar()->value(), 0);

    // The scroll bar's middle shows the middle of the text; the wheel scrolls by rows.
    QScrollBar *bar = view()->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    const qsizetype top = view()->firstVisiblePosition();
    QVERIFY(std::abs(top - text.size() / 2) < 1000);
    QCOMPARE(text.at(top - 1), u'\n');
    QWheelEvent wheel(QPointF(10, 10), view()->viewport()->mapToGlobal(QPointF(10, 10)), {},
                      QPoint(0, -120), Qt::NoButton, {}, Qt::NoScrollPhase, false);
    QApplication::sendEvent(view()->viewport(), &wheel);
    const qsizetype row = text.indexOf(u'\n', top) + 1 - top; // the lines are alike
    QCOMPARE(view()->firstVisiblePosition(), top + row * QApplication::wheelScrollLines());
}

void TestPlainTextView::longLineScrollsAndEdits()
{
    QString line;
    while (line.size() < (5 << 20))
        line += u"abcdefghijklmnopqrstuvwxyz"_qs;
    m_box->setPlainText(line);
    view()->grab(); // painting lays out the first screen only
    QTest::keySequence(view(), QKeySequence::MoveToEndOfDocument);
    QVERIFY(!view()->cursorRect(line.size()).isEmpty());
    QVERIFY(view()->firstVisiblePosition() > line.size() - 5000);
    QTest::keyClick(view(), Qt::Key_Z);
    QCOMPARE(m_box->textLength(), line.size() + 1);
    // The middle of the line, reached through the scroll bar.
    QScrollBar *bar = view()->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    QVERIFY(std::abs(view()->firstVisiblePosition() - line.size() / 2) < 5000);
    view()->grab();
    // A click there puts the caret there, and typing goes in there.
    const qsizetype at = view()->firstVisiblePosition() + 3;
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, view()->cursorRect(at).center());
    QCOMPARE(m_box->cursorPosition(), at);
    QTest::keyClick(view(), Qt::Key_Exclam, Qt::ShiftModifier);
    QCOMPARE(m_box->toPlainText().at(at), u'!');
}

void TestPlainTextView::unwrappedLinesScrollSideways_data()
{
    QTest::addColumn<qsizetype>("length");
    QTest::newRow("a line of a few screens") << qsizetype(3000);
    QTest::newRow("a 5 MB line") << qsizetype(5 << 20);
}

void TestPlainTextView::unwrappedLinesScrollSideways()
{
    QFETCH(qsizetype, length);
    QString line;
    line.reserve(length + 10);
    while (line.size() < length)
        line += u"word "_qs;
    view()->setWrapping(false);
    m_box->setPlainText(u"short\n"_qs + line + u"\nlast"_qs);
    const qsizetype lineStart = 6;
    const qsizetype lineEnd = lineStart + line.size();
    QScrollBar *bar = view()->horizontalScrollBar();
    QTRY_VERIFY(bar->isVisible());
    QVERIFY(bar->maximum() > 0);
    // One row a line: the long line does not push "last" down.
    const int rowHeight = view()->cursorRect(lineStart).top() - view()->cursorRect(0).top();
    QVERIFY(rowHeight > 0);
    QCOMPARE(view()->cursorRect(lineEnd + 1).top(), view()->cursorRect(0).top() + 2 * rowHeight);

    // End goes to the line's end and scrolls it into view; Down keeps to the row below.
    m_box->select(lineStart + 2, 0);
    QTest::keyClick(view(), Qt::Key_End);
    QCOMPARE(m_box->cursorPosition(), lineEnd);
    QVERIFY(view()->horizontalOffset() > 0);
    QCOMPARE(bar->value(), bar->maximum());
    QVERIFY(view()->viewport()->rect().contains(view()->cursorRect(lineEnd)));
    // A click on a character shown there puts the caret before it; typing goes in there.
    const qsizetype near = lineEnd - 7;
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, {}, view()->cursorRect(near).center());
    QCOMPARE(m_box->cursorPosition(), near);
    QTest::keyClick(view(), Qt::Key_Z);
    QCOMPARE(m_box->text(near, 2), u"zd"_qs);
    QTest::keyClick(view(), Qt::Key_Down);
    QCOMPARE(m_box->cursorPosition(), m_box->textLength());
    QTest::keyClick(view(), Qt::Key_Home);
    QCOMPARE(view()->horizontalOffset(), 0);
    QCOMPARE(bar->value(), 0);
    // A screen reader's "scroll to" brings a far part of the line into view.
    QAccessible::queryAccessibleInterface(view())->textInterface()->scrollToSubstring(
        int(lineEnd - 9), int(lineEnd - 4));
    QVERIFY(view()->viewport()->rect().contains(view()->cursorRect(lineEnd - 9)));
    bar->setValue(0);

    // The bar reaches the middle of the line; what shows there is the middle of the text.
    bar->setValue(bar->maximum() / 2);
    view()->grab();
    const qsizetype middle = view()->positionAt(
        QPoint(view()->viewport()->width() / 2, view()->cursorRect(lineStart).center().y()));
    QVERIFY(std::abs((middle - lineStart) - line.size() / 2) < line.size() / 20 + 50);
    // A drag past the right edge scrolls on.
    const int y = view()->cursorRect(lineStart).center().y();
    QTest::mousePress(view()->viewport(), Qt::LeftButton, {}, QPoint(20, y));
    const qreal before = view()->horizontalOffset();
    const QPointF outside(view()->viewport()->width() + 30, y);
    QMouseEvent move(QEvent::MouseMove, outside, view()->viewport()->mapToGlobal(outside),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(view()->viewport(), &move);
    QTRY_VERIFY(view()->horizontalOffset() > before);
    QTest::mouseRelease(view()->viewport(), Qt::LeftButton, {}, QPoint(20, y));
    QVERIFY(m_box->selectionLength() > 0);
}

void TestPlainTextView::screenReadersReadTheText()
{
    const QString whole = u"Hello world\nsecond line"_qs;
    m_box->setPlainText(whole);
    QAccessibleInterface *pane = QAccessible::queryAccessibleInterface(view());
    QVERIFY(pane);
    QCOMPARE(pane->role(), QAccessible::EditableText);
    QCOMPARE(pane->text(QAccessible::Value), whole);
    QAccessibleTextInterface *text = pane->textInterface();
    QCOMPARE(text->characterCount(), whole.size());
    int start = -1;
    int end = -1;
    QCOMPARE(text->textAtOffset(7, QAccessible::WordBoundary, &start, &end), u"world"_qs);
    QCOMPARE(QList<int>({start, end}), QList<int>({6, 11}));
    QCOMPARE(text->textAtOffset(14, QAccessible::LineBoundary, &start, &end), u"second line"_qs);
    QCOMPARE(text->textBeforeOffset(14, QAccessible::LineBoundary, &start, &end),
             u"Hello world\n"_qs);
    m_box->select(0, 5);
    text->selection(0, &start, &end);
    QCOMPARE(QList<int>({text->selectionCount(), start, end}), QList<int>({1, 0, 5}));
    text->setCursorPosition(12);
    QCOMPARE(m_box->cursorPosition(), 12);
    pane->editableTextInterface()->insertText(0, u"Oh, "_qs);
    QCOMPARE(m_box->text(), u"Oh, "_qs + whole);

    // A long text's value is its start, cut before a pair of surrogates; any range still reads.
    const qsizetype kept = PlainTextAccessible::valueKept;
    const QString longText = QString(kept - 1, u'a') + u"\U0001F600"_qs + QString(kept, u'b');
    m_box->setPlainText(longText);
    QCOMPARE(pane->text(QAccessible::Value), longText.first(kept - 1));
    QCOMPARE(text->text(int(kept - 1), int(kept + 3)), longText.sliced(kept - 1, 4));
}

void TestPlainTextView::screenReadersHearChanges()
{
    // What each change of the text tells screen readers (sent while one listens).
    m_box->setPlainText(u"abcdef"_qs);
    const auto brief = [](const QString &text) {
        return text.size() > 9 ? u"%1 chars"_qs.arg(text.size()) : text;
    };
    QStringList said;
    connect(&view()->document(), &PlainTextDocument::contentsChanged, this,
            [&](qsizetype position, qsizetype removed, qsizetype added) {
                const auto event =
                    PlainTextAccessible::changeEvent(view(), position, removed, added);
                QAccessibleEvent *any = event.get();
                if (auto *e = dynamic_cast<QAccessibleTextInsertEvent *>(any))
                    said << u"insert %1 "_qs.arg(e->changePosition()) + brief(e->textInserted());
                else if (auto *e = dynamic_cast<QAccessibleTextRemoveEvent *>(any))
                    said << u"remove %1 "_qs.arg(e->changePosition()) + brief(e->textRemoved());
                else if (auto *e = dynamic_cast<QAccessibleTextUpdateEvent *>(any))
                    said << u"update %1 %2>%3"_qs.arg(e->changePosition())
                                .arg(e->textRemoved(), e->textInserted());
            });
    // Typed, deleted, typed over a selection; a paste of megabytes tells its start only.
    m_box->select(2, 0);
    QTest::keyClick(view(), Qt::Key_X);
    QTest::keyClick(view(), Qt::Key_Delete);
    m_box->select(0, 2);
    QTest::keyClick(view(), Qt::Key_Q);
    QApplication::clipboard()->setText(QString(3 << 20, u'p'));
    QTest::keySequence(view(), QKeySequence::Paste);
    QTest::keySequence(view(), QKeySequence::Undo);
    const QString kept = QString::number(PlainTextDocument::changeTextKept);
    QCOMPARE(said, QStringList({u"insert 2 x"_qs, u"remove 3 c"_qs, u"update 0 ab>q"_qs,
                                u"insert 1 "_qs + kept + u" chars"_qs,
                                u"remove 1 "_qs + kept + u" chars"_qs}));
}

void TestPlainTextView::piecesKeepCharactersWhole_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("wholeCharacters"); // every cut falls between two user characters
    const auto repeated = [](const QString &unit, qsizetype length) {
        QString line;
        while (line.size() < length)
            line += unit;
        return line;
    };
    QTest::newRow("letters with marks") << repeated(u"e\u0301\u0323"_qs, 20000) << true;
    QTest::newRow("pairs of surrogates") << repeated(u"\U0001D49C"_qs, 20000) << true;
    QTest::newRow("emoji sequences")
        << repeated(u"\U0001F469\U0001F3FD\u200D\U0001F52C"_qs, 20000) << true;
    QTest::newRow("hangul jamo") << repeated(u"\u1100\u1161\u11A8"_qs, 20000) << true;
    QTest::newRow("nested embeddings")
        << repeated(u"\u202B"_qs, 10000) + u"abc"_qs + repeated(u"\u202C"_qs, 10000) << true;
    // One letter with more marks than a piece holds: cut where it must be, in bounded pieces.
    QTest::newRow("a storm of marks")
        << u"a"_qs + repeated(u"\u0301\u0302\u0303"_qs, 30000) << false;
    QTest::newRow("a storm of marks beyond the first plane")
        << u"a"_qs + repeated(u"\U0001D167"_qs, 30000) << false;
}

void TestPlainTextView::piecesKeepCharactersWhole()
{
    QFETCH(QString, line);
    QFETCH(bool, wholeCharacters);
    const QString text = u"before\n"_qs + line + u"\nafter"_qs;
    TextBuffer buffer(text);
    WrapLayout layout(buffer);
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype at = 7;
    WrapLayout::Piece piece = layout.pieceAt(at);
    for (;;) {
        QCOMPARE(piece.start, at);
        QVERIFY(piece.end > piece.start);
        QVERIFY(piece.end - piece.start <= WrapLayout::pieceLength + WrapLayout::cutLookBack);
        QVERIFY(!text.at(piece.end - 1).isHighSurrogate());
        graphemes.setPosition(piece.end);
        QVERIFY2(!wholeCharacters || graphemes.isAtBoundary(),
                 qPrintable(QString::number(piece.end)));
        QCOMPARE(layout.pieceAt(piece.end - 1), piece);
        at = piece.end;
        if (piece.endsLine())
            break;
        piece = *layout.nextPiece(piece);
    }
    QCOMPARE(at, 7 + line.size());
}

void TestPlainTextView::pictureFollowsEveryChange_data()
{
    // The text is drawn once and copied while nothing changes: every change draws it anew.
    QTest::addColumn<int>("change");
    QTest::newRow("typed") << 0;
    QTest::newRow("selected") << 1;
    QTest::newRow("scrolled") << 2;
    QTest::newRow("font") << 3;
    QTest::newRow("wrapping") << 4;
    QTest::newRow("replaced") << 5;
    QTest::newRow("colors") << 6;
}

void TestPlainTextView::pictureFollowsEveryChange()
{
    QFETCH(int, change);
    QStringList lines;
    for (int i = 0; i < 200; ++i)
        lines << QStringLiteral("line %1 with a few words that wrap at the pane's width").arg(i);
    m_box->setPlainText(lines.join(u'\n'));
    view()->clearFocus(); // no caret blinking in the pictures
    const QImage before = view()->viewport()->grab().toImage();
    QCOMPARE(view()->viewport()->grab().toImage(), before);
    switch (change) {
    case 0:
        view()->document().setCursor(0);
        view()->document().insert(u"new "_qs);
        break;
    case 1:
        m_box->select(0, 12);
        break;
    case 2:
        view()->scrollTo(m_box->toPlainText().indexOf(u"line 3 "_qs));
        break;
    case 3:
        view()->setFont(QFont(QStringLiteral("DejaVu Sans"), 14));
        break;
    case 4:
        view()->setWrapping(false);
        break;
    case 5:
        view()->document().setBuffer(TextBuffer(u"another text"_qs));
        break;
    case 6: {
        QPalette palette = view()->viewport()->palette();
        palette.setColor(QPalette::Base, Qt::yellow);
        view()->viewport()->setPalette(palette);
        break;
    }
    }
    QVERIFY(view()->viewport()->grab().toImage() != before);
}

QTEST_MAIN(TestPlainTextView)
#include "tst_plaintextview.moc"
