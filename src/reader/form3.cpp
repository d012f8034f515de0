#include "form3.h"

#include <QPlainTextEdit>
#include <QScreen>

Form3::Form3(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Full screen mode"));
    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAccessibleName(QStringLiteral("Text"));
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);

    // The reader covers the screen; the text box fills it below the top strip.
    const QRect screen = this->screen()->geometry();
    setGeometry(screen);
    Text1->setGeometry(0, 16, screen.width(), qMax(0, screen.height() - 67));
}

void Form3::setReaderText(const QString &text)
{
    m_pending.setText(text);
    if (isVisible())
        applyPendingText();
}

void Form3::setReaderTextFromFile(const QString &path, const QByteArray &bytes)
{
    m_pending.setFile(path, bytes);
    if (isVisible())
        applyPendingText();
}

QString Form3::readerText() const
{
    return m_pending.isEmpty() ? Text1->toPlainText() : m_pending.text();
}

void Form3::showEvent(QShowEvent *event)
{
    applyPendingText();
    QWidget::showEvent(event);
}

void Form3::applyPendingText()
{
    if (m_pending.isEmpty())
        return;
    Text1->setPlainText(m_pending.text());
    m_pending.clear();
}
