// SPDX-License-Identifier: GPL-3.0-or-later
#include "saveastarget.h"

#include <QFileInfo>

std::optional<QString> SaveAsTarget::extension(const QString &path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        return std::nullopt;
    return name.mid(dot + 1);
}

QString SaveAsTarget::path(const QString &chosen, const QString &lastShownPath)
{
    if (extension(chosen))
        return chosen;
    const std::optional<QString> last = extension(lastShownPath);
    if (!last || last->isEmpty())
        return chosen;
    return chosen + u'.' + *last;
}

bool SaveAsTarget::isRichText(const QString &target)
{
    const std::optional<QString> ext = extension(target);
    return ext && ext->compare(u"rtf", Qt::CaseInsensitive) == 0;
}
