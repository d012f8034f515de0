#pragma once

#include "app/textdecoder.h"

#include <QTest>

// The columns and row maker shared by the data tables that read bytes into text: the bytes, the
// text they give, and the encoding and line ending found in them.
inline void addDecodingColumns()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::addColumn<TextEncoding>("encoding");
    QTest::addColumn<LineEnding>("lineEnding");
}

inline void decodingRow(const char *name, const QByteArray &bytes, const QString &text,
                        TextEncoding encoding, LineEnding lineEnding)
{
    QTest::newRow(name) << bytes << text << encoding << lineEnding;
}
