// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// One entry of the font table.
struct RtfFont
{
    int number = 0;
    int charset = -1; // \fcharset, -1 when absent
    int codePage = 0; // \cpg, 0 when absent
    QString name;
};
