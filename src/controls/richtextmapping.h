// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/textmapedits.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QTextBlock>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTimer>

#include <functional>
#include <optional>

class QEvent;
class QTextDocument;
class QTextEdit;

// Maps the characters of a formatted document where they are, run by run: every character
// keeps its format, and what a save keeps of the file beside the text (hidden text, notes,
// fields, bookmarks, pictures ...) stays attached where it was. Left as they are: pictures,
// list labels and footnote numbers (the list and the note give them), the text an object kept
// whole shows (a save writes the object as the file had it) and the reader's own note.
//
// All of it is one edit block, one undo step (or part of the previous one). A long part is
// mapped in steps of a few milliseconds while the window goes on; the editor is read-only
// until the last step, which is when the document reports its change (and gets a new layout,
// which Qt then lays out in steps).
class RichTextMapping : public QObject
{
    Q_OBJECT

public:
    // Maps the part [from, to) of the editor's document, widened to whole characters. The
    // selection stays between the same characters and the view where it was.
    RichTextMapping(QTextEdit &editor, qsizetype from, qsizetype to, TextMapEdits::Map map,
                    bool joinPrevious, QObject *parent = nullptr);
    // Ends the edit block where the mapping got to, if it did not get to the end.
    ~RichTextMapping() override;

    // Maps what is left at once.
    void finish();
    // Stops, and takes back what was mapped so far: the document is as it was before, with
    // nothing to redo, and the selection where it was. A mapping joined to the edit before it
    // cannot be taken back alone; it maps the rest at once instead.
    void cancel();
    // How far the mapping got, from 0 to 100.
    int percent() const;
    // Maps what is left in steps of about stepMs from the event loop (0: a paragraph a step);
    // finished() at the end.
    static constexpr qint64 stepMilliseconds = 25;
    void runInSteps(qint64 stepMs = stepMilliseconds);
    bool isFinished() const { return m_finished; }
    bool changedText() const { return m_changed; }
    // While the document is given a new layout at the end, which it reports as a change of
    // all its text.
    bool relayingOut() const { return m_relayingOut; }

    // For the editor's event filter: a key or input method event whose text map changes is given
    // to the editor again with the mapped text, so that it goes in mapped, as the one edit of
    // that key (and one undo step). Returns whether it was: the event itself is then done with.
    static bool typeMapped(QTextEdit &editor, QEvent *event, const TextMapEdits::Map &map);

    // For work that reads the document, on another thread, once mapping is over (finished,
    // cancelled or dropped): the function returned waits for that, without holding the window,
    // and on the window's thread maps what is left at once. Nothing when there is no mapping.
    static std::function<void()> awaitEnd(RichTextMapping *mapping);

signals:
    void finished();

private:
    // Maps blocks until the end, or until the budget (in milliseconds, < 0: none) is spent.
    void mapBlocks(qint64 budget);
    void mapBlock(const QTextBlock &block);
    bool mapped(const QTextFragment &fragment);
    void end();

    QTextEdit &m_editor;
    QPointer<QTextDocument> m_doc;
    TextMapEdits::Map m_map;
    QTextCursor m_cursor; // holds the edit block
    QTextBlock m_block;   // the next one to map
    qsizetype m_from = 0;
    qsizetype m_to = 0; // moves with the edits
    qsizetype m_anchor = 0;
    qsizetype m_position = 0;
    QHash<int, std::optional<QTextCharFormat>> m_formats; // by index: mapped ones only
    bool m_changed = false;
    bool m_finished = false;
    bool m_madeReadOnly = false;
    bool m_relayingOut = false;
    bool m_wasReadOnly = false;
    bool m_joinPrevious = false;
    bool m_cancelled = false;
    bool m_wasModified = false;
    qsizetype m_startAnchor = 0;
    qsizetype m_startPosition = 0;
    QTimer m_steps;
    qint64 m_stepMs = stepMilliseconds;
};
