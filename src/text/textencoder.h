// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/textdecoder.h"

#include <optional>
#include <QByteArray>
#include <QString>

// Turns text back into a file's bytes, the way TextDecoder read it: '\n' becomes the line end
// given, a byte-order mark is written for the encodings that had one. Every other character is
// kept as it is. A text that the encoding cannot hold gives no bytes at all (never a '?' in
// place of a character): the caller decides, with the user, what to do instead.
class TextEncoder
{
public:
    static std::optional<QByteArray> encode(QString text, TextEncoding encoding,
                                            LineEnding lineEnding);
};
