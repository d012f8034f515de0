// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/textencoder.h"
#include "viewer/shownfile.h"

#include <QByteArray>
#include <QString>

// The bytes of a plain text file written from the viewing pane.
class PlainTextContent
{
public:
    // Written back to its file: in the encoding and line-end style it was read with, ending in
    // one line end (added only when the text lacks it, so saving never grows the file). None
    // when the text holds a character that the encoding cannot.
    static std::optional<QByteArray> forSave(QString text, const ShownFile &format);
};
