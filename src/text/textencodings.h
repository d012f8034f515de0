// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/textdecoder.h"

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <optional>

// The encodings Pagewell reads and writes, with the names users and converters know them by.
// Unicode and Windows-1252 are converted by Pagewell itself; the older code pages by Qt's
// converters (ICU), by name.
class TextEncodings
{
public:
    // As menus show it: "UTF-8", "Windows-1251", "Shift-JIS" ...
    static QString label(TextEncoding encoding);
    // The name Qt's QStringDecoder and QStringEncoder take, for an older code page; nullptr for
    // the encodings Pagewell converts itself.
    static const char *converterName(TextEncoding encoding);
    // Converted by name (see converterName) and so by Qt's converters.
    static bool isCodePage(TextEncoding encoding) { return converterName(encoding) != nullptr; }
    // Whether this Qt can both decode and encode it.
    static bool isAvailable(TextEncoding encoding);
    // Holds characters beyond the Basic Multilingual Plane (written as surrogate pairs in text).
    static bool holdsEveryCharacter(TextEncoding encoding);
    // The encoding a charset name stands for (as detectors and MIME name them, letter case and
    // '-' or '_' aside); none for an unknown one.
    static std::optional<TextEncoding> fromName(QByteArrayView name);
    // Those a user is offered to read a file in, in the order offered.
    static QList<TextEncoding> choices();
    // The same encoding as the user chooses it: one with and without a byte-order mark alike.
    static TextEncoding asChosen(TextEncoding encoding);
};
