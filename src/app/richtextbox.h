#pragma once

#include <QTextCursor>
#include <QWidget>

class QAbstractScrollArea;
class QPlainTextEdit;
class QTextDocument;
class QTextEdit;

// The viewing pane: a rich-text box that shows formatted documents and plain text. Plain text
// is shown by an editor that lays out only what is on screen, so that files of many megabytes
// appear at once; formatted documents (tables, alignment, pictures) use the full rich-text
// editor. Either way the pane offers one document, one cursor and one change signal.
class RichTextBox : public QWidget
{
    Q_OBJECT

public:
    explicit RichTextBox(QWidget *parent = nullptr);

    // Replaces the whole content with plain text; all formatting is dropped. Taken by value,
    // so that a caller that moves a large text in does not keep a second copy alive.
    void setPlainText(QString text);
    QString toPlainText() const;

    // Replaces the whole content with a formatted document, which the pane takes over.
    void setRichDocument(QTextDocument *document);

    bool showsRichDocument() const { return m_rich; }
    QTextDocument *document() const;
    QTextCursor textCursor() const;
    void setTextCursor(const QTextCursor &cursor);
    QAbstractScrollArea *editor() const; // the editor on screen

    QTextEdit *richEditor() const { return m_richEditor; }
    QPlainTextEdit *plainEditor() const { return m_plainEditor; }

signals:
    void textChanged();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    void showEditor(bool rich);

    QTextEdit *m_richEditor = nullptr;
    QPlainTextEdit *m_plainEditor = nullptr;
    bool m_rich = false;
};
