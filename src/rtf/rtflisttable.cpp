// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtflisttable.h"

#include <algorithm>

namespace {

constexpr int kNoNumber = 255;
constexpr int kBullet = 23;

QString letters(int n)
{
    QString text;
    for (int v = std::max(n, 1); v > 0 && text.size() < 8; v = (v - 1) / 26)
        text.prepend(QChar(u'A' + (v - 1) % 26));
    return text;
}

QString roman(int n)
{
    static const std::pair<int, const char *> parts[] = {
        {1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
        {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
    QString text;
    int v = std::clamp(n, 1, 3999);
    for (const auto &[value, part] : parts) {
        for (; v >= value; v -= value)
            text += QLatin1String(part);
    }
    return text;
}

} // namespace

QString RtfListTable::numberText(int number, int format)
{
    switch (format) {
    case 1:
        return roman(number);
    case 2:
        return roman(number).toLower();
    case 3:
        return letters(number);
    case 4:
        return letters(number).toLower();
    case 22: // two digits at least
        return QStringLiteral("%1").arg(number, 2, 10, QChar(u'0'));
    case kBullet:
    case kNoNumber:
        return QString();
    default:
        return QString::number(number);
    }
}

RtfListTable::Level *RtfListTable::editedLevel()
{
    if (m_table == ListTable)
        return m_pending.levels > 0 ? &m_pending.level[m_pending.levels - 1] : nullptr;
    if (m_table == OverrideTable && m_inOverrideLevel && m_lfoLevel >= 0)
        return &m_override.level[m_lfoLevel];
    return nullptr;
}

void RtfListTable::word(Table table, QByteArrayView name, bool hasParameter, int value)
{
    if (table != m_table) {
        commitList();
        commitOverride();
        m_table = table;
        m_textKind = NoText;
    }
    if (m_textKind == LevelText && name == "u" && hasParameter) {
        if (m_units.size() <= MaxLevelText)
            m_units.append(QChar(char16_t(value < 0 ? value + 65536 : value)));
        return;
    }
    if (name == "leveltext" || name == "levelnumbers") {
        m_textKind = name == "leveltext" ? LevelText : LevelNumbers;
        m_units.clear();
        return;
    }
    if (name == "listlevel")
        m_textKind = NoText;
    if (table == ListTable) {
        if (name == "list") {
            commitList();
            m_pending = List();
            m_hasPendingId = false;
        } else if (name == "listlevel") {
            if (m_pending.levels < Levels)
                m_pending.level[m_pending.levels++] = Level();
        } else if (name == "listid" && hasParameter) {
            m_pendingId = value;
            m_hasPendingId = true;
        } else if (name == "listrestarthdr") {
            m_pending.restartAtSection = !hasParameter || value != 0;
        }
    } else if (table == OverrideTable) {
        if (name == "listoverride") {
            commitOverride();
            m_override = Override();
            m_hasOverrideLs = false;
            m_lfoLevel = -1;
            m_inOverrideLevel = false;
        } else if (name == "listid" && hasParameter) {
            m_override.listId = value;
            m_override.hasListId = true;
        } else if (name == "ls" && hasParameter) {
            m_overrideLs = value;
            m_hasOverrideLs = true;
        } else if (name == "lfolevel") {
            m_inOverrideLevel = false;
            if (m_lfoLevel < Levels - 1)
                ++m_lfoLevel;
            else
                m_lfoLevel = Levels; // past the last: ignored
        } else if (m_lfoLevel >= 0 && m_lfoLevel < Levels) {
            const quint16 bit = quint16(1u << m_lfoLevel);
            if (name == "listoverridestartat") {
                m_override.restart |= bit;
            } else if (name == "listoverrideformat") {
                m_override.ownFormat |= bit;
            } else if (name == "listlevel") {
                m_inOverrideLevel = true;
                m_override.ownFormat |= bit;
                m_override.level[m_lfoLevel] = Level();
            } else if (name == "levelstartat" && hasParameter && !m_inOverrideLevel) {
                m_override.startAt[m_lfoLevel] = std::clamp(value, 0, 32767);
            }
        }
    }
    Level *level = editedLevel();
    if (!level)
        return;
    if ((name == "levelnfc" || name == "levelnfcn") && hasParameter) {
        level->format = value;
    } else if (name == "levelstartat" && hasParameter) {
        level->start = std::clamp(value, 0, 32767);
        if (m_table == OverrideTable && m_lfoLevel >= 0 && m_lfoLevel < Levels)
            m_override.startAt[m_lfoLevel] = level->start;
    } else if (name == "levellegal") {
        level->legal = !hasParameter || value != 0;
    } else if (name == "levelnorestart") {
        level->noRestart = !hasParameter || value != 0;
    } else if (name == "f" && hasParameter) {
        level->font = value;
    }
}

void RtfListTable::text(QByteArrayView bytes)
{
    if (m_textKind == NoText)
        return;
    for (const char c : bytes) {
        if (c == ';') {
            finishText();
            return;
        }
        if (m_textKind == LevelText && m_units.size() <= MaxLevelText)
            m_units.append(QChar(char16_t(static_cast<unsigned char>(c))));
    }
}

// A level's text begins with its length; characters 0 to 8 stand for the numbers of levels.
void RtfListTable::finishText()
{
    const TextKind kind = std::exchange(m_textKind, NoText);
    if (kind != LevelText || m_units.isEmpty())
        return;
    if (Level *level = editedLevel()) {
        const qsizetype length = std::min<qsizetype>(m_units[0].unicode(), m_units.size() - 1);
        level->text = m_units.sliced(1, length);
        level->hasText = true;
    }
}

void RtfListTable::commitList()
{
    if (m_table != ListTable || !m_hasPendingId)
        return;
    if (m_lists.size() < MaxLists || m_lists.contains(m_pendingId))
        m_lists.insert(m_pendingId, m_pending);
    m_hasPendingId = false;
}

void RtfListTable::commitOverride()
{
    if (m_table != OverrideTable || !m_hasOverrideLs || !m_override.hasListId)
        return;
    if (m_overrides.size() < MaxLists || m_overrides.contains(m_overrideLs))
        m_overrides.insert(m_overrideLs, m_override);
    m_hasOverrideLs = false;
}

bool RtfListTable::hasList(int list)
{
    commitOverride();
    return m_overrides.contains(list);
}

QString RtfListTable::nextLabel(int list, int level, int *font)
{
    commitList();
    commitOverride();
    m_table = NoTable;
    if (font)
        *font = -1;
    const auto override = m_overrides.find(list);
    if (override == m_overrides.end())
        return QString();
    level = std::clamp(level, 0, Levels - 1);
    const auto found = m_lists.constFind(override->listId);
    const List *owner = found == m_lists.constEnd() ? nullptr : &*found;
    auto levelAt = [&](int l) -> const Level * {
        if (override->ownFormat & (1u << l))
            return &override->level[l];
        return owner && l < owner->levels ? &owner->level[l] : nullptr;
    };
    if (!owner && !override->ownFormat)
        return QString();
    if (m_counters.size() >= MaxLists && !m_counters.contains(override->listId))
        return QString();
    Counters &counters = m_counters[override->listId];
    if (!override->used) {
        // An override that starts levels anew does so where it is first used.
        override->used = true;
        for (int l = 0; l < Levels; ++l) {
            if (override->restart & (1u << l)) {
                counters.started &= ~quint16(1u << l);
                counters.startOverride |= quint16(1u << l);
                counters.overrideStart[l] = override->startAt[l];
            }
        }
    }
    auto startOf = [&](int l) {
        if (counters.startOverride & (1u << l))
            return counters.overrideStart[l];
        const Level *at = levelAt(l);
        return at ? at->start : 1;
    };
    if (counters.started & (1u << level)) {
        ++counters.value[level];
    } else {
        counters.value[level] = startOf(level);
        counters.started |= quint16(1u << level);
        counters.startOverride &= ~quint16(1u << level);
    }
    for (int l = level + 1; l < Levels; ++l) {
        const Level *below = levelAt(l);
        if (!below || !below->noRestart)
            counters.started &= ~quint16(1u << l);
    }
    const Level *shown = levelAt(level);
    if (!shown || !shown->hasText)
        return QString();
    if (font)
        *font = shown->font;
    QString label;
    for (const QChar c : shown->text) {
        if (c.unicode() >= Levels) {
            label += c;
            continue;
        }
        const int l = c.unicode();
        const Level *at = levelAt(l);
        const int number = counters.started & (1u << l) ? counters.value[l] : startOf(l);
        const int format = !at ? 0 : shown->legal && l < level ? 0 : at->format;
        label += numberText(number, format);
    }
    if (shown->format == kBullet && label.isEmpty())
        label = QString(QChar(0x2022));
    return label.isNull() ? QStringLiteral("") : label; // a level without a number
}

void RtfListTable::sectionEnd()
{
    commitList();
    for (auto list = m_lists.constBegin(); list != m_lists.constEnd(); ++list) {
        if (list->restartAtSection)
            m_counters.remove(list.key());
    }
}
