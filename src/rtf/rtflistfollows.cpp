// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtflistfollows.h"

void RtfListFollows::word(Table table, QByteArrayView name, bool hasParameter, int value)
{
    if (table == ListTable) {
        if (name == "list") {
            m_follows = 0;
            m_level = -1;
            m_hasListId = false;
        } else if (name == "listlevel") {
            if (m_level < Levels)
                ++m_level;
        } else if (name == "levelfollow") {
            if (hasParameter && value >= Tab && value <= Nothing && m_level >= 0 &&
                m_level < Levels) {
                m_follows &= ~(quint32(3) << (2 * m_level));
                m_follows |= quint32(value) << (2 * m_level);
                storeList();
            }
        } else if (name == "listid" && hasParameter) {
            m_listId = value;
            m_hasListId = true;
            storeList();
        }
    } else if (table == OverrideTable) {
        if (name == "listoverride") {
            m_hasListId = m_hasLs = m_ownLevels = false;
        } else if (name == "listid" && hasParameter) {
            m_listId = value;
            m_hasListId = true;
            storeOverride();
        } else if (name == "ls" && hasParameter) {
            m_ls = value;
            m_hasLs = true;
            storeOverride();
        } else if (name == "lfolevel") {
            // The override formats levels of its own: what follows their numbers is not known.
            m_ownLevels = true;
            storeOverride();
        }
    }
}

void RtfListFollows::storeList()
{
    if (m_hasListId && (m_levels.size() < MaxLists || m_levels.contains(m_listId)))
        m_levels.insert(m_listId, m_follows);
}

void RtfListFollows::storeOverride()
{
    if (m_hasListId && m_hasLs && (m_overrides.size() < MaxLists || m_overrides.contains(m_ls)))
        m_overrides.insert(m_ls, m_ownLevels ? kOwnLevels : m_listId);
}

RtfListFollows::Follow RtfListFollows::follow(int list, int level) const
{
    if (level < 0 || level >= Levels)
        return Unknown;
    const auto override = m_overrides.constFind(list);
    if (override == m_overrides.constEnd() || *override == kOwnLevels)
        return Unknown;
    const auto levels = m_levels.constFind(int(*override));
    if (levels == m_levels.constEnd())
        return Unknown;
    return Follow(*levels >> (2 * level) & 3);
}
