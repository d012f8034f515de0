// SPDX-License-Identifier: GPL-3.0-or-later
#include "editedsave.h"

#include "files/wholefilereader.h"
#include "text/pieceencoder.h"
#include "viewer/atomicfilewriter.h"

#include <QFile>
#include <QStringEncoder>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using Break = SourceWalker::Break;

// The bytes of the file: read where they lie, or, once whole() was called, from memory.
class FileBytes : public ByteSource
{
public:
    explicit FileBytes(int fd) : m_fd(fd) {}
    ~FileBytes() override
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileBytes(const FileBytes &) = delete;
    FileBytes &operator=(const FileBytes &) = delete;

    int fd() const { return m_fd; }
    bool isWhole() const { return m_whole; }

    bool read(qint64 offset, qint64 length, QByteArray &out) override
    {
        if (m_whole) {
            out =
                m_bytes.sliced(std::min<qint64>(offset, m_bytes.size()))
                    .first(std::min<qint64>(length, std::max<qint64>(m_bytes.size() - offset, 0)));
            return true;
        }
        out.resize(length);
        qint64 done = 0;
        while (done < length) {
            const ssize_t n =
                ::pread(m_fd, out.data() + done, size_t(length - done), offset + done);
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return false;
            if (n == 0)
                break;
            done += n;
        }
        out.truncate(done);
        return true;
    }

    // Reads the whole file into memory, before anything may overwrite it.
    bool whole(qint64 size)
    {
        if (m_whole)
            return true;
        if (!read(0, size, m_bytes))
            return false;
        m_whole = true;
        return true;
    }

private:
    int m_fd;
    bool m_whole = false;
    QByteArray m_bytes;
};

// One character of the text as read, with its bytes. The second half of a pair that came from
// one sequence of bytes (UTF-8, UTF-32) has none of its own: it cannot be copied apart.
struct Source
{
    QChar c;
    qint64 start = 0;
    qint64 end = 0;
    Break lineEnd = Break::None;
    bool tail = false;
};

struct Segment
{
    bool copy = false;
    qint64 from = 0; // copy: the file's bytes from, to
    qint64 to = 0;
    QByteArray bytes; // otherwise: these
};

QByteArray encodeIn(TextEncoding encoding, QStringView text, bool *ok)
{
    QByteArray out;
    if (encoding == TextEncoding::Windows1252) {
        PieceEncoder encoder(encoding, LineEnding::Lf);
        *ok = encoder.add(text, out);
        return out;
    }
    QStringEncoder encoder(TextDecoder::unicodeConverter(encoding));
    out = encoder.encode(text);
    return out;
}

QStringView lineEndText(LineEnding ending)
{
    return ending == LineEnding::CrLf ? QStringView(u"\r\n")
           : ending == LineEnding::Cr ? QStringView(u"\r")
                                      : QStringView(u"\n");
}

// Works out the bytes of the file as segments, copied or new, and where the text will lie in
// them.
class Planner
{
public:
    Planner(const TextBuffer &text, const SourceMap &map, ByteSource &bytes, LineEnding style)
        : m_text(text), m_map(map), m_walker(map, bytes), m_ahead(map, bytes), m_style(style)
    {
        m_saved.encoding = map.encoding;
        m_saved.textStart = map.textStart;
        m_saved.exact = true;
    }

    bool run()
    {
        const OriginMap *origin = m_text.origin();
        if (!origin || origin->originalLength() != m_map.length)
            return false;
        if (m_map.textStart > 0)
            addCopy(0, m_map.textStart);
        qsizetype read = 0;  // the text read reached so far
        qsizetype at = 0;    // the text now
        qsizetype added = 0; // added characters before at, since the last piece as read
        for (const OriginMap::Piece &piece : origin->pieces()) {
            if (piece.origin == OriginMap::added) {
                added += piece.length;
                at += piece.length;
                continue;
            }
            if ((piece.origin != read || added > 0) && !gap(read, piece.origin, at - added, added))
                return false;
            if (!copyRead(piece.origin, piece.origin + piece.length))
                return false;
            read = piece.origin + piece.length;
            at += piece.length;
            added = 0;
        }
        if ((read != m_map.length || added > 0) && !gap(read, m_map.length, at - added, added))
            return false;
        // Bytes after the last character that make none stay at the end; text added at the
        // end goes before them.
        const qint64 textEnd = m_ahead.textEnd();
        if (textEnd < 0)
            return false;
        if (textEnd < m_map.size)
            addCopy(textEnd, m_map.size);
        m_saved.size = m_outBytes;
        m_saved.length = m_outPosition;
        return m_ok && m_outPosition == m_text.length();
    }

    std::vector<Segment> segments;
    const SourceMap &saved() const { return m_saved; }

private:
    // Bytes from the file; chars: the characters they hold; first, the line end they begin
    // with; crLast, whether they end in a lone CR; from, where in the text read they begin (for
    // the marks within), or -1.
    void emitCopy(qint64 start, qint64 end, qsizetype chars, Break first, bool crLast,
                  qsizetype from = -1)
    {
        if (end <= start)
            return;
        const bool guarded = separate(first == Break::Lf);
        if (!guarded && !m_crLast)
            mark();
        if (from >= 0) {
            for (auto it = std::upper_bound(
                     m_map.marks.begin(), m_map.marks.end(), from,
                     [](qsizetype value, const SourceMap::Mark &m) { return value < m.position; });
                 it != m_map.marks.end() && it->position < from + chars; ++it)
                m_saved.marks.push_back(
                    {m_outPosition + it->position - from, m_outBytes + it->offset - start});
        }
        addCopy(start, end);
        m_outPosition += chars;
        m_crLast = crLast;
    }

    void addCopy(qint64 start, qint64 end)
    {
        if (!segments.empty() && segments.back().copy && segments.back().to == start)
            segments.back().to = end;
        else
            segments.push_back({true, start, end, {}});
        m_outBytes += end - start;
    }

    void emitBytes(QByteArray bytes, qsizetype chars, bool crLast)
    {
        if (bytes.isEmpty())
            return;
        if (!m_crLast)
            mark();
        m_outBytes += bytes.size();
        m_outPosition += chars;
        if (!segments.empty() && !segments.back().copy)
            segments.back().bytes += bytes;
        else
            segments.push_back({false, 0, 0, std::move(bytes)});
        m_crLast = crLast;
    }

    // Text without line ends, encoded.
    void emitText(QStringView text)
    {
        if (text.isEmpty())
            return;
        bool ok = true;
        QByteArray bytes = encodeIn(m_map.encoding, text, &ok);
        m_ok = m_ok && ok;
        emitBytes(std::move(bytes), text.size(), false);
    }

    // A line end like the one given, or in the file's style when there is none to copy.
    void emitLineEnd(const Source *like)
    {
        if (like) {
            emitCopy(like->start, like->end, 1, like->lineEnd, like->lineEnd == Break::Cr);
            return;
        }
        const QStringView ending = lineEndText(m_style);
        separate(ending == u"\n");
        bool ok = true;
        QByteArray bytes = encodeIn(m_map.encoding, ending, &ok);
        m_ok = m_ok && ok;
        emitBytes(std::move(bytes), 1, ending == u"\r");
    }

    // A lone CR followed by a lone LF would be read back as one line end: the LF gets a CR.
    bool separate(bool lfNext)
    {
        if (!m_crLast || !lfNext)
            return false;
        bool ok = true;
        QByteArray cr = encodeIn(m_map.encoding, u"\r", &ok);
        m_outBytes += cr.size();
        if (!segments.empty() && !segments.back().copy)
            segments.back().bytes += cr;
        else
            segments.push_back({false, 0, 0, std::move(cr)});
        m_crLast = false;
        return true;
    }

    void mark() { m_saved.marks.push_back({m_outPosition, m_outBytes}); }

    // The text read from..to, copied from the file.
    bool copyRead(qsizetype from, qsizetype to)
    {
        if (to <= from)
            return true;
        if (!m_walker.seek(from))
            return false;
        const qint64 start = m_walker.offset();
        SourceWalker::Unit first;
        if (!m_walker.next(first))
            return false;
        if (!m_walker.seek(to))
            return false;
        const qint64 end = m_walker.offset();
        const SourceWalker::Unit *last = m_walker.previous();
        const bool crLast =
            last ? last->lineEnd == Break::Cr : (to - from == 1 && first.lineEnd == Break::Cr);
        emitCopy(start, end, to - from, first.lineEnd, crLast, from);
        return true;
    }

    // The characters read from..to, each with its bytes.
    bool collect(qsizetype from, qsizetype to, std::vector<Source> &out)
    {
        if (!m_walker.seek(from))
            return false;
        out.reserve(size_t(to - from));
        SourceWalker::Unit unit;
        while (m_walker.position() < to) {
            if (!m_walker.next(unit))
                return false;
            out.push_back({QChar(unit.text[0]), unit.start, unit.end, unit.lineEnd, false});
            if (unit.count == 2)
                out.push_back({QChar(unit.text[1]), unit.end, unit.end, Break::None, true});
        }
        return m_walker.position() == to;
    }

    // The line end of the line the text read has at position: the first after it, else the last
    // before it; none when the file has none near.
    const Source *ownLineEnd(qsizetype position)
    {
        if (m_own.computed)
            return m_own.found ? &m_own.unit : nullptr;
        m_own.computed = true;
        SourceWalker::Unit unit;
        if (m_ahead.seek(position)) {
            for (qsizetype steps = 0; steps < lookFor && m_ahead.next(unit); ++steps) {
                if (unit.lineEnd != Break::None) {
                    m_own.unit = {u'\n', unit.start, unit.end, unit.lineEnd, false};
                    m_own.found = true;
                    return &m_own.unit;
                }
            }
            if (m_ahead.seek(position) && m_ahead.lastLineEnd()) {
                const SourceWalker::Unit &before = *m_ahead.lastLineEnd();
                m_own.unit = {u'\n', before.start, before.end, before.lineEnd, false};
                m_own.found = true;
                return &m_own.unit;
            }
        }
        return nullptr;
    }

    // Text added without anything read to compare it with: line ends take those given in turn,
    // then the one of the line.
    void emitNew(QStringView text, const std::vector<const Source *> &lineEnds)
    {
        size_t k = 0;
        qsizetype from = 0;
        for (qsizetype at = text.indexOf(u'\n'); at >= 0; at = text.indexOf(u'\n', from)) {
            emitText(text.sliced(from, at - from));
            emitLineEnd(k < lineEnds.size() ? lineEnds[k] : ownLineEnd(m_gapEnd));
            ++k;
            from = at + 1;
        }
        emitText(text.sliced(from));
    }

    void copySources(const Source *o, qsizetype from, qsizetype to)
    {
        if (to <= from)
            return;
        const Source &first = o[from];
        const Source &last = o[to - 1];
        emitCopy(first.start, last.end, to - from, first.lineEnd, last.lineEnd == Break::Cr);
    }

    // The text read from..to was replaced by the text now at position, length characters.
    bool gap(qsizetype from, qsizetype to, qsizetype position, qsizetype length)
    {
        m_own = {};
        m_gapEnd = to;
        if (length == 0)
            return true; // removed
        const QString now = m_text.mid(position, length);
        if (from == to || to - from > EditedSave::compareUpTo || length > EditedSave::compareUpTo) {
            emitNew(now, {});
            return m_ok;
        }
        std::vector<Source> before;
        if (!collect(from, to, before))
            return false;
        replace(before.data(), qsizetype(before.size()), now);
        return m_ok;
    }

    // What was read (o, n characters) became text: the same at the start and end is copied.
    void replace(const Source *o, qsizetype n, QStringView text)
    {
        qsizetype p = 0;
        while (p < n && p < text.size() && o[p].c == text[p])
            ++p;
        while (p > 0 && p < n && o[p].tail)
            --p;
        qsizetype q = 0;
        while (q < n - p && q < text.size() - p && o[n - 1 - q].c == text[text.size() - 1 - q])
            ++q;
        while (q > 0 && o[n - q].tail)
            --q;
        copySources(o, 0, p);
        middle(o + p, n - p - q, text.sliced(p, text.size() - p - q));
        copySources(o, n - q, n);
    }

    void middle(const Source *o, qsizetype n, QStringView text)
    {
        if (text.isEmpty())
            return;
        std::vector<const Source *> breaks;
        for (qsizetype i = 0; i < n; ++i) {
            if (o[i].lineEnd != Break::None)
                breaks.push_back(o + i);
        }
        const qsizetype typedBreaks = text.count(u'\n');
        if (!breaks.empty() && qsizetype(breaks.size()) == typedBreaks) {
            // As many lines as before: line by line, each keeping its line end.
            qsizetype from = 0;
            qsizetype textFrom = 0;
            for (const Source *lineEnd : breaks) {
                const qsizetype to = lineEnd - o;
                const qsizetype textTo = text.indexOf(u'\n', textFrom);
                replace(o + from, to - from, text.sliced(textFrom, textTo - textFrom));
                copySources(o, to, to + 1);
                from = to + 1;
                textFrom = textTo + 1;
            }
            replace(o + from, n - from, text.sliced(textFrom));
            return;
        }
        if (n == text.size() && n > 0) {
            // Character for character (a case mapping): what stayed is copied.
            std::vector<bool> same(static_cast<size_t>(n), false);
            for (qsizetype i = 0; i < n; ++i)
                same[i] = o[i].c == text[i];
            for (qsizetype i = 1; i < n; ++i) {
                if (o[i].tail && !(same[i] && same[i - 1]))
                    same[i] = same[i - 1] = false;
            }
            for (qsizetype i = 0; i < n;) {
                qsizetype j = i;
                while (j < n && same[j] == same[i])
                    ++j;
                if (same[i])
                    copySources(o, i, j);
                else
                    emitNew(text.sliced(i, j - i), {});
                i = j;
            }
            return;
        }
        emitNew(text, breaks);
    }

    static constexpr qsizetype lookFor = 1 << 20;

    const TextBuffer &m_text;
    const SourceMap &m_map;
    SourceWalker m_walker;
    SourceWalker m_ahead;
    LineEnding m_style;
    SourceMap m_saved;
    qsizetype m_outPosition = 0;
    qint64 m_outBytes = 0;
    bool m_crLast = false;
    bool m_ok = true;
    qsizetype m_gapEnd = 0;
    struct Own
    {
        bool computed = false;
        bool found = false;
        Source unit;
    } m_own;
};

bool canUse(const TextBuffer &text, const SourceMap &source)
{
    return source.exact && text.origin() && text.originMark() == source.textMark &&
           source.textMark != 0;
}

} // namespace

bool EditedSave::writesOnlyEdits(const TextBuffer &text, const SourceMap &source)
{
    return canUse(text, source) && text.origin()->originalLength() == source.length;
}

std::optional<QByteArray> EditedSave::bytes(const TextBuffer &text, const SourceMap &source,
                                            ByteSource &file, LineEnding lineEnding,
                                            SourceMap *saved)
{
    if (!canUse(text, source))
        return std::nullopt;
    Planner planner(text, source, file, lineEnding);
    if (!planner.run())
        return std::nullopt;
    QByteArray out;
    for (const Segment &segment : planner.segments) {
        if (!segment.copy) {
            out += segment.bytes;
            continue;
        }
        QByteArray piece;
        if (!file.read(segment.from, segment.to - segment.from, piece) ||
            piece.size() != segment.to - segment.from)
            return std::nullopt;
        out += piece;
    }
    if (saved)
        *saved = planner.saved();
    return out;
}

EditedSave::Result EditedSave::write(const QString &path, const TextBuffer &text,
                                     const SourceMap &source, LineEnding lineEnding,
                                     const AtomicFileWriter::Keep &keep, bool followLinks,
                                     const AtomicFileWriter::Going &going)
{
    Result result;
    if (!canUse(text, source))
        return result;
    // The file must still hold the bytes the text was read from.
    FileBytes file(
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.fd() < 0)
        return result;
    struct stat st;
    if (::fstat(file.fd(), &st) != 0 || !S_ISREG(st.st_mode) ||
        WholeFileReader::identity(file.fd()) != source.file)
        return result;
    const bool severalNames = st.st_nlink > 1;
    Planner planner(text, source, file, lineEnding);
    if (!planner.run())
        return result;

    constexpr qint64 block = 1 << 20;
    int calls = 0;
    const auto content = [&](const AtomicFileWriter::Writer &write) {
        // A file written in place (several names, a folder that takes no new file, an owner a
        // new file cannot get) would have its old bytes overwritten while they are still
        // copied, so they are read whole before.
        if ((severalNames || AtomicFileWriter::writesInPlace() || ++calls > 1) &&
            !file.whole(source.size))
            return false;
        QByteArray piece;
        for (const Segment &segment : planner.segments) {
            if (!segment.copy) {
                if (!write(segment.bytes))
                    return false;
                continue;
            }
            // Straight from the old file to the new one, where the file system can.
            if (!file.isWhole()) {
                if (!AtomicFileWriter::copyRange(file.fd(), segment.from, segment.to - segment.from,
                                                 write))
                    return false;
                continue;
            }
            for (qint64 at = segment.from; at < segment.to; at += block) {
                const qint64 length = std::min(block, segment.to - at);
                if (!file.read(at, length, piece) || piece.size() != length || !write(piece))
                    return false;
            }
        }
        return true;
    };
    result.error = AtomicFileWriter::write(path, content, keep, followLinks, going);
    if (!result.error.isEmpty()) {
        result.outcome = Outcome::Failed;
        return result;
    }
    result.outcome = Outcome::Written;
    result.saved = planner.saved();
    const int written =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (written >= 0) {
        result.saved.file = WholeFileReader::identity(written);
        ::close(written);
    }
    return result;
}
