// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <optional>
#include <QString>
#include <QStringView>

enum class CaseMode { None, Upper, Lower };

// Capitals or small letters for a whole text, or for the part of it that changed. Each character
// is mapped on its own, as Qt maps it (ß becomes SS), except that half of a pair without its
// other half stays as it is, where Qt would put a replacement character.
class CaseConversion
{
public:
    static QString convert(const QString &text, CaseMode mode);
    // The same, in the text itself; returns whether anything changed (the text is not even
    // detached when nothing does).
    static bool convertInPlace(QString &text, CaseMode mode);

    struct Edit
    {
        qsizetype start = 0;
        qsizetype length = 0;
        QString replacement;
    };

    // The edit that puts the changed part [from, to) of a text into the mode's case, given that
    // the rest of the text already is; nothing when it already is too. Applying it gives what
    // converting the whole text gives. The part is widened to whole characters, so a character
    // outside the Basic Multilingual Plane is converted whole also when only one half changed.
    // The text may be a window of a larger one that reaches one position beyond the part on
    // either side where the larger text has one; positions are the window's.
    static std::optional<Edit> forChange(QStringView text, qsizetype from, qsizetype to,
                                         CaseMode mode);
    // The same in steps of about stepSize characters, never cutting a pair, for a part too long
    // to convert at once: goOn is told the characters converted so far after each step, and
    // when it returns false the conversion stops and gives nothing.
    static std::optional<Edit> forChangeInSteps(QStringView text, qsizetype from, qsizetype to,
                                                CaseMode mode, qsizetype stepSize,
                                                const std::function<bool(qsizetype done)> &goOn);
};
