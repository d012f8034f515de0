#pragma once

#include <QWidget>

class QPlainTextEdit;

// The full-screen reader: the current file's plain text in one large text box.
class Form3 : public QWidget
{
    Q_OBJECT

public:
    explicit Form3(QWidget *parent = nullptr);

    // The text box takes a large text only when the reader is on screen, so that a hidden reader
    // costs no layout; until then the text is kept as it was given.
    void setReaderText(const QString &text);
    QString readerText() const;

    QPlainTextEdit *Text1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void applyPendingText();

    QString m_pendingText;
    bool m_pending = false;
};
