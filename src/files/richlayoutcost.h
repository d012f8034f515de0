// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <deque>

// What Qt's rich layout of a formatted document would cost, estimated from its paragraphs
// before anything is built. Qt builds and lays out a document paragraph by paragraph, each
// costing about five times what a line within one costs; and once the laid-out height passes
// 8,388,607 pixels (Qt's largest page) its layout takes every further line for one crossing a
// page end and hardly progresses at all. A document past either bound is shown another way.
class RichLayoutCost
{
public:
    // A paragraph (or table cell) of this many characters, line breaks and tabs among them,
    // whose largest font is fontPixels high, with margins pixels above and below it, laid out
    // width pixels wide (a cell's width; the pane's when wider), in this many runs of one format.
    // inTable: a paragraph in a table cell, laid out with its table.
    void addParagraph(qint64 characters, qint64 lineBreaks, qint64 tabs, qreal fontPixels,
                      qreal margins, qreal width = paneWidth, qint64 runs = 1,
                      bool inTable = false);
    // A table begins (a nested one too).
    void addTable() { ++m_tables; }
    bool fits() const;

    qint64 paragraphs() const { return m_paragraphs; }
    qint64 rows() const { return m_rows; }     // lines as laid out: line breaks and wraps too
    qint64 height() const { return m_height; } // pixels

    // Measured on a loaded two-core machine: Qt builds a paragraph in about 15 us and lays it
    // out in 15 us more, a row within one in 3 us. These keep both near a second there.
    static constexpr qint64 rowsPerParagraph = 5;
    static constexpr qint64 maxWeightedRows = 330'000;
    // Half of Qt's largest page, for fonts and scripts wider than estimated.
    static constexpr qint64 maxHeight = 4'000'000;
    // The pane's width as the window is designed, a little less.
    static constexpr int paneWidth = 700;
    // A tab reaches the next stop, Qt's default stops are this far apart.
    static constexpr int tabPixels = 80;
    // Qt finds each tab's stop by measuring the line again from its start, so the tabs of one
    // paragraph cost as many rows as their count squared over this.
    static constexpr qint64 tabsSquaredPerRow = 1000;
    // Qt lays out a paragraph in one go, however long: the window waits for it. No paragraph
    // may cost more than this (a fortieth of the whole, some 25 ms), wide characters counted
    // at their width. Each change of format within a paragraph costs about as much as two rows.
    static constexpr qint64 maxParagraphRows = maxWeightedRows / 40;
    static constexpr qint64 rowsPerRun = 2;
    // Every step of Qt's layout visits each table after the place it lays out: past some
    // thousands of tables each step takes the window tens of milliseconds.
    static constexpr qint64 maxTables = 5'000;
    // Qt lays out the rest of a document in steps, each at once while the window waits: the
    // first a thousand characters long, each next one twice as long as the one before, up to
    // 200,000. So the step that reaches a place began about half way to it. The paragraphs one
    // step lays out, each counted as its rows and rowsPerParagraph more, may cost no more than
    // this: 20,000 two-letter paragraphs in one step hold the window about 85 ms on a quiet
    // machine. Short paragraphs by the fifty thousand would hold it longer; a long book of
    // ordinary paragraphs stays formatted.
    static constexpr qint64 firstStepCharacters = 1'000;
    static constexpr qint64 maxStepCharacters = 200'000;
    static constexpr qint64 maxStepRows = 120'000;

private:
    qint64 m_paragraphs = 0;
    qint64 m_rows = 0;
    qint64 m_tabRows = 0; // what the tabs cost beyond their rows
    qint64 m_height = 0;
    qint64 m_tables = 0;
    bool m_paragraphTooLong = false;
    // The paragraphs of the step under way, by their first character, with their costs.
    struct Laid
    {
        qint64 start = 0;
        qint64 rows = 0;
    };
    std::deque<Laid> m_step;
    qint64 m_stepRows = 0;
    qint64 m_heaviestStep = 0;
    qint64 m_length = 0; // of the document so far, in characters (wide ones counted twice)
};
