// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtf/rtfcjkfallback.h"

#include "rtf/rtffont.h"

#include <QGuiApplication>

#include <utility>

namespace {

// The writing systems, with the tag that names a family made for each (Noto Sans CJK JP ...).
constexpr std::pair<QFontDatabase::WritingSystem, QLatin1StringView> kSystems[] = {
    {QFontDatabase::Japanese, QLatin1StringView(" JP")},
    {QFontDatabase::Korean, QLatin1StringView(" KR")},
    {QFontDatabase::SimplifiedChinese, QLatin1StringView(" SC")},
    {QFontDatabase::TraditionalChinese, QLatin1StringView(" TC")}};

// Index into kSystems of the font's character set or code page, -1 for another one.
int systemOf(const RtfFont &font)
{
    switch (font.codePage > 0 ? font.codePage : font.charset) {
    case 128: // Shift-JIS
    case 932:
        return 0;
    case 129: // Hangul, Johab
    case 130:
    case 949:
    case 1361:
        return 1;
    case 134: // GB2312
    case 936:
        return 2;
    case 136: // Big5
    case 950:
        return 3;
    default:
        return -1;
    }
}

} // namespace

const QString &RtfCjkFallback::familyFor(const RtfFont &font)
{
    static const QString none;
    const int system = systemOf(font);
    if (system < 0)
        return none;
    std::optional<QString> &found = m_families[std::size_t(system)];
    if (found)
        return *found;
    found = QString();
    // Without a GUI application there are no fonts to ask.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return *found;
    // Of the families for the writing system, one made for it and a sans one first, as the
    // pane's own font is.
    int best = -1;
    for (const QString &family : QFontDatabase::families(kSystems[system].first)) {
        if (QFontDatabase::isPrivateFamily(family))
            continue;
        const int score = (family.endsWith(kSystems[system].second) ? 2 : 0) +
                          (family.contains(QLatin1StringView("Sans")) ? 1 : 0);
        if (score > best) {
            best = score;
            *found = family;
        }
    }
    return *found;
}
