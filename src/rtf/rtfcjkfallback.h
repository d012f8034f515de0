// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFontDatabase>
#include <QString>

#include <array>
#include <optional>

struct RtfFont;

// Qt finds a font for the characters a run's own font lacks by searching the system's fonts,
// item by item and character by character; for a long CJK text that search is most of its
// layout. The runs of a font made for a CJK character set (\fcharset128 ...) name a CJK family
// of the system after their own, so that Qt takes it at once. Their own family, the one a save
// writes, stays first; runs of one font all get the same, so a save merges them as before.
class RtfCjkFallback
{
public:
    // The family to name after the font's own, empty for a font of another character set.
    const QString &familyFor(const RtfFont &font);

private:
    std::array<std::optional<QString>, 4> m_families; // by writing system, looked up once
};
