// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/textdecoder.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringDecoder>
#include <QStringEncoder>

// Decodes a file's bytes handed over in pieces, in one encoding for the whole file: a character
// cut between two pieces is decoded whole. It also tells whether the text is the file's bytes
// exactly: every byte must belong to a character of the encoding, and (but for Windows-1252,
// which maps every byte to a character of its own) the characters must encode back to the very
// same bytes, so that a later save changes no byte the user did not change. Bytes without
// their byte-order mark, which the caller takes off.
class PieceDecoder
{
public:
    explicit PieceDecoder(TextEncoding encoding);

    // Room, in characters, that decoding bytes takes at most.
    qsizetype requiredSpace(qsizetype bytes) const;
    // Decodes piece into out (room for requiredSpace() characters); returns the end.
    QChar *decode(QByteArrayView piece, QChar *out);
    // A byte so far was no character of the encoding, or did not come back.
    bool hasError() const { return m_error; }
    // Bytes decoded into nothing yet: the start of a character the next piece completes.
    qsizetype pendingBytes() const { return m_unmatched.size(); }
    // After the last piece: every byte came back, none is left over.
    bool isExact() const { return !m_error && m_unmatched.isEmpty(); }

private:
    TextEncoding m_encoding;
    QStringDecoder m_decoder;
    QStringEncoder m_encoder;
    QByteArray m_unmatched; // bytes whose characters the decoder still holds
    bool m_error = false;
};
