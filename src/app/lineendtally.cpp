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
    // Most files hold no CR at all: their LFs are counted in one pass.
    if (!text.sliced(i).contains(u'\r')) {
        if (const qsizetype lf = text.sliced(i).count(u'\n'); lf > 0)
            count(LineEnding::Lf, lf);
        return;
    }
    const qsizetype size = text.size();
    for (; i < size; ++i) {
        const QChar c = text[i];
        if (c == u'\n') {
            count(LineEnding::Lf);
        } else if (c == u'\r') {
            if (i + 1 == size) {
                m_crPending = true;
            } else if (text[i + 1] == u'\n') {
                count(LineEnding::CrLf);
                ++i;
            } else {
                count(LineEnding::Cr);
            }
        }
    }
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
