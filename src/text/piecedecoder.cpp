// SPDX-License-Identifier: GPL-3.0-or-later
#include "piecedecoder.h"

#include "text/textencodings.h"

namespace {

// Qt's UTF-16 and UTF-32 decoders keep a character's first bytes for the next call only when
// they are not stateless; a leading U+FEFF is a character here, the mark is already gone.
constexpr QStringConverter::Flags streamFlags = QStringConverter::Flag::ConvertInitialBom;

QStringDecoder decoderFor(TextEncoding encoding)
{
    if (const char *name = TextEncodings::converterName(encoding))
        return QStringDecoder(name, streamFlags);
    return QStringDecoder(TextDecoder::unicodeConverter(encoding), streamFlags);
}

QStringEncoder encoderFor(TextEncoding encoding)
{
    if (const char *name = TextEncodings::converterName(encoding))
        return QStringEncoder(name);
    return QStringEncoder(TextDecoder::unicodeConverter(encoding));
}

} // namespace

PieceDecoder::PieceDecoder(TextEncoding encoding)
    : m_encoding(encoding), m_decoder(decoderFor(encoding)), m_encoder(encoderFor(encoding))
{
    if (encoding != TextEncoding::Windows1252 && (!m_decoder.isValid() || !m_encoder.isValid()))
        m_error = true; // this Qt lacks the converter
}

qsizetype PieceDecoder::requiredSpace(qsizetype bytes) const
{
    if (m_encoding == TextEncoding::Windows1252 || !m_decoder.isValid())
        return bytes;
    return m_decoder.requiredSpace(bytes);
}

QChar *PieceDecoder::decode(QByteArrayView piece, QChar *out)
{
    if (m_encoding == TextEncoding::Windows1252)
        return TextDecoder::fromWindows1252(piece, out);
    if (m_error)
        return out;
    QChar *end = m_decoder.appendToBuffer(out, piece);
    if (m_decoder.hasError()) {
        m_error = true;
        return end;
    }
    // What the decoder gave must encode to the bytes it came from; those of a character not
    // complete yet wait for the next piece.
    m_unmatched.append(piece.data(), piece.size());
    const QByteArray back = m_encoder.encode(QStringView(out, end - out));
    if (m_encoder.hasError() || !m_unmatched.startsWith(back))
        m_error = true;
    else
        m_unmatched.remove(0, back.size());
    return end;
}
