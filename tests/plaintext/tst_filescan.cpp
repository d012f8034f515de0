// SPDX-License-Identifier: GPL-3.0-or-later
// The scan that indexes a large file: each span's counts and checksum against a plain decoder
// of its bytes, span ends that never split a character or a CR LF, UTF-8 checked as strictly as
// the decoder does, both ways of counting (wide instructions and byte by byte) alike, and the two
// halves of a scan meeting where one scan would have gone.
#include "plaintext/bytechecksum.h"
#include "plaintext/filescan.h"

#include <QRandomGenerator>
#include <QTemporaryFile>
#include <QTest>

#include <optional>

namespace {

using Form = FileScan::Form;

// What a plain decoder makes of some bytes: UTF-16 units and line breaks after CR LF, CR and LF
// each became one; nothing when they are not text of the form.
struct Reference
{
    qint64 length = 0;
    qint64 breaks = 0;
    qint64 lf = 0;
    qint64 cr = 0;
    qint64 crLf = 0;
};

// The length of the UTF-8 sequence at i, written from the table of well-formed sequences; 0 when
// there is none.
int wellFormed(const QByteArray &bytes, qsizetype i)
{
    const auto at = [&](qsizetype k) {
        return k < bytes.size() ? quint8(bytes[k]) : 0x100;
    };
    const int c = at(i);
    const auto in = [](int b, int low, int high) {
        return b >= low && b <= high;
    };
    if (c < 0x80)
        return 1;
    if (in(c, 0xC2, 0xDF))
        return in(at(i + 1), 0x80, 0xBF) ? 2 : 0;
    if (in(c, 0xE0, 0xEF)) {
        const int low = c == 0xE0 ? 0xA0 : 0x80;
        const int high = c == 0xED ? 0x9F : 0xBF;
        return in(at(i + 1), low, high) && in(at(i + 2), 0x80, 0xBF) ? 3 : 0;
    }
    if (in(c, 0xF0, 0xF4)) {
        const int low = c == 0xF0 ? 0x90 : 0x80;
        const int high = c == 0xF4 ? 0x8F : 0xBF;
        return in(at(i + 1), low, high) && in(at(i + 2), 0x80, 0xBF) && in(at(i + 3), 0x80, 0xBF)
                   ? 4
                   : 0;
    }
    return 0;
}

std::optional<Reference> reference(const QByteArray &bytes, Form form, bool crBefore = false)
{
    // The characters as code units, line ends still in them.
    std::vector<char16_t> units;
    if (form == Form::Utf16LE || form == Form::Utf16BE) {
        if (bytes.size() % 2)
            return std::nullopt;
        for (qsizetype i = 0; i < bytes.size(); i += 2) {
            const quint8 a = quint8(bytes[i]);
            const quint8 b = quint8(bytes[i + 1]);
            units.push_back(form == Form::Utf16LE ? char16_t(a | b << 8) : char16_t(a << 8 | b));
        }
        for (size_t i = 0; i < units.size(); ++i) {
            if (QChar::isLowSurrogate(units[i]))
                return std::nullopt;
            if (QChar::isHighSurrogate(units[i])) {
                if (i + 1 == units.size() || !QChar::isLowSurrogate(units[i + 1]))
                    return std::nullopt;
                ++i;
            }
        }
    } else {
        for (qsizetype i = 0; i < bytes.size();) {
            const int n = form == Form::Utf8 ? wellFormed(bytes, i) : 1;
            if (n == 0)
                return std::nullopt;
            units.push_back(n == 1 ? char16_t(quint8(bytes[i])) : u'x');
            if (n == 4)
                units.push_back(u'y');
            i += n;
        }
    }
    Reference r;
    bool afterCr = crBefore;
    for (const char16_t u : units) {
        r.lf += u == u'\n';
        r.cr += u == u'\r';
        const bool joined = u == u'\n' && afterCr;
        r.crLf += joined;
        if (!joined) {
            ++r.length;
            r.breaks += u == u'\n' || u == u'\r';
        }
        afterCr = u == u'\r';
    }
    return r;
}

// A file holding bytes, open for the scan.
struct ScannedFile
{
    explicit ScannedFile(const QByteArray &bytes)
    {
        file.open();
        file.write(bytes);
        file.flush();
    }
    int fd() { return file.handle(); }
    QTemporaryFile file;
};

bool isUtf16(Form form)
{
    return form == Form::Utf16LE || form == Form::Utf16BE;
}

// Checks that the spans cover [from, to) of bytes end to end, each ending between two
// characters and never inside a CR LF, each counted and summed as its bytes are.
void verifySpans(const QByteArray &bytes, qint64 from, qint64 to, Form form,
                 const FileScan::Part &part)
{
    qint64 at = from;
    Reference total;
    for (const FileSource::Span &span : part.spans) {
        QCOMPARE(span.offset, at);
        QVERIFY(span.bytes > 0);
        at += span.bytes;
        QVERIFY(at <= to);
        const QByteArray own = bytes.mid(span.offset, span.bytes);
        const bool crBefore =
            span.offset > from && bytes[span.offset - 1] == '\r' && !isUtf16(form);
        const std::optional<Reference> r = reference(own, form, crBefore);
        QVERIFY(r);
        QCOMPARE(qint64(span.length), r->length);
        QCOMPARE(qint64(span.breaks), r->breaks);
        QCOMPARE(span.checksum, ByteChecksum::of(own.constData(), own.size()));
        total.lf += r->lf;
        total.cr += r->cr;
        total.crLf += r->crLf;
        if (at < to) {
            const quint8 next = quint8(bytes[at]);
            if (form == Form::Utf8)
                QVERIFY2((next & 0xC0) != 0x80, "a span ends inside a UTF-8 sequence");
            if (!isUtf16(form))
                QVERIFY2(!(bytes[at - 1] == '\r' && next == '\n'), "a span ends inside CR LF");
            if (isUtf16(form)) {
                const QByteArray unit = bytes.mid(at - 2, 4);
                const auto u = [&](int k) {
                    return form == Form::Utf16LE
                               ? char16_t(quint8(unit[k]) | quint8(unit[k + 1]) << 8)
                               : char16_t(quint8(unit[k]) << 8 | quint8(unit[k + 1]));
                };
                QVERIFY2(!QChar::isHighSurrogate(u(0)), "a span ends inside a surrogate pair");
                QVERIFY2(!(u(0) == u'\r' && u(2) == u'\n'), "a span ends inside CR LF");
            }
        }
    }
    QCOMPARE(at, to);
    const std::optional<Reference> whole = reference(bytes.mid(from, to - from), form);
    QVERIFY(whole);
    QCOMPARE(part.lf, whole->lf);
    QCOMPARE(part.cr, whole->cr);
    QCOMPARE(part.crLf, whole->crLf);
    // Breaks within spans, and CR LFs split by none, add up to the whole text's.
    qint64 breaks = 0;
    for (const FileSource::Span &span : part.spans)
        breaks += span.breaks;
    QCOMPARE(breaks, whole->breaks);
}

// A text of about size bytes of the pattern, after offset bytes of ASCII that move where its
// characters meet the span and block borders.
QByteArray repeated(const QByteArray &pattern, qsizetype offset, qsizetype size)
{
    QByteArray bytes(offset, 'a');
    while (bytes.size() < size)
        bytes += pattern;
    return bytes;
}

QByteArray utf16(const QString &text, Form form)
{
    QByteArray bytes;
    for (const QChar c : text) {
        const quint8 high = quint8(c.unicode() >> 8);
        const quint8 low = quint8(c.unicode() & 0xFF);
        const auto [first, second] =
            form == Form::Utf16LE ? std::pair(low, high) : std::pair(high, low);
        bytes.append(char(first)).append(char(second));
    }
    return bytes;
}

} // namespace

class TestFileScan : public QObject
{
    Q_OBJECT

private slots:
    void init() { FileScan::allowWideInstructions(true); }
    void cleanupTestCase() { FileScan::allowWideInstructions(true); }

    // Spans and counts over texts whose characters straddle every border.
    void spansCountAsDecoded_data();
    void spansCountAsDecoded();
    // Well- and ill-formed UTF-8 wherever it stands in the registers.
    void checksUtf8AsDecoderDoes_data();
    void checksUtf8AsDecoderDoes();
    // Random bytes from pieces of text, line ends and faults.
    void randomTextsCountAsDecoded_data();
    void randomTextsCountAsDecoded();
    // A scan cut in two gives what one scan gives.
    void halvesMeet_data();
    void halvesMeet();

    void hugeTextsHaveFewerLongerSpans_data();
    void hugeTextsHaveFewerLongerSpans();
    void longerSpansCountAsDecoded_data();
    void longerSpansCountAsDecoded();
};

void TestFileScan::spansCountAsDecoded_data()
{
    QTest::addColumn<QByteArray>("pattern");
    QTest::addColumn<int>("form");
    QTest::addColumn<bool>("wide");
    const QList<std::pair<const char *, QByteArray>> utf8 = {
        {"two-byte", "caf\xC3\xA9 "},
        {"three-byte", "\xE2\x80\x94x"},
        {"four-byte", "\xF0\x9F\x98\x80"},
        {"CR LF", "line\r\n"},
        {"CR only", "a\rb"},
        {"CR CR LF", "a\r\r\n"},
        {"mixed ends", "50%\r100%\r\nnext\nlast\r\n"},
        {"NULs", QByteArray("a\0b\0\n", 5)},
        {"no line end", "abcdefgh"},
        {"Greek line", "\xCE\xB5\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC\r\n"},
    };
    for (const bool wide : {true, false}) {
        for (const auto &[name, pattern] : utf8) {
            QTest::addRow("utf8 %s%s", name, wide ? "" : " narrow")
                << pattern << int(Form::Utf8) << wide;
            QTest::addRow("single byte %s%s", name, wide ? "" : " narrow")
                << pattern << int(Form::SingleByte) << wide;
        }
        QTest::addRow("single byte high%s", wide ? "" : " narrow")
            << QByteArray("\x80\x81\xFF\r\n\x9D") << int(Form::SingleByte) << wide;
        for (const Form form : {Form::Utf16LE, Form::Utf16BE}) {
            const char *order = form == Form::Utf16LE ? "LE" : "BE";
            QTest::addRow("utf16%s pair%s", order, wide ? "" : " narrow")
                << utf16(QStringLiteral("x\U0001F600"), form) << int(form) << wide;
            QTest::addRow("utf16%s CR LF%s", order, wide ? "" : " narrow")
                << utf16(QStringLiteral("ab\r\n"), form) << int(form) << wide;
            QTest::addRow("utf16%s CR%s", order, wide ? "" : " narrow")
                << utf16(QStringLiteral("\u0101\r"), form) << int(form) << wide;
        }
    }
}

void TestFileScan::spansCountAsDecoded()
{
    QFETCH(QByteArray, pattern);
    QFETCH(int, form);
    QFETCH(bool, wide);
    FileScan::allowWideInstructions(wide);
    const Form f = Form(form);
    // Every offset within one pattern moves its characters across the span borders.
    for (qsizetype offset = 0; offset < pattern.size() * 2; offset += isUtf16(f) ? 2 : 1) {
        const QByteArray bytes = repeated(pattern, offset, 3 * FileScan::spanBytes + 100);
        ScannedFile file(bytes);
        const FileScan::Part part = FileScan::scan(file.fd(), 0, bytes.size(), f, 0, nullptr);
        QCOMPARE(part.status, FileScan::Part::Status::Ok);
        QVERIFY(part.spans.size() >= 3);
        verifySpans(bytes, 0, bytes.size(), f, part);
        if (QTest::currentTestFailed())
            return;
    }
}

void TestFileScan::checksUtf8AsDecoderDoes_data()
{
    QTest::addColumn<QByteArray>("sequence");
    QTest::addColumn<bool>("wide");
    const QList<std::pair<const char *, QByteArray>> sequences = {
        {"two-byte", "\xC3\xA9"},
        {"smallest three-byte", "\xE0\xA0\x80"},
        {"last before surrogates", "\xED\x9F\xBF"},
        {"last of the plane", "\xEF\xBF\xBF"},
        {"smallest four-byte", "\xF0\x90\x80\x80"},
        {"largest four-byte", "\xF4\x8F\xBF\xBF"},
        {"overlong two-byte", "\xC0\x80"},
        {"overlong C1", "\xC1\xBF"},
        {"overlong three-byte", "\xE0\x9F\xBF"},
        {"surrogate", "\xED\xA0\x80"},
        {"overlong four-byte", "\xF0\x8F\xBF\xBF"},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80"},
        {"F5", "\xF5\x80\x80\x80"},
        {"FF", "\xFF"},
        {"lone continuation", "\x80"},
        {"two continuations", "\xC3\xA9\xA9"},
        {"cut three-byte", "\xE2\x82"},
        {"cut four-byte", "\xF0\x9F\x98"},
        {"lead then lead", "\xC3\xC3\xA9"},
    };
    for (const bool wide : {true, false}) {
        for (const auto &[name, sequence] : sequences)
            QTest::addRow("%s%s", name, wide ? "" : " narrow") << sequence << wide;
    }
}

void TestFileScan::checksUtf8AsDecoderDoes()
{
    QFETCH(QByteArray, sequence);
    QFETCH(bool, wide);
    FileScan::allowWideInstructions(wide);
    // At every place within and around the 32 and 64 bytes taken at once, and at the very end.
    for (qsizetype at = 0; at < 140; ++at) {
        for (const qsizetype after : {qsizetype(0), qsizetype(1), qsizetype(70)}) {
            const QByteArray bytes = QByteArray(at, 'a') + sequence + QByteArray(after, '\n');
            ScannedFile file(bytes);
            const FileScan::Part part =
                FileScan::scan(file.fd(), 0, bytes.size(), Form::Utf8, 0, nullptr);
            const std::optional<Reference> r = reference(bytes, Form::Utf8);
            QCOMPARE(part.status == FileScan::Part::Status::Ok, r.has_value());
            if (r) {
                QCOMPARE(part.spans.size(), size_t(1));
                QCOMPARE(qint64(part.spans[0].length), r->length);
                QCOMPARE(part.firstHigh, at);
            }
        }
    }
}

void TestFileScan::randomTextsCountAsDecoded_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("form");
    for (quint32 seed = 1; seed <= 6; ++seed) {
        QTest::addRow("utf8 %u", seed) << seed << int(Form::Utf8);
        QTest::addRow("single byte %u", seed) << seed << int(Form::SingleByte);
    }
}

void TestFileScan::randomTextsCountAsDecoded()
{
    QFETCH(quint32, seed);
    QFETCH(int, form);
    const QList<QByteArray> pieces = {"a",           "word ",        "\r",
                                      "\n",          "\r\n",         "\0",
                                      "\xC3\xA9",    "\xE2\x80\x94", "\xF0\x9F\x98\x80",
                                      "\x80",        "\xE2\x80",     "\xFF",
                                      "\xED\xA0\x80"};
    QRandomGenerator random(seed);
    for (int round = 0; round < 40; ++round) {
        // Mostly good text, a fault now and then.
        const bool faults = round % 4 == 0;
        QByteArray bytes;
        const int length = int(random.bounded(400));
        while (bytes.size() < length) {
            const int pick = int(random.bounded(faults ? pieces.size() : 9));
            bytes += pick == 5 ? QByteArray(1, '\0') : pieces[pick];
        }
        ScannedFile file(bytes);
        QList<FileScan::Part> parts;
        for (const bool wide : {true, false}) {
            FileScan::allowWideInstructions(wide);
            parts.append(FileScan::scan(file.fd(), 0, bytes.size(), Form(form), 0, nullptr));
        }
        const std::optional<Reference> r = reference(bytes, Form(form));
        for (const FileScan::Part &part : parts) {
            QCOMPARE(part.status == FileScan::Part::Status::Ok, r.has_value());
            if (r)
                verifySpans(bytes, 0, bytes.size(), Form(form), part);
        }
        QCOMPARE(parts[0].firstHigh, parts[1].firstHigh);
    }
}

void TestFileScan::halvesMeet_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("form");
    QTest::addColumn<qint64>("from");
    const qsizetype size = 5 * FileScan::spanBytes;
    // The middle moves over every byte of the pattern.
    const QList<std::pair<const char *, QByteArray>> patterns = {
        {"CR LF", "ab\r\n"},
        {"three-byte", "\xE2\x80\x94"},
        {"four-byte", "\xF0\x9F\x98\x80\n"},
        {"CR CR LF", "\r\r\n"}};
    for (const auto &[name, pattern] : patterns) {
        for (int shift = 0; shift < pattern.size() * 2; ++shift) {
            const QByteArray bytes = repeated(pattern, 0, size) + QByteArray(shift, 'z');
            QTest::addRow("%s +%d", name, shift) << bytes << int(Form::Utf8) << qint64(0);
        }
    }
    for (const Form form : {Form::Utf16LE, Form::Utf16BE}) {
        const QByteArray pattern = utf16(QStringLiteral("\U0001F600\r\n"), form);
        for (int shift = 0; shift < pattern.size() * 2; shift += 2) {
            // After a byte-order mark, as such a text is scanned.
            const QByteArray bytes = utf16(QStringLiteral("\uFEFF"), form) +
                                     repeated(pattern, 0, size) + QByteArray(shift, 'z');
            QTest::addRow("utf16%s +%d", form == Form::Utf16LE ? "LE" : "BE", shift)
                << bytes << int(form) << qint64(2);
        }
    }
    QTest::addRow("one line") << QByteArray(size, 'q') << int(Form::Utf8) << qint64(0);
}

void TestFileScan::halvesMeet()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, form);
    QFETCH(qint64, from);
    ScannedFile file(bytes);
    const FileScan::Part one =
        FileScan::scan(file.fd(), from, bytes.size(), Form(form), 0, nullptr);
    qint64 reported = 0;
    const FileScan::Part halves = FileScan::scanInHalves(
        file.fd(), from, bytes.size(), Form(form), 0, nullptr,
        [&](qint64 done, qint64) { reported = std::max(reported, done); }, 1);
    QCOMPARE(halves.status, FileScan::Part::Status::Ok);
    verifySpans(bytes, from, bytes.size(), Form(form), halves);
    QCOMPARE(halves.lf, one.lf);
    QCOMPARE(halves.crLf, one.crLf);
    QCOMPARE(halves.firstLfAfterCr, one.firstLfAfterCr);
    QCOMPARE(halves.firstHigh, one.firstHigh);
    QCOMPARE(reported, bytes.size() - from);
}

void TestFileScan::hugeTextsHaveFewerLongerSpans_data()
{
    QTest::addColumn<qint64>("size");
    QTest::newRow("empty") << qint64(0);
    QTest::newRow("1 MB") << (qint64(1) << 20);
    QTest::newRow("1 GB") << (qint64(1) << 30);
    QTest::newRow("2 GB and a byte") << (qint64(2) << 30) + 1;
    QTest::newRow("10 GB") << (qint64(10) << 30);
    QTest::newRow("16 GB") << (qint64(16) << 30);
    QTest::newRow("100 GB") << (qint64(100) << 30);
}

// However large the text, its spans stay between the usual and the largest size, and as few as
// the largest size allows: no more than manySpans while it is not reached.
void TestFileScan::hugeTextsHaveFewerLongerSpans()
{
    QFETCH(qint64, size);
    const qsizetype span = FileScan::spanBytesFor(size);
    QVERIFY(span >= FileScan::spanBytes);
    QVERIFY(span <= FileScan::largestSpanBytes);
    const qint64 spans = (size + span - 1) / span;
    if (span < FileScan::largestSpanBytes)
        QVERIFY(spans <= FileScan::manySpans);
    else
        QVERIFY(spans >= FileScan::manySpans);
    if (span > FileScan::spanBytes)
        QVERIFY((size + span - 2) / (span - 1) > FileScan::manySpans - 1); // not longer than needed
}

void TestFileScan::longerSpansCountAsDecoded_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("form");
    QTest::addColumn<qsizetype>("spanSize");
    const qsizetype size = 9 * FileScan::spanBytes;
    QTest::newRow("CR LF, 100 KB")
        << repeated("ab\r\n", 1, size) << int(Form::Utf8) << qsizetype(100 << 10);
    QTest::newRow("four-byte, largest")
        << repeated("\xF0\x9F\x98\x80\n", 3, size) << int(Form::Utf8) << FileScan::largestSpanBytes;
    QTest::newRow("CR CR LF, odd size")
        << repeated("\r\r\n", 2, size) << int(Form::Utf8) << qsizetype((64 << 10) + 1);
    QTest::newRow("UTF-16LE pairs")
        << utf16(QString(size / 6, QChar(u'x')) + u"\U0001F600\r\n"_qs.repeated(int(size / 12)),
                 Form::Utf16LE)
        << int(Form::Utf16LE) << qsizetype(96 << 10);
}

// Spans longer than the usual ones, as a huge text is cut into, still end between characters
// and count as their bytes decode; none is longer than asked.
void TestFileScan::longerSpansCountAsDecoded()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, form);
    QFETCH(qsizetype, spanSize);
    ScannedFile file(bytes);
    const FileScan::Part part =
        FileScan::scan(file.fd(), 0, bytes.size(), Form(form), 0, nullptr, {}, nullptr, spanSize);
    QCOMPARE(part.status, FileScan::Part::Status::Ok);
    verifySpans(bytes, 0, bytes.size(), Form(form), part);
    qsizetype longest = 0;
    for (const FileSource::Span &span : part.spans)
        longest = std::max<qsizetype>(longest, span.bytes);
    QVERIFY(longest <= spanSize);
    QVERIFY(longest > spanSize - 8);
}

QTEST_GUILESS_MAIN(TestFileScan)
#include "tst_filescan.moc"
