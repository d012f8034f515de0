// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/volumes.h"

#include "files/folderlisting.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QStorageInfo>

#include <algorithm>

namespace {

bool isUnder(const QString &path, QLatin1StringView folder)
{
    return path == folder ||
           (path.startsWith(folder) && path.size() > folder.size() && path[folder.size()] == u'/');
}

} // namespace

namespace Volumes {

bool isRealFileSystem(const QString &root, const QByteArray &fsType, const QByteArray &device)
{
    // On containers the root is an overlay or some other odd type; it is always browsable.
    if (root == u"/")
        return true;
    // Kernel and runtime trees, whatever file system they happen to use.
    for (const char *system : {"/proc", "/sys", "/dev"}) {
        if (isUnder(root, QLatin1StringView(system)))
            return false;
    }
    static const QSet<QByteArray> virtualTypes = {
        "proc",        "sysfs",    "devpts",      "devtmpfs",        "tmpfs",      "ramfs",
        "cgroup",      "cgroup2",  "securityfs",  "pstore",          "bpf",        "debugfs",
        "tracefs",     "configfs", "fusectl",     "mqueue",          "hugetlbfs",  "autofs",
        "binfmt_misc", "efivarfs", "nsfs",        "overlay",         "rpc_pipefs", "nfsd",
        "selinuxfs",   "devfs",    "fuse.portal", "fuse.gvfsd-fuse", "fuse.lxcfs", "fuse.snapfuse"};
    if (virtualTypes.contains(fsType))
        return false;
    // Snap packages are squashfs images mounted one per package.
    if (fsType == "squashfs" &&
        (isUnder(root, QLatin1StringView("/snap")) ||
         isUnder(root, QLatin1StringView("/var/lib/snapd")) || device.contains("/snaps/")))
        return false;
    return true;
}

QStringList roots()
{
    QStringList result{QStringLiteral("/")};
    const QList<QStorageInfo> volumes = QStorageInfo::mountedVolumes();
    for (const QStorageInfo &volume : volumes) {
        if (!volume.isValid())
            continue;
        const QString root = volume.rootPath();
        if (!isRealFileSystem(root, volume.fileSystemType(), volume.device()))
            continue;
        // Containers bind-mount single files (hosts, resolv.conf); only folders can be browsed.
        if (!QFileInfo(root).isDir())
            continue;
        result.append(root);
    }
    std::sort(result.begin(), result.end());
    result.erase(std::unique(result.begin(), result.end()), result.end());
    return result;
}

QString volumeFor(const QString &folder, const QStringList &roots)
{
    const QString path = FolderListing::cleanPath(folder);
    QString best;
    for (const QString &root : roots) {
        const bool holds =
            root == u"/" || path == root || (path.startsWith(root) && path[root.size()] == u'/');
        if (holds && root.size() > best.size())
            best = root;
    }
    return best.isEmpty() ? QStringLiteral("/") : best;
}

QString volumeFor(const QString &folder)
{
    return volumeFor(folder, roots());
}

bool isReady(const QString &root, QString *error)
{
    const QStorageInfo storage(root);
    if (storage.isValid() && storage.isReady())
        return true;
    if (error)
        *error = QCoreApplication::translate("Volumes", "Device %1 is not ready")
                     .arg(QDir::toNativeSeparators(root));
    return false;
}

} // namespace Volumes
