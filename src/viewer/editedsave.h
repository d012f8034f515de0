// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/atomicfilewriter.h"

#include "plaintext/textbuffer.h"
#include "text/sourcemap.h"
#include "text/sourcewalker.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Writes an edited plain text back to the file it was read from, changing no byte that was not
// edited: the stretches of the text still as read are copied from the file, so that each line
// keeps its own line end and bytes that made no character, or a character the encoding cannot
// give back alike, stay as they were; only what was edited is encoded, in the file's encoding,
// and a line end typed takes the line end of the line it was typed in. A CR left just before an
// LF (by removing what was between) gets a CR of its own, so that the two stay two line ends.
class EditedSave
{
public:
    enum class Outcome {
        NotPossible, // the text is not the one read with the map, or the file's bytes changed
                     // since: nothing was written, the caller encodes the whole text instead
        Written,
        Failed, // error says why; the file keeps its old content
    };
    struct Result
    {
        Outcome outcome = Outcome::NotPossible;
        QString error;
        // Where the text lies in the file as written, for the next save; its textMark is for
        // the caller to set (TextBuffer::markOriginal() of the text saved).
        SourceMap saved;
    };

    // lineEnding is for a line typed where the file has no line end to copy.
    static Result write(const QString &path, const TextBuffer &text, const SourceMap &source,
                        LineEnding lineEnding,
                        const AtomicFileWriter::Keep &keep = AtomicFileWriter::Keep(),
                        bool followLinks = true,
                        const AtomicFileWriter::Going &going = AtomicFileWriter::Going());

    // Whether write() can write only the edits of text: it is the text read with source (the
    // file may still have changed since, which write() finds out).
    static bool writesOnlyEdits(const TextBuffer &text, const SourceMap &source);

    // The bytes write() would give the file, from its old bytes in file; nothing when it cannot
    // be done this way.
    static std::optional<QByteArray> bytes(const TextBuffer &text, const SourceMap &source,
                                           ByteSource &file, LineEnding lineEnding,
                                           SourceMap *saved = nullptr);

    // Edited stretches up to this many characters are compared with what they replaced, so that
    // what an undo put back, or a case mapping left alone, is copied as well.
    static constexpr qsizetype compareUpTo = 4 << 20;
};
