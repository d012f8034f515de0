// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfboxwords.h"
#include "rtf/rtfdecorations.h"
#include "rtf/rtfreader.h"
#include "rtf/rtfwriter.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

namespace {

// Colour 1 red, 2 blue, 3 light grey; 0 is "auto".
const std::vector<quint32> kColors{0u, 0xFFFF0000u, 0xFF0000FFu, 0xFFC0C0C0u};

QString lineSummary(const QVariant &side)
{
    const QVariantList line = side.toList();
    if (line.size() != 3)
        return QStringLiteral("-");
    const QColor color = line.at(1).value<QColor>();
    return QString::number(line.at(0).toDouble()) + u'/' + QString::number(line.at(2).toInt()) +
           u'/' + (color.isValid() ? color.name() : QStringLiteral("text"));
}

// The document drawn on white as the pane draws it, decorations included.
QImage rendered(QTextDocument &doc)
{
    doc.setTextWidth(600);
    QImage image(QSize(640, int(doc.size().height()) + 10), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    const QRectF clip(image.rect());
    RtfDecorations::paintBelowText(painter, doc, clip);
    doc.drawContents(&painter);
    RtfDecorations::paintAboveText(painter, doc, clip, Qt::black);
    painter.end();
    return image;
}

// Pixels of the image row at y between x0 and x1 that are nearly the colour.
int pixelsLike(const QImage &image, int y, int x0, int x1, const QColor &color)
{
    int count = 0;
    for (int x = std::max(0, x0); x < std::min(x1, image.width()); ++x) {
        const QColor c = image.pixelColor(x, y);
        count += std::abs(c.red() - color.red()) + std::abs(c.green() - color.green()) +
                     std::abs(c.blue() - color.blue()) <
                 60;
    }
    return count;
}

// Dark pixels in the rectangle.
int darkPixels(const QImage &image, const QRect &rect)
{
    int dark = 0;
    for (int y = std::max(0, rect.top()); y <= std::min(rect.bottom(), image.height() - 1); ++y)
        for (int x = std::max(0, rect.left()); x <= std::min(rect.right(), image.width() - 1); ++x)
            dark += qGray(image.pixel(x, y)) < 128;
    return dark;
}

} // namespace

class TestRtfDecorations : public QObject
{
    Q_OBJECT

private slots:
    void shadingOfWords_data();
    void shadingOfWords();
    void bordersOfWords_data();
    void bordersOfWords();
    void leadersFillTheTabsBlank_data();
    void leadersFillTheTabsBlank();
    void boxesDrawnAroundTheirParagraphs();
    void cellShadingFillsTheCell();
    void aSaveWritesTheWordsNotTheColours();
};

void TestRtfDecorations::shadingOfWords_data()
{
    QTest::addColumn<QByteArray>("words");
    QTest::addColumn<bool>("cell");
    QTest::addColumn<QString>("color"); // empty: none
    QTest::newRow("background") << QByteArray("\\cbpat1 ") << false << "#ff0000";
    QTest::newRow("auto background") << QByteArray("\\cbpat0 ") << false << "";
    QTest::newRow("beyond the table") << QByteArray("\\cbpat9 ") << false << "";
    QTest::newRow("nothing said") << QByteArray("\\keepn ") << false << "";
    QTest::newRow("grey by percentage") << QByteArray("\\shading2500 ") << false << "#bfbfbf";
    QTest::newRow("pattern over background")
        << QByteArray("\\cbpat1 \\cfpat2 \\shading5000 ") << false << "#800080";
    QTest::newRow("full pattern") << QByteArray("\\cfpat2 \\shading10000 ") << false << "#0000ff";
    QTest::newRow("share past the whole") << QByteArray("\\shading20000 ") << false << "#000000";
    QTest::newRow("cell background") << QByteArray("\\clvertalc \\clcbpat3 ") << true << "#c0c0c0";
    QTest::newRow("cell words on a paragraph") << QByteArray("\\clcbpat3 ") << false << "";
    QTest::newRow("paragraph words on a cell") << QByteArray("\\cbpat3 ") << true << "";
    QTest::newRow("cell percentage")
        << QByteArray("\\clcbpat1 \\clshdng5000 ") << true << "#800000";
}

void TestRtfDecorations::shadingOfWords()
{
    QFETCH(QByteArray, words);
    QFETCH(bool, cell);
    QFETCH(QString, color);
    const QColor shading = RtfBoxWords::shading(words, kColors, cell);
    QCOMPARE(shading.isValid() ? shading.name() : QString(), color);
}

void TestRtfDecorations::bordersOfWords_data()
{
    QTest::addColumn<QByteArray>("words");
    QTest::addColumn<QString>("sides"); // top, left, bottom, right: width/line/colour
    QTest::newRow("none") << QByteArray("\\keepn ") << "";
    QTest::newRow("top only") << QByteArray("\\brdrt\\brdrs\\brdrw30\\brdrcf1 ")
                              << "2/1/#ff0000 - - -";
    QTest::newRow("box") << QByteArray("\\box\\brdrhair\\brdrw1\\brdrcf2\\brsp57 ")
                         << "1/1/#0000ff 1/1/#0000ff 1/1/#0000ff 1/1/#0000ff";
    QTest::newRow("box, then one side none")
        << QByteArray("\\box\\brdrs\\brdrw15 \\brdrl\\brdrnone ") << "1/1/text - 1/1/text 1/1/text";
    QTest::newRow("double, dotted, dashed")
        << QByteArray("\\brdrb\\brdrdb\\brdrw45 \\brdrl\\brdrdot \\brdrr\\brdrdash ")
        << "- 1/3/text 3/2/text 1/4/text";
    QTest::newRow("thick") << QByteArray("\\brdrt\\brdrth\\brdrw15 ") << "2/1/text - - -";
    QTest::newRow("without a line style") << QByteArray("\\brdrt\\brdrw15 ") << "";
    QTest::newRow("width zero") << QByteArray("\\brdrt\\brdrs\\brdrw0 ") << "";
    QTest::newRow("huge width") << QByteArray("\\brdrt\\brdrs\\brdrw99999 ") << "10/1/text - - -";
    QTest::newRow("auto colour") << QByteArray("\\brdrt\\brdrs\\brdrcf0 ") << "1/1/text - - -";
}

void TestRtfDecorations::bordersOfWords()
{
    QFETCH(QByteArray, words);
    QFETCH(QString, sides);
    const QVariantList borders = RtfBoxWords::borders(words, kColors);
    QStringList got;
    for (const QVariant &side : borders)
        got << lineSummary(side);
    QCOMPARE(got.join(u' '), sides);
}

void TestRtfDecorations::leadersFillTheTabsBlank_data()
{
    QTest::addColumn<QByteArray>("stop");
    QTest::addColumn<bool>("filled");
    QTest::newRow("dots, right stop") << QByteArray("\\tldot\\tqr\\tx6000") << true;
    QTest::newRow("hyphens") << QByteArray("\\tlhyph\\tx6000") << true;
    QTest::newRow("underline") << QByteArray("\\tlul\\tx6000") << true;
    QTest::newRow("thick line") << QByteArray("\\tlth\\tx6000") << true;
    QTest::newRow("equals") << QByteArray("\\tleq\\tx6000") << true;
    QTest::newRow("no leader") << QByteArray("\\tx6000") << false;
    // The leader belongs to another stop than the one the tab reaches.
    QTest::newRow("leader on a later stop") << QByteArray("\\tx3000\\tldot\\tx6000") << false;
}

void TestRtfDecorations::leadersFillTheTabsBlank()
{
    QFETCH(QByteArray, stop);
    QFETCH(bool, filled);
    QTextDocument doc;
    RtfReader::read("{\\rtf1\\pard" + stop + " Chapter\\tab 9\\par}", &doc);
    const QImage image = rendered(doc);
    const QTextBlock block = doc.begin();
    const QRectF rect = doc.documentLayout()->blockBoundingRect(block);
    const QTextLine line = block.layout()->lineAt(0);
    const int from = int(rect.left() + line.cursorToX(7)) + 8; // after "Chapter"
    const int to = int(rect.left() + line.cursorToX(8)) - 8;   // before "9"
    QVERIFY(to - from > 100);
    const int dark = darkPixels(
        image, QRect(QPoint(from, int(rect.top())), QPoint(to, int(rect.top() + line.height()))));
    QCOMPARE(dark > (to - from) / 4, filled);
}

void TestRtfDecorations::boxesDrawnAroundTheirParagraphs()
{
    QTextDocument doc;
    RtfReader::read("{\\rtf1{\\colortbl;\\red255\\green0\\blue0;\\red200\\green220\\blue255;}"
                    "\\pard\\box\\brdrs\\brdrw15\\brdrcf1\\cbpat2 First\\par "
                    "Second\\par"
                    "\\pard Plain\\par}",
                    &doc);
    const QImage image = rendered(doc);
    const QColor red(255, 0, 0);
    const QColor blue(200, 220, 255);
    auto blockRect = [&](int n) {
        QTextBlock b = doc.begin();
        while (n--)
            b = b.next();
        return doc.documentLayout()->blockBoundingRect(b);
    };
    const QRectF first = blockRect(0);
    const QRectF second = blockRect(1);
    const QRectF plain = blockRect(2);
    // The shading runs across both paragraphs and the space between, text width wide.
    for (const qreal y :
         {first.center().y(), (first.bottom() + second.top()) / 2, second.center().y()})
        QVERIFY2(pixelsLike(image, int(y), 0, 640, blue) > 400, qPrintable(QString::number(y)));
    QCOMPARE(pixelsLike(image, int(plain.center().y()), 0, 640, blue), 0);
    // One red frame around both: a line above the first and below the second, none between.
    auto redRows = [&](qreal top, qreal bottom) {
        int rows = 0;
        for (int y = int(top); y <= int(bottom); ++y)
            rows += pixelsLike(image, y, 0, 640, red) > 400;
        return rows;
    };
    QCOMPARE(redRows(first.top() - 3, first.top() + 3), 1);
    QCOMPARE(redRows(first.top() + 4, second.bottom() - 4), 0);
    QCOMPARE(redRows(second.bottom() - 3, second.bottom() + 3), 1);
    QCOMPARE(redRows(plain.top() + 2, plain.bottom()), 0);
    // And the sides, left and right of the text.
    const int y = int(first.center().y());
    QVERIFY(pixelsLike(image, y, 0, 20, red) >= 1);
    QVERIFY(pixelsLike(image, y, 580, 640, red) >= 1);
}

void TestRtfDecorations::cellShadingFillsTheCell()
{
    QTextDocument doc;
    RtfReader::read("{\\rtf1{\\colortbl;\\red153\\green204\\blue153;}"
                    "\\trowd\\clcbpat1\\cellx3000\\cellx6000\\pard\\intbl green\\cell plain\\cell"
                    "\\row}",
                    &doc);
    const QImage image = rendered(doc);
    const QColor green(153, 204, 153);
    const int y = int(doc.documentLayout()->blockBoundingRect(doc.begin().next()).center().y());
    QVERIFY(pixelsLike(image, y, 0, 200, green) > 150);
    QCOMPARE(pixelsLike(image, y, 205, 400, green), 0);
}

void TestRtfDecorations::aSaveWritesTheWordsNotTheColours()
{
    const QByteArray rtf = "{\\rtf1{\\colortbl;\\red153\\green204\\blue153;}"
                           "\\pard\\tldot\\tqr\\tx6000\\box\\brdrs\\brdrw15\\cbpat1 A\\tab 1\\par"
                           "\\trowd\\clcbpat1\\cellx3000\\pard\\intbl c\\cell\\row\\pard}";
    QTextDocument doc;
    RtfReader::read(rtf, &doc);
    const QByteArray saved = RtfWriter::write(doc);
    for (const char *word : {"\\tldot", "\\box", "\\cbpat1", "\\clcbpat1"})
        QCOMPARE(saved.count(word), 1);
    QVERIFY(!saved.contains("\\cb1") && !saved.contains("\\highlight"));
    QTextDocument again;
    RtfReader::read(saved, &again);
    QCOMPARE(RtfWriter::write(again), saved);
}

QTEST_MAIN(TestRtfDecorations)
#include "tst_rtfdecorations.moc"
