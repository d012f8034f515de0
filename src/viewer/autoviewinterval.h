// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <QString>

// The Auto view interval as the user typed it into the interval label.
class AutoViewInterval
{
public:
    static constexpr int defaultMilliseconds = 5000;
    static constexpr int maximumMilliseconds = 65535;

    // Milliseconds for a whole number in 1..65535: optional blanks around it, an optional sign,
    // digits, and an optional decimal point with more digits, rounded half away from zero
    // ("250.5" is 251). No thousands separators or exponents. Nothing for any other text, and
    // for 0, which would stop the timer for good.
    static std::optional<int> parse(const QString &caption);
};
