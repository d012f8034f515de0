// SPDX-License-Identifier: GPL-3.0-or-later
// The plain-text engine without a window: the buffer and its line index, reading files into
// it, editing with undo, and wrapping into rows.
#include "plaintext/plaintextdocument.h"
#include "plaintext/plaintextloader.h"
#include "plaintext/textbuffer.h"
#include "plaintext/wraplayout.h"
#include "text/textdecoder.h"
#include "texttools/caseconversion.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QRandomGenerator>
#include <QTest>
#include <QTextBoundaryFinder>

using Starts = QList<qsizetype>;

class TestTextEngine : public QObject
{
    Q_OBJECT

private slots:
    void loadAndIndex_data();
    void loadAndIndex();
    void loadAcrossBlocks_data();
    void loadAcrossBlocks();
    void loadCancelled();
    void editsMatchAPlainString();
    void findAcrossChunks_data();
    void findAcrossChunks();
    void caseMappedInPlace_data();
    void caseMappedInPlace();
    void undoGoesBackByRuns_data();
    void undoGoesBackByRuns();
    void wrapCutsLongLinesIntoPieces_data();
    void wrapCutsLongLinesIntoPieces();
    void wrapBreaksAtBlanks();
    void unwrappedRowsAreLines_data();
    void unwrappedRowsAreLines();
    void unwrappedMeasuresFollowEdits_data();
    void unwrappedMeasuresFollowEdits();
    void piecesEndBetweenCharacters_data();
    void piecesEndBetweenCharacters();
};

// Line starts computed the plain way, to check the index against.
static Starts startsOf(const QString &text)
{
    Starts starts{0};
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == u'\n')
            starts.append(i + 1);
    }
    return starts;
}

static void checkIndex(const TextBuffer &buffer, const QString &text)
{
    QCOMPARE(buffer.length(), text.size());
    QCOMPARE(buffer.text(), text);
    const Starts starts = startsOf(text);
    QCOMPARE(buffer.lineCount(), starts.size());
    for (qsizetype line = 0; line < starts.size(); ++line) {
        QCOMPARE(buffer.lineStart(line), starts[line]);
        const qsizetype end = line + 1 < starts.size() ? starts[line + 1] - 1 : text.size();
        QCOMPARE(buffer.lineEnd(line), end);
        QCOMPARE(buffer.lineOf(starts[line]), line);
        QCOMPARE(buffer.lineOf(end), line);
    }
}

void TestTextEngine::loadAndIndex_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<LineEnding>("lineEnding");
    const auto row = [](const char *name, const QByteArray &bytes, const QString &text,
                        TextEncoding encoding, LineEnding lineEnding) {
        QTest::newRow(name) << bytes << text << encoding << lineEnding;
    };
    using E = TextEncoding;
    using L = LineEnding;
    row("empty", QByteArray(), QString(), E::Utf8, L::CrLf);
    row("lf", "a\nbc\n", u"a\nbc\n"_qs, E::Utf8, L::Lf);
    row("crlf", "a\r\nbc\r\n\r\nd", u"a\nbc\n\nd"_qs, E::Utf8, L::CrLf);
    row("cr", "a\rb\r\rc", u"a\nb\n\nc"_qs, E::Utf8, L::Cr);
    row("nul bytes", QByteArray("a\0b\n\0", 5), QStringView(u"a\0b\n\0", 5).toString(), E::Utf8,
        L::Lf);
    row("non-bmp", "\xf0\x9f\x98\x80x\n\xf0\x90\x8d\x88", u"😀x\n𐍈"_qs, E::Utf8, L::Lf);
    row("utf-16 bom",
        QByteArray("\xff\xfe"
                   "a\0\r\0\n\0"
                   "=\xd8\0\xde",
                   12),
        u"a\n😀"_qs, E::Utf16LE, L::CrLf);
    row("windows-1252", "\x93quoted\x94 \x80 caf\xe9\r\n", u"“quoted” € café\n"_qs, E::Windows1252,
        L::CrLf);
    // A second mark is a character of the text, a zero-width no-break space.
    row("utf-8 bom, then U+FEFF",
        "\xef\xbb\xbf\xef\xbb\xbf"
        "a",
        u"\ufeffa"_qs, E::Utf8WithBom, L::CrLf);
    row("utf-16 le bom, then U+FEFF",
        QByteArray("\xff\xfe\xff\xfe"
                   "a\0",
                   6),
        u"\ufeffa"_qs, E::Utf16LE, L::CrLf);
    row("cut utf-8 at end", "ab\xc3", u"abÃ"_qs, E::Windows1252, L::CrLf);
    row("utf-8 bom", "\xef\xbb\xbf\xce\xb1\xce\xb2", u"αβ"_qs, E::Utf8WithBom, L::CrLf);
    row("utf-16 be bom", QByteArray("\xfe\xff\0h\0i\x20\xac", 8), u"hi€"_qs, E::Utf16BE, L::CrLf);
    row("utf-32 le bom", QByteArray("\xff\xfe\0\0A\0\0\0", 8), u"A"_qs, E::Utf32LE, L::CrLf);
    row("a tie goes to the first line end", "a\nb\r\nc", u"a\nb\nc"_qs, E::Utf8, L::Lf);
    // UTF-16 without a mark, told by the zeros of every other byte; an odd last byte is no
    // character.
    row("utf-16 le, no bom", QByteArray("h\0i\0\r\0\n\0\x16\x04", 10), u"hi\n\u0416"_qs,
        E::Utf16LENoBom, L::CrLf);
    row("utf-16 be, no bom, odd length", QByteArray("\0h\0i\0\n\0\0!", 9),
        QStringView(u"hi\n\0", 4).toString(), E::Utf16BENoBom, L::Lf);
    row("nul bytes both sides are not utf-16", QByteArray("\0\0\0\0ab", 6),
        QStringView(u"\0\0\0\0ab", 6).toString(), E::Utf8, L::CrLf);
    row("a zero now and then is not utf-16", QByteArray("abc\0def\0ghijkl\0", 16),
        QStringView(u"abc\0def\0ghijkl\0", 16).toString(), E::Utf8, L::CrLf);
}

void TestTextEngine::loadAndIndex()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QFETCH(TextEncoding, encoding);
    QFETCH(LineEnding, lineEnding);
    const PlainTextLoader::Result result = PlainTextLoader::fromBytes(bytes);
    QCOMPARE(result.status, PlainTextLoader::Status::Ok);
    QCOMPARE(result.encoding, encoding);
    QCOMPARE(result.lineEnding, lineEnding);
    checkIndex(result.buffer, text);
    // The same as the whole-file decoder makes of it.
    const DecodedText whole = TextDecoder::decode(bytes);
    QCOMPARE(whole.text, text);
    QCOMPARE(whole.encoding, encoding);
    QCOMPARE(whole.lineEnding, lineEnding);
}

void TestTextEngine::loadAcrossBlocks_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<LineEnding>("lineEnding");

    const auto row = [](const char *name, const QByteArray &bytes, TextEncoding encoding,
                        LineEnding lineEnding) {
        QTest::newRow(name) << bytes << encoding << lineEnding;
    };
    using E = TextEncoding;
    using L = LineEnding;
    const qsizetype block = PlainTextLoader::blockSize;
    row("cr lf split between blocks", QByteArray(block - 1, 'x') + "\r\nnext\r\n", E::Utf8,
        L::CrLf);
    row("lone cr at a block's end", QByteArray(block - 1, 'x') + "\rnext", E::Utf8, L::Cr);
    row("utf-8 sequence split", QByteArray(block - 1, 'x') + "\xe2\x82\xac and more\n", E::Utf8,
        L::Lf);
    row("not utf-8 in a later block", QByteArray(block + 100, 'y') + "\n\xe9t\xe9\n",
        E::Windows1252, L::Lf);
    // A block is decoded in pieces of about a chunk, which the buffer takes over.
    const qsizetype piece = TextBuffer::chunkTarget;
    row("cr lf split between pieces", QByteArray(piece - 1, 'x') + "\r\nnext\r\n", E::Utf8,
        L::CrLf);
    row("utf-8 sequence split between pieces",
        QByteArray(piece - 2, 'x') + "\xf0\x9f\x98\x80 \xe2\x82\xac\n", E::Utf8, L::Lf);
    const QByteArray pair("\x3d\xd8\x00\xde\r\0\n\0", 8); // across two pieces
    row("utf-16 pair split between pieces",
        "\xff\xfe" + QByteArray("a\0", 2).repeated(piece / 2 - 1) + pair, E::Utf16LE, L::CrLf);
    // Each piece is decoded on its own: a U+FEFF that starts one is text all the same.
    row("U+FEFF at a piece's start", QByteArray(piece, 'x') + "\xef\xbb\xbfy\n", E::Utf8, L::Lf);
    row("code page, cr at a piece's end", QByteArray(piece - 1, '\xe9') + "\rn\xe9xt\r",
        E::Windows1252, L::Cr);
    // One line of 5 MB, with and without blanks.
    row("5 MB line", QByteArray(5 << 20, 'w'), E::Utf8, L::CrLf);
    row("5 MB line of words", QByteArray("word and word ").repeated((5 << 20) / 14 + 1), E::Utf8,
        L::CrLf);
    // Large files are read in two halves at once, cut after a line end near the middle.
    const QByteArray line = "a line of text, caf\xc3\xa9\r\n";
    const QByteArray large = line.repeated(PlainTextLoader::halvesFrom / line.size() + 1);
    row("halves", large, E::Utf8, L::CrLf);
    row("halves, code page in the second only", large + "\xe9\n", E::Windows1252, L::CrLf);
    row("halves, U+FEFF starts the second",
        "x" + QByteArray("\r\n\xef\xbb\xbfline").repeated(large.size() / 9), E::Utf8, L::CrLf);
    row("halves, LF in the second only", large + QByteArray("lf\n").repeated(large.size() / 2),
        E::Utf8, L::Lf);
}

void TestTextEngine::loadAcrossBlocks()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextEncoding, encoding);
    QFETCH(LineEnding, lineEnding);
    const DecodedText whole = TextDecoder::decode(bytes);
    TextBuffer copy;
    {
        QBuffer device(&bytes);
        QVERIFY(device.open(QIODevice::ReadOnly));
        QBuffer second(&bytes);
        QVERIFY(second.open(QIODevice::ReadOnly));
        QList<qint64> progress;
        const PlainTextLoader::Result result =
            PlainTextLoader::loadInHalves(device, second, bytes.size(), nullptr,
                                          [&](qint64 done, qint64) { progress.append(done); });
        QCOMPARE(result.status, PlainTextLoader::Status::Ok);
        QCOMPARE(result.encoding, encoding);
        QCOMPARE(result.lineEnding, lineEnding);
        QCOMPARE(result.buffer.length(), whole.text.size());
        QVERIFY(result.buffer.text() == whole.text);
        QCOMPARE(result.buffer.lineCount(), startsOf(whole.text).size());
        QVERIFY(!progress.isEmpty());
        QCOMPARE(progress.last(), bytes.size());
        copy = result.buffer;
    }
    // The loaded text lies in memory of the loader's: a copy that outlives the loaded buffer,
    // edited and case-mapped, keeps exactly what both held.
    QString model = whole.text;
    copy.insert(copy.length() / 2, u"mid\n");
    model.insert(model.size() / 2, u"mid\n"_qs);
    copy.remove(0, 1);
    model.remove(0, 1);
    copy.mapPieces([](QString &piece) {
        piece = piece.toUpper();
        return true;
    });
    QVERIFY(copy.text() == model.toUpper());
    QCOMPARE(copy.lineCount(), startsOf(model).size());
}

void TestTextEngine::loadCancelled()
{
    QByteArray bytes(3 * PlainTextLoader::blockSize, 'z');
    QBuffer device(&bytes);
    QVERIFY(device.open(QIODevice::ReadOnly));
    std::atomic<bool> cancel{false};
    int blocks = 0;
    const auto result = PlainTextLoader::load(device, bytes.size(), &cancel, [&](qint64, qint64) {
        if (++blocks == 1)
            cancel = true;
    });
    QCOMPARE(result.status, PlainTextLoader::Status::Cancelled);
    QCOMPARE(blocks, 1);
}

void TestTextEngine::editsMatchAPlainString()
{
    // Random inserts and removals, many across chunk edges, against the same edits on a QString.
    QRandomGenerator random(1234);
    QString model;
    for (int i = 0; i < 6000; ++i)
        model += QStringLiteral("line %1 of the text\n").arg(i);
    TextBuffer buffer(model);
    const QString pieces[] = {u"x"_qs,     u"\n"_qs, u"ab\ncd\n"_qs, u"😀"_qs, QString(70000, u'k'),
                              u"\n\n\n"_qs};
    for (int round = 0; round < 400; ++round) {
        const qsizetype at = random.bounded(int(model.size() + 1));
        if (random.bounded(2) == 0) {
            const QString &piece = pieces[random.bounded(int(std::size(pieces)))];
            model.insert(at, piece);
            buffer.insert(at, piece);
        } else {
            const qsizetype count =
                random.bounded(int(std::min<qsizetype>(90000, model.size() - at + 1)));
            model.remove(at, count);
            buffer.remove(at, count);
        }
        QCOMPARE(buffer.length(), model.size());
        QCOMPARE(buffer.lineCount(), model.count(u'\n') + 1);
        const qsizetype probe = random.bounded(int(model.size() + 1));
        QCOMPARE(buffer.lineOf(probe), QStringView(model).first(probe).count(u'\n'));
        QCOMPARE(buffer.at(probe), probe < model.size() ? model.at(probe) : QChar());
    }
    checkIndex(buffer, model);
    // Down to nothing and back.
    buffer.remove(0, buffer.length());
    checkIndex(buffer, QString());
    buffer.insert(0, u"a\nb");
    checkIndex(buffer, u"a\nb"_qs);
}

void TestTextEngine::findAcrossChunks_data()
{
    QTest::addColumn<qsizetype>("prefix");
    QTest::addColumn<QString>("needle");
    QTest::addColumn<Qt::CaseSensitivity>("cs");
    const qsizetype edge = TextBuffer::chunkTarget;
    QTest::newRow("over a chunk's edge") << edge - 3 << u"needle"_qs << Qt::CaseSensitive;
    QTest::newRow("starts at an edge") << edge << u"needle"_qs << Qt::CaseSensitive;
    QTest::newRow("only the last letter past an edge")
        << edge - 5 << u"needle"_qs << Qt::CaseSensitive;
    QTest::newRow("case-insensitive over an edge")
        << edge - 2 << u"NeEdLe"_qs << Qt::CaseInsensitive;
}

void TestTextEngine::findAcrossChunks()
{
    QFETCH(qsizetype, prefix);
    QFETCH(QString, needle);
    QFETCH(Qt::CaseSensitivity, cs);
    const QString text = QString(prefix, u'.') + u"needle"_qs +
                         QString(3 * TextBuffer::chunkTarget, u'.') + u"needle"_qs;
    const TextBuffer buffer(text);
    QCOMPARE(buffer.indexOf(needle, 0, cs), prefix);
    QCOMPARE(buffer.indexOf(needle, prefix + 1, cs), text.lastIndexOf(u"needle"));
    QCOMPARE(buffer.indexOf(needle, text.size() - 5, cs), -1);
    QCOMPARE(buffer.indexOf(u"needle!", 0, cs), -1);
    QCOMPARE(buffer.indexOf(QString(), 7), 7);
}

void TestTextEngine::caseMappedInPlace_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("changes");
    const QString deseret = u"\U00010428"_qs; // small; its capital is a pair as well
    const qsizetype edge = TextBuffer::chunkTarget;
    QTest::newRow("letters that grow, a pair cut by an edge")
        << QString(edge - 1, u'a') + deseret + u"\u00DF\nline \u0149\n"_qs +
               QString(edge - 4, u'b') + u"\u00DF\u00DF\n"_qs + deseret + u"\n"_qs
        << true;
    // Nothing to convert, yet the pair comes together: the lines after it move.
    QTest::newRow("a pair without case cut by an edge")
        << QString(edge - 1, u'A') + u"\U0001F600\nB\n"_qs + QString(edge, u'C') + u"\nD"_qs
        << false;
}

void TestTextEngine::caseMappedInPlace()
{
    // Converted chunk by chunk where the text is kept, it is what converting the whole gives:
    // a pair cut by a chunk's edge is converted whole, growing letters move the line breaks.
    QFETCH(QString, text);
    QFETCH(bool, changes);
    TextBuffer buffer(text);
    const auto upper = [](QString &piece) {
        return CaseConversion::convertInPlace(piece, CaseMode::Upper);
    };
    const quint64 revision = buffer.revision();
    QCOMPARE(buffer.mapPieces(upper), changes);
    if (changes)
        QVERIFY(buffer.revision() != revision);
    checkIndex(buffer, text.toUpper());
    // Already in capitals: nothing changes, not even the revision.
    const quint64 converted = buffer.revision();
    QVERIFY(!buffer.mapPieces(upper));
    QCOMPARE(buffer.revision(), converted);
    checkIndex(buffer, text.toUpper());
}

void TestTextEngine::undoGoesBackByRuns_data()
{
    // Letters type, '<' Backspace, '>' Delete, '|' moves the caret to 0, '^' undoes.
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QStringList>("afterEachUndo");
    QTest::newRow("a typed word is one step") << u"abc"_qs << QStringList{u"start"_qs};
    QTest::newRow("a line break ends the step")
        << u"ab\ncd"_qs << QStringList{u"ab\nstart"_qs, u"abstart"_qs, u"start"_qs};
    QTest::newRow("backspaces are one step")
        << u"ab<<<"_qs << QStringList{u"abstart"_qs, u"start"_qs};
    QTest::newRow("moving the caret ends the step")
        << u"ab|c"_qs << QStringList{u"abstart"_qs, u"start"_qs};
    QTest::newRow("deletes are one step") << u"|>>"_qs << QStringList{u"start"_qs};
    QTest::newRow("an edit after an undo leaves nothing to redo")
        << u"ab\n^x"_qs << QStringList{u"abstart"_qs, u"start"_qs};
}

void TestTextEngine::undoGoesBackByRuns()
{
    QFETCH(QString, keys);
    QFETCH(QStringList, afterEachUndo);
    PlainTextDocument doc;
    doc.setText(u"start");
    QVERIFY(!doc.canUndo());
    for (QChar key : keys) {
        if (key == u'<')
            doc.deleteBackward();
        else if (key == u'>')
            doc.deleteForward();
        else if (key == u'|')
            doc.setCursor(0);
        else if (key == u'^')
            doc.undo();
        else
            doc.insert(QString(key));
    }
    const QString edited = doc.text();
    for (const QString &expected : afterEachUndo) {
        QVERIFY(doc.canUndo());
        doc.undo();
        QCOMPARE(doc.text(), expected);
    }
    QVERIFY(!doc.canUndo());
    while (doc.canRedo())
        doc.redo();
    QCOMPARE(doc.text(), edited);
}

void TestTextEngine::wrapCutsLongLinesIntoPieces_data()
{
    QTest::addColumn<bool>("blanks");
    QTest::newRow("5 MB without blanks") << false;
    QTest::newRow("5 MB of words") << true;
}

void TestTextEngine::wrapCutsLongLinesIntoPieces()
{
    QFETCH(bool, blanks);
    QString line;
    line.reserve(5 << 20);
    while (line.size() < (5 << 20))
        line += blanks ? u"lorem ipsum dolor "_qs : u"abcdefghijklmnopqr"_qs;
    const TextBuffer buffer(u"first\n"_qs + line + u"\nlast"_qs);
    WrapLayout layout(buffer);
    layout.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    layout.setWidth(300);

    // A piece in the middle of the long line is short and found without laying out the rest.
    const qsizetype middle = 6 + line.size() / 2;
    const WrapLayout::Piece piece = layout.pieceAt(middle);
    QVERIFY(piece.start <= middle && middle < piece.end);
    QVERIFY(piece.end - piece.start <= WrapLayout::pieceLength + WrapLayout::cutLookBack);
    QCOMPARE(piece.lineEnd, 6 + line.size());
    if (blanks)
        QCOMPARE(buffer.at(piece.start - 1), u' '); // cut after a blank, not inside a word

    // Rows follow one another without gaps, each within the width, across piece edges.
    WrapLayout::Row row = layout.rowAt(middle);
    const qsizetype first = layout.rowStart(row);
    QVERIFY(first <= middle && middle < layout.rowEnd(row));
    for (int i = 0; i < 400; ++i) {
        const auto next = layout.nextRow(row);
        QVERIFY(next);
        QCOMPARE(layout.rowStart(*next), layout.rowEnd(row));
        QVERIFY(layout.layout(next->piece).lineAt(next->line).naturalTextWidth() <= 300.5);
        row = *next;
    }
    for (int i = 0; i < 400; ++i)
        row = *layout.previousRow(row);
    QCOMPARE(layout.rowStart(row), first);
    // The first and the last line are whole rows of their own.
    QCOMPARE(layout.rowEnd(layout.rowAt(0)), 5);
    QCOMPARE(layout.rowStart(layout.rowAt(buffer.length())), buffer.length() - 4);
    QVERIFY(!layout.nextRow(layout.rowAt(buffer.length())));
}

void TestTextEngine::wrapBreaksAtBlanks()
{
    const TextBuffer buffer(u"alpha beta gamma\n\nomega");
    WrapLayout layout(buffer);
    const QFont font(QStringLiteral("DejaVu Sans"), 10);
    layout.setFont(font);
    layout.setWidth(QFontMetricsF(font).horizontalAdvance(u"alpha beta"_qs) + 2);
    const WrapLayout::Row first = layout.rowAt(0);
    QCOMPARE(layout.rowEnd(first), 11); // "alpha beta " then "gamma"
    const auto second = layout.nextRow(first);
    QCOMPARE(layout.rowStart(*second), 11);
    QCOMPARE(layout.rowAt(14).line, 1);
    // The empty line is a row of its own.
    const auto empty = layout.nextRow(*second);
    QCOMPARE(layout.rowStart(*empty), 17);
    QCOMPARE(layout.rowEnd(*empty), 17);
    // A click beyond a wrapped row's end stays on that row.
    QCOMPARE(layout.positionInRow(first, 1e6), 10);
    QCOMPARE(layout.positionInRow(*second, 1e6), 16);
    // Wider, the same line wraps anew.
    layout.setWidth(QFontMetricsF(font).horizontalAdvance(u"alpha beta gamma"_qs) + 2);
    QCOMPARE(layout.rowEnd(layout.rowAt(0)), 16);
}

static QString repeated(const QString &unit, qsizetype size)
{
    QString text;
    text.reserve(size + unit.size());
    while (text.size() < size)
        text += unit;
    return text;
}

void TestTextEngine::unwrappedRowsAreLines_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("short lines") << u"alpha\n\nbeta gamma\tdelta\nlast"_qs;
    QTest::newRow("5 MB line without blanks")
        << u"head\n"_qs + repeated(u"abcdefghijklmnopqr"_qs, 5 << 20) + u"\ntail"_qs;
    // Past what is summed, pieces are placed by the average width.
    QTest::newRow("a line longer than is summed")
        << QString(WrapLayout::summedAtMost + 3 * WrapLayout::pieceLength + 7, u'x');
    QTest::newRow("long line of words that kern") << repeated(u"Wave AVA To word. "_qs, 200000);
    QTest::newRow("long line of words, tabs and surrogate pairs")
        << repeated(u"word\t😀 x "_qs, 50000) + u"\n\nend"_qs;
}

void TestTextEngine::unwrappedRowsAreLines()
{
    QFETCH(QString, text);
    const TextBuffer buffer(text);
    WrapLayout layout(buffer);
    layout.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
    layout.setWidth(300);
    layout.setWrapping(false);

    // Each line is one row, however long.
    const Starts starts = startsOf(text);
    WrapLayout::Row row = layout.rowAt(0);
    for (qsizetype line = 0; line < starts.size(); ++line) {
        const qsizetype end = buffer.lineEnd(line);
        QCOMPARE(layout.rowStart(row), starts[line]);
        QCOMPARE(layout.rowEnd(row), end);
        QCOMPARE(layout.rowStart(layout.rowAt((starts[line] + end) / 2)), starts[line]);
        const auto next = layout.nextRow(row);
        QCOMPARE(bool(next), line + 1 < starts.size());
        if (!next)
            break;
        QCOMPARE(layout.rowStart(*layout.previousRow(*next)), starts[line]);
        row = *next;
    }

    // Places along the longest line: at the edges of pieces the next piece goes on where the
    // laid-out one ends, x grows with the position, and each position is found at its x.
    qsizetype longest = 0;
    for (qsizetype line = 1; line < starts.size(); ++line) {
        if (buffer.lineEnd(line) - starts[line] > buffer.lineEnd(longest) - starts[longest])
            longest = line;
    }
    const WrapLayout::Row line = layout.rowAt(starts[longest]);
    const qsizetype end = buffer.lineEnd(longest);
    QList<qsizetype> probes{starts[longest], end};
    for (const qsizetype near : {starts[longest] + 3, (starts[longest] + end) / 2, end - 5}) {
        const WrapLayout::Piece piece = layout.pieceAt(std::clamp(near, starts[longest], end));
        probes << piece.start - 1 << piece.start << piece.start + 1 << piece.end - 1 << piece.end;
        if (piece.start > starts[longest]) {
            const WrapLayout::Piece before = layout.pieceAt(piece.start - 1);
            const QTextLine laid = layout.layout(before).lineAt(0);
            QVERIFY(std::abs(layout.pieceX(before) + laid.horizontalAdvance() -
                             layout.pieceX(piece)) < 1);
        }
    }
    std::sort(probes.begin(), probes.end());
    qreal previousX = -1;
    for (const qsizetype at : probes) {
        if (at < starts[longest] || at > end ||
            text.at(std::max<qsizetype>(at, 1) - 1).isHighSurrogate())
            continue;
        const qreal x = layout.xOf(at);
        QVERIFY2(x >= previousX, qPrintable(QString::number(at)));
        previousX = x;
        QCOMPARE(layout.positionInRow(line, x), at);
    }
    QVERIFY(std::abs(layout.lineWidth(line) - layout.xOf(end)) < 1);
    QCOMPARE(layout.positionInRow(line, 1e12), end);
    QCOMPARE(layout.positionInRow(line, -5), starts[longest]);
}

void TestTextEngine::unwrappedMeasuresFollowEdits_data()
{
    // Two long lines between short ones; each change is made at an offset into the text.
    QTest::addColumn<qsizetype>("position");
    QTest::addColumn<qsizetype>("removed");
    QTest::addColumn<QString>("added");
    const qsizetype first = 5;                    // the first long line's start
    const qsizetype second = first + 100000 + 11; // the second's
    QTest::newRow("typed far into a long line") << first + 60000 << qsizetype(0) << u"xy"_qs;
    QTest::newRow("deleted far into a long line") << first + 60000 << qsizetype(3) << QString();
    QTest::newRow("the break before a long line removed") << first - 1 << qsizetype(1) << QString();
    QTest::newRow("a long line joined with the next")
        << first + 100000 << qsizetype(1) << QString();
    QTest::newRow("a break typed into a long line") << first + 50000 << qsizetype(0) << u"\n"_qs;
    QTest::newRow("replaced between the long lines")
        << second - 6 << qsizetype(2) << u"tabs\tand more"_qs;
}

void TestTextEngine::unwrappedMeasuresFollowEdits()
{
    QFETCH(qsizetype, position);
    QFETCH(qsizetype, removed);
    QFETCH(QString, added);
    const QString longLine = repeated(u"lorem ipsum\tdolor "_qs, 100000).left(100000);
    TextBuffer buffer(u"head\n"_qs + longLine + u"\nnext line\n"_qs + longLine + u"\ntail"_qs);
    const QFont font(QStringLiteral("DejaVu Sans"), 10);
    WrapLayout kept(buffer);
    kept.setFont(font);
    kept.setWrapping(false);
    // Measured to their ends before the change.
    for (qsizetype line = 0; line < buffer.lineCount(); ++line)
        kept.lineWidth(kept.rowAt(buffer.lineStart(line)));

    buffer.remove(position, removed);
    buffer.insert(position, added);
    kept.textChanged(position, removed, added.size());

    // What was kept of the old measures agrees with measuring afresh.
    WrapLayout fresh(buffer);
    fresh.setFont(font);
    fresh.setWrapping(false);
    for (qsizetype at = 0; at <= buffer.length(); at += 4999)
        QCOMPARE(kept.xOf(at), fresh.xOf(at));
    for (qsizetype line = 0; line < buffer.lineCount(); ++line) {
        const qsizetype start = buffer.lineStart(line);
        QCOMPARE(kept.lineWidth(kept.rowAt(start)), fresh.lineWidth(fresh.rowAt(start)));
        QCOMPARE(kept.xOf(buffer.lineEnd(line)), fresh.xOf(buffer.lineEnd(line)));
    }
}

void TestTextEngine::piecesEndBetweenCharacters_data()
{
    // Lines without blanks, so that every cut is made between characters; units of an odd
    // length, so that cuts fall at every place within them.
    QTest::addColumn<QString>("unit");
    QTest::newRow("ideographs and kana") << u"日本語のテキスト、"_qs;
    QTest::newRow("kana with voicing marks") << u"か\u3099き"_qs;
    QTest::newRow("half-width kana with voicing marks") << u"ｶﾞｷ"_qs;
    QTest::newRow("Latin with combining accents") << u"e\u0301x"_qs;
    QTest::newRow("Hangul jamo") << u"\u1100\u1161\u11a8"_qs;
    QTest::newRow("Hangul syllable and trailing jamo") << u"\uac00\u11a8a"_qs;
    QTest::newRow("Thai with a spacing vowel") << u"กำก"_qs;
    QTest::newRow("Devanagari conjunct") << u"क्षि"_qs.left(3);
    QTest::newRow("Arabic number sign before a digit") << u"\u06001a"_qs;
    QTest::newRow("joiner between letters") << u"a\u200db"_qs;
    QTest::newRow("flags") << u"🇯🇵🇩"_qs;
    QTest::newRow("family of emoji joined") << u"👨\u200d👩"_qs;
}

void TestTextEngine::piecesEndBetweenCharacters()
{
    QFETCH(QString, unit);
    const QString line = repeated(unit, 40 * WrapLayout::pieceLength);
    const TextBuffer buffer(line + u"\nend"_qs);
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, line);
    for (const bool wrapping : {true, false}) {
        WrapLayout layout(buffer);
        layout.setFont(QFont(QStringLiteral("DejaVu Sans"), 10));
        layout.setWrapping(wrapping);
        const WrapLayout::Row row = layout.rowAt(0);
        if (!wrapping)
            layout.lineWidth(row); // measures the whole line piece by piece
        // The pieces follow one another to the line's end, each cut between two characters as
        // the user sees them; unwrapped, each is placed after the one before it.
        WrapLayout::Piece piece = layout.pieceAt(0);
        QCOMPARE(piece.start, 0);
        int pieces = 1;
        while (!piece.endsLine()) {
            characters.setPosition(piece.end);
            QVERIFY2(characters.isAtBoundary(), qPrintable(QString::number(piece.end)));
            QVERIFY(piece.end - piece.start <= WrapLayout::pieceLength + WrapLayout::cutLookBack);
            const WrapLayout::Piece next = *layout.nextPiece(piece);
            QCOMPARE(next.start, piece.end);
            QCOMPARE(layout.pieceAt(piece.end - 1), piece);
            if (!wrapping)
                QVERIFY(layout.pieceX(next) > layout.pieceX(piece));
            piece = next;
            ++pieces;
        }
        QCOMPARE(piece.end, line.size());
        QVERIFY(pieces >= 40);
    }
}

QTEST_MAIN(TestTextEngine)
#include "tst_textengine.moc"
