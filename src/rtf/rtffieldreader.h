// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

class RtfTextDecoder;

// Fields as they are read: the instruction of the field being read, and the links and other
// fields found so far, with their flags and the groups kept inside their instructions.
class RtfFieldReader
{
public:
    void reset();

    // \field: a field's own flags begin.
    void beginField() { m_flags.clear(); }
    void setFlag(QByteArrayView name, bool hasValue, int value);
    // \fldinst; nested: inside another instruction, whose kept groups it goes on.
    void beginInstruction(bool nested);
    void appendByte(char c);
    void appendBytes(QByteArrayView bytes);
    // page: the code page of the instruction's bytes so far.
    void appendChar(QChar c, RtfTextDecoder &decoder, int page);
    // A group inside the instruction, kept with the field.
    void appendPart(const QByteArray &rtf);
    bool partsFull() const;
    // Instruction text and kept parts read so far.
    qsizetype instructionSize() const { return m_bytes.size() + m_text.size() + m_parts.size(); }

    // What the instruction made of the field.
    struct Result
    {
        enum Kind { Nothing, Link, Field, Symbol } kind = Nothing;
        int index = -1;      // of the link or the field
        char16_t symbol = 0; // a SYMBOL field's character
        // What the field shows when its result is empty, -1 for nothing (fallback()).
        int fallback = -1;
    };
    Result finishInstruction(RtfTextDecoder &decoder, int page, int documentPage);

    QString fallback(int index) const { return m_fallbacks.value(index); }
    QString linkTarget(int link) const { return m_links.value(link); }
    QString instruction(int field) const { return m_instructions.value(field); }
    // A field's flags (\fldlock ...) and the groups inside its instruction, as RTF.
    const QByteArray &fieldFlags(int field) const { return extra(m_fieldExtras, field).flags; }
    const QByteArray &fieldParts(int field) const { return extra(m_fieldExtras, field).parts; }
    const QByteArray &linkFlags(int link) const { return extra(m_linkExtras, link).flags; }
    const QByteArray &linkParts(int link) const { return extra(m_linkExtras, link).parts; }

private:
    struct Extra
    {
        QByteArray flags;
        QByteArray parts;
    };
    static const Extra &extra(const QList<Extra> &extras, int index)
    {
        static const Extra none;
        return index >= 0 && index < extras.size() ? extras.at(index) : none;
    }
    void flushBytes(RtfTextDecoder &decoder, int page);

    QByteArray m_bytes; // bytes of the instruction not yet decoded
    QString m_text;
    QStringList m_links;
    QStringList m_instructions;
    QStringList m_fallbacks;
    QList<Extra> m_linkExtras;
    QList<Extra> m_fieldExtras;
    QByteArray m_flags; // of the field being read
    QByteArray m_parts; // groups kept inside the instruction being read
};
