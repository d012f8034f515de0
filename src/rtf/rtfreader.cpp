#include "rtf/rtfreader.h"

#include <QTextDocument>

void RtfReader::read(QByteArrayView rtf, QTextDocument *doc)
{
    Q_UNUSED(rtf);
    doc->clear();
}

QString RtfReader::plainText(QByteArrayView rtf)
{
    Q_UNUSED(rtf);
    return {};
}
