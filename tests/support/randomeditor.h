// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Random edits at places where they hurt: piece boundaries, line ends, the ends of the text;
// undo and redo now and then. The same edits go to every document given.
#include "plaintext/plaintextdocument.h"
#include "plaintext/textbuffer.h"

#include <QRandomGenerator>
#include <QStringList>

#include <initializer_list>

class RandomEditor
{
public:
    // wide: characters beyond U+FFFF and Cyrillic are typed too; longCut: the most one edit
    // takes away.
    explicit RandomEditor(quint32 seed, bool wide = false, int longCut = 200)
        : m_random(seed), m_wide(wide), m_longCut(longCut)
    {
    }

    void step(std::initializer_list<PlainTextDocument *> docs)
    {
        const PlainTextDocument &first = **docs.begin();
        const int kind = m_random.bounded(10);
        if (kind == 0 && first.canUndo()) {
            for (PlainTextDocument *doc : docs)
                doc->undo();
            return;
        }
        if (kind == 1 && first.canRedo()) {
            for (PlainTextDocument *doc : docs)
                doc->redo();
            return;
        }
        const qsizetype at = place(first);
        const qsizetype cut = kind < 5 ? 0 : m_random.bounded(kind == 9 ? m_longCut : 4);
        const qsizetype end = aligned(first, at + cut);
        const QString text = kind == 8 ? QString() : typed();
        for (PlainTextDocument *doc : docs)
            doc->replace(at, end - at, text, PlainTextDocument::Placement::CaretAfter);
    }

private:
    qsizetype place(const PlainTextDocument &doc)
    {
        const qsizetype length = doc.length();
        qsizetype at = 0;
        switch (m_random.bounded(4)) {
        case 0: { // at a piece boundary
            const qsizetype pieces = length / TextBuffer::chunkTarget;
            at = TextBuffer::chunkTarget * m_random.bounded(int(pieces) + 1) + m_random.bounded(5) -
                 2;
            break;
        }
        case 1: { // at a line end, before or after it
            const qsizetype from = m_random.bounded(int(length + 1));
            const qsizetype lf = doc.buffer().indexOf(u"\n", from);
            at = lf < 0 ? length : lf + m_random.bounded(2);
            break;
        }
        case 2:
            at = m_random.bounded(2) ? 0 : length;
            break;
        default:
            at = m_random.bounded(int(length + 1));
        }
        return aligned(doc, at);
    }

    // Never between the two halves of a character beyond U+FFFF.
    static qsizetype aligned(const PlainTextDocument &doc, qsizetype at)
    {
        at = std::clamp<qsizetype>(at, 0, doc.length());
        if (at > 0 && at < doc.length() && doc.buffer().at(at).isLowSurrogate())
            --at;
        return at;
    }

    QString typed()
    {
        static const QStringList plain = {u"x"_qs, u"\n"_qs,     u"\u00e9"_qs, u"\u20ac"_qs,
                                          u" "_qs, u"ab\ncd"_qs, u"\n\n"_qs};
        static const QStringList wide = {u"\U0001F600"_qs, u"\u0416"_qs};
        QString text;
        const int parts = 1 + m_random.bounded(3);
        for (int i = 0; i < parts; ++i) {
            if (m_wide && m_random.bounded(4) == 0)
                text += wide[m_random.bounded(int(wide.size()))];
            else
                text += plain[m_random.bounded(int(plain.size()))];
        }
        return text;
    }

    QRandomGenerator m_random;
    bool m_wide;
    int m_longCut;
};
