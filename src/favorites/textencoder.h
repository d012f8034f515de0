#pragma once

#include "app/textdecoder.h"

#include <QByteArray>
#include <QString>

struct EncodedText
{
    QByteArray bytes;
    TextEncoding encoding = TextEncoding::Utf8; // the one actually used
};

// Turns text back into a file's bytes, the way TextDecoder read it: '\n' becomes the line end
// given, a byte-order mark is written for the encodings that had one. A text that the encoding
// cannot hold is written as UTF-8 instead, rather than losing characters.
class TextEncoder
{
public:
    static EncodedText encode(QString text, TextEncoding encoding, LineEnding lineEnding);
};
