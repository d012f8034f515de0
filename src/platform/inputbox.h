#pragma once

#include <QString>

// A one-line question. Cancel answers with an empty text, as the program expects.
class InputBox
{
public:
    virtual ~InputBox() = default;
    virtual QString ask(const QString &prompt, const QString &title,
                        const QString &defaultText) = 0;
};
