// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QtGlobal>

class Registry;

// Reads one registry value into KeyVal: text as it is, a 32-bit number as signed decimal text,
// any other type leaves KeyVal as it was. Returns false, with KeyVal empty, when the key cannot
// be opened or the value cannot be read whole into 1024 bytes. The key is always closed.
bool GetKeyValue(Registry &registry, quint32 KeyRoot, const QString &KeyName,
                 const QString &SubKeyRef, QString &KeyVal);
