// SPDX-License-Identifier: GPL-3.0-or-later
#include "keyvalue.h"

#include "platform/registry.h"

#include <QByteArray>
#include <QtEndian>

namespace {
// Read control and every key right, as the lookup has always asked for.
constexpr quint32 accessMask = 0x2003F;
constexpr quint32 bufferSize = 1024;
} // namespace

bool GetKeyValue(Registry &registry, quint32 KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal)
{
    Registry::Key key = 0;
    bool read = false;
    if (registry.openKey(KeyRoot, KeyName.toLocal8Bit(), 0, accessMask, &key) ==
        Registry::success) {
        QByteArray buffer(bufferSize, '\0');
        quint32 size = bufferSize;
        quint32 type = 0;
        if (registry.queryValue(key, SubKeyRef.toLocal8Bit(), &type, buffer.data(), &size) ==
            Registry::success) {
            read = true;
            // A text stored with its terminating NUL loses it; one stored without stays whole.
            QByteArray value = buffer.left(qMin(size, bufferSize));
            if (value.endsWith('\0'))
                value.chop(1);
            if (type == Registry::typeText) {
                KeyVal = QString::fromLocal8Bit(value);
            } else if (type == Registry::typeDword) {
                // Taken from the buffer itself, which is NUL beyond the value, so that a number
                // whose high byte is 0 is not shortened by the NUL cut above.
                KeyVal = QString::number(qFromLittleEndian<qint32>(buffer.constData()));
            }
        }
    }
    registry.closeKey(key);
    if (!read)
        KeyVal.clear();
    return read;
}
