// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>

// One lexical unit of RTF. The views point into the input buffer.
struct RtfToken
{
    enum Type : quint8 {
        End,
        GroupOpen,
        GroupClose,
        ControlWord,
        ControlSymbol,
        HexByte,
        Text,
        Binary,
    };

    Type type = End;
    bool hasParameter = false;
    quint8 value = 0; // control symbol character or \'hh byte
    int parameter = 0;
    QByteArrayView data; // control word name, text run or \bin payload
};
