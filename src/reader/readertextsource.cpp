#include "readertextsource.h"

#include "app/textdecoder.h"
#include "app/wholefilereader.h"

void ReaderTextSource::setText(const QString &text)
{
    clear();
    m_kind = Kind::Text;
    m_text = text;
}

void ReaderTextSource::setFile(const QString &path, const QByteArray &bytes)
{
    clear();
    // Without bytes (a large file read block by block), the file is read again when needed.
    if (!bytes.isEmpty() && bytes.size() <= keepBytesUpTo) {
        m_kind = Kind::Bytes;
        m_bytes = bytes;
        return;
    }
    m_kind = Kind::File;
    m_path = path;
}

void ReaderTextSource::clear()
{
    m_kind = Kind::None;
    m_text.clear();
    m_bytes.clear();
    m_path.clear();
}

QString ReaderTextSource::text() const
{
    switch (m_kind) {
    case Kind::None:
        break;
    case Kind::Text:
        return m_text;
    case Kind::Bytes:
        return TextDecoder::decode(m_bytes).text;
    case Kind::File:
        // Read again when needed; a file changed since is shown as it is now.
        return TextDecoder::decode(WholeFileReader::read(m_path).bytes).text;
    }
    return {};
}
