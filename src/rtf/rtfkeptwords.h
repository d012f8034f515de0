// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

// Control words the reader does not show but a save writes back (\lang1031, \keepn, \clvertalc,
// a border with its line style ...), kept as RTF: entries of one or more words, each ending in
// a blank, so the bytes can be written as they are. An entry is named by its first word; a later
// entry of the same name takes the earlier one's place, as the later word wins in a reader.
namespace RtfKeptWords {

// Sets the entry "\nameN" (no number when hasValue is false).
void set(QByteArray &words, QByteArrayView name, bool hasValue, int value);
// Adds a word to the entry of the given name (a border's line style to the border), if any.
void extend(QByteArray &words, QByteArrayView entry, QByteArrayView name, bool hasValue, int value);
// Sets each entry of other in words, as if its words were said after them.
void merge(QByteArray &words, QByteArrayView other);
// Whether an entry of that name is there.
bool contains(QByteArrayView words, QByteArrayView name);
// The words without the entry of that name.
QByteArray without(QByteArrayView words, QByteArrayView name);
// The entry of that name, empty when there is none.
QByteArrayView entry(QByteArrayView words, QByteArrayView name);

} // namespace RtfKeptWords
