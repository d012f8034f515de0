// SPDX-License-Identifier: GPL-3.0-or-later
#include "printlayout.h"

namespace {

QString expandTabs(QStringView line)
{
    QString expanded;
    expanded.reserve(line.size());
    for (QChar c : line) {
        if (c == u'\t')
            expanded.append(QString(8 - expanded.size() % 8, u' '));
        else
            expanded.append(c);
    }
    return expanded;
}

// Appends the paragraph's lines, each as wide as fits.
void wrap(const QString &paragraph, qreal lineWidth, const PrintLayout::Width &width,
          QStringList &out)
{
    qsizetype start = 0;      // where the current line begins
    qsizetype afterBlank = 0; // just after the last blank of the current line, or 0
    qreal used = 0;
    bool wrapped = false; // the line began at a wrap: blanks there are the wrap's own
    qsizetype i = 0;
    while (i < paragraph.size()) {
        if (wrapped && i == start && paragraph[i] == u' ') {
            start = ++i;
            continue;
        }
        const qsizetype step = (paragraph[i].isHighSurrogate() && i + 1 < paragraph.size() &&
                                paragraph[i + 1].isLowSurrogate())
                                   ? 2
                                   : 1;
        const qreal advance = width(QStringView(paragraph).sliced(i, step));
        if (used + advance > lineWidth && i > start) {
            const qsizetype end = afterBlank > start ? afterBlank : i;
            QStringView line = QStringView(paragraph).sliced(start, end - start);
            while (line.endsWith(u' ') && line.size() > 1)
                line.chop(1);
            out.append(line.toString());
            start = end;
            afterBlank = 0;
            wrapped = true;
            used = width(QStringView(paragraph).sliced(start, i - start));
            continue; // the character at i is measured again on the new line
        }
        if (paragraph[i] == u' ')
            afterBlank = i + 1;
        used += advance;
        i += step;
    }
    out.append(paragraph.sliced(start));
}

} // namespace

QStringList PrintLayout::lines(const QString &text, qreal lineWidth, const Width &width)
{
    QStringList out;
    // The line end printed after the text ends its last line; so an empty text is one empty line.
    for (QStringView paragraph : QStringView(text).split(u'\n'))
        wrap(expandTabs(paragraph), lineWidth, width, out);
    return out;
}

QList<QStringList> PrintLayout::pages(const QString &text, qreal lineWidth, int linesPerPage,
                                      const Width &width)
{
    const QStringList all = lines(text, lineWidth, width);
    linesPerPage = qMax(1, linesPerPage);
    QList<QStringList> result;
    for (qsizetype i = 0; i < all.size(); i += linesPerPage)
        result.append(all.mid(i, linesPerPage));
    return result;
}
