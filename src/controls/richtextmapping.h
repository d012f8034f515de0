// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "controls/richsteps.h"
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
class RichUndoSteps;

// Maps the characters of a formatted document where they are, run by run: every character
// keeps its format, and what a save keeps of the file beside the text (hidden text, notes,
// fields, bookmarks, pictures ...) stays attached where it was. Left as they are: pictures,
// list labels and footnote numbers (the list and the note give them), the text an object kept
// whole shows (a save writes the object as the file had it) and the reader's own note.
//
// Mapped at once, it is one edit block, one undo step (or part of the previous one). A long
// part is mapped in steps of a few milliseconds while the window goes on, each an edit block of
// its own, which the document reports and lays out when it closes; blocks() says how many
// undo steps the mapping made, which the pane undoes and redoes as one. The editor is
// read-only until the last step.
class RichTextMapping : public RichSteps
{
    Q_OBJECT

public:
    // Maps the part [from, to) of the editor's document, widened to whole characters. The
    // selection stays between the same characters and the view where it was.
    RichTextMapping(QTextEdit &editor, qsizetype from, qsizetype to, TextMapEdits::Map map,
                    bool joinPrevious, QObject *parent = nullptr);
    // Ends the edit block where the mapping got to, if it did not get to the end.
    ~RichTextMapping() override;

    // Maps what is left at once (or, once cancelled, takes back what is left at once).
    void finish() override;
    // Stops, and takes back what was mapped so far, in steps as it was mapped: then the document
    // is as it was before, with nothing to redo, and the selection where it was. A mapping
    // joined to the edit before it cannot be taken back alone; it maps the rest at once instead.
    void cancel();
    // How far the mapping got, from 0 to 100.
    int percent() const;
    // Maps what is left in steps of about stepMs from the event loop (0: a paragraph a step);
    // finished() at the end.
    static constexpr qint64 stepMilliseconds = 25;
    void runInSteps(qint64 stepMs = stepMilliseconds);
    bool changedText() const { return m_changed; }
    // The undo steps the mapping made, once finished: the edit before it counts as one when the
    // mapping was joined to it.
    int blocks() const { return m_blocks; }

    // For the editor's event filter: a key or input method event whose text map changes is given
    // to the editor again with the mapped text, so that it goes in mapped, as the one edit of
    // that key (and one undo step). Returns whether it was: the event itself is then done with.
    static bool typeMapped(QTextEdit &editor, QEvent *event, const TextMapEdits::Map &map);

private:
    // Maps blocks until the end, or until the budget (in milliseconds, < 0: none) is spent.
    void mapBlocks(qint64 budget);
    void mapBlock(const QTextBlock &block);
    bool mapped(const QTextFragment &fragment);
    void openBlock();
    void closeBlock();
    void complete();

    QTextEdit &m_editor;
    QPointer<QTextDocument> m_doc;
    TextMapEdits::Map m_map;
    QTextCursor m_cursor; // holds the edit block
    bool m_inBlock = false;
    bool m_blockJoined = false;  // the open block is the edit before the mapping
    bool m_blockChanged = false; // the open block has an edit
    int m_blocks = 0;
    // What closing the last block cost. Qt lays out the step's paragraphs and goes over every
    // one after them, so a first guess leaves room for that.
    qint64 m_closeMs = stepMilliseconds * 3 / 4;
    RichUndoSteps *m_takeBack = nullptr;
    QTextBlock m_block; // the next one to map
    qsizetype m_from = 0;
    qsizetype m_to = 0; // moves with the edits
    qsizetype m_anchor = 0;
    qsizetype m_position = 0;
    QHash<int, std::optional<QTextCharFormat>> m_formats; // by index: mapped ones only
    bool m_changed = false;
    bool m_madeReadOnly = false;
    bool m_wasReadOnly = false;
    bool m_joinPrevious = false;
    bool m_cancelled = false;
    bool m_wasModified = false;
    qsizetype m_startAnchor = 0;
    qsizetype m_startPosition = 0;
    QTimer m_steps;
    qint64 m_stepMs = stepMilliseconds;
};
