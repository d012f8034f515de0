// SPDX-License-Identifier: GPL-3.0-or-later
#include "autoviewinterval.h"

#include <cmath>
#include <QRegularExpression>

std::optional<int> AutoViewInterval::parse(const QString &caption)
{
    static const QRegularExpression number(QStringLiteral(R"(^\s*[+-]?(\d+(\.\d*)?|\.\d+)\s*$)"));
    if (!number.match(caption).hasMatch())
        return std::nullopt;
    // A long run of digits is simply a large number; the double never overflows to a wrong
    // small value the way an integer would.
    bool ok = false;
    const double value = caption.trimmed().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    const double rounded = std::round(value);
    if (rounded < 1 || rounded > maximumMilliseconds)
        return std::nullopt;
    return static_cast<int>(rounded);
}
