// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfkeptwords.h"

namespace {

// Entries grow by border details only; a file repeating them endlessly gets no further.
constexpr qsizetype kMaxEntry = 160;
constexpr qsizetype kMaxWords = 4096;

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Start and length (with its blank) of the entry named name, or start -1.
std::pair<qsizetype, qsizetype> find(QByteArrayView words, QByteArrayView name)
{
    qsizetype start = 0;
    while (start < words.size()) {
        qsizetype end = words.indexOf(' ', start);
        end = end < 0 ? words.size() : end + 1;
        const qsizetype after = start + 1 + name.size();
        if (words[start] == '\\' && after <= words.size() &&
            words.sliced(start + 1, name.size()) == name &&
            (after == words.size() || !isLetter(words[after])))
            return {start, end - start};
        start = end;
    }
    return {-1, 0};
}

QByteArray wordText(QByteArrayView name, bool hasValue, int value)
{
    QByteArray text = '\\' + name.toByteArray();
    if (hasValue)
        text += QByteArray::number(value);
    return text;
}

} // namespace

void RtfKeptWords::set(QByteArray &words, QByteArrayView name, bool hasValue, int value)
{
    const QByteArray text = wordText(name, hasValue, value) + ' ';
    const auto [start, length] = find(words, name);
    if (start >= 0)
        words.replace(start, length, text);
    else if (words.size() < kMaxWords)
        words += text;
}

void RtfKeptWords::extend(QByteArray &words, QByteArrayView entry, QByteArrayView name,
                          bool hasValue, int value)
{
    const auto [start, length] = find(words, entry);
    if (start < 0 || length >= kMaxEntry)
        return;
    words.insert(start + length - 1, wordText(name, hasValue, value));
}

void RtfKeptWords::merge(QByteArray &words, QByteArrayView other)
{
    while (!other.isEmpty()) {
        qsizetype end = other.indexOf(' ');
        end = end < 0 ? other.size() : end + 1;
        const QByteArrayView entry = other.first(end);
        qsizetype letters = 1;
        while (letters < entry.size() && isLetter(entry[letters]))
            ++letters;
        const auto [start, length] = find(words, entry.sliced(1, letters - 1));
        if (start >= 0)
            words.replace(start, length, entry.toByteArray());
        else if (words.size() < kMaxWords)
            words += entry;
        other = other.sliced(end);
    }
}

bool RtfKeptWords::contains(QByteArrayView words, QByteArrayView name)
{
    return find(words, name).first >= 0;
}

QByteArray RtfKeptWords::without(QByteArrayView words, QByteArrayView name)
{
    QByteArray rest = words.toByteArray();
    if (const auto [start, length] = find(words, name); start >= 0)
        rest.remove(start, length);
    return rest;
}

QByteArrayView RtfKeptWords::entry(QByteArrayView words, QByteArrayView name)
{
    const auto [start, length] = find(words, name);
    return start < 0 ? QByteArrayView() : words.sliced(start, length);
}
