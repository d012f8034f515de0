// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfnotes.h"

#include "rtf/rtflisttable.h"

#include <algorithm>

namespace {

struct FormatWord
{
    const char *suffix;
    int format;
};
// \ftnn... and \aftnn...: arabic, letters, roman, Chicago's marks.
constexpr FormatWord kFormats[] = {{"ar", 0},  {"alc", 4}, {"auc", 3},
                                   {"rlc", 2}, {"ruc", 1}, {"chi", -1}};

} // namespace

bool RtfNotes::setting(QByteArrayView name, bool hasParameter, int value)
{
    const bool endnote = name.startsWith("aftn");
    const QByteArrayView word = name.sliced(endnote ? 4 : name.startsWith("ftn") ? 3 : 0);
    if (word.size() == name.size())
        return false;
    if (word == "start") {
        (endnote ? m_endnoteStart : m_footnoteStart) =
            std::clamp(hasParameter ? value : 1, 0, 32767);
        return true;
    }
    if (!word.startsWith("n"))
        return false;
    for (const FormatWord &f : kFormats) {
        if (word.sliced(1) == f.suffix) {
            (endnote ? m_endnoteFormat : m_footnoteFormat) = f.format;
            return true;
        }
    }
    return false;
}

QString RtfNotes::markText(int number, int format)
{
    if (format == Chicago) {
        // *, dagger, double dagger, section; then each twice, three times ...
        static const char16_t marks[] = {u'*', 0x2020, 0x2021, 0x00A7};
        const int n = std::max(number, 1) - 1;
        return QString(std::min(n / 4 + 1, 16), QChar(marks[n % 4]));
    }
    return RtfListTable::numberText(number, format);
}

QString RtfNotes::nextFootnoteMark()
{
    if (m_footnotes < 1000000)
        ++m_footnotes;
    return markText(m_footnoteStart + m_footnotes - 1, m_footnoteFormat);
}

QString RtfNotes::footnoteWasEndnote()
{
    m_footnotes = std::max(m_footnotes - 1, 0);
    if (m_endnotes < 1000000)
        ++m_endnotes;
    return markText(m_endnoteStart + m_endnotes - 1, m_endnoteFormat);
}

void RtfNotes::begin(const QString &mark)
{
    m_reading = m_notes.size() < MaxNotes && m_textSize < MaxText;
    if (m_reading)
        m_notes.append({mark, QString(), false});
}

void RtfNotes::setMark(const QString &mark, bool endnote)
{
    if (m_reading) {
        m_notes.last().mark = mark;
        m_notes.last().endnote = endnote;
    }
}

void RtfNotes::append(QStringView text)
{
    if (!m_reading)
        return;
    const qsizetype n = std::min(text.size(), MaxText - m_textSize);
    m_notes.last().text += text.first(n);
    m_textSize += n;
}

void RtfNotes::end()
{
    if (std::exchange(m_reading, false))
        m_notes.last().text = m_notes.last().text.trimmed();
}
