// SPDX-License-Identifier: GPL-3.0-or-later
#include "richtextbox.h"

#include "controls/margintextedit.h"
#include "controls/panecontent.h"
#include "controls/richlayoutpump.h"
#include "controls/richtextmapping.h"
#include "files/richdocumentfont.h"
#include "plaintext/plaintextview.h"
#include "rtf/rtfwriter.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>
#include <climits>
#include <memory>

namespace {

// The document's own text holds paragraph and frame marks where the pane's text has a line end;
// each takes one position in both, so positions agree.
void markLineEnds(QString &text)
{
    for (QChar &c : text) {
        switch (c.unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0: // start of a frame (a table, for instance)
        case 0xFDD1: // end of a frame
            c = u'\n';
            break;
        default:
            break;
        }
    }
}

bool isBold(const QTextCharFormat &format)
{
    return format.fontWeight() >= QFont::DemiBold;
}

bool isItalic(const QTextCharFormat &format)
{
    return format.fontItalic();
}

bool isUnderlined(const QTextCharFormat &format)
{
    return format.fontUnderline();
}

int clampedInt(qsizetype value)
{
    return int(std::clamp<qsizetype>(value, 0, INT_MAX));
}

} // namespace

RichTextBox::RichTextBox(QWidget *parent) : QWidget(parent)
{
    m_richEditor = new MarginTextEdit(this);
    m_richEditor->setObjectName(QStringLiteral("richEditor"));
    m_richEditor->setAcceptRichText(true);
    m_plainView = new PlainTextView(this);
    m_plainView->setObjectName(QStringLiteral("plainEditor"));
    m_richEditor->hide();
    setFocusProxy(m_plainView);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("loadProgress"));
    m_progress->setRange(0, 100);
    m_progress->setFormat(tr("Reading the file ... %p%"));
    m_progress->hide();
    m_preview = new PlainTextView(this);
    m_preview->setObjectName(QStringLiteral("loadPreview"));
    // A picture of the file's start: keys and the pointer stay with the pane.
    m_preview->setFocusPolicy(Qt::NoFocus);
    m_preview->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_preview->document().setReadOnly(true);
    m_preview->hide();
    m_note = new QLabel(readOnlyNote(), this);
    m_note->setObjectName(QStringLiteral("readOnlyNote"));
    m_note->setWordWrap(true);
    m_note->setMargin(4);
    m_note->setAutoFillBackground(true);
    m_note->setBackgroundRole(QPalette::ToolTipBase);
    m_note->setForegroundRole(QPalette::ToolTipText);
    m_note->hide();
    m_layoutPump = new RichLayoutPump(this);
    for (QAbstractScrollArea *editor : {static_cast<QAbstractScrollArea *>(m_richEditor),
                                        static_cast<QAbstractScrollArea *>(m_plainView)}) {
        editor->viewport()->setMouseTracking(true);
        editor->viewport()->installEventFilter(this);
    }
    m_richEditor->installEventFilter(this);
    m_richEditor->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_richEditor, &QWidget::customContextMenuRequested, this, [this](QPoint at) {
        QMenu *menu = m_richEditor->createStandardContextMenu();
        // Undo and redo as the keys do them.
        for (QAction *action : menu->actions()) {
            const bool undo = action->objectName() == QLatin1String("edit-undo");
            if (!undo && action->objectName() != QLatin1String("edit-redo"))
                continue;
            disconnect(action, &QAction::triggered, nullptr, nullptr);
            connect(action, &QAction::triggered, this,
                    undo ? &RichTextBox::undo : &RichTextBox::redo);
            if (isMapping())
                action->setEnabled(false);
        }
        if (!m_contextActions.isEmpty()) {
            menu->addSeparator();
            menu->addActions(m_contextActions);
        }
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(m_richEditor->viewport()->mapToGlobal(at));
    });

    // Only the editor on screen speaks for the pane; the other one is emptied when it is hidden.
    connect(m_richEditor, &QTextEdit::textChanged, this, [this] {
        if (m_rich && !m_replacing)
            emit textChanged();
    });
    // What changed is told before that something did, as the rich editor's document does.
    connect(&m_plainView->document(), &PlainTextDocument::contentsChanged, this,
            [this](qsizetype position, qsizetype removed, qsizetype added) {
                if (m_rich || m_replacing)
                    return;
                emit contentsChange(clampedInt(position), clampedInt(removed), clampedInt(added));
                emit textChanged();
            });
    watch(m_richEditor->document());
}

RichTextBox::~RichTextBox()
{
    // Its editors are deleted after this, and their documents report changes as they go: none
    // of that reaches listeners, which would ask a pane that is no longer there.
    blockSignals(true);
    dropMapping(); // while the editor is there
    delete m_plainCopy;
}

QString RichTextBox::readOnlyNote()
{
    return tr(
        "This document has too many lines or formats to show its formatting in time: its text "
        "is shown here, and cannot be changed. Save as writes the document with its formatting.");
}

void RichTextBox::watch(QTextDocument *document)
{
    connect(document, &QTextDocument::contentsChange, this,
            [this, document](int position, int removed, int added) {
                onContentsChange(document, position, removed, added);
            });
    // A new edit empties the redo list: an undone group cannot be redone any more.
    connect(document, &QTextDocument::undoCommandAdded, this, [this, document] {
        if (isMapping() || document != m_undoGroupsOf)
            return;
        m_undoGroups.removeIf([](const UndoGroup &group) { return group.undone; });
    });
}

void RichTextBox::onContentsChange(QTextDocument *document, int position, int removed, int added)
{
    if (m_replacing || !m_rich || document != m_richEditor->document())
        return;
    // The document counts its closing paragraph mark, which is not part of the text.
    const int length = clampedInt(textLength());
    position = qBound(0, position, length);
    added = qBound(0, added, length - position);
    emit contentsChange(position, qMax(0, removed), added);
}

void RichTextBox::announceNewContent(qsizetype oldLength)
{
    emit contentsChange(0, clampedInt(oldLength), clampedInt(textLength()));
    emit textChanged();
}

void RichTextBox::showEditor(bool rich)
{
    if (rich == m_rich)
        return;
    m_rich = rich;
    QWidget *shown = rich ? static_cast<QWidget *>(m_richEditor) : m_plainView;
    QWidget *hidden = rich ? static_cast<QWidget *>(m_plainView) : m_richEditor;
    shown->show();
    hidden->hide();
    m_progress->raise();
    setFocusProxy(shown);
    if (hidden->hasFocus())
        shown->setFocus();
    // The hidden editor keeps nothing: a large text lives in one place only.
    if (rich) {
        m_plainView->document().setText({});
    } else if (m_keptDoc && m_keptDoc.get() == m_richEditor->document()) {
        // Read still by a writing that kept it: left as it is, in place of an empty one.
        m_richEditor->setDocument(new QTextDocument(m_richEditor));
        m_keptDoc.reset();
    } else {
        m_richEditor->clear();
    }
}

void RichTextBox::setPlainText(QString text, Origin origin)
{
    TextBuffer buffer(text);
    text = QString();
    setPlainBuffer(std::move(buffer), origin);
}

void RichTextBox::setPlainBuffer(TextBuffer &&buffer, Origin origin)
{
    dropMapping();
    const qsizetype oldLength = textLength();
    dropHeldRtf();
    m_replacing = true;
    showEditor(false);
    m_plainView->document().setBuffer(std::move(buffer));
    m_plainView->document().setModified(origin == Origin::Edit);
    m_replacing = false;
    announceNewContent(oldLength);
}

QString RichTextBox::toPlainText() const
{
    return m_rich ? m_richEditor->toPlainText() : m_plainView->document().text();
}

TextBuffer RichTextBox::plainTextBuffer() const
{
    return m_rich ? TextBuffer(m_richEditor->toPlainText()) : m_plainView->document().buffer();
}

void RichTextBox::setRichDocument(QTextDocument *document, Origin origin)
{
    dropMapping();
    const qsizetype oldLength = textLength();
    // Usually given where the document was built: setting it visits every format.
    const QFont font = fontFor(document->characterCount());
    if (document->defaultFont() != font)
        document->setDefaultFont(font);
    document->setModified(origin == Origin::Edit);
    dropHeldRtf();
    adoptRichDocument(document);
    announceNewContent(oldLength);
}

void RichTextBox::setUnformattedRich(QString text, QByteArray rtf)
{
    dropMapping();
    const qsizetype oldLength = textLength();
    m_replacing = true;
    showEditor(false);
    PlainTextDocument &plain = m_plainView->document();
    plain.setBuffer(TextBuffer(text));
    text = QString();
    plain.setModified(false);
    // Read-only before anyone hears of the new text, so that no listener changes it.
    plain.setReadOnly(true);
    m_replacing = false;
    m_readOnly = true;
    m_heldRtf = std::move(rtf);
    m_note->show();
    m_note->raise();
    m_progress->raise();
    placeNote();
    announceNewContent(oldLength);
}

void RichTextBox::holdEdits(bool held)
{
    m_held = held;
    m_plainView->document().setReadOnly(held || m_readOnly);
    // Changes in steps take no keys until their last step, whatever an operation ends meanwhile:
    // an edit between two steps would be one of the undo steps they count.
    m_richEditor->setReadOnly(held || isMapping());
}

void RichTextBox::dropHeldRtf()
{
    if (!m_readOnly)
        return;
    m_readOnly = false;
    m_heldRtf = QByteArray();
    m_plainView->document().setReadOnly(m_held);
    m_note->hide();
    placeNote();
}

void RichTextBox::placeNote()
{
    // Beside the scroll bar, which stays whole.
    const int noteWidth = width() - m_plainView->verticalScrollBar()->sizeHint().width();
    const int height = m_note->isHidden() ? 0 : m_note->heightForWidth(noteWidth);
    m_note->setGeometry(0, 0, noteWidth, height);
    const int notice = placeNotice(height, noteWidth);
    m_plainView->setTopMargin(height + notice);
    static_cast<MarginTextEdit *>(m_richEditor)->setViewportMargins(0, notice, 0, m_bottomMargin);
}

void RichTextBox::adoptRichDocument(QTextDocument *document)
{
    // The editor deletes a document it made itself; one of ours is deleted here.
    QPointer<QTextDocument> old = m_richEditor->document();
    document->setParent(m_richEditor);
    m_replacing = true;
    m_richEditor->setDocument(document);
    showEditor(true);
    m_replacing = false;
    watch(document);
    m_layoutPump->follow(document);
    if (old && old == m_keptDoc.get())
        m_keptDoc.reset();
    else if (old && old != document && old->parent() == m_richEditor)
        delete old;
}

QFont RichTextBox::fontFor(qsizetype characters) const
{
    return RichDocumentFont::forLength(font(), characters);
}

void RichTextBox::becomeRich()
{
    // Plain text holds no formatting: the same text becomes a document that can, with the
    // selection where it was. Nothing of the text changes, so no change is reported.
    const PlainTextDocument &plain = m_plainView->document();
    const qsizetype anchor = plain.anchor();
    const qsizetype cursor = plain.cursor();
    auto built = std::make_unique<QTextDocument>();
    built->setUndoRedoEnabled(false);
    built->setDefaultFont(fontFor(plain.length()));
    built->setPlainText(plain.text());
    built->setUndoRedoEnabled(true);
    built->setModified(plain.isModified());
    QTextDocument *document = built.release();
    adoptRichDocument(document);
    QTextCursor selection(document);
    selection.setPosition(clampedInt(anchor));
    selection.setPosition(clampedInt(cursor), QTextCursor::KeepAnchor);
    m_richEditor->setTextCursor(selection);
}

QString RichTextBox::text() const
{
    if (!m_rich)
        return m_plainView->document().text();
    QString text = m_richEditor->document()->toRawText();
    markLineEnds(text);
    return text;
}

QString RichTextBox::text(qsizetype start, qsizetype length) const
{
    const qsizetype total = textLength();
    start = std::clamp<qsizetype>(start, 0, total);
    length = std::clamp<qsizetype>(length, 0, total - start);
    if (length == 0)
        return QString();
    if (!m_rich)
        return m_plainView->document().buffer().mid(start, length);
    QTextCursor cursor(m_richEditor->document());
    cursor.setPosition(int(start));
    cursor.setPosition(int(start + length), QTextCursor::KeepAnchor);
    QString part = cursor.selectedText();
    markLineEnds(part);
    return part;
}

qsizetype RichTextBox::textLength() const
{
    if (!m_rich)
        return m_plainView->document().length();
    return m_richEditor->document()->characterCount() - 1;
}

void RichTextBox::forEachTextPiece(const std::function<bool(QStringView)> &visit) const
{
    if (m_rich) {
        visit(text());
        return;
    }
    bool more = true;
    m_plainView->document().buffer().forEachPiece([&](QStringView piece) {
        if (more)
            more = visit(piece);
    });
}

qsizetype RichTextBox::indexOf(QStringView word, qsizetype from) const
{
    from = std::max<qsizetype>(from, 0);
    if (from > textLength())
        return -1;
    if (!m_rich)
        return m_plainView->document().buffer().indexOf(word, from);
    return text().indexOf(word, from);
}

void RichTextBox::replaceText(QString text)
{
    const qsizetype caret = selectionStart();
    // The place shown stays too, when it was plain text already.
    const qsizetype top = m_rich ? 0 : m_plainView->firstVisiblePosition();
    setPlainText(std::move(text));
    m_plainView->document().setCursor(std::min(caret, textLength()));
    m_plainView->scrollTo(top);
}

bool RichTextBox::mapText(const Map &map)
{
    if (m_readOnly)
        return false;
    if (m_rich || textLength() <= undoableMapUpTo)
        return mapRange(0, textLength(), map, UndoStep::New);
    const qsizetype caret = selectionStart();
    const qsizetype top = m_plainView->firstVisiblePosition();
    const qsizetype oldLength = textLength();
    PlainTextDocument &plain = m_plainView->document();
    m_replacing = true;
    const bool changed = plain.mapText(map);
    if (changed)
        plain.setModified(true);
    m_replacing = false;
    if (!changed)
        return false;
    announceNewContent(oldLength);
    plain.setCursor(std::min(caret, textLength()));
    m_plainView->scrollTo(top);
    return true;
}

void RichTextBox::takeMappedText(TextBuffer &&mapped)
{
    if (!mapsAsNewText())
        return;
    const qsizetype caret = selectionStart();
    const qsizetype top = m_plainView->firstVisiblePosition();
    const qsizetype oldLength = textLength();
    PlainTextDocument &plain = m_plainView->document();
    m_replacing = true;
    plain.takeMapped(std::move(mapped));
    plain.setModified(true);
    m_replacing = false;
    announceNewContent(oldLength);
    plain.setCursor(std::min(caret, textLength()));
    m_plainView->scrollTo(top);
}

void RichTextBox::replaceRange(qsizetype start, qsizetype length, const QString &replacement)
{
    finishMapping();
    const qsizetype total = textLength();
    start = std::clamp<qsizetype>(start, 0, total);
    length = std::clamp<qsizetype>(length, 0, total - start);
    if (!m_rich) {
        m_plainView->document().replace(start, length, replacement,
                                        PlainTextDocument::Placement::JoinPreviousEdit);
        return;
    }
    QTextCursor cursor(m_richEditor->document());
    cursor.setPosition(int(start));
    cursor.setPosition(int(start + length), QTextCursor::KeepAnchor);
    // One undo step with the edit it follows, so that undoing it does not just bring it back.
    cursor.joinPreviousEditBlock();
    cursor.insertText(replacement);
    cursor.endEditBlock();
}

qsizetype RichTextBox::selectionStart() const
{
    return m_rich ? m_richEditor->textCursor().selectionStart()
                  : m_plainView->document().selectionStart();
}

qsizetype RichTextBox::selectionLength() const
{
    if (m_rich) {
        const QTextCursor cursor = m_richEditor->textCursor();
        return cursor.selectionEnd() - cursor.selectionStart();
    }
    const PlainTextDocument &plain = m_plainView->document();
    return plain.selectionEnd() - plain.selectionStart();
}

qsizetype RichTextBox::cursorPosition() const
{
    return m_rich ? m_richEditor->textCursor().position() : m_plainView->document().cursor();
}

QString RichTextBox::selectedText() const
{
    return text(selectionStart(), selectionLength());
}

void RichTextBox::select(qsizetype start, qsizetype length)
{
    const qsizetype total = textLength();
    start = std::clamp<qsizetype>(start, 0, total);
    length = std::clamp<qsizetype>(length, 0, total - start);
    if (!m_rich) {
        m_plainView->document().setSelection(start, start + length);
        m_plainView->ensureCursorVisible();
        return;
    }
    QTextCursor cursor(m_richEditor->document());
    cursor.setPosition(int(start));
    cursor.setPosition(int(start + length), QTextCursor::KeepAnchor);
    m_richEditor->setTextCursor(cursor);
    m_richEditor->ensureCursorVisible();
}

QTextCharFormat RichTextBox::currentCharFormat() const
{
    return m_rich ? m_richEditor->currentCharFormat() : QTextCharFormat();
}

Qt::CheckState RichTextBox::selectionState(bool (*has)(const QTextCharFormat &)) const
{
    if (!m_rich)
        return Qt::Unchecked;
    const QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    bool some = false;
    bool all = true;
    const QTextDocument *doc = m_richEditor->document();
    for (QTextBlock block = doc->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (fragment.position() + fragment.length() <= start || fragment.position() >= end)
                continue;
            if (has(fragment.charFormat()))
                some = true;
            else
                all = false;
        }
    }
    if (!some && all) // nothing but line ends selected, or no selection: what is typed next
        return has(currentCharFormat()) ? Qt::Checked : Qt::Unchecked;
    if (all)
        return Qt::Checked;
    return some ? Qt::PartiallyChecked : Qt::Unchecked;
}

Qt::CheckState RichTextBox::selectionBold() const
{
    return selectionState(isBold);
}

Qt::CheckState RichTextBox::selectionItalic() const
{
    return selectionState(isItalic);
}

Qt::CheckState RichTextBox::selectionUnderline() const
{
    return selectionState(isUnderlined);
}

QColor RichTextBox::selectionColor() const
{
    if (!m_rich)
        return editor()->palette().color(QPalette::Text);
    QTextCharFormat format = currentCharFormat();
    const QTextCursor selection = textCursor();
    if (selection.hasSelection()) {
        QTextCursor first(m_richEditor->document());
        first.setPosition(selection.selectionStart() + 1);
        format = first.charFormat();
    }
    if (format.foreground().style() == Qt::NoBrush)
        return editor()->palette().color(QPalette::Text);
    return format.foreground().color();
}

void RichTextBox::mergeFormat(const QTextCharFormat &format)
{
    finishMapping();
    if (m_readOnly)
        return;
    if (!m_rich)
        becomeRich();
    m_richEditor->mergeCurrentCharFormat(format);
}

void RichTextBox::setSelectionBold(bool bold)
{
    QTextCharFormat format;
    format.setFontWeight(bold ? QFont::Bold : QFont::Normal);
    mergeFormat(format);
}

void RichTextBox::setSelectionItalic(bool italic)
{
    QTextCharFormat format;
    format.setFontItalic(italic);
    mergeFormat(format);
}

void RichTextBox::setSelectionUnderline(bool underline)
{
    QTextCharFormat format;
    format.setFontUnderline(underline);
    mergeFormat(format);
}

void RichTextBox::setSelectionColor(const QColor &color)
{
    QTextCharFormat format;
    format.setForeground(color);
    mergeFormat(format);
}

QTextDocument *RichTextBox::document() const
{
    if (m_rich)
        return m_richEditor->document();
    const TextBuffer &buffer = m_plainView->document().buffer();
    if (!m_plainCopy || m_plainCopyRevision != buffer.revision()) {
        delete m_plainCopy;
        m_plainCopy = new QTextDocument;
        m_plainCopy->setUndoRedoEnabled(false);
        m_plainCopy->setDefaultFont(font());
        m_plainCopy->setPlainText(buffer.text());
        m_plainCopyRevision = buffer.revision();
    }
    return m_plainCopy;
}

bool RichTextBox::isModified() const
{
    return m_rich ? m_richEditor->document()->isModified() : m_plainView->document().isModified();
}

void RichTextBox::setModified(bool modified)
{
    if (m_rich)
        m_richEditor->document()->setModified(modified);
    else
        m_plainView->document().setModified(modified);
}

QTextCursor RichTextBox::textCursor() const
{
    if (m_rich)
        return m_richEditor->textCursor();
    QTextCursor cursor(document());
    const PlainTextDocument &plain = m_plainView->document();
    cursor.setPosition(clampedInt(plain.anchor()));
    cursor.setPosition(clampedInt(plain.cursor()), QTextCursor::KeepAnchor);
    return cursor;
}

void RichTextBox::setTextCursor(const QTextCursor &cursor)
{
    if (m_rich) {
        m_richEditor->setTextCursor(cursor);
        return;
    }
    m_plainView->document().setSelection(cursor.anchor(), cursor.position());
    m_plainView->ensureCursorVisible();
}

QAbstractScrollArea *RichTextBox::editor() const
{
    if (m_rich)
        return m_richEditor;
    return m_plainView;
}

void RichTextBox::setBottomMargin(int pixels)
{
    pixels = qMax(0, pixels);
    if (pixels == m_bottomMargin)
        return;
    m_bottomMargin = pixels;
    static_cast<MarginTextEdit *>(m_richEditor)
        ->setViewportMargins(0, m_notice && !m_notice->isHidden() ? m_notice->height() : 0, 0,
                             pixels);
    m_plainView->setBottomMargin(pixels);
}

QRect RichTextBox::caretRect() const
{
    const QRect inViewport = m_rich ? m_richEditor->cursorRect()
                                    : m_plainView->cursorRect(m_plainView->document().cursor());
    const QWidget *viewport = editor()->viewport();
    return QRect(viewport->mapTo(this, inViewport.topLeft()), inViewport.size());
}

void RichTextBox::addContextMenuAction(QAction *action)
{
    m_contextActions.append(action);
    m_plainView->setExtraContextActions(m_contextActions);
}

bool RichTextBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove)
        emit mouseMoved();
    if (watched == m_richEditor && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool undo = key->matches(QKeySequence::Undo);
        if (undo || key->matches(QKeySequence::Redo)) {
            if (undo)
                this->undo();
            else
                redo();
            return true;
        }
    }
    if (watched == m_richEditor && RichTextMapping::typeMapped(*m_richEditor, event, m_typingMap))
        return true;
    // Under GNOME's and KDE's keys the rich editor claims Ctrl+U ("delete the line") and then
    // does nothing with it; the key is the window's Underline.
    if (watched == m_richEditor && event->type() == QEvent::ShortcutOverride &&
        static_cast<QKeyEvent *>(event)->matches(QKeySequence::DeleteCompleteLine)) {
        event->ignore();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void RichTextBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_richEditor->setGeometry(rect());
    m_plainView->setGeometry(rect());
    m_preview->setGeometry(rect());
    placeNote();
    const int barHeight = m_progress->sizeHint().height();
    m_progress->setGeometry(width() / 6, 8, width() * 2 / 3, barHeight);
}

QByteArray RichTextBox::richText() const
{
    finishMapping();
    if (isReadOnly())
        return heldRtf();
    return RtfWriter::write(*document());
}

std::optional<TextBuffer> RichTextBox::editedPlainText() const
{
    if (m_rich)
        return std::nullopt;
    return m_plainView->document().buffer();
}

quint64 RichTextBox::markTextSaved()
{
    return m_rich ? 0 : m_plainView->document().markTextAsOriginal();
}

ShownFile RichTextBox::showFile(PaneFileReader::Result &&file, ReaderText *reader)
{
    if (file.rich) {
        // Built where the file was read; the pane takes it over as its child.
        const PaneContent::Loaded loaded =
            file.document
                ? PaneContent::adopt(this, file.document.get(), std::move(file.richPlainText))
            : file.unformatted ? PaneContent::showUnformatted(this, std::move(file.bytes),
                                                              std::move(file.richPlainText))
                               : PaneContent::load(this, std::move(file.bytes));
        reader->text = loaded.richPlainText;
        reader->shared = false;
        return loaded.format;
    }
    file.bytes = QByteArray();
    ShownFile shown;
    shown.encoding = file.plain.encoding;
    shown.lineEnding = file.plain.lineEnding;
    setPlainBuffer(std::move(file.plain.buffer), Origin::File);
    reader->buffer = plainTextBuffer();
    reader->shared = true;
    return shown;
}
