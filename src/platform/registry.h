// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QtGlobal>

// The system registry, read the way the Win32 registry calls read it: names and text values
// are 8-bit strings in the system's code page, every call answers with an error code (0 for
// success), and a key that was opened is closed by the caller.
class Registry
{
public:
    using Key = quintptr;

    static constexpr quint32 localMachine = 0x80000002; // HKEY_LOCAL_MACHINE
    static constexpr long success = 0;
    static constexpr long fileNotFound = 2;
    static constexpr long moreData = 234; // the value does not fit the buffer

    static constexpr quint32 typeText = 1;  // REG_SZ
    static constexpr quint32 typeDword = 4; // REG_DWORD, low byte first

    virtual ~Registry() = default;
    virtual long openKey(quint32 root, const QByteArray &keyName, quint32 options, quint32 access,
                         Key *key) = 0;
    // size: in, the buffer's size in bytes; out, the size of the value (also when it does not
    // fit, then with moreData).
    virtual long queryValue(Key key, const QByteArray &valueName, quint32 *type, char *buffer,
                            quint32 *size) = 0;
    virtual long closeKey(Key key) = 0;
};
