// SPDX-License-Identifier: GPL-3.0-or-later
#include "legacyencodingguess.h"

#include "text/piecedecoder.h"
#include "text/textencodings.h"

#include <uchardet.h>

#include <QList>
#include <QString>

#include <algorithm>
#include <array>
#include <memory>

namespace {

using E = TextEncoding;

// Code pages that share most of their letters, which a detector tells apart poorly: the guess
// is weighed against the other of its pair. The detector's own guess wins a tie, but for a
// code page and its extension: the text is then in the narrower one.
struct Pair
{
    E first;
    E second;
    bool extends; // second extends first
};
constexpr Pair pairs[] = {
    {E::Windows1252, E::Iso8859_15, false}, {E::Windows1250, E::Iso8859_2, false},
    {E::Windows1253, E::Iso8859_7, false},  {E::Koi8R, E::Koi8U, false},
    {E::Windows1254, E::Iso8859_9, false},  {E::Windows1255, E::Iso8859_8, false},
    {E::Windows1257, E::Iso8859_13, false}, {E::EucKr, E::Cp949, true},
};

// The sample decoded in encoding: none when a byte is no character of it or would not be
// written back the same. The sample may end inside a character.
std::optional<QString> decodeSample(QByteArrayView sample, TextEncoding encoding)
{
    PieceDecoder decoder(encoding);
    QString text(decoder.requiredSpace(sample.size()), Qt::Uninitialized);
    QChar *end = decoder.decode(sample, text.data());
    if (decoder.hasError() || decoder.pendingBytes() > 4)
        return std::nullopt;
    text.truncate(end - text.constData());
    return text;
}

// How much a decoded text looks like words: its characters beyond ASCII that are letters
// count for it, the others (symbols, fractions, box drawing, controls) against it.
qsizetype wordiness(const QString &text)
{
    qsizetype score = 0;
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            score += c.isLetter() || c.isMark() ? 1 : -1;
    }
    return score;
}

std::optional<TextEncoding> detected(QByteArrayView sample)
{
    std::unique_ptr<uchardet, decltype(&uchardet_delete)> detector(uchardet_new(),
                                                                   &uchardet_delete);
    if (!detector || uchardet_handle_data(detector.get(), sample.data(), size_t(sample.size())))
        return std::nullopt;
    uchardet_data_end(detector.get());
    const char *name = uchardet_get_charset(detector.get());
    std::optional<TextEncoding> encoding = TextEncodings::fromName(name ? name : "");
    // Latin-1 text is Windows-1252 text: the same letters, and typographic quotes and the
    // euro sign where Latin-1 has control codes.
    if (encoding == E::Iso8859_1)
        encoding = E::Windows1252;
    if (!encoding || (!TextEncodings::isCodePage(*encoding) && *encoding != E::Windows1252))
        return std::nullopt; // unsure, or a Unicode guess for what is no valid Unicode
    return encoding;
}

// Too few bytes beyond ASCII, or too few different ones, to tell a code page by: a word or two,
// a lone sign, a run of one byte over and over.
bool tooLittleToTell(QByteArrayView sample)
{
    std::array<bool, 128> seen{};
    qsizetype count = 0;
    int different = 0;
    for (char c : sample) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            continue;
        ++count;
        if (!seen[byte - 0x80]) {
            seen[byte - 0x80] = true;
            ++different;
        }
    }
    return count < 8 || different < 3;
}

} // namespace

QByteArrayView LegacyEncodingGuess::sampleOf(QByteArrayView bytes)
{
    const auto high = std::find_if(bytes.begin(), bytes.end(),
                                   [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    if (high == bytes.end())
        return {};
    qsizetype from = high - bytes.begin();
    // The line it is in gives the detector some words around it, when that line is short.
    const qsizetype lineStart = bytes.first(from).lastIndexOf('\n') + 1;
    if (from - lineStart <= 1024)
        from = lineStart;
    return bytes.sliced(from, std::min(sampleSize, bytes.size() - from));
}

TextEncoding LegacyEncodingGuess::of(QByteArrayView sample)
{
    sample = sample.first(std::min(sample.size(), sampleSize));
    if (tooLittleToTell(sample))
        return E::Windows1252;
    const std::optional<TextEncoding> guess = detected(sample);
    if (!guess)
        return E::Windows1252;
    QList<TextEncoding> rivals = {*guess};
    for (const Pair &pair : pairs) {
        if (pair.extends && (*guess == pair.first || *guess == pair.second))
            rivals = {pair.first, pair.second};
        else if (*guess == pair.first || *guess == pair.second)
            rivals = {*guess, *guess == pair.first ? pair.second : pair.first};
    }
    std::optional<TextEncoding> best;
    qsizetype bestScore = 0;
    for (TextEncoding rival : rivals) {
        if (!TextEncodings::isAvailable(rival))
            continue;
        const std::optional<QString> text = decodeSample(sample, rival);
        if (!text)
            continue;
        const qsizetype score = wordiness(*text);
        if (!best || score > bestScore) {
            best = rival;
            bestScore = score;
        }
    }
    // A guess that reads the sample as Windows-1252 does (ISO-8859-2 for "café") is taken as
    // Windows-1252, as before: it can hold more of what the user may type.
    if (!best || decodeSample(sample, *best) == decodeSample(sample, E::Windows1252))
        return E::Windows1252;
    return *best;
}
