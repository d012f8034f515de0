// SPDX-License-Identifier: GPL-3.0-or-later
// The viewing pane's part in drafts and in files that change on disk: texts shown as edits, text
// a file gained at its end, the view's place across a new reading, and the note above the text.
#include "richtextbox.h"

#include "controls/panecontent.h"
#include "plaintext/plaintextdocument.h"
#include "plaintext/plaintextview.h"

#include <QAction>
#include <QLabel>
#include <QProgressBar>
#include <QScrollBar>
#include <QTextEdit>

QString RichTextBox::textPart(qsizetype start, qsizetype length) const
{
    return text(start, length);
}

TextBuffer RichTextBox::textSnapshot() const
{
    return plainTextBuffer();
}

void RichTextBox::showEditedText(TextBuffer &&text)
{
    setPlainBuffer(std::move(text), Origin::Edit);
}

void RichTextBox::showEditedRichText(const QByteArray &rtf)
{
    PaneContent::load(this, QByteArray(rtf));
    setModified(true);
}

bool RichTextBox::isViewAtEnd() const
{
    const QScrollBar *bar = editor()->verticalScrollBar();
    return bar->value() >= bar->maximum();
}

bool RichTextBox::appendFromFile(const QString &text)
{
    if (m_rich || m_readOnly || isModified())
        return false;
    if (text.isEmpty())
        return true;
    const bool atEnd = isViewAtEnd();
    const PlainTextDocument &plain = m_plainView->document();
    const qsizetype anchor = plain.anchor();
    const Place here = place();
    // The pane's buffer is shared, not copied: only the last chunk takes the new text.
    TextBuffer buffer = plainTextBuffer();
    buffer.append(text);
    setPlainBuffer(std::move(buffer), Origin::File);
    m_plainView->document().setSelection(anchor, here.caret);
    // A view at the end follows the text as it grows, as a log is read live.
    m_plainView->scrollTo(atEnd ? textLength() : here.top);
    return true;
}

RichTextBox::Place RichTextBox::place() const
{
    Place here;
    here.caret = cursorPosition();
    if (m_rich)
        here.scroll = m_richEditor->verticalScrollBar()->value();
    else
        here.top = m_plainView->firstVisiblePosition();
    return here;
}

void RichTextBox::setPlace(const Place &place)
{
    const qsizetype caret = std::min(place.caret, textLength());
    if (m_rich) {
        QTextCursor cursor = m_richEditor->textCursor();
        cursor.setPosition(int(caret));
        m_richEditor->setTextCursor(cursor);
        m_richEditor->verticalScrollBar()->setValue(place.scroll);
        return;
    }
    m_plainView->document().setCursor(caret);
    m_plainView->scrollTo(std::min(place.top, textLength()));
}

void RichTextBox::showNotice(const QString &text, QAction *action)
{
    if (!m_notice) {
        m_notice = new QLabel(this);
        m_notice->setObjectName(QStringLiteral("paneNotice"));
        m_notice->setWordWrap(true);
        m_notice->setMargin(4);
        m_notice->setAutoFillBackground(true);
        m_notice->setBackgroundRole(QPalette::ToolTipBase);
        m_notice->setForegroundRole(QPalette::ToolTipText);
        m_notice->setTextFormat(Qt::RichText);
        connect(m_notice, &QLabel::linkActivated, this, [this] {
            if (m_noticeAction)
                m_noticeAction->trigger();
        });
    }
    m_noticeAction = action;
    if (text.isEmpty()) {
        m_notice->hide();
    } else {
        QString html = text.toHtmlEscaped();
        if (action)
            html += QStringLiteral(" &nbsp;<a href=\"action\">%1</a>")
                        .arg(action->text().toHtmlEscaped());
        m_notice->setText(html);
        m_notice->show();
        m_notice->raise();
        m_progress->raise();
    }
    placeNote();
}

QString RichTextBox::noticeText() const
{
    return m_notice && !m_notice->isHidden() ? m_notice->text() : QString();
}

int RichTextBox::placeNotice(int top, int width)
{
    if (!m_notice || m_notice->isHidden())
        return 0;
    const int height = m_notice->heightForWidth(width);
    m_notice->setGeometry(0, top, width, height);
    return height;
}
