// SPDX-License-Identifier: GPL-3.0-or-later
#include "displayrules.h"

#include <QDir>

namespace DisplayRules {

bool isRichTextFileName(const QString &name)
{
    const QStringView ending = QStringView(name).right(3);
    return ending == u"rtf" || ending == u"RTF";
}

FolderKind folderKind(const QString &folderCaption)
{
    if (folderCaption.isEmpty() || !QDir::isAbsolutePath(folderCaption))
        return FolderKind::None;
    return folderCaption.endsWith(u'/') ? FolderKind::Root : FolderKind::Deeper;
}

std::optional<QString> filePath(const QString &folderCaption, const QString &folderPath,
                                const QString &name)
{
    switch (folderKind(folderCaption)) {
    case FolderKind::Root:
        return folderPath + name;
    case FolderKind::Deeper:
        return folderPath + u'/' + name;
    case FolderKind::None:
        break;
    }
    return std::nullopt;
}

QString readerCaption(const QString &name)
{
    return QStringLiteral("Full screen mode - ") + name;
}

} // namespace DisplayRules
