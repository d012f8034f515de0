// SPDX-License-Identifier: GPL-3.0-or-later
#include "panefilereader.h"

#include "rtf/rtfdetect.h"
#include "rtf/rtfreader.h"

#include "files/richdocumentfont.h"
#include "files/richtextprobe.h"
#include "plaintext/filebackedloader.h"
#include "text/textencodings.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

#include <cerrno>
#include <cstring>
#include <new>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using Status = WholeFileReader::Status;

PaneFileReader::Result failure(Status status, const QString &error)
{
    PaneFileReader::Result result;
    result.status = status;
    result.error = error;
    return result;
}

bool cancelled(const std::atomic<bool> *cancel)
{
    return cancel && cancel->load(std::memory_order_relaxed);
}

PaneFileReader::Result cancelledResult()
{
    PaneFileReader::Result result;
    result.cancelled = true;
    return result;
}

// Tells that every byte is read: what follows is work on them, not waiting for the file.
void readAll(const PlainTextLoader::Progress &progress, qint64 size)
{
    if (progress)
        progress(size, size);
}

// Plain text decoded from the device into the result; false when that did not work out.
// A second device on the same file lets a large one be read in two halves at once.
bool decodePlain(QIODevice &device, qint64 size, const QString &path,
                 const std::atomic<bool> *cancel, const PlainTextLoader::Progress &progress,
                 PaneFileReader::Result &result, std::optional<TextEncoding> encoding,
                 QIODevice *second = nullptr)
{
    result.status = Status::Failed;
    result.chosenEncoding = encoding;
    result.plain =
        second ? PlainTextLoader::loadInHalves(device, *second, size, cancel, progress, encoding)
               : PlainTextLoader::load(device, size, cancel, progress, encoding);
    switch (result.plain.status) {
    case PlainTextLoader::Status::Ok:
        result.status = Status::Ok;
        return true;
    case PlainTextLoader::Status::Cancelled:
        result.cancelled = true;
        break;
    case PlainTextLoader::Status::OutOfMemory:
        result.status = Status::OutOfMemory;
        result.error = WholeFileReader::outOfMemoryMessage(path);
        break;
    case PlainTextLoader::Status::NotInEncoding:
        result.notInEncoding = true;
        result.error =
            QStringLiteral("%1 cannot be read as %2 without changing it: some of its bytes are "
                           "not %2 text.")
                .arg(QDir::toNativeSeparators(path), TextEncodings::label(*encoding));
        break;
    case PlainTextLoader::Status::ReadFailed:
        result.error = QStringLiteral("Cannot read %1: %2")
                           .arg(QDir::toNativeSeparators(path), device.errorString());
        break;
    }
    result.plain = {};
    return false;
}

// The formatted document of an RTF file's bytes, built on this thread and handed to the GUI
// thread, where the pane takes it over.
void buildRich(PaneFileReader::Result &result, const std::optional<QFont> &font)
{
    // Building takes far longer than reading the text: a document that would be too long to
    // show formatted is not built at all.
    auto built = std::make_unique<QTextDocument>();
    built->setUndoRedoEnabled(false); // loading a file is not an edit to undo
    if (!RichTextProbe::buildIfFits(result.bytes, built.get())) {
        result.unformatted = true;
        result.richPlainText = RtfReader::plainText(result.bytes);
        return;
    }
    built->setUndoRedoEnabled(true);
    if (font)
        built->setDefaultFont(RichDocumentFont::forLength(*font, built->characterCount()));
    result.richPlainText = built->toPlainText();
    result.bytes = QByteArray(); // the document holds it all now
    if (QCoreApplication *app = QCoreApplication::instance())
        built->moveToThread(app->thread());
    result.document = std::shared_ptr<QTextDocument>(built.release(), [](QTextDocument *document) {
        if (!document->parent())
            document->deleteLater();
    });
}

// Opens the file without blocking on it into `file`, with its size; the failure to report
// when it cannot be opened or is larger than the limit.
std::optional<PaneFileReader::Result>
openWithin(const QString &path, const PaneFileReader::Limits &limits, QFile &file, qint64 &size)
{
    WholeFileReader::Opened opened = WholeFileReader::open(path);
    if (opened.status != Status::Ok)
        return failure(opened.status, opened.error);
    if (!file.open(opened.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(opened.fd);
        return failure(Status::Failed,
                       QStringLiteral("Cannot read %1: %2")
                           .arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    size = opened.size;
    if (size > std::max(limits.maximumSize, limits.maximumKeptInFile))
        return failure(Status::TooLarge,
                       WholeFileReader::tooLargeMessage(path, size, limits.maximumSize));
    return std::nullopt;
}

// A file beyond the largest size decoded whole, when it is to be decoded whole.
std::optional<PaneFileReader::Result> tooLargeWhole(const QString &path, qint64 size,
                                                    const PaneFileReader::Limits &limits)
{
    if (size <= limits.maximumSize)
        return std::nullopt;
    return failure(Status::TooLarge,
                   WholeFileReader::tooLargeMessage(path, size, limits.maximumSize));
}

// Whether a Save would write the file in place, where it cannot put a new file in the old one's
// place (a second hard link, a folder that takes no new file, an owner a new file cannot be
// given): the bytes of a text left in the file would change under it.
bool savedInPlace(const QString &path, int fd)
{
    struct stat st = {};
    if (::fstat(fd, &st) != 0)
        return true;
    if (::access(QFile::encodeName(path).constData(), W_OK) != 0)
        return false; // not saved over at all
    // The folder of the name and, behind a link, the folder of the file it leads to.
    const QFileInfo info(path);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QByteArray target = QFile::encodeName(QFileInfo(info.canonicalFilePath()).absolutePath());
    return st.st_nlink > 1 || ::access(folder.constData(), W_OK) != 0 ||
           ::access(target.constData(), W_OK) != 0 ||
           (::geteuid() != 0 && st.st_uid != ::geteuid());
}

} // namespace

TextBuffer PaneFileReader::head(const QString &path)
{
    WholeFileReader::Opened opened = WholeFileReader::open(path);
    if (opened.status != Status::Ok)
        return {};
    QFile file;
    if (!file.open(opened.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(opened.fd);
        return {};
    }
    QByteArray bytes = file.read(headBytes);
    if (bytes.isEmpty() || isRtf(bytes))
        return {};
    // Whole lines only, so that no character is cut in two.
    if (bytes.size() == headBytes) {
        const qsizetype lastLine = bytes.lastIndexOf('\n');
        if (lastLine > 0)
            bytes.truncate(lastLine);
    }
    PlainTextLoader::Result decoded = PlainTextLoader::fromBytes(bytes);
    if (decoded.status != PlainTextLoader::Status::Ok)
        return {};
    return std::move(decoded.buffer);
}

void PaneFileReader::buildRichDocument(Result &result, const std::optional<QFont> &font)
{
    result.rich = true;
    buildRich(result, font);
}

PaneFileReader::Result PaneFileReader::check(const QString &path, const Limits &limits)
{
    try {
        QFile file;
        qint64 size = 0;
        if (std::optional<PaneFileReader::Result> refused = openWithin(path, limits, file, size))
            return *refused;
        // A formatted document, and anything read whole, takes its bytes and a document; a
        // large plain text only its characters and line index.
        const QByteArray head = file.peek(FileBackedLoader::headBytes);
        const bool whole = size <= limits.readWholeUpTo || (!limits.plainTextOnly && isRtf(head));
        // A large plain text that looks like one a FileBackedLoader takes mostly stays in its
        // file; whether it does is known only once it was read, and the read checks again.
        const bool kept = !whole && size >= FileBackedLoader::from &&
                          FileBackedLoader::takes(head, limits.encoding);
        // Beyond the size decoded whole, only a text whose first lines show it has lines.
        if (!(kept && (head.contains('\n') || head.contains('\r'))))
            if (std::optional<PaneFileReader::Result> refused = tooLargeWhole(path, size, limits))
                return *refused;
        const qint64 needed = whole  ? size * limits.richMemoryPerByte
                              : kept ? FileBackedLoader::memoryFor(size)
                                     : plainMemoryFor(size);
        if (!limits.budget.allows(needed))
            return failure(Status::OutOfMemory, WholeFileReader::outOfMemoryMessage(path));
        Result result;
        result.status = Status::Ok;
        return result;
    } catch (const std::bad_alloc &) {
        return failure(Status::OutOfMemory, WholeFileReader::outOfMemoryMessage(path));
    }
}

PaneFileReader::Result PaneFileReader::read(const QString &path, const Limits &limits,
                                            const std::atomic<bool> *cancel,
                                            const PlainTextLoader::Progress &progress)
{
    try {
        QFile file;
        qint64 size = 0;
        if (std::optional<PaneFileReader::Result> refused = openWithin(path, limits, file, size))
            return *refused;

        if (size == 0 || size <= limits.readWholeUpTo) {
            // Small, or of unknown size (as files in /proc): read whole, bytes kept.
            const SourceMap::Identity identity = WholeFileReader::identity(file.handle());
            file.close();
            WholeFileReader::Limits whole;
            whole.maximumSize = std::min(limits.maximumSize, limits.readWholeUpTo);
            whole.budget = limits.budget;
            whole.memoryPerByte = limits.richMemoryPerByte;
            whole.cancel = cancel;
            whole.progress = progress;
            WholeFileReader::Result read = WholeFileReader::read(path, whole);
            Result result;
            result.status = read.status;
            result.error = read.error;
            if (cancelled(cancel))
                return cancelledResult();
            if (read.status != Status::Ok)
                return result;
            result.bytes = std::move(read.bytes);
            readAll(progress, result.bytes.size());
            if (!limits.plainTextOnly && isRtf(result.bytes)) {
                result.rich = true;
                buildRich(result, limits.richFont);
                return result;
            }
            QBuffer device(&result.bytes);
            device.open(QIODevice::ReadOnly);
            decodePlain(device, result.bytes.size(), path, cancel, progress, result,
                        limits.encoding);
            result.plain.source.file = identity;
            return result;
        }

        const QByteArray head = file.peek(16);
        if (!limits.plainTextOnly && isRtf(head)) {
            if (std::optional<PaneFileReader::Result> refused = tooLargeWhole(path, size, limits))
                return *refused;
            if (!limits.budget.allows(size * limits.richMemoryPerByte))
                return failure(Status::OutOfMemory, WholeFileReader::outOfMemoryMessage(path));
            Result result;
            result.rich = true;
            result.bytes.resize(size);
            qint64 got = 0;
            while (got < size) {
                if (cancelled(cancel))
                    return cancelledResult(); // its bytes go with it, at once
                const qint64 n = file.read(result.bytes.data() + got,
                                           std::min(size - got, WholeFileReader::blockSize));
                if (n < 0)
                    return failure(Status::Failed,
                                   QStringLiteral("Cannot read %1: %2")
                                       .arg(QDir::toNativeSeparators(path), file.errorString()));
                if (n == 0)
                    break;
                got += n;
                if (progress)
                    progress(got, size);
            }
            result.bytes.truncate(got);
            readAll(progress, got);
            if (cancelled(cancel))
                return cancelledResult();
            buildRich(result, limits.richFont);
            result.status = Status::Ok;
            return result;
        }
        const SourceMap::Identity identity = WholeFileReader::identity(file.handle());
        std::optional<PlainTextLoader::Result> kept;
        if (!savedInPlace(path, file.handle()))
            kept = FileBackedLoader::load(file.handle(), size, cancel, progress, limits.encoding,
                                          limits.growth.get());
        if (kept) {
            // The text stays in the file: only its index is in memory.
            Result result;
            result.chosenEncoding = limits.encoding;
            result.plain = std::move(*kept);
            if (result.plain.status == PlainTextLoader::Status::Ok) {
                result.status = Status::Ok;
                result.plain.source.file = identity;
            } else if (result.plain.status == PlainTextLoader::Status::Cancelled) {
                result.cancelled = true;
            } else if (result.plain.status == PlainTextLoader::Status::OutOfMemory) {
                result.status = Status::OutOfMemory;
                result.error = WholeFileReader::outOfMemoryMessage(path);
            } else {
                result.error = QStringLiteral("Cannot read %1: %2")
                                   .arg(QDir::toNativeSeparators(path),
                                        QString::fromLocal8Bit(std::strerror(EIO)));
            }
            if (result.status != Status::Ok)
                result.plain = {};
            return result;
        }
        if (std::optional<PaneFileReader::Result> refused = tooLargeWhole(path, size, limits))
            return *refused;
        if (!limits.budget.allows(plainMemoryFor(size)))
            return failure(Status::OutOfMemory, WholeFileReader::outOfMemoryMessage(path));
        Result result;
        QFile second;
        WholeFileReader::Opened again = WholeFileReader::open(path);
        if (again.status == Status::Ok &&
            !second.open(again.fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
            ::close(again.fd);
        // Only the same file, not one that took its name in the meantime.
        struct stat first = {};
        struct stat other = {};
        if (second.isOpen() &&
            (::fstat(file.handle(), &first) != 0 || ::fstat(second.handle(), &other) != 0 ||
             first.st_dev != other.st_dev || first.st_ino != other.st_ino))
            second.close();
        decodePlain(file, size, path, cancel, progress, result, limits.encoding,
                    second.isOpen() ? &second : nullptr);
        result.plain.source.file = identity;
        return result;
    } catch (const std::bad_alloc &) {
        return failure(Status::OutOfMemory, WholeFileReader::outOfMemoryMessage(path));
    }
}
