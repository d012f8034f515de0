// SPDX-License-Identifier: GPL-3.0-or-later
#include "plaintextcontent.h"

std::optional<QByteArray> PlainTextContent::forSave(QString text, const ShownFile &format)
{
    if (!text.endsWith(u'\n'))
        text += u'\n';
    return TextEncoder::encode(std::move(text), format.encoding, format.lineEnding);
}
