// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/panefilereader.h"
#include "plaintext/textbuffer.h"
#include "viewer/shownfile.h"

#include <QByteArray>
#include <QFont>
#include <QString>
#include <QStringView>

#include <functional>
#include <optional>

// What the reader window shows of a file just displayed: a formatted document's text, or the
// pane's own plain text, shared rather than copied.
struct ReaderText
{
    QString text;
    TextBuffer buffer;
    bool shared = false; // buffer holds it
};

// What the viewer needs of the viewing pane, and no more: showing a file it read, the read's
// progress meanwhile, its text, whether it was edited since it was shown or saved, and its
// document as RTF for a save to an RTF file.
class PanePort
{
public:
    virtual ~PanePort() = default;

    // Shows a file just read, formatted or as plain text, as the file's contents asked; returns
    // the format it is shown in (formatted, encoding, line ends) and fills reader. Throws
    // std::bad_alloc when memory runs out; the pane then keeps what it showed.
    virtual ShownFile showFile(PaneFileReader::Result &&file, ReaderText *reader) = 0;
    // While a file is read: its first lines over the pane, then how far the read got.
    virtual void showLoadPreview(TextBuffer &&head) = 0;
    virtual void showLoadProgress(int percent) = 0;
    // The text found so far of a large file grew: more follows what the preview shows, or
    // replaces it when restart is set. The preview can then be scrolled, selected and copied,
    // never edited: edits wait for the whole text.
    virtual void growLoadPreview(TextBuffer &&more, bool restart)
    {
        Q_UNUSED(more);
        Q_UNUSED(restart);
    }
    // Where the reader left caret, selection and view in the preview, for the whole text to
    // take over; nothing when the preview was not moved in.
    struct PreviewPlace
    {
        qsizetype anchor = 0;
        qsizetype caret = 0;
        qsizetype top = 0;
        bool atEnd = false; // the caret at the end of what was found: it follows to the real end
    };
    virtual std::optional<PreviewPlace> loadPreviewPlace() const { return std::nullopt; }
    virtual void setPreviewPlace(const PreviewPlace &place) { Q_UNUSED(place); }
    virtual void hideLoadProgress() = 0; // the bar and the preview

    virtual bool isModified() const = 0;
    virtual void setModified(bool modified) = 0;
    virtual QString text() const = 0;
    // The text in the pieces the pane keeps it in, so that a large one is never copied whole;
    // stops when visit returns false.
    virtual void forEachTextPiece(const std::function<bool(QStringView)> &visit) const = 0;
    // The bytes a save to an RTF file writes.
    virtual QByteArray richText() const = 0;
    // The same bytes, made later by the function returned, which may run on another thread
    // while edits are held: it reads the document only after step (a WindowTurns turn) let it,
    // and returns nothing once step returned false or the document changed meanwhile.
    using RichTextWriting =
        std::function<std::optional<QByteArray>(const std::function<bool()> &step)>;
    virtual RichTextWriting richTextWriting() const
    {
        return [bytes = richText()](const std::function<bool()> &) {
            return std::optional<QByteArray>(bytes);
        };
    }

    // The same for a document about to leave the pane (another text is shown next): the
    // function keeps the document as it is now, and reads it after it left.
    virtual RichTextWriting keptRichTextWriting() { return richTextWriting(); }

    // For drafts and for files changed on disk; a pane without them keeps the defaults.
    virtual qsizetype textLength() const { return text().size(); }
    virtual QString textPart(qsizetype start, qsizetype length) const
    {
        return text().mid(start, length);
    }
    // The text as a buffer; the pane's own plain text is shared, not copied.
    virtual TextBuffer textSnapshot() const { return TextBuffer(text()); }
    // The pane holds a formatted document (a save to an RTF file keeps its formatting).
    virtual bool showsFormatting() const { return false; }
    // Shows a text or a formatted document that no file holds, as an edit (isModified()).
    virtual void showEditedText(TextBuffer &&text) { Q_UNUSED(text); }
    virtual void showEditedRichText(const QByteArray &rtf) { Q_UNUSED(rtf); }
    // Replaces a part of the text as an edit does.
    virtual void replaceRange(qsizetype start, qsizetype length, const QString &replacement)
    {
        Q_UNUSED(start);
        Q_UNUSED(length);
        Q_UNUSED(replacement);
    }
    // Adds text that the file gained at its end, as part of the file (no edit); a view at the
    // end stays at the end. False when the pane cannot (a formatted document).
    virtual bool appendFromFile(const QString &text)
    {
        Q_UNUSED(text);
        return false;
    }
    // Where the view is, to come back to after the text was read again.
    struct Place
    {
        qsizetype top = 0;   // the first position in view
        qsizetype caret = 0; // the caret
        int scroll = 0;      // a formatted document's scroll bar
    };
    virtual Place place() const { return {}; }
    virtual void setPlace(const Place &place) { Q_UNUSED(place); }
    // The plain text with the record of what was edited since it was read or last saved
    // (TextBuffer::origin()), so that a save writes only that; nothing for a formatted text.
    virtual std::optional<TextBuffer> editedPlainText() const { return std::nullopt; }
    // While an operation works on the text (a save writing it): no key, paste, undo or tool
    // changes it, and it is taken again as it was when held is false.
    virtual void holdEdits(bool held) { Q_UNUSED(held); }
    // While a change goes on in steps between the window's events (a case conversion of a long
    // formatted document): until its last step the text is changed only in part.
    virtual bool isChangingInSteps() const { return false; }
    // After a save: the text as it is now is the file's. Returns its mark (0: not recorded).
    virtual quint64 markTextSaved() { return 0; }
    // The font a formatted document is shown in, given where it is built; none: the pane sets
    // it itself.
    virtual std::optional<QFont> richFont() const { return std::nullopt; }
};
