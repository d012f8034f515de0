// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QString>

#include <array>

// The numbers of list items as word processors count them, read from the list table (\list,
// \listlevel, \levelnfc, \leveltext, \levelstartat ...) and the list override table
// (\listoverride, \ls, \lfolevel, \listoverridestartat ...). Items of the overrides of one list
// count on together; an override that starts a level anew restarts it where it is first used.
// Bounded: lists past the cap, levels past the ninth and long level texts are ignored.
class RtfListTable
{
public:
    enum Table : quint8 { NoTable, ListTable, OverrideTable };

    void word(Table table, QByteArrayView name, bool hasParameter, int value);
    // Text and \'hh bytes inside the tables: a level's text is read from them.
    void text(QByteArrayView bytes);
    bool isEmpty() const { return m_lists.isEmpty() && m_pending.levels == 0; }
    // Whether the override table has list \lsN.
    bool hasList(int list);

    // Counts the next item of list \lsN at level \ilvlN and returns its label without what
    // follows the number; a null string when the tables do not say how it looks (the item is
    // counted still). font: the level's \f, -1 when it names none.
    QString nextLabel(int list, int level, int *font = nullptr);
    // \sect: lists that restart at each section (\listrestarthdr) begin again.
    void sectionEnd();

    // A level's number as its \levelnfc writes it.
    static QString numberText(int number, int format);

    static constexpr qsizetype MaxLists = 4096;
    static constexpr int Levels = 9;
    static constexpr qsizetype MaxLevelText = 64;

private:
    struct Level
    {
        int format = 0; // \levelnfc; 23 bullet, 255 none
        int start = 1;
        int font = -1;
        bool legal = false;     // \levellegal: the levels above shown as decimal numbers
        bool noRestart = false; // \levelnorestart
        bool hasText = false;
        QString text; // placeholders: characters 0 to 8, the number of that level
    };
    struct List
    {
        std::array<Level, Levels> level;
        int levels = 0; // levels read
        bool restartAtSection = false;
    };
    struct Override
    {
        int listId = 0;
        bool hasListId = false;
        std::array<int, Levels> startAt{}; // with restart set
        quint16 restart = 0;               // levels started anew (\listoverridestartat)
        quint16 ownFormat = 0;             // levels with a format of their own
        std::array<Level, Levels> level;
        bool used = false;
    };
    struct Counters
    {
        std::array<int, Levels> value{};
        quint16 started = 0;
        quint16 startOverride = 0;
        std::array<int, Levels> overrideStart{};
    };

    Level *editedLevel();
    void commitList();
    void commitOverride();
    void finishText();

    QHash<int, List> m_lists;         // by \listid
    QHash<int, Override> m_overrides; // by \ls
    QHash<int, Counters> m_counters;  // by \listid

    // The list or override being read.
    List m_pending;
    int m_pendingId = 0;
    bool m_hasPendingId = false;
    Override m_override;
    int m_overrideLs = 0;
    bool m_hasOverrideLs = false;
    int m_lfoLevel = -1;
    bool m_inOverrideLevel = false; // a \listlevel inside \lfolevel
    Table m_table = NoTable;
    enum TextKind : quint8 { NoText, LevelText, LevelNumbers };
    TextKind m_textKind = NoText;
    QString m_units;
};
