// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>

// True when the data starts with "{\rtf", after optional blanks or a UTF-8 BOM.
bool isRtf(QByteArrayView data);
