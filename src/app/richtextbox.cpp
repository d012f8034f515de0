#include "richtextbox.h"

#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTextDocument>
#include <QTextEdit>

RichTextBox::RichTextBox(QWidget *parent) : QWidget(parent)
{
    m_richEditor = new QTextEdit(this);
    m_richEditor->setObjectName(QStringLiteral("richEditor"));
    m_richEditor->setAcceptRichText(true);
    m_plainEditor = new QPlainTextEdit(this);
    m_plainEditor->setObjectName(QStringLiteral("plainEditor"));
    m_richEditor->hide();
    setFocusProxy(m_plainEditor);

    // Only the editor on screen speaks for the pane; the other one is emptied when it is hidden.
    connect(m_richEditor, &QTextEdit::textChanged, this, [this] {
        if (m_rich)
            emit textChanged();
    });
    connect(m_plainEditor, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_rich)
            emit textChanged();
    });
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

void RichTextBox::setPlainText(QString text)
{
    // Built away from the editor and handed over whole: the editor's own way of taking a text
    // lays out every line once more, which for a large file costs seconds and memory.
    auto *document = new QTextDocument(m_plainEditor);
    document->setDocumentLayout(new QPlainTextDocumentLayout(document));
    document->setDefaultFont(font());
    document->setUndoRedoEnabled(false);
    document->setPlainText(text);
    text = QString();
    document->setUndoRedoEnabled(true);

    QPointer<QTextDocument> old = m_plainEditor->document();
    showEditor(false);
    m_plainEditor->setDocument(document);
    if (old && old != document && old->parent() == m_plainEditor)
        delete old;
}

QString RichTextBox::toPlainText() const
{
    return m_rich ? m_richEditor->toPlainText() : m_plainEditor->toPlainText();
}

void RichTextBox::setRichDocument(QTextDocument *document)
{
    // The editor deletes a document it made itself; one of ours is deleted here.
    QPointer<QTextDocument> old = m_richEditor->document();
    document->setParent(m_richEditor);
    document->setDefaultFont(font());
    // Showing the editor first keeps the change signal of the new content with the pane.
    m_rich = true;
    m_richEditor->setDocument(document);
    m_rich = false;
    showEditor(true);
    if (old && old != document && old->parent() == m_richEditor)
        delete old;
}

QTextDocument *RichTextBox::document() const
{
    return m_rich ? m_richEditor->document() : m_plainEditor->document();
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

void RichTextBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_richEditor->setGeometry(rect());
    m_plainEditor->setGeometry(rect());
}
