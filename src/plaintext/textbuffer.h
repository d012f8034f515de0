// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/filesource.h"
#include "plaintext/originmap.h"

#include <QList>
#include <QString>
#include <QStringView>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// A plain text held once, in chunks of UTF-16 (two bytes per character), with an index of its
// line breaks. Lines are separated by '\n' only; positions count UTF-16 units, a line break
// being one, as the pane's positions do. Inserting or removing costs the size of one chunk and
// a pass over the chunk table, never a copy of the whole text, so a typed key stays cheap in a
// text of hundreds of megabytes. A copy of a buffer shares its chunks, text and index alike,
// until one side changes a chunk: handing a text to a second view costs no copy of it.
// A chunk may also stay in its file (FileSource): then the buffer knows only its length and
// number of line breaks, and decodes it when it is looked at; an edit of it decodes it for good.
class TextBuffer
{
public:
    TextBuffer() = default;
    explicit TextBuffer(QStringView text) { append(text); }

    qsizetype length() const { return m_length; }
    bool isEmpty() const { return m_length == 0; }
    // Lines: one more than the line breaks; an empty text has one (empty) line.
    qsizetype lineCount() const { return m_breaks + 1; }

    qsizetype lineStart(qsizetype line) const;
    // The position of the line's break, or the text's length for the last line.
    qsizetype lineEnd(qsizetype line) const;
    qsizetype lineOf(qsizetype position) const;

    QChar at(qsizetype position) const;
    QString mid(qsizetype position, qsizetype count) const;
    QString text() const { return mid(0, m_length); }

    // Adds text at the end; used to build a text piece by piece while it is read.
    void append(QStringView text);
    // The same for a piece made for the buffer (of about chunkTarget characters, as a file is
    // decoded): it is kept as it is, not copied.
    void appendPiece(QString &&piece);
    // The same for a piece lying in memory that storage keeps alive (a loader's arena): the
    // buffer refers to it instead of copying it, until an edit of its chunk makes a copy.
    void appendStored(QStringView piece, std::shared_ptr<const void> storage);
    // The same for ranges of a file, left there and decoded when looked at.
    void appendFileSpans(std::shared_ptr<const FileSource> file,
                         const std::vector<FileSource::Span> &spans);
    // Whether some of the text is still read from its file on demand; whether the file's bytes
    // were found changed under it (the text shows blanks where they were).
    bool readsFile() const { return bool(m_file); }
    bool fileChanged() const { return m_file && m_file->changed(); }
    // Takes over the chunks of a text that follows this one.
    void append(TextBuffer &&later);
    void insert(qsizetype position, QStringView text);
    void remove(qsizetype position, qsizetype count);
    void clear();

    // First occurrence of needle at or after from, or -1; an empty needle is found at from.
    qsizetype indexOf(QStringView needle, qsizetype from = 0,
                      Qt::CaseSensitivity cs = Qt::CaseSensitive) const;

    // False when [position, position + count) surely does not hold needle (compared exactly),
    // told from the bytes of its file without decoding them; true when it may, and whenever
    // some of the range is not in its file as it was read.
    bool mayHold(QStringView needle, qsizetype position, qsizetype count) const;

    // Calls visit(QStringView) for each stored piece in order, for writing the text out
    // without copying it whole.
    template <typename Visit> void forEachPiece(Visit visit) const
    {
        for (size_t c = 0; c < m_chunks.size(); ++c) {
            const ChunkText piece = chunkText(qsizetype(c));
            visit(piece.text);
        }
    }

    // Lets map change each stored piece where it is (map returns whether it did), without a copy
    // of the whole text: for a mapping of single characters, as case mapping, which gives for the
    // whole text what it gives piece by piece. A character pair is never split between two
    // pieces. Returns whether anything changed.
    bool mapPieces(const std::function<bool(QString &piece)> &map);

    // Changes whenever the text does.
    quint64 revision() const { return m_revision; }

    // Takes the text as it is now as the text of its file: from here on every change is noted in
    // origin(), so that a save can tell what was edited. Returns a mark, new at each call, that
    // names this state of the text (copies share it).
    quint64 markOriginal();
    quint64 originMark() const { return m_originMark; }
    // Which stretches are still the marked text; nothing before markOriginal().
    const OriginMap *origin() const { return m_origin ? &*m_origin : nullptr; }

    // Chunks grow to about this many characters before they are split; exposed for tests.
    static constexpr qsizetype chunkTarget = 32 * 1024;

private:
    struct Chunk
    {
        QString text;
        QList<qint32> breaks; // offsets of '\n' in text
        // Keeps the memory text lies in alive while text refers to it rather than owning it.
        std::shared_ptr<const void> storage;
        // Set while the chunk stays in its file: text and breaks are empty, span tells.
        std::shared_ptr<const FileSource> file;
        FileSource::Span span;

        qsizetype size() const { return file ? span.length : text.size(); }
        qsizetype breakCount() const { return file ? span.breaks : breaks.size(); }
    };
    // A chunk's text and breaks, decoded if it is in its file (hold keeps them).
    struct ChunkText
    {
        std::shared_ptr<const FileSource::Decoded> hold;
        QStringView text;
        const QList<qint32> *breaks = nullptr;
    };

    ChunkText chunkText(qsizetype chunk) const;
    // Makes a chunk in its file one of its own, to be edited.
    void materialize(qsizetype chunk);
    static void indexChunk(Chunk &chunk);
    qsizetype chunkOf(qsizetype position) const; // chunk holding position (the last at the end)
    void renumberFrom(qsizetype chunk);
    void noteChange(qsizetype position, qsizetype removed, qsizetype inserted)
    {
        if (m_origin)
            m_origin->replace(position, removed, inserted);
    }
    void splitIfLarge(qsizetype chunk);

    std::vector<Chunk> m_chunks;
    std::vector<qsizetype> m_chunkStart;   // position of each chunk's first character
    std::vector<qsizetype> m_breaksBefore; // line breaks in the chunks before each chunk
    qsizetype m_length = 0;
    qsizetype m_breaks = 0;
    quint64 m_revision = 0;
    std::optional<OriginMap> m_origin;
    std::shared_ptr<const FileSource> m_file; // the file chunks were left in, if any
    quint64 m_originMark = 0;
};
