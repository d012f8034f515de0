// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// The mounted volumes that hold real file systems, for the drive list.
namespace Volumes {

// Whether a mount is one a person would browse: not a kernel/virtual file system, not a snap
// image, not a mount of the system's own trees. "/" always is.
bool isRealFileSystem(const QString &root, const QByteArray &fsType, const QByteArray &device);

// Root paths of the mounted real volumes, sorted; "/" is always there.
QStringList roots();

// Root of the volume holding the folder: the longest root that is a prefix of it at a
// separator boundary. "/" when no other one fits.
QString volumeFor(const QString &folder, const QStringList &roots);
QString volumeFor(const QString &folder);

// Whether the volume can be read now; otherwise sets *error to a message for the user.
bool isReady(const QString &root, QString *error = nullptr);

} // namespace Volumes
