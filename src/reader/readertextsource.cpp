#include "readertextsource.h"

#include "app/textdecoder.h"
#include "app/wholefilereader.h"

#include <QFileInfo>

void ReaderTextSource::setText(const QString &text)
{
    clear();
    m_kind = Kind::Text;
    m_text = text;
}

void ReaderTextSource::setFile(const QString &path, const QByteArray &bytes)
{
    clear();
    if (bytes.size() <= keepBytesUpTo) {
        m_kind = Kind::Bytes;
        m_bytes = bytes;
        return;
    }
    const QFileInfo info(path);
    m_kind = Kind::File;
    m_path = path;
    m_size = bytes.size();
    m_modified = info.lastModified();
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
    case Kind::File: {
        const QFileInfo info(m_path);
        if (info.size() != m_size || info.lastModified() != m_modified)
            return {}; // changed or gone since it was shown
        return TextDecoder::decode(WholeFileReader::read(m_path).bytes).text;
    }
    }
    return {};
}
