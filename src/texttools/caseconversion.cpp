// SPDX-License-Identifier: GPL-3.0-or-later
#include "caseconversion.h"

#include <algorithm>
#include <array>

namespace {

constexpr char16_t several = 0xFFFF; // in the table: the character is left to Qt

// Every character of the Basic Multilingual Plane with the one character it becomes, or
// `several` when it becomes more than one (ß becomes SS) or is half of a pair. Made once from
// Qt's own mapping, which takes each character on its own, so that converting through it gives
// exactly what Qt gives, at a look-up a character instead of Qt's property search.
class CaseTable
{
public:
    explicit CaseTable(CaseMode mode)
    {
        for (char32_t c = 0; c < 0x10000; ++c) {
            m_map[c] = several;
            if (QChar::isSurrogate(c) || c == several)
                continue;
            const QString one{QChar(char16_t(c))};
            const QString mapped = mode == CaseMode::Upper ? one.toUpper() : one.toLower();
            if (mapped.size() == 1)
                m_map[c] = mapped.front().unicode();
        }
    }

    // What c becomes, or `several`.
    char16_t operator[](char16_t c) const { return m_map[c]; }

private:
    std::array<char16_t, 0x10000> m_map;
};

const CaseTable &tableFor(CaseMode mode)
{
    static const CaseTable upper(CaseMode::Upper);
    static const CaseTable lower(CaseMode::Lower);
    return mode == CaseMode::Upper ? upper : lower;
}

// A character the table does not hold: a pair as Qt maps it (no character outside the Basic
// Multilingual Plane becomes several), one that becomes several as Qt maps it alone, and half
// of a pair without its other half as it is (Qt would put a replacement character in its place,
// and the text would lose what it had there).
void convertOne(QStringView text, qsizetype &i, CaseMode mode, QString &out)
{
    const QChar c = text[i];
    if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
        const char32_t pair = QChar::surrogateToUcs4(c, text[i + 1]);
        const char32_t mapped =
            mode == CaseMode::Upper ? QChar::toUpper(pair) : QChar::toLower(pair);
        out.append(QChar(QChar::highSurrogate(mapped)));
        out.append(QChar(QChar::lowSurrogate(mapped)));
        i += 2;
        return;
    }
    if (c.isSurrogate())
        out.append(c);
    else
        out.append(mode == CaseMode::Upper ? QString(c).toUpper() : QString(c).toLower());
    ++i;
}

// Converts text from `from` on into out, which holds what comes before; true when that changed
// anything.
bool convertRest(QStringView text, qsizetype from, CaseMode mode, QString &out)
{
    bool changed = false;
    const CaseTable &table = tableFor(mode);
    const qsizetype size = text.size();
    qsizetype i = from;
    while (i < size) {
        qsizetype end = i;
        while (end < size && table[text[end].unicode()] != several)
            ++end;
        if (end > i) {
            const qsizetype at = out.size();
            out.resize(at + (end - i));
            char16_t *o = reinterpret_cast<char16_t *>(out.data()) + at;
            for (; i < end; ++i) {
                *o = table[text[i].unicode()];
                changed = changed || *o != text[i].unicode();
                ++o;
            }
            continue;
        }
        const qsizetype at = out.size();
        const qsizetype start = i;
        convertOne(text, i, mode, out);
        changed = changed || QStringView(out).sliced(at) != text.sliced(start, i - start);
    }
    return changed;
}

} // namespace

QString CaseConversion::convert(const QString &text, CaseMode mode)
{
    QString out = text;
    convertInPlace(out, mode);
    return out;
}

bool CaseConversion::convertInPlace(QString &text, CaseMode mode)
{
    if (mode == CaseMode::None)
        return false;
    const CaseTable &table = tableFor(mode);
    const qsizetype size = text.size();
    const char16_t *in = reinterpret_cast<const char16_t *>(text.constData());
    qsizetype i = 0;
    while (i < size && table[in[i]] == in[i]) // U+FFFF, which stays, is kept here too
        ++i;
    if (i == size)
        return false; // not even detached
    bool changed = false;
    if (table[in[i]] != several) {
        // The usual case: each character becomes one, in the text's own memory.
        char16_t *chars = reinterpret_cast<char16_t *>(text.data());
        for (; i < size; ++i) {
            const char16_t mapped = table[chars[i]];
            if (mapped == several)
                break;
            changed = changed || mapped != chars[i];
            chars[i] = mapped;
        }
        if (i == size)
            return changed;
    }
    // Something may become longer, or is a pair: the rest is made anew.
    QString out;
    out.reserve(size + 16);
    out.append(QStringView(text).first(i));
    changed = convertRest(text, i, mode, out) || changed;
    if (changed)
        text = std::move(out);
    return changed;
}

std::optional<CaseConversion::Edit> CaseConversion::forChange(QStringView text, qsizetype from,
                                                              qsizetype to, CaseMode mode)
{
    return forChangeInSteps(text, from, to, mode, text.size(), {});
}

std::optional<CaseConversion::Edit>
CaseConversion::forChangeInSteps(QStringView text, qsizetype from, qsizetype to, CaseMode mode,
                                 qsizetype stepSize,
                                 const std::function<bool(qsizetype done)> &goOn)
{
    if (mode == CaseMode::None)
        return std::nullopt;
    from = qBound<qsizetype>(0, from, text.size());
    to = qBound(from, to, text.size());
    if (from > 0 && from < text.size() && text[from].isLowSurrogate() &&
        text[from - 1].isHighSurrogate())
        --from;
    if (to > 0 && to < text.size() && text[to - 1].isHighSurrogate() && text[to].isLowSurrogate())
        ++to;
    if (from == to)
        return std::nullopt;
    const QStringView part = text.sliced(from, to - from);
    QString replacement;
    replacement.reserve(part.size());
    stepSize = std::max<qsizetype>(stepSize, 2);
    for (qsizetype at = 0; at < part.size();) {
        qsizetype end = std::min(part.size(), at + stepSize);
        // A pair stays together in one step.
        if (end < part.size() && part[end - 1].isHighSurrogate() && part[end].isLowSurrogate())
            --end;
        QString step = part.sliced(at, end - at).toString();
        convertInPlace(step, mode);
        replacement += step;
        at = end;
        if (goOn && !goOn(at))
            return std::nullopt;
    }
    if (replacement == part)
        return std::nullopt;
    return Edit{from, to - from, std::move(replacement)};
}
