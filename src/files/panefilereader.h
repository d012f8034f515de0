// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/memorybudget.h"
#include "files/wholefilereader.h"
#include "plaintext/plaintextloader.h"

#include <QByteArray>
#include <QFont>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>

class QTextDocument;
class ScanGrowth;

// Reads a file for the viewing pane, on any thread: Rich Text Format into a formatted document
// (built where it is read, so a large one does not hold up the window, and handed to the GUI
// thread), plain text decoded into the pane's buffer. A large plain file is decoded block by block
// as it is read, so that its bytes are never held beside its text; a small one is read whole and
// its bytes are kept for the reader.
class PaneFileReader
{
public:
    struct Result
    {
        WholeFileReader::Status status = WholeFileReader::Status::Failed;
        QString error;          // for the user, with the native path; empty when Ok
        bool cancelled = false; // dropped for a newer choice: nothing to report
        bool rich = false;      // RTF: document holds it, bytes the file
        QByteArray bytes;       // RTF, or a small plain file (for the reader)
        // The RTF file's document, living in the GUI thread, deleted unless something takes it
        // as its child; and its text without formatting.
        std::shared_ptr<QTextDocument> document;
        QString richPlainText;
        // RTF too long to show formatted in time: no document, its text and bytes only.
        bool unformatted = false;
        PlainTextLoader::Result plain;
        // Plain text read in the encoding the limits named; notInEncoding: that encoding does
        // not hold the file's bytes exactly, and nothing was read.
        std::optional<TextEncoding> chosenEncoding;
        bool notInEncoding = false;
    };

    struct Limits
    {
        qint64 maximumSize = qint64(4) << 30; // what Pagewell decodes whole at all
        // A plain text left in its file (FileBackedLoader) takes memory for its index only.
        qint64 maximumKeptInFile = qint64(1) << 40;
        MemoryBudget budget;
        qint64 richMemoryPerByte = 8;    // building a formatted document takes this much per byte
        qint64 readWholeUpTo = 16 << 20; // plain files up to this size are read whole
        bool plainTextOnly = false;      // an RTF file too is shown as its markup
        std::optional<TextEncoding> encoding; // plain text is read in this, not recognized
        // The pane's font: a formatted document gets its default font (RichDocumentFont) where
        // it is built. None: the document keeps Qt's, and the pane sets its own.
        std::optional<QFont> richFont;
        // Where a large plain text left in its file has the text found so far while it is read.
        std::shared_ptr<ScanGrowth> growth;
    };

    // What can be told before reading, cheaply enough for the GUI thread: whether the file is
    // there, is a regular file, and fits the size limit and the memory left. Ok or a failure.
    static Result check(const QString &path, const Limits &limits);

    static Result read(const QString &path, const Limits &limits,
                       const std::atomic<bool> *cancel = nullptr,
                       const PlainTextLoader::Progress &progress = {});

    // An RTF file's document built from result.bytes on this thread (or, too long to show
    // formatted in time, its text only), handed to the GUI thread as read() hands it.
    static void buildRichDocument(Result &result, const std::optional<QFont> &font);

    // The first lines of a plain file, for a first screen while the whole is read; empty for
    // RTF or when the file cannot be read.
    static TextBuffer head(const QString &path);
    static constexpr qint64 headBytes = 64 << 10;

    // Memory a plain file's text takes per byte of the file at most: two bytes a character,
    // its line index, and room for the blocks being decoded.
    static qint64 plainMemoryFor(qint64 size) { return 2 * size + size / 4 + (8 << 20); }
};
