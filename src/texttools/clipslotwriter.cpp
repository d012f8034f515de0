#include "clipslotwriter.h"

#include "texttools/clipslots.h"

#include <cerrno>
#include <QDir>
#include <QFile>
#include <QFileInfo>

ClipSlotWriter::Result ClipSlotWriter::send(const QString &text)
{
    const QByteArray bytes = ClipSlots::content(text);
    if (bytes.size() > m_maxBytes) {
        Result refused;
        refused.tooLarge = true;
        return refused;
    }
    for (int slot = 1; slot <= ClipSlots::count; ++slot) {
        const QString path = ClipSlots::path(m_folder, slot);
        if (isFilled(path))
            continue;
        QString error;
        switch (create(path, bytes, &error)) {
        case Created::Written:
            return {slot, QString()};
        case Created::Taken:
            continue;
        case Created::Failed:
            return {0, error};
        }
    }
    return {};
}

bool ClipSlotWriter::isFilled(const QString &path) const
{
    return ClipSlots::isFilled(path);
}

ClipSlotWriter::Created ClipSlotWriter::create(const QString &path, const QByteArray &bytes,
                                               QString *error) const
{
    const QString shown = QDir::toNativeSeparators(path);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        const QFileInfo there(path);
        // A clip that appeared since the look is someone else's: leave it, take the next slot.
        if (there.isFile())
            return Created::Taken;
        *error = QStringLiteral("Cannot create %1: %2")
                     .arg(shown, there.isDir() ? qt_error_string(EISDIR) : file.errorString());
        return Created::Failed;
    }
    if (file.write(bytes) == bytes.size() && file.flush()) {
        file.close();
        if (file.error() == QFileDevice::NoError)
            return Created::Written;
    }
    // Only a whole clip is left behind; the half-written file is ours alone to remove.
    *error = QStringLiteral("Cannot write %1: %2").arg(shown, file.errorString());
    file.remove();
    return Created::Failed;
}
