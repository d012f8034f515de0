// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfboxwords.h"

#include <QByteArray>

#include <algorithm>
#include <cctype>

namespace {

struct Word
{
    QByteArrayView name;
    int value = 0;
    bool hasValue = false;
};

// Calls visit(words of one entry) for each entry: "\brdrt\brdrs\brdrw10 " has three.
template <typename Visit> void forEachEntry(QByteArrayView words, Visit visit)
{
    std::vector<Word> entry;
    qsizetype i = 0;
    while (i < words.size()) {
        if (words[i] == ' ') {
            visit(entry);
            entry.clear();
            ++i;
            continue;
        }
        if (words[i] != '\\') {
            ++i;
            continue;
        }
        const qsizetype start = ++i;
        while (i < words.size() && std::isalpha(static_cast<unsigned char>(words[i])))
            ++i;
        Word word{words.sliced(start, i - start)};
        const qsizetype digits = i;
        if (i < words.size() && words[i] == '-')
            ++i;
        while (i < words.size() && words[i] >= '0' && words[i] <= '9')
            ++i;
        if (i > digits) {
            bool ok = false;
            word.value = words.sliced(digits, i - digits).toInt(&ok);
            word.hasValue = ok;
        }
        entry.push_back(word);
    }
    if (!entry.empty())
        visit(entry);
}

// The colour at that index of the table; invalid for "auto" and indexes past it.
QColor tableColor(const std::vector<quint32> &colors, int index)
{
    if (index < 0 || size_t(index) >= colors.size() || !(colors[size_t(index)] >> 24))
        return QColor();
    return QColor::fromRgb(colors[size_t(index)]);
}

QVariantList line(const std::vector<Word> &entry, const std::vector<quint32> &colors)
{
    int twips = 15; // a border that says no width is drawn a pixel wide
    QColor color;
    int style = RtfBoxWords::NoLine;
    bool thick = false;
    for (auto it = entry.begin() + 1; it != entry.end(); ++it) {
        const Word &word = *it;
        if (word.name == "brdrw" && word.hasValue)
            twips = word.value;
        else if (word.name == "brdrcf" && word.hasValue)
            color = tableColor(colors, word.value);
        else if (word.name == "brdrnone")
            style = RtfBoxWords::NoLine;
        else if (word.name == "brdrdb")
            style = RtfBoxWords::Double;
        else if (word.name == "brdrdot")
            style = RtfBoxWords::Dotted;
        else if (word.name.startsWith("brdrdash"))
            style = RtfBoxWords::Dashed;
        else if (word.name == "brdrth")
            style = RtfBoxWords::Solid, thick = true;
        else if (word.name.startsWith("brdr"))
            style = RtfBoxWords::Solid; // \brdrs and the styles drawn as a plain line
    }
    if (style == RtfBoxWords::NoLine || twips <= 0)
        return {};
    const qreal pixels = std::clamp(twips * (thick ? 2 : 1) / 15.0, 1.0, 10.0);
    return {pixels, color, style};
}

} // namespace

QColor RtfBoxWords::shading(QByteArrayView words, const std::vector<quint32> &colors, bool cell)
{
    const QByteArrayView background = cell ? "clcbpat" : "cbpat";
    const QByteArrayView pattern = cell ? "clcfpat" : "cfpat";
    const QByteArrayView share = cell ? "clshdng" : "shading";
    QColor back;
    QColor front(Qt::black);
    int tenThousandths = 0;
    forEachEntry(words, [&](const std::vector<Word> &entry) {
        if (entry.empty() || !entry.front().hasValue)
            return;
        const Word &word = entry.front();
        if (word.name == background)
            back = tableColor(colors, word.value);
        else if (word.name == pattern)
            front = tableColor(colors, word.value).isValid() ? tableColor(colors, word.value)
                                                             : QColor(Qt::black);
        else if (word.name == share)
            tenThousandths = std::clamp(word.value, 0, 10000);
    });
    if (tenThousandths == 0)
        return back;
    if (!back.isValid())
        back = Qt::white;
    const qreal p = tenThousandths / 10000.0;
    return QColor::fromRgbF(float(back.redF() * (1 - p) + front.redF() * p),
                            float(back.greenF() * (1 - p) + front.greenF() * p),
                            float(back.blueF() * (1 - p) + front.blueF() * p));
}

QVariantList RtfBoxWords::borders(QByteArrayView words, const std::vector<quint32> &colors)
{
    QVariantList sides(4);
    bool any = false;
    forEachEntry(words, [&](const std::vector<Word> &entry) {
        if (entry.empty())
            return;
        const QByteArrayView name = entry.front().name;
        int side = -1;
        if (name == "brdrt")
            side = 0;
        else if (name == "brdrl")
            side = 1;
        else if (name == "brdrb")
            side = 2;
        else if (name == "brdrr")
            side = 3;
        else if (name != "box")
            return;
        const QVariantList drawn = line(entry, colors);
        for (int s = 0; s < 4; ++s) {
            if (side < 0 || s == side)
                sides[s] = drawn.isEmpty() ? QVariant() : QVariant(drawn);
        }
        any = true;
    });
    if (!any || std::all_of(sides.cbegin(), sides.cend(),
                            [](const QVariant &side) { return side.isNull(); }))
        return {};
    return sides;
}
