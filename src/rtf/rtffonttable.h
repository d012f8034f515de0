// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtffont.h"

#include <QHash>

// The fonts of a document by their number.
class RtfFontTable
{
public:
    void insert(const RtfFont &font) { m_fonts.insert(font.number, font); }
    const RtfFont *find(int number) const
    {
        const auto it = m_fonts.constFind(number);
        return it == m_fonts.constEnd() ? nullptr : &it.value();
    }
    void clear() { m_fonts.clear(); }
    const QHash<int, RtfFont> &all() const { return m_fonts; }

private:
    QHash<int, RtfFont> m_fonts;
};
