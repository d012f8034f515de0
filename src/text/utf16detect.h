// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/textdecoder.h"

#include <QByteArrayView>

#include <optional>

// UTF-16 written without a byte-order mark, told by its zero bytes: text in the Latin, Greek or
// Cyrillic ranges has a zero in every other byte, the high byte of each unit, and (almost) none
// in the low ones. Looks at the first bytes only; a text of other scripts is not recognised.
std::optional<TextEncoding> utf16WithoutByteOrderMark(QByteArrayView head);
