#pragma once

#include <QTextFormat>

// Properties the RTF reader stores in a document for what Qt's formats cannot say, so that the
// writer can give them back.
namespace RtfProperty {
// bool on a character format: the underline is double (Qt draws it single).
constexpr int DoubleUnderline = QTextFormat::UserProperty + 0x7201;
} // namespace RtfProperty
