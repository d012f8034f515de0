// SPDX-License-Identifier: GPL-3.0-or-later
#include "lineendtally.h"

void LineEndTally::count(LineEnding ending, qsizetype times)
{
    switch (ending) {
    case LineEnding::CrLf:
        m_crLf += times;
        break;
    case LineEnding::Lf:
        m_lf += times;
        break;
    case LineEnding::Cr:
        m_cr += times;
        break;
    }
    if (m_firstSeen < 0 && ending != LineEnding::Cr)
        m_firstSeen = int(ending);
}

void LineEndTally::add(QStringView text)
{
    qsizetype i = 0;
    if (m_crPending && !text.isEmpty()) {
        m_crPending = false;
        if (text.front() == u'\n') {
            count(LineEnding::CrLf);
            i = 1;
        } else {
            count(LineEnding::Cr);
        }
    }
    // LFs are counted in one pass, CRs found by search: no character is looked at one by one.
    const QStringView rest = text.sliced(i);
    const qsizetype lf = rest.count(u'\n');
    const qsizetype size = text.size();
    qsizetype crLf = 0;
    qsizetype cr = 0;
    qsizetype firstCrLf = -1;
    for (qsizetype at = text.indexOf(u'\r', i); at >= 0; at = text.indexOf(u'\r', at + 1)) {
        if (at + 1 == size) {
            m_crPending = true;
            break;
        }
        if (text[at + 1] == u'\n') {
            if (crLf++ == 0)
                firstCrLf = at;
        } else {
            ++cr;
        }
    }
    // Which style came first matters while none was seen: an LF without CR before the first
    // CR LF, or that CR LF.
    if (m_firstSeen < 0 && lf > 0) {
        const qsizetype firstLf = rest.indexOf(u'\n') + i;
        count(firstCrLf >= 0 && firstCrLf + 1 == firstLf ? LineEnding::CrLf : LineEnding::Lf, 0);
    }
    m_crLf += crLf;
    m_lf += lf - crLf;
    m_cr += cr;
}

LineEnding LineEndTally::style() const
{
    const qsizetype cr = m_cr + (m_crPending ? 1 : 0);
    if (m_crLf == 0 && m_lf == 0)
        return cr > 0 ? LineEnding::Cr : LineEnding::CrLf;
    if (cr > m_crLf && cr > m_lf)
        return LineEnding::Cr;
    if (m_crLf != m_lf)
        return m_crLf > m_lf ? LineEnding::CrLf : LineEnding::Lf;
    return LineEnding(m_firstSeen);
}

void LineEndTally::append(const LineEndTally &later)
{
    // The texts are cut after a line end: a CR at the end of this one stands alone.
    m_cr += later.m_cr + (m_crPending ? 1 : 0);
    m_crLf += later.m_crLf;
    m_lf += later.m_lf;
    m_crPending = later.m_crPending;
    if (m_firstSeen < 0)
        m_firstSeen = later.m_firstSeen;
}

void LineEndTally::addCounts(qsizetype crLf, qsizetype lf, qsizetype cr,
                             std::optional<LineEnding> first)
{
    m_crLf += crLf;
    m_lf += lf;
    m_cr += cr;
    if (m_firstSeen < 0 && first)
        m_firstSeen = int(*first);
}
