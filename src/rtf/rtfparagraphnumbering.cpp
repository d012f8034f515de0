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
    m_definition = Definition();
    m_target = nullptr;
}

void RtfParagraphNumbering::setDefinition(const Definition &definition)
{
    m_definition = definition;
    m_target = nullptr;
}

void RtfParagraphNumbering::beginText(bool before)
{
    m_target = before ? &m_definition.before : &m_definition.after;
    m_target->clear();
}

void RtfParagraphNumbering::word(RtfKeyword keyword, int parameter)
{
    using K = RtfKeyword;
    switch (keyword) {
    case K::Pnlvl:
        m_definition.level = std::clamp(parameter, 1, 9);
        break;
    case K::Pnlvlblt:
        m_definition.level = 10;
        m_definition.style = Bullet;
        break;
    case K::Pnlvlbody:
        m_definition.level = 10;
        break;
    case K::Pnlvlcont:
        m_definition.continued = true;
        break;
    case K::Pndec:
        m_definition.style = Decimal;
        break;
    case K::Pnucltr:
        m_definition.style = UpperLetter;
        break;
    case K::Pnlcltr:
        m_definition.style = LowerLetter;
        break;
    case K::Pnucrm:
        m_definition.style = UpperRoman;
        break;
    case K::Pnlcrm:
        m_definition.style = LowerRoman;
        break;
    case K::Pnstart:
        m_definition.start = std::clamp(parameter, 0, 32767);
        break;
    case K::Pnf:
        m_definition.font = parameter;
        break;
    case K::Pnprev:
        m_definition.previous = true;
        break;
    default:
        break;
    }
}

QString RtfParagraphNumbering::nextLabel()
{
    QString label = m_definition.before;
    if (m_definition.style == Bullet) {
        if (label.isEmpty())
            label = QString(QChar(0x2022));
    } else {
        const QString key = QStringLiteral("%1|%2|%3|%4")
                                .arg(m_definition.level)
                                .arg(m_definition.style)
                                .arg(m_definition.before, m_definition.after);
        const auto it = m_counters.find(key);
        const int number = it == m_counters.end() ? m_definition.start : ++it.value();
        if (it == m_counters.end() && m_counters.size() < 4096)
            m_counters.insert(key, number);
        if (m_definition.level <= 9) {
            // A number at one level starts the levels below it again.
            m_levelNumbers[m_definition.level] = number;
            for (auto c = m_counters.begin(); c != m_counters.end();) {
                if (c.key().section(u'|', 0, 0).toInt() > m_definition.level &&
                    c.key().section(u'|', 0, 0).toInt() <= 9)
                    c = m_counters.erase(c);
                else
                    ++c;
            }
            if (m_definition.previous && m_definition.level > 1 &&
                m_levelNumbers[m_definition.level - 1] > 0)
                label += QString::number(m_levelNumbers[m_definition.level - 1]) + u'.';
        }
        label += formatNumber(number, m_definition.style);
    }
    return label + m_definition.after;
}
