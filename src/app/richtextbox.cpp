#include "richtextbox.h"

#include <QEvent>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

namespace {

// The editors, with their viewport margins within the pane's reach.
class MarginTextEdit : public QTextEdit
{
public:
    using QAbstractScrollArea::setViewportMargins;
    using QTextEdit::QTextEdit;
};

class MarginPlainTextEdit : public QPlainTextEdit
{
public:
    using QAbstractScrollArea::setViewportMargins;
    using QPlainTextEdit::QPlainTextEdit;
};

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

} // namespace

RichTextBox::RichTextBox(QWidget *parent) : QWidget(parent)
{
    m_richEditor = new MarginTextEdit(this);
    m_richEditor->setObjectName(QStringLiteral("richEditor"));
    m_richEditor->setAcceptRichText(true);
    m_plainEditor = new MarginPlainTextEdit(this);
    m_plainEditor->setObjectName(QStringLiteral("plainEditor"));
    m_richEditor->hide();
    setFocusProxy(m_plainEditor);
    for (QAbstractScrollArea *editor : {static_cast<QAbstractScrollArea *>(m_richEditor),
                                        static_cast<QAbstractScrollArea *>(m_plainEditor)}) {
        editor->viewport()->setMouseTracking(true);
        editor->viewport()->installEventFilter(this);
    }

    // Only the editor on screen speaks for the pane; the other one is emptied when it is hidden.
    connect(m_richEditor, &QTextEdit::textChanged, this, [this] {
        if (m_rich && !m_replacing)
            emit textChanged();
    });
    connect(m_plainEditor, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_rich && !m_replacing)
            emit textChanged();
    });
    watch(m_richEditor->document());
    watch(m_plainEditor->document());
}

void RichTextBox::watch(QTextDocument *document)
{
    connect(document, &QTextDocument::contentsChange, this,
            [this, document](int position, int removed, int added) {
                onContentsChange(document, position, removed, added);
            });
}

void RichTextBox::onContentsChange(QTextDocument *document, int position, int removed, int added)
{
    if (m_replacing || document != this->document())
        return;
    // The document counts its closing paragraph mark, which is not part of the text.
    const int length = textLength();
    position = qBound(0, position, length);
    added = qBound(0, added, length - position);
    emit contentsChange(position, qMax(0, removed), added);
}

void RichTextBox::announceNewContent(int oldLength)
{
    emit contentsChange(0, oldLength, textLength());
    emit textChanged();
}

void RichTextBox::showEditor(bool rich)
{
    if (rich == m_rich)
        return;
    m_rich = rich;
    QWidget *shown = rich ? static_cast<QWidget *>(m_richEditor) : m_plainEditor;
    QWidget *hidden = rich ? static_cast<QWidget *>(m_plainEditor) : m_richEditor;
    shown->show();
    hidden->hide();
    setFocusProxy(shown);
    if (hidden->hasFocus())
        shown->setFocus();
    // The hidden editor keeps nothing: a large text lives in one place only.
    if (rich)
        m_plainEditor->clear();
    else
        m_richEditor->clear();
}

void RichTextBox::setPlainText(QString text, Origin origin)
{
    const int oldLength = textLength();
    // Built away from the editor and handed over whole: the editor's own way of taking a text
    // lays out every line once more, which for a large file costs seconds and memory.
    // Owned here until it is complete: when memory runs out half-way the partial document goes
    // and the editor keeps what it showed.
    auto built = std::make_unique<QTextDocument>();
    built->setDocumentLayout(new QPlainTextDocumentLayout(built.get()));
    built->setDefaultFont(font());
    built->setUndoRedoEnabled(false);
    built->setPlainText(text);
    text = QString();
    built->setUndoRedoEnabled(true);
    QTextDocument *document = built.release();
    document->setParent(m_plainEditor);

    document->setModified(origin == Origin::Edit);

    QPointer<QTextDocument> old = m_plainEditor->document();
    m_replacing = true;
    showEditor(false);
    m_plainEditor->setDocument(document);
    m_replacing = false;
    watch(document);
    if (old && old != document && old->parent() == m_plainEditor)
        delete old;
    announceNewContent(oldLength);
}

QString RichTextBox::toPlainText() const
{
    return m_rich ? m_richEditor->toPlainText() : m_plainEditor->toPlainText();
}

void RichTextBox::setRichDocument(QTextDocument *document, Origin origin)
{
    // The editor deletes a document it made itself; one of ours is deleted here.
    const int oldLength = textLength();
    QPointer<QTextDocument> old = m_richEditor->document();
    document->setParent(m_richEditor);
    document->setDefaultFont(font());
    document->setModified(origin == Origin::Edit);
    m_replacing = true;
    m_richEditor->setDocument(document);
    showEditor(true);
    m_replacing = false;
    watch(document);
    if (old && old != document && old->parent() == m_richEditor)
        delete old;
    announceNewContent(oldLength);
}

QString RichTextBox::text() const
{
    QString text = document()->toRawText();
    markLineEnds(text);
    return text;
}

QString RichTextBox::text(int start, int length) const
{
    const int total = textLength();
    start = qBound(0, start, total);
    length = qBound(0, length, total - start);
    if (length == 0)
        return QString();
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    QString part = cursor.selectedText();
    markLineEnds(part);
    return part;
}

int RichTextBox::textLength() const
{
    return document()->characterCount() - 1;
}

void RichTextBox::replaceText(QString text)
{
    const int caret = selectionStart();
    const int scrolled = editor()->verticalScrollBar()->value();
    setPlainText(std::move(text));
    QTextCursor cursor(document());
    cursor.setPosition(qMin(caret, textLength()));
    setTextCursor(cursor);
    editor()->verticalScrollBar()->setValue(scrolled);
}

void RichTextBox::replaceRange(int start, int length, const QString &replacement)
{
    const int total = textLength();
    start = qBound(0, start, total);
    length = qBound(0, length, total - start);
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    // One undo step with the edit it follows, so that undoing it does not just bring it back.
    cursor.joinPreviousEditBlock();
    cursor.insertText(replacement);
    cursor.endEditBlock();
}

int RichTextBox::selectionStart() const
{
    return textCursor().selectionStart();
}

int RichTextBox::selectionLength() const
{
    const QTextCursor cursor = textCursor();
    return cursor.selectionEnd() - cursor.selectionStart();
}

void RichTextBox::select(int start, int length)
{
    const int total = textLength();
    start = qBound(0, start, total);
    length = qBound(0, length, total - start);
    QTextCursor cursor(document());
    cursor.setPosition(start);
    cursor.setPosition(start + length, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    if (m_rich)
        m_richEditor->ensureCursorVisible();
    else
        m_plainEditor->ensureCursorVisible();
}

QTextCharFormat RichTextBox::currentCharFormat() const
{
    return m_rich ? m_richEditor->currentCharFormat() : m_plainEditor->currentCharFormat();
}

Qt::CheckState RichTextBox::selectionState(bool (*has)(const QTextCharFormat &)) const
{
    const QTextCursor cursor = textCursor();
    const int start = cursor.selectionStart();
    const int end = cursor.selectionEnd();
    bool some = false;
    bool all = true;
    for (QTextBlock block = document()->findBlock(start); block.isValid() && block.position() < end;
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
    QTextCharFormat format = currentCharFormat();
    const QTextCursor selection = textCursor();
    if (selection.hasSelection()) {
        QTextCursor first(document());
        first.setPosition(selection.selectionStart() + 1);
        format = first.charFormat();
    }
    if (format.foreground().style() == Qt::NoBrush)
        return editor()->palette().color(QPalette::Text);
    return format.foreground().color();
}

void RichTextBox::mergeFormat(const QTextCharFormat &format)
{
    if (m_rich)
        m_richEditor->mergeCurrentCharFormat(format);
    else
        m_plainEditor->mergeCurrentCharFormat(format);
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
    return m_rich ? m_richEditor->document() : m_plainEditor->document();
}

bool RichTextBox::isModified() const
{
    return document()->isModified();
}

void RichTextBox::setModified(bool modified)
{
    document()->setModified(modified);
}

QTextCursor RichTextBox::textCursor() const
{
    return m_rich ? m_richEditor->textCursor() : m_plainEditor->textCursor();
}

void RichTextBox::setTextCursor(const QTextCursor &cursor)
{
    if (m_rich)
        m_richEditor->setTextCursor(cursor);
    else
        m_plainEditor->setTextCursor(cursor);
}

QAbstractScrollArea *RichTextBox::editor() const
{
    if (m_rich)
        return m_richEditor;
    return m_plainEditor;
}

void RichTextBox::setBottomMargin(int pixels)
{
    pixels = qMax(0, pixels);
    if (pixels == m_bottomMargin)
        return;
    m_bottomMargin = pixels;
    static_cast<MarginTextEdit *>(m_richEditor)->setViewportMargins(0, 0, 0, pixels);
    static_cast<MarginPlainTextEdit *>(m_plainEditor)->setViewportMargins(0, 0, 0, pixels);
}

QRect RichTextBox::caretRect() const
{
    const QRect inViewport = m_rich ? m_richEditor->cursorRect() : m_plainEditor->cursorRect();
    const QWidget *viewport = editor()->viewport();
    return QRect(viewport->mapTo(this, inViewport.topLeft()), inViewport.size());
}

bool RichTextBox::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseMove)
        emit mouseMoved();
    return QWidget::eventFilter(watched, event);
}

void RichTextBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_richEditor->setGeometry(rect());
    m_plainEditor->setGeometry(rect());
}
