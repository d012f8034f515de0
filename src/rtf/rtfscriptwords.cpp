// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfscriptwords.h"

#include "rtf/rtfcharformat.h"

#include <algorithm>
#include <vector>

namespace {

// A run that says them again and again gets no further.
constexpr qsizetype kMaxWords = 512;

enum Direction : quint8 { NoDirection, RightToLeft, LeftToRight };
enum CharClass : quint8 { NoClass, Low, High, Double };

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// One word as said: under which selectors, its name and its text (with its number).
struct Said
{
    quint8 direction = NoDirection;
    quint8 charClass = NoClass;
    QByteArray name;
    QByteArray text;
};

struct Words
{
    std::vector<Said> said;
    quint8 direction = NoDirection; // the selectors in effect
    quint8 charClass = NoClass;

    void add(QByteArrayView name, QByteArray text)
    {
        if (name == "rtlch" || name == "ltrch") {
            direction = name == "rtlch" ? RightToLeft : LeftToRight;
            return;
        }
        if (name == "loch" || name == "hich" || name == "dbch") {
            charClass = name == "loch" ? Low : name == "hich" ? High : Double;
            return;
        }
        const auto same = std::find_if(said.begin(), said.end(), [&](const Said &s) {
            return s.direction == direction && s.charClass == charClass && s.name == name;
        });
        // The text's font is the \f said last: said again, it moves to the end, so that the
        // words said over give the text that font.
        if (same != said.end() && name != "f")
            same->text = std::move(text);
        else if (same != said.end())
            std::rotate(same, same + 1, said.end())->text = std::move(text);
        else
            said.push_back({direction, charClass, name.toByteArray(), std::move(text)});
    }

    // Each word after the selectors it was said under; the selectors in effect last at the end.
    // Selectors are never taken back, so no word needs fewer of them than one before it.
    QByteArray text() const
    {
        QByteArray out;
        quint8 d = NoDirection;
        quint8 c = NoClass;
        auto select = [&](quint8 direction, quint8 charClass) {
            if (direction != d && direction != NoDirection) {
                out += direction == RightToLeft ? "\\rtlch" : "\\ltrch";
                d = direction;
            }
            if (charClass != c && charClass != NoClass) {
                out += charClass == Low ? "\\loch" : charClass == High ? "\\hich" : "\\dbch";
                c = charClass;
            }
        };
        for (const Said &s : said) {
            select(s.direction, s.charClass);
            out += s.text;
        }
        select(direction, charClass);
        if (!out.isEmpty())
            out += ' ';
        return out;
    }
};

Words parse(QByteArrayView text)
{
    Words words;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text[i] != '\\') {
            ++i;
            continue;
        }
        qsizetype end = i + 1;
        while (end < text.size() && isLetter(text[end]))
            ++end;
        const QByteArrayView name = text.sliced(i + 1, end - i - 1);
        if (end < text.size() && text[end] == '-')
            ++end;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        words.add(name, text.sliced(i, end - i).toByteArray());
        i = end;
    }
    return words;
}

QByteArray fontWord(int font)
{
    return "\\f" + QByteArray::number(font);
}

} // namespace

QByteArray RtfScriptWords::said(QByteArrayView words, QByteArrayView name, bool hasValue, int value,
                                int font)
{
    Words parsed = parse(words);
    // The font in effect before them is said first: the words that follow may hang on it.
    if (words.isEmpty() && font != RtfCharFormat::NoFont && name != "f")
        parsed.add("f", fontWord(font));
    QByteArray text = '\\' + name.toByteArray();
    if (hasValue)
        text += QByteArray::number(value);
    parsed.add(name, std::move(text));
    QByteArray out = parsed.text();
    // \f is said once under each set of selectors at most, and must not be lost: it is the
    // text's font.
    return out.size() > kMaxWords && name != "f" ? words.toByteArray() : out;
}

bool RtfScriptWords::hasFont(QByteArrayView words, int font)
{
    const QByteArray word = fontWord(font);
    for (const Said &s : parse(words).said) {
        if (s.text == word)
            return true;
    }
    return false;
}

QByteArray RtfScriptWords::withFontSlot(QByteArrayView words, int font)
{
    Words parsed = parse(words);
    const QByteArray word = fontWord(font);
    for (Said &s : parsed.said) {
        if (s.text == word)
            s.text = "\\f";
    }
    return parsed.text();
}

bool RtfScriptWords::hasFontSlot(QByteArrayView words)
{
    for (const Said &s : parse(words).said) {
        if (s.text == "\\f")
            return true;
    }
    return false;
}

QByteArray RtfScriptWords::withFont(QByteArrayView words, int font)
{
    Words parsed = parse(words);
    if (font == RtfCharFormat::NoFont) {
        // Text without a font of its own: any \f among them would give it one.
        std::erase_if(parsed.said, [](const Said &s) { return s.name == "f"; });
    } else {
        for (Said &s : parsed.said) {
            if (s.text == "\\f")
                s.text = fontWord(font);
        }
    }
    return parsed.text();
}

RtfScriptWords::Associated RtfScriptWords::associated(QByteArrayView words, bool rightToLeft)
{
    Associated result;
    for (const Said &said : parse(words).said) {
        if (rightToLeft ? said.direction != RightToLeft
                        : said.charClass != Double || said.direction == RightToLeft)
            continue;
        const QByteArrayView value = QByteArrayView(said.text).sliced(said.name.size() + 1);
        const bool hasValue = !value.isEmpty();
        const int number = value.toInt();
        // The text's own font said after the script's (\dbch\f ...) is the script's again.
        if (said.name == "af" && hasValue)
            result.font = number;
        else if (said.name == "f")
            result.font = RtfCharFormat::NoFont;
        else if (said.name == "afs" && number > 0)
            result.halfPoints = std::min(number, 3276);
        else if (said.name == "ab")
            result.bold = !hasValue || number != 0;
        else if (said.name == "ai")
            result.italic = !hasValue || number != 0;
    }
    return result;
}
