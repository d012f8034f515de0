// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

// Borders of a cell or a row, as bits.
namespace RtfBorder {
enum : quint8 {
    Top = 1,
    Left = 2,
    Bottom = 4,
    Right = 8,
    InnerHorizontal = 16, // rows only: between rows
    InnerVertical = 32,   // rows only: between cells
};
}

// One \cellx of a row definition and what came before it.
struct RtfCellDefinition
{
    enum Merge : quint8 {
        NoMerge = 0,
        FirstOfRow = 1,    // \clmgf
        InRow = 2,         // \clmrg: part of the cell on its left
        FirstOfColumn = 4, // \clvmgf
        InColumn = 8,      // \clvmrg: part of the cell above
    };
    int right = 0; // twips from the row's left edge
    quint8 borders = 0;
    quint8 merge = NoMerge;
    QByteArray words; // kept words the pane does not show (RtfKeptWords), borders' styles too
};

// A table row's \trowd ... \cellx definition.
struct RtfRowDefinition
{
    QList<RtfCellDefinition> cells;
    quint8 borders = 0;
    bool nested = false; // defined in \nesttableprops: a row of a table inside a cell
    quint64 serial = 0;  // counts \trowd, so a reader can tell a new definition from an old one
    QByteArray words;    // kept words the pane does not show (RtfKeptWords)
};
