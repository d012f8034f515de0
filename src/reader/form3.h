#pragma once

#include "reader/readertextsource.h"

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
    // The text of a plain file, decoded only when the reader shows it.
    void setReaderTextFromFile(const QString &path, const QByteArray &bytes);
    QString readerText() const;

    QPlainTextEdit *Text1 = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void applyPendingText();

    ReaderTextSource m_pending;
};
