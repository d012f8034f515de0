// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QHash>

// What follows a list's number at each of its levels, read from the list table (\list,
// \listlevel, \levelfollow, \listid) and the list override table (\listoverride, \listid, \ls).
// Bounded: lists past the cap, levels past the ninth and values out of range are ignored.
class RtfListFollows
{
public:
    enum Table : quint8 { NoTable, ListTable, OverrideTable };
    enum Follow { Unknown = -1, Tab = 0, Space = 1, Nothing = 2 };

    void word(Table table, QByteArrayView name, bool hasParameter, int value);
    // For the paragraphs of \lsN at level \ilvlN.
    Follow follow(int list, int level) const;

    static constexpr qsizetype MaxLists = 4096;
    static constexpr int Levels = 9;

private:
    void storeList();
    void storeOverride();

    QHash<int, quint32> m_levels;   // by \listid: two bits a level
    QHash<int, qint64> m_overrides; // by \ls: its \listid, or kOwnLevels
    static constexpr qint64 kOwnLevels = -(qint64(1) << 40);

    // The list or override being read.
    quint32 m_follows = 0;
    int m_level = -1;
    int m_listId = 0;
    bool m_hasListId = false;
    int m_ls = 0;
    bool m_hasLs = false;
    bool m_ownLevels = false;
};
