// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QTextBlock>
#include <QTextCharFormat>

class QTextCursor;

// The parts the file kept (RtfContentSink::hidden) and where they go in the document: on the
// text after them, or at the end of a paragraph or cell, for a save to write back in place.
class RtfHiddenAnchors
{
public:
    void add(QByteArrayView rtf, bool preamble) { (preamble ? m_preamble : m_pending).append(rtf); }
    const QByteArray &preamble() const { return m_preamble; }
    // Kept parts that wait for the next character or paragraph end.
    bool hasPending() const { return !m_pending.isEmpty(); }

    // What the file kept before some text goes with all the text after it, up to the next kept
    // part or the paragraph's end. block: the cursor's.
    void take(bool noText, const QTextBlock &block);
    // The format with the parts the text being inserted carries.
    QTextCharFormat withHidden(QTextCharFormat format) const;
    // The parts waiting go at the end of the cursor's block; it ends the span.
    void attachToBlock(QTextCursor &cursor);
    // A paragraph split in pieces goes on in the new block.
    void continueIn(const QTextBlock &block) { m_spanBlock = block; }

    // Characters that carry kept parts; beyond, kept parts wait for the paragraph's end.
    static constexpr int MaxHiddenAnchors = 20000;

private:
    QByteArray m_preamble;
    QByteArray m_pending; // waits for the next character or paragraph end
    QByteArray m_span;    // the text being inserted carries it
    int m_spanId = 0;
    QTextBlock m_spanBlock;
    int m_count = 0;
};
