// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtftoken.h"

// Splits RTF into tokens without copying. CR, LF and NUL between tokens are
// dropped; \binN is returned as one Binary token holding its payload.
class RtfTokenizer
{
public:
    explicit RtfTokenizer(QByteArrayView data);

    RtfToken next();
    // Bytes consumed so far.
    qsizetype offset() const { return m_pos - m_begin; }

    // The value of one hexadecimal digit, or -1 for any other character.
    static int hexValue(char c);

private:
    bool readControl(RtfToken &token);

    const char *m_begin;
    const char *m_pos;
    const char *m_end;
};
