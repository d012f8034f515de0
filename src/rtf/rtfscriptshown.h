// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtfproperties.h"

#include <QTextCharFormat>
#include <QVariantList>

#include <array>

// Text of another script (Arabic, Hebrew, Chinese ...) is shown in the font, size, bold and
// italic its words say for that script, while a save writes the run's own: what it was read with.
namespace RtfScriptShown {

inline constexpr std::array<int, 4> kProperties = {
    QTextFormat::FontFamilies, QTextFormat::FontPointSize, QTextFormat::FontWeight,
    QTextFormat::FontItalic};

// The format shown, marked with the run's own values (base) of the four properties.
inline QTextCharFormat shown(const QTextCharFormat &base, QTextCharFormat shown)
{
    QVariantList values;
    for (const int property : kProperties)
        values.append(base.property(property));
    for (const int property : kProperties)
        values.append(shown.property(property));
    shown.setProperty(RtfProperty::ScriptShown, values);
    return shown;
}

// The format a save writes: the run's own values where the shown ones are still there (the
// user may have changed them since).
inline QTextCharFormat asWritten(QTextCharFormat format)
{
    const QVariantList values = format.property(RtfProperty::ScriptShown).toList();
    if (values.size() != 2 * qsizetype(kProperties.size()))
        return format;
    for (size_t i = 0; i < kProperties.size(); ++i) {
        const int property = kProperties[i];
        if (format.property(property) != values.at(qsizetype(kProperties.size() + i)))
            continue;
        if (const QVariant &own = values.at(qsizetype(i)); own.isValid())
            format.setProperty(property, own);
        else
            format.clearProperty(property);
    }
    format.clearProperty(RtfProperty::ScriptShown);
    return format;
}

} // namespace RtfScriptShown
