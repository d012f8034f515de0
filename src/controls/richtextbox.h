// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/textbuffer.h"
#include "viewer/paneport.h"

#include <QColor>
#include <QPointer>
#include <QTextCursor>
#include <QWidget>

#include <functional>
#include <memory>

class PlainTextView;
class RichLayoutPump;
class RichSteps;
class RichTextMapping;
class RichUndoSteps;
class QAbstractScrollArea;
class QAction;
class QLabel;
class QProgressBar;
class QTextCharFormat;
class QTextDocument;
class QTextEdit;

// The viewing pane: a rich-text box that shows formatted documents and plain text. Plain text
// is shown by our own editor, which keeps the text once and lays out only what is on screen, so
// that files of hundreds of megabytes appear at once; formatted documents (tables, alignment,
// pictures) use the full rich-text editor. Either way the pane offers one text, one selection
// and one change signal.
//
// Positions: every position the pane takes or gives (selection, changes, parts of the text)
// counts in the QString that text() returns, one UTF-16 unit each: paragraphs are separated by
// one '\n', a character outside the Basic Multilingual Plane takes two positions, and a table
// or picture takes its place holders. So a position found in text() selects exactly that place.
class RichTextBox : public QWidget, public PanePort
{
    Q_OBJECT

public:
    explicit RichTextBox(QWidget *parent = nullptr);
    ~RichTextBox() override;

    // Where new content comes from: a file just read is the unedited state (isModified() is
    // false as soon as the content is in, before the change signal); anything else is an edit.
    enum class Origin { Edit, File };

    // Replaces the whole content with plain text; all formatting is dropped. Taken by value,
    // so that a caller that moves a large text in does not keep a second copy alive.
    void setPlainText(QString text, Origin origin = Origin::Edit);
    // The same for a text already held in a buffer (read off the GUI thread); nothing is copied.
    void setPlainBuffer(TextBuffer &&buffer, Origin origin = Origin::Edit);
    QString toPlainText() const;
    // The same text in a buffer. Plain text shares the pane's own storage: taking it copies no
    // characters, and a later edit on either side copies only the piece it changes.
    TextBuffer plainTextBuffer() const;

    // The whole content without formatting, in the positions described above. Unlike
    // toPlainText() it keeps no-break spaces.
    QString text() const override;
    QString text(qsizetype start, qsizetype length) const; // a part of it, cut to the bounds
    qsizetype textLength() const override;
    // Hands text() to visit in pieces, in order, without copying plain text whole; stops when
    // visit returns false.
    void forEachTextPiece(const std::function<bool(QStringView)> &visit) const override;
    // The first occurrence of word at or after from, compared exactly, or -1; an empty word is
    // found at from. Plain text is searched where it is kept, without a copy of the whole.
    qsizetype indexOf(QStringView word, qsizetype from) const;

    // Like setPlainText(), but the caret stays at its position (or the end of a shorter text).
    void replaceText(QString text);
    // Changes the text into what map makes of text(), for a mapping of single characters such
    // as case mapping (map changes a piece in place and returns whether it did). The characters
    // change where they are: a formatted document keeps every format and every part a save
    // keeps (see RichTextMapping); the caret and selection stay between the same characters.
    // One undo step; a plain text longer than undoableMapUpTo is mapped piece by piece where it
    // is kept, as a new text that undo does not go back over. Returns false, changing nothing,
    // when the text stays as it is.
    using Map = std::function<bool(QString &piece)>;
    bool mapText(const Map &map);
    static constexpr qsizetype undoableMapUpTo = 512 * 1024;
    // Whether mapText() would map the text piece by piece as a new text: a long plain text.
    bool mapsAsNewText() const { return !m_rich && !m_readOnly && textLength() > undoableMapUpTo; }
    // Such a text mapped elsewhere (on another thread) from plainTextBuffer() while the pane
    // held its edits: it takes the text's place as mapText() would have left it.
    void takeMappedText(TextBuffer &&mapped);
    // The same for a part of the text, widened to whole characters; with JoinPrevious it is
    // undone together with the edit before it (a typed letter and its conversion). A formatted
    // part longer than mappedAtOnceUpTo is mapped in steps (isMapping(), true is returned);
    // until the last one the pane takes no keys, and its text is changed in part. Saving at
    // once (richText()), formatting and another mapping first map the rest at once; what is
    // read beside the window (richTextWriting(), textSnapshotWriting()) waits for the last
    // step; a new content ends it where it got to.
    enum class UndoStep { New, JoinPrevious };
    bool mapRange(qsizetype start, qsizetype length, const Map &map, UndoStep step);
    static constexpr qsizetype mappedAtOnceUpTo = 32 * 1024;
    // Until the change of the last step is reported.
    // Or its undo or redo in steps (see undo()).
    bool isMapping() const { return m_mapping || m_undoSteps; }
    bool isChangingInSteps() const override { return isMapping(); }
    // How far the mapping in steps got, from 0 to 100 (100 when there is none).
    int mappingPercent() const;
    // Stops the mapping in steps and takes back what it changed: the text and its formats are
    // as before it, with nothing to redo. One joined to the edit before it is finished instead.
    void cancelMapping();
    // Text typed into a formatted document goes in as map makes it, so that a key and its
    // conversion are one edit and one undo step (plain text's undo joins a conversion to the key
    // before it). No map: as typed.
    void setTypingMap(Map map) { m_typingMap = std::move(map); }
    // Undo and redo, as the editor's keys and menu do them. A mapping made in steps is undone
    // and redone as one, in steps again (the pane takes no keys meanwhile): Qt's undo would take
    // all of it back at once.
    void undo();
    void redo();
    // Whether an undone change can be redone. Every edit empties the redo list, so a change
    // after which one can is an undo (or a redo).
    bool canRedo() const;
    // Replaces a part of the text as an edit would; formatting elsewhere and the caret's place
    // in the text around it stay. It is undone together with the edit before it.
    void replaceRange(qsizetype start, qsizetype length, const QString &replacement) override;

    // The selection; with nothing selected, start is the caret and length 0.
    qsizetype selectionStart() const;
    qsizetype selectionLength() const;
    qsizetype cursorPosition() const; // the caret, at one end of the selection
    QString selectedText() const;
    // Selects length positions from start (cut to the text), the caret at the selection's end,
    // and scrolls it into view.
    void select(qsizetype start, qsizetype length);

    // Character formatting of the selection, or, with nothing selected, of what is typed next.
    // PartiallyChecked: the selection is not uniform. Plain text has none; formatting it turns
    // the pane into a formatted document of the same text.
    Qt::CheckState selectionBold() const;
    Qt::CheckState selectionItalic() const;
    Qt::CheckState selectionUnderline() const;
    QColor selectionColor() const; // of the selection's first character
    void setSelectionBold(bool bold);
    void setSelectionItalic(bool italic);
    void setSelectionUnderline(bool underline);
    void setSelectionColor(const QColor &color);

    // Replaces the whole content with a formatted document, which the pane takes over.
    void setRichDocument(QTextDocument *document, Origin origin = Origin::Edit);
    // A formatted document too long for the rich editor to show in time (see RichLayoutCost):
    // its text in the plain editor, read-only, with a note over the pane, and the file's bytes
    // kept as they were, so that a save writes the document back with all its formatting.
    void setUnformattedRich(QString text, QByteArray rtf);
    // Whether the pane shows such a document: every edit, by key or by tool, is refused, and
    // readOnlyNote() says why.
    bool isReadOnly() const { return m_readOnly; }
    const QByteArray &heldRtf() const { return m_heldRtf; }
    static QString readOnlyNote();

    // Whether the content was changed since it came from a file or since the last
    // setModified(false) (a successful Save): by typing, by undo and redo (undoing back to that
    // point clears it again) or by replacing the content.
    bool isModified() const override;
    void setModified(bool modified) override;
    // What a save to an RTF file writes: the document, or, for one shown as its text only
    // (not changed), the file's own bytes.
    QByteArray richText() const override;
    RichTextWriting richTextWriting() const override;
    RichTextWriting keptRichTextWriting() override;
    std::optional<TextBuffer> editedPlainText() const override;
    quint64 markTextSaved() override;
    std::optional<QFont> richFont() const override { return font(); }
    void holdEdits(bool held) override;
    bool holdsEdits() const { return m_held; }
    ShownFile showFile(PaneFileReader::Result &&file, ReaderText *reader) override;

    // Keeps the lowest pixels of the pane free of text, for a control that lies over them; the
    // text scrolls so that every line can still be brought into view above it.
    void setBottomMargin(int pixels);
    int bottomMargin() const { return m_bottomMargin; }
    // The caret's rectangle in the pane's coordinates.
    QRect caretRect() const;

    bool showsRichDocument() const { return m_rich; }
    // The formatted document; for plain text, a read-only copy made when asked for, which costs
    // as much as the text is large: use the methods above for plain text instead.
    QTextDocument *document() const;
    QTextCursor textCursor() const;
    void setTextCursor(const QTextCursor &cursor);
    QAbstractScrollArea *editor() const; // the editor on screen

    // A bar over the pane that shows how far a load has come; the text stays as it is.
    void showLoadProgress(int percent) override;
    // The first lines of the file being read, shown over the pane until hideLoadProgress():
    // a first screen at once, while the pane keeps its own text (and shows it again when the
    // load is dropped).
    void showLoadPreview(TextBuffer &&head) override;
    void growLoadPreview(TextBuffer &&more, bool restart) override;
    std::optional<PreviewPlace> loadPreviewPlace() const override;
    void setPreviewPlace(const PreviewPlace &place) override;
    PlainTextView *loadPreview() const { return m_preview; }
    bool showsLoadPreview() const;
    void hideLoadProgress() override; // the bar and the preview
    bool showsLoadProgress() const;

    // The window's own operations on the shown file, at the end of the pane's context menu in
    // both editors.
    void addContextMenuAction(QAction *action);

    // Drafts and files changed on disk (richtextboxfiles.cpp).
    QString textPart(qsizetype start, qsizetype length) const override;
    TextBuffer textSnapshot() const override;
    // The same text, made later by the function returned, as richTextWriting() makes the RTF:
    // on another thread in turns with the window; nothing once step returned false or the
    // document changed meanwhile. Called on the window's thread.
    using TextSnapshotWriting =
        std::function<std::optional<TextBuffer>(const std::function<bool()> &step)>;
    TextSnapshotWriting textSnapshotWriting() const;
    bool showsFormatting() const override { return m_rich; }
    void showEditedText(TextBuffer &&text) override;
    void showEditedRichText(const QByteArray &rtf) override;
    bool appendFromFile(const QString &text) override;
    // The view shows the end of the text.
    bool isViewAtEnd() const;
    Place place() const override;
    void setPlace(const Place &place) override;
    // A note above the text, with the action as a link after it; an empty text hides it.
    void showNotice(const QString &text, QAction *action = nullptr);
    QString noticeText() const;

    QTextEdit *richEditor() const { return m_richEditor; }
    PlainTextView *plainView() const { return m_plainView; }

signals:
    // Every change of the content, by typing or by code, after it is complete. Just before it,
    // contentsChange says what changed: at position, removed positions were replaced by added
    // ones (a change of formatting alone has removed == added). A new content is reported as
    // one change of the whole text.
    void contentsChange(int position, int removed, int added);
    void textChanged();
    // The pointer moved over the pane's visible area, with or without a button held.
    void mouseMoved();

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showEditor(bool rich);
    void watch(QTextDocument *document);
    void onContentsChange(QTextDocument *document, int position, int removed, int added);
    void announceNewContent(qsizetype oldLength);
    Qt::CheckState selectionState(bool (*has)(const QTextCharFormat &)) const;
    QTextCharFormat currentCharFormat() const;
    void mergeFormat(const QTextCharFormat &format);
    void becomeRich();
    // The pane's font for a formatted document of this many characters.
    QFont fontFor(qsizetype characters) const;
    // Puts a document of ours into the rich editor and shows it, without reporting a change.
    void adoptRichDocument(QTextDocument *document);
    void dropHeldRtf();
    void placeNote();
    int placeNotice(int top, int width); // returns its height
    void finishMapping() const;
    void dropMapping();
    RichSteps *runningSteps() const;
    // A mapping's undo steps, undone or redone as one while the document stays the same.
    struct UndoGroup
    {
        int top = 0;   // the document's count of undo steps with the group done
        int below = 0; // and with it undone
        int blocks = 0;
        bool undone = false;
    };
    void addUndoGroup(int blocks);
    QList<UndoGroup> &undoGroups();
    void undoOrRedo(bool undo);
    void runUndoGroup(qsizetype index, bool undo);

    QTextEdit *m_richEditor = nullptr;
    PlainTextView *m_plainView = nullptr;
    QProgressBar *m_progress = nullptr;
    PlainTextView *m_preview = nullptr;
    bool m_previewGrown = false; // the preview holds the text found so far, to be read in
    QLabel *m_note = nullptr;
    QLabel *m_notice = nullptr;
    QAction *m_noticeAction = nullptr;
    RichLayoutPump *m_layoutPump = nullptr;
    QList<QAction *> m_contextActions;
    Map m_typingMap;
    RichTextMapping *m_mapping = nullptr;
    RichUndoSteps *m_undoSteps = nullptr;
    QList<UndoGroup> m_undoGroups;
    QPointer<QTextDocument> m_undoGroupsOf;
    bool m_readOnly = false;
    bool m_held = false;  // an operation works on the text
    QByteArray m_heldRtf; // the formatted document behind a read-only plain text
    bool m_rich = false;
    int m_bottomMargin = 0;
    bool m_replacing = false; // a new content is being put in: reported once, when complete
    // The document shown, once a writing kept it: whichever of the two lets go last deletes
    // it, on the window's thread.
    std::shared_ptr<QTextDocument> m_keptDoc;
    mutable QTextDocument *m_plainCopy = nullptr;
    mutable quint64 m_plainCopyRevision = 0;
};
