#include "wholefilereader.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

WholeFileReader::Result WholeFileReader::read(const QString &path, qint64 limit)
{
    Result result;
    const QString native = QDir::toNativeSeparators(path);
    const QFileInfo info(path);
    if (!info.exists()) {
        result.status = Status::NotFound;
        result.error = QStringLiteral("File not found: %1").arg(native);
        return result;
    }
    if (info.isDir()) {
        result.error = QStringLiteral("%1 is a folder, not a file").arg(native);
        return result;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        // The file may have gone between the look-up and the open.
        result.status = file.error() == QFileDevice::OpenError && !QFileInfo::exists(path)
                            ? Status::NotFound
                            : Status::Failed;
        result.error = QStringLiteral("Cannot open %1: %2").arg(native, file.errorString());
        return result;
    }
    const qint64 size = file.size();
    if (size > limit) {
        result.status = Status::TooLarge;
        result.error = QStringLiteral("%1 is too large to show (%2 MiB; Pagewell shows files up to "
                                      "%3 MiB)")
                           .arg(native)
                           .arg(size >> 20)
                           .arg(limit >> 20);
        return result;
    }
    result.bytes.resize(size);
    qint64 got = 0;
    while (got < size) {
        const qint64 n = file.read(result.bytes.data() + got, size - got);
        if (n <= 0)
            break;
        got += n;
    }
    if (got < size) {
        // A file that shrank while we read it keeps what was there; a read error is a failure.
        if (file.error() != QFileDevice::NoError) {
            result.bytes.clear();
            result.error = QStringLiteral("Cannot read %1: %2").arg(native, file.errorString());
            return result;
        }
        result.bytes.truncate(got);
    }
    // Files whose size the system reports as 0 (such as those in /proc) may still hold data.
    if (size == 0) {
        const QByteArray rest = file.read(limit + 1);
        if (rest.size() > limit) {
            result.status = Status::TooLarge;
            result.error = QStringLiteral("%1 is too large to show").arg(native);
            return result;
        }
        result.bytes = rest;
    }
    result.status = Status::Ok;
    return result;
}
