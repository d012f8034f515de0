#include "atomicfilewriter.h"

#include <QDir>
#include <QSaveFile>

QString AtomicFileWriter::write(const QString &path, const QByteArray &bytes)
{
    const auto failure = [&path](const QString &reason) {
        return QStringLiteral("Cannot save %1: %2").arg(QDir::toNativeSeparators(path), reason);
    };
    QSaveFile file(path);
    // Unbuffered, so that a short write (a full disk) shows in write()'s result: through the
    // buffer it is reported nowhere, and commit() would put a cut file in the old one's place.
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return failure(file.errorString());
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : QStringLiteral("only part of it could be written; the disk "
                                                    "may be full");
        file.cancelWriting();
        return failure(reason);
    }
    if (!file.commit())
        return failure(file.errorString());
    return {};
}
