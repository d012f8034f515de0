// SPDX-License-Identifier: GPL-3.0-or-later
#include "filebackedloader.h"

#include "plaintext/filescan.h"
#include "plaintext/scangrowth.h"
#include "text/legacyencodingguess.h"
#include "text/lineendtally.h"

#include <QByteArray>

#include <cerrno>
#include <fcntl.h>
#include <memory>
#include <new>
#include <unistd.h>

namespace {

// The code page of a text that is not UTF-8, from a sample where its first byte beyond ASCII is.
TextEncoding codePageGuess(int fd, qint64 firstHigh)
{
    const qint64 context = 1024;
    const qint64 from = std::max<qint64>(0, firstHigh - context);
    const QByteArray bytes = FileScan::readAt(fd, from, context + LegacyEncodingGuess::sampleSize);
    return LegacyEncodingGuess::of(LegacyEncodingGuess::sampleOf(bytes));
}

// How the bytes of a text in encoding make characters, for the encodings kept in the file.
std::optional<FileScan::Form> formOf(TextEncoding encoding)
{
    switch (encoding) {
    case TextEncoding::Utf8:
    case TextEncoding::Utf8WithBom:
        return FileScan::Form::Utf8;
    case TextEncoding::Windows1252:
        return FileScan::Form::SingleByte;
    case TextEncoding::Utf16LE:
    case TextEncoding::Utf16LENoBom:
        return FileScan::Form::Utf16LE;
    case TextEncoding::Utf16BE:
    case TextEncoding::Utf16BENoBom:
        return FileScan::Form::Utf16BE;
    default:
        return std::nullopt;
    }
}

// The bytes of the longest run of spans without a line break: about the longest line's.
qint64 longestLineBytes(const FileScan::Part &part)
{
    qint64 longest = 0;
    qint64 run = 0;
    for (const FileSource::Span &span : part.spans) {
        run = span.breaks > 0 ? 0 : run + span.bytes;
        longest = std::max(longest, run);
    }
    return longest;
}

// A source of the text's own, on a duplicate of fd; none when no descriptor is left.
std::shared_ptr<FileSource> ownSource(int fd, TextEncoding encoding)
{
    const int own = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (own < 0)
        return nullptr;
    return std::make_shared<FileSource>(own, encoding);
}

} // namespace

bool FileBackedLoader::takes(QByteArrayView head, std::optional<TextEncoding> encoding)
{
    if (encoding)
        return *encoding == TextEncoding::Windows1252;
    if (const auto bom = TextDecoder::byteOrderMark(head))
        return formOf(bom->encoding).has_value();
    const auto unmarked = TextDecoder::unmarkedUnicode(head);
    return !unmarked || formOf(*unmarked).has_value();
}

std::optional<PlainTextLoader::Result>
FileBackedLoader::load(int fd, qint64 size, const std::atomic<bool> *cancel,
                       const PlainTextLoader::Progress &progress,
                       std::optional<TextEncoding> encoding, ScanGrowth *growth)
{
    using Result = PlainTextLoader::Result;
    using Status = PlainTextLoader::Status;
    // However the load ends, the text found so far stops growing: the whole comes next.
    struct GrowthEnd
    {
        ScanGrowth *growth;
        ~GrowthEnd()
        {
            if (growth)
                growth->stop();
        }
    } growthEnd{growth};
    try {
        const QByteArray head = FileScan::readAt(fd, 0, headBytes);
        if (head.isEmpty() || !takes(head, encoding))
            return std::nullopt;
        qint64 textStart = 0;
        TextEncoding found = encoding ? *encoding : TextEncoding::Utf8;
        if (!encoding) {
            if (const auto bom = TextDecoder::byteOrderMark(head)) {
                found = bom->encoding;
                textStart = bom->length;
            } else if (const auto unmarked = TextDecoder::unmarkedUnicode(head)) {
                found = *unmarked;
            }
        }
        const FileScan::Form form = *formOf(found);
        // An odd last byte of UTF-16 makes no character: it stays after the text.
        const qint64 textEnd = form == FileScan::Form::Utf16LE || form == FileScan::Form::Utf16BE
                                   ? size - (size - textStart) % 2
                                   : size;
        // The text's own handle on the file, there from the scan's start on so that what is
        // found so far can be shown.
        std::shared_ptr<FileSource> source = ownSource(fd, found);
        if (!source) {
            Result result;
            result.status = Status::ReadFailed;
            return result;
        }
        if (growth)
            growth->start(source);
        FileScan::Part part = FileScan::scanInHalves(fd, textStart, textEnd, form, longLine, cancel,
                                                     progress, from, growth);
        if (part.status == FileScan::Part::Status::NotText) {
            // Not UTF-8 after all: byte for byte as Windows-1252 when that is what it looks like;
            // another code page, or UTF-8 with a mark and bad sequences, is decoded whole.
            if (found != TextEncoding::Utf8 ||
                codePageGuess(fd, part.firstHigh) != TextEncoding::Windows1252)
                return std::nullopt;
            found = TextEncoding::Windows1252;
            source = ownSource(fd, found);
            if (!source) {
                Result result;
                result.status = Status::ReadFailed;
                return result;
            }
            if (growth)
                growth->start(source);
            part = FileScan::scanInHalves(fd, 0, size, FileScan::Form::SingleByte, longLine, cancel,
                                          progress, from, growth);
        }
        if (part.status == FileScan::Part::Status::LineTooLong ||
            (part.status == FileScan::Part::Status::Ok && longestLineBytes(part) > longLine))
            return std::nullopt;
        Result result;
        switch (part.status) {
        case FileScan::Part::Status::Ok:
            break;
        case FileScan::Part::Status::Cancelled:
            result.status = Status::Cancelled;
            return result;
        case FileScan::Part::Status::ReadFailed:
        case FileScan::Part::Status::NotText:
        case FileScan::Part::Status::LineTooLong:
            result.status = Status::ReadFailed;
            return result;
        }
        result.buffer.appendFileSpans(source, part.spans);
        result.encoding = found;
        LineEndTally tally;
        tally.addCounts(part.crLf, part.lf - part.crLf, part.cr - part.crLf,
                        !part.firstLfAfterCr   ? std::nullopt
                        : *part.firstLfAfterCr ? std::optional(LineEnding::CrLf)
                                               : std::optional(LineEnding::Lf));
        result.lineEnding = tally.style();
        result.source.encoding = found;
        result.source.textStart = textStart;
        result.source.size = size;
        result.source.exact = true;
        result.source.marks.reserve(part.spans.size());
        qsizetype position = 0;
        for (const FileSource::Span &span : part.spans) {
            result.source.marks.push_back({position, span.offset});
            position += span.length;
        }
        result.source.length = result.buffer.length();
        result.source.textMark = result.buffer.markOriginal();
        result.status = Status::Ok;
        return result;
    } catch (const std::bad_alloc &) {
        Result result;
        result.status = Status::OutOfMemory;
        return result;
    }
}
