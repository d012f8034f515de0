#pragma once

#include <QByteArray>
#include <QString>

// Where the reader's text comes from until the reader is on screen: a text, a small file's
// bytes, or, for a large file, the file itself, read again when the reader needs it, so that a
// hidden reader does not add the memory a large file takes once more.
class ReaderTextSource
{
public:
    static constexpr qsizetype keepBytesUpTo = 16 << 20;

    void setText(const QString &text);
    void setFile(const QString &path, const QByteArray &bytes);
    void clear();

    bool isEmpty() const { return m_kind == Kind::None; }
    QString text() const;

private:
    enum class Kind { None, Text, Bytes, File };
    Kind m_kind = Kind::None;
    QString m_text;
    QByteArray m_bytes;
    QString m_path;
};
