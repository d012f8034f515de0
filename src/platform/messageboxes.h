// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Message boxes as the program uses them: a text, an icon, OK or Yes/No, and a title.
class MessageBoxes
{
public:
    enum class Icon { None, Information, Question, Critical };
    enum class Buttons { Ok, YesNo, YesNoDefaultNo }; // the last for risky questions
    enum class Answer { Ok, Yes, No };

    virtual ~MessageBoxes() = default;
    virtual Answer show(const QString &text, Icon icon, Buttons buttons,
                        const QString &title = QStringLiteral("Pagewell")) = 0;
};
