// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <sys/stat.h>

// What makes a file the same file to its users, besides its bytes: owner and group, permission
// bits, access ACL and extended attributes. A file that replaces another one is given all of
// it, so that a save neither takes access away from anyone nor gives anyone more.
namespace FileAccess {

// Gives the new file (fd) the existing file's owner and group. Returns 0 or the errno value; a
// failure means the new file cannot stand in for the old one.
int copyOwner(int fd, const struct stat &existing);

// Gives the new file the existing file's permission bits (its own mode, never an ACL's mask
// read as group bits), its access ACL (none when it had none, whatever the folder's default
// ACL gave the new file) and its extended attributes: user.* always, security.* and trusted.*
// where the system permits. Returns 0 or the errno value of what could not be copied; the
// caller then keeps the old file and writes into it instead.
int copyRest(const QByteArray &existingPath, int fd, const struct stat &existing);

} // namespace FileAccess
