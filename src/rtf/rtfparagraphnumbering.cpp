// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfparagraphnumbering.h"

#include <algorithm>
#include <iterator>

namespace {

QString formatNumber(int n, quint8 style)
{
    switch (style) {
    case 2: // upper letter
    case 3: {
        QString letters;
        for (int v = std::max(n, 1); v > 0; v = (v - 1) / 26)
            letters.prepend(QChar(u'A' + (v - 1) % 26));
        return style == 2 ? letters : letters.toLower();
    }
    case 4: // upper roman
    case 5: {
        static const std::pair<int, const char *> parts[] = {
            {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
            {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
        QString roman;
        int v = std::clamp(n, 1, 3999);
        for (const auto &[value, text] : parts) {
            for (; v >= value; v -= value)
                roman += QLatin1String(text);
        }
        return style == 4 ? roman : roman.toLower();
    }
    default:
        return QString::number(n);
    }
}

} // namespace

void RtfParagraphNumbering::reset()
{
    begin();
    m_counters.clear();
    std::fill(std::begin(m_levelNumbers), std::end(m_levelNumbers), 0);
}

void RtfParagraphNumbering::begin()
{
    m_level = 0;
    m_continued = false;
    m_previous = false;
    m_style = Decimal;
    m_start = 1;
    m_font = -1;
    m_before.clear();
    m_after.clear();
    m_target = nullptr;
}

void RtfParagraphNumbering::beginText(bool before)
{
    m_target = before ? &m_before : &m_after;
    m_target->clear();
}

void RtfParagraphNumbering::word(RtfKeyword keyword, int parameter)
{
    using K = RtfKeyword;
    switch (keyword) {
    case K::Pnlvl:
        m_level = std::clamp(parameter, 1, 9);
        break;
    case K::Pnlvlblt:
        m_level = 10;
        m_style = Bullet;
        break;
    case K::Pnlvlbody:
        m_level = 10;
        break;
    case K::Pnlvlcont:
        m_continued = true;
        break;
    case K::Pndec:
        m_style = Decimal;
        break;
    case K::Pnucltr:
        m_style = UpperLetter;
        break;
    case K::Pnlcltr:
        m_style = LowerLetter;
        break;
    case K::Pnucrm:
        m_style = UpperRoman;
        break;
    case K::Pnlcrm:
        m_style = LowerRoman;
        break;
    case K::Pnstart:
        m_start = std::clamp(parameter, 0, 32767);
        break;
    case K::Pnf:
        m_font = parameter;
        break;
    case K::Pnprev:
        m_previous = true;
        break;
    default:
        break;
    }
}

QString RtfParagraphNumbering::nextLabel()
{
    QString label = m_before;
    if (m_style == Bullet) {
        if (label.isEmpty())
            label = QString(QChar(0x2022));
    } else {
        const QString key =
            QStringLiteral("%1|%2|%3|%4").arg(m_level).arg(m_style).arg(m_before, m_after);
        const auto it = m_counters.find(key);
        const int number = it == m_counters.end() ? m_start : ++it.value();
        if (it == m_counters.end() && m_counters.size() < 4096)
            m_counters.insert(key, number);
        if (m_level <= 9) {
            // A number at one level starts the levels below it again.
            m_levelNumbers[m_level] = number;
            for (auto c = m_counters.begin(); c != m_counters.end();) {
                if (c.key().section(u'|', 0, 0).toInt() > m_level &&
                    c.key().section(u'|', 0, 0).toInt() <= 9)
                    c = m_counters.erase(c);
                else
                    ++c;
            }
            if (m_previous && m_level > 1 && m_levelNumbers[m_level - 1] > 0)
                label += QString::number(m_levelNumbers[m_level - 1]) + u'.';
        }
        label += formatNumber(number, m_style);
    }
    return label + m_after;
}
