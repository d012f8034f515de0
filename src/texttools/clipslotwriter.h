// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "texttools/clipslots.h"

#include <QString>

// Fills the first free clip slot. Each slot file is created only if nothing is at its path yet,
// so a clip that another program writes at the same moment is never overwritten: the next free
// slot is taken instead.
class ClipSlotWriter
{
public:
    struct Result
    {
        int slot = 0;          // the slot written, 0 when all were full
        QString error;         // why the slot could not be written; empty on success
        bool tooLarge = false; // nothing written: the clip would be larger than maxBytes
    };

    explicit ClipSlotWriter(QString folder, qint64 maxBytes = clipSlotMaxBytes)
        : m_folder(std::move(folder)), m_maxBytes(maxBytes)
    {
    }
    virtual ~ClipSlotWriter() = default;

    Result send(const QString &text);
    // A slot file's bytes made before (ClipSlots::content()), which are refused as too large
    // the same way.
    Result sendContent(const QByteArray &bytes);

protected:
    // Whether the slot file is there; its own function so that tests can play the other
    // program that writes between this look and the creation.
    virtual bool isFilled(const QString &path) const;

private:
    enum class Created { Written, Taken, Failed };
    Created create(const QString &path, const QByteArray &bytes, QString *error) const;

    QString m_folder;
    qint64 m_maxBytes;
};
