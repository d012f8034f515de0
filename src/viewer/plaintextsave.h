// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/textbuffer.h"
#include "text/sourcemap.h"
#include "viewer/atomicfilewriter.h"
#include "viewer/shownfile.h"

#include <functional>
#include <optional>
#include <QByteArray>
#include <QString>
#include <QStringView>

class MessageBoxes;

// The bytes of a plain text about to be written to a file, in the conventions the shown file
// has. A text that no longer fits the file's encoding (a character typed that Windows-1252
// lacks) is never re-encoded silently, nor written with a '?' in its place: the user is asked
// whether to save it as UTF-8, and when they say no nothing is written.
class PlainTextSave
{
public:
    struct Content
    {
        QByteArray bytes;
        TextEncoding encoding; // the one written, which the user may have changed to UTF-8
    };
    static std::optional<Content> bytesFor(MessageBoxes &messages, const QString &path,
                                           const QString &text, const ShownFile &format);

    // A text handed over in pieces: calls visit with each in order, and stops when it returns
    // false.
    using Pieces = std::function<void(const std::function<bool(QStringView)> &visit)>;

    // Writes the text to path as bytesFor() makes its bytes, and as safely as AtomicFileWriter
    // does, but encoded piece by piece straight into the file, so that a large text is never
    // copied whole. The question about UTF-8 comes before anything is written.
    struct Written
    {
        bool written = false;  // false: the user chose to write nothing, or it failed
        QString error;         // why it failed, for the user
        TextEncoding encoding; // the one written
        // Where the text lies in the file written, when only its edits were written.
        std::optional<SourceMap> saved;
        // Nothing was written: the whole text had to be encoded after all, and the encoding
        // cannot hold it (the caller asks about UTF-8).
        bool doesNotFit = false;
    };
    // Without followLinks a symbolic link under the name is replaced, never written through.
    static Written write(MessageBoxes &messages, const QString &path, const Pieces &text,
                         const ShownFile &format,
                         const AtomicFileWriter::Keep &keep = AtomicFileWriter::Keep(),
                         bool followLinks = true);

    // The same for the file the text was read from: when edited is that text, with the record
    // of its edits, and source where it lay in the file (still as it was), only the edits are
    // written (EditedSave); otherwise, or when the user chose UTF-8, the whole text.
    static Written writeBack(MessageBoxes &messages, const QString &path, const Pieces &text,
                             const std::optional<TextBuffer> &edited, const SourceMap *source,
                             const ShownFile &format,
                             const AtomicFileWriter::Keep &keep = AtomicFileWriter::Keep(),
                             bool followLinks = true);

    // What the user is asked when the text no longer fits the file's encoding.
    static QString utf8Question(const QString &path, TextEncoding encoding);
    // Whether the encoding holds every character of the text.
    static bool fits(const Pieces &text, TextEncoding encoding);
    // Whether it holds what writeBackIn() encodes: where only the edits can be written, the
    // characters added since the text was read (the rest is copied as the file has it, whatever
    // the encoding makes of it), so that a large file is not decoded whole for one typed key;
    // otherwise the whole text.
    static bool fitsWriteBack(TextEncoding encoding, const Pieces &text,
                              const std::optional<TextBuffer> &edited, const SourceMap *source,
                              const ShownFile &format);
    // write() and writeBack() in an encoding decided before (which holds the text): they ask
    // nothing, so they may run off the window's thread; going is told the bytes written and
    // may stop the write, which leaves the file as it was.
    static Written writeIn(TextEncoding encoding, const QString &path, const Pieces &text,
                           const ShownFile &format,
                           const AtomicFileWriter::Keep &keep = AtomicFileWriter::Keep(),
                           bool followLinks = true,
                           const AtomicFileWriter::Going &going = AtomicFileWriter::Going());
    // writeBackIn() tells by doesNotFit when it had to encode the whole text after all and
    // the encoding cannot hold it.
    static Written writeBackIn(TextEncoding encoding, const QString &path, const Pieces &text,
                               const std::optional<TextBuffer> &edited, const SourceMap *source,
                               const ShownFile &format,
                               const AtomicFileWriter::Keep &keep = AtomicFileWriter::Keep(),
                               bool followLinks = true,
                               const AtomicFileWriter::Going &going = AtomicFileWriter::Going());

private:
    // Encodes the text whole in the format's encoding (which can hold it).
    static Written writeWhole(const QString &path, const Pieces &text, const ShownFile &format,
                              const AtomicFileWriter::Keep &keep, bool followLinks,
                              const AtomicFileWriter::Going &going);
};
