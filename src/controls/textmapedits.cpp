// SPDX-License-Identifier: GPL-3.0-or-later
#include "textmapedits.h"

#include <algorithm>

namespace {

// Parts of a long text are mapped one at a time: a text is never copied whole.
constexpr qsizetype partSize = 4096;

bool isPair(QStringView text, qsizetype i)
{
    return i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate();
}

// Adds an edit, joined to the last one when it follows it directly, is one of this text's
// (from own on) and neither changes the length: joined, positions inside stay exact.
void add(QList<TextMapEdits::Edit> &edits, qsizetype own, qsizetype start, qsizetype removed,
         QStringView inserted)
{
    if (edits.size() > own && removed == inserted.size()) {
        TextMapEdits::Edit &last = edits.last();
        if (last.start + last.removed == start && last.removed == last.inserted.size()) {
            last.removed += removed;
            last.inserted += inserted;
            return;
        }
    }
    edits.append({start, removed, inserted.toString()});
}

// A part whose length the mapping changed: character by character, so that each changed
// character is an edit of its own and the ones between keep their places. The map is asked
// once, for the characters with a mark after each that it leaves as it is (a noncharacter the
// part does not hold); one by one only when it does not.
void collectByCharacter(QStringView part, qsizetype base, const TextMapEdits::Map &map,
                        QList<TextMapEdits::Edit> &edits, qsizetype own)
{
    QChar mark;
    for (const char16_t candidate : {u'\xFDEF', u'\xFDEE', u'\xFFFE', u'\xFFFF'}) {
        if (!part.contains(QChar(candidate))) {
            mark = QChar(candidate);
            break;
        }
    }
    QString marked;
    qsizetype characters = 0;
    if (!mark.isNull()) {
        marked.resize(part.size() * 2);
        QChar *out = marked.data();
        for (qsizetype i = 0; i < part.size(); ++i) {
            *out++ = part[i];
            if (!(part[i].isHighSurrogate() && isPair(part, i))) {
                *out++ = mark;
                ++characters;
            }
        }
        marked.truncate(out - marked.constData());
        map(marked);
    }
    if (mark.isNull() || marked.count(mark) != characters) {
        for (qsizetype i = 0; i < part.size();) {
            const qsizetype n = isPair(part, i) ? 2 : 1;
            const QStringView old = part.sliced(i, n);
            QString one = old.toString();
            if (map(one) && one != old)
                add(edits, own, base + i, n, one);
            i += n;
        }
        return;
    }
    const QStringView mapped(marked);
    qsizetype at = 0; // in mapped
    for (qsizetype i = 0; i < part.size();) {
        const qsizetype n = isPair(part, i) ? 2 : 1;
        const qsizetype end = mapped.indexOf(mark, at);
        const QStringView one = mapped.sliced(at, end - at);
        if (one != part.sliced(i, n))
            add(edits, own, base + i, n, one);
        at = end + 1;
        i += n;
    }
}

} // namespace

void TextMapEdits::collect(QStringView text, qsizetype base, const Map &map, QList<Edit> &edits)
{
    const qsizetype own = edits.size();
    for (qsizetype from = 0; from < text.size();) {
        qsizetype end = std::min(text.size(), from + partSize);
        if (end < text.size() && isPair(text, end - 1))
            ++end;
        const QStringView old = text.sliced(from, end - from);
        QString mapped = old.toString();
        if (map(mapped) && mapped != old) {
            if (mapped.size() != old.size()) {
                collectByCharacter(old, base + from, map, edits, own);
            } else {
                // One edit from the first changed unit to the last, never half of a pair.
                qsizetype first = 0;
                while (old[first] == mapped[first])
                    ++first;
                qsizetype last = old.size();
                while (old[last - 1] == mapped[last - 1])
                    --last;
                if (first > 0 && isPair(old, first - 1))
                    --first;
                if (last < old.size() && isPair(old, last - 1))
                    ++last;
                add(edits, own, base + from + first, last - first,
                    QStringView(mapped).sliced(first, last - first));
            }
        }
        from = end;
    }
}

qsizetype TextMapEdits::mapPosition(const QList<Edit> &edits, qsizetype position)
{
    qsizetype shift = 0;
    for (const Edit &edit : edits) {
        if (position <= edit.start)
            break;
        if (position >= edit.start + edit.removed) {
            shift += edit.inserted.size() - edit.removed;
            continue;
        }
        return edit.start + shift + std::min(position - edit.start, edit.inserted.size());
    }
    return position + shift;
}
