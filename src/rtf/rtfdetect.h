#pragma once

#include <QByteArrayView>

// True when the data starts with "{\rtf", after optional blanks or a UTF-8 BOM.
bool isRtf(QByteArrayView data);
