#include "clipslots.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString ClipSlots::folder(const QString &windir)
{
    if (!windir.isEmpty())
        return windir;
    const QString shared = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                           QStringLiteral("/stashbox");
    QDir().mkpath(shared);
    return shared;
}

QString ClipSlots::path(const QString &folder, int slot)
{
    return folder + QStringLiteral("/clip%1.txt").arg(slot);
}

bool ClipSlots::isFilled(const QString &path)
{
    return QFileInfo(path).isFile();
}

int ClipSlots::firstFree(const QString &folder)
{
    for (int slot = 1; slot <= count; ++slot) {
        if (!isFilled(path(folder, slot)))
            return slot;
    }
    return 0;
}

QString ClipSlots::freeReport(const QString &folder)
{
    switch (firstFree(folder)) {
    case 1:
        return QStringLiteral("You have 3 empty clips .");
    case 2:
        return QStringLiteral("You have 2 empty clips .");
    case 3:
        return QStringLiteral("You have 1 empty clip .");
    default:
        return QStringLiteral("You have no empty clip .");
    }
}

QByteArray ClipSlots::content(QString text)
{
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (QChar &c : text) {
        if (c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u'\n';
    }
    text += u'\n';
    text.replace(u'\n', QStringLiteral("\r\n"));
    return text.toUtf8();
}

QString ClipSlots::text(const QByteArray &bytes)
{
    QString text = QString::fromUtf8(bytes);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text;
}
