// SPDX-License-Identifier: GPL-3.0-or-later
// The pane's document read beside the window: its RTF and its text are put together by work on
// another thread, paragraph by paragraph, each step only once the window gave it a turn (and
// waits meanwhile). The document may be dropped or changed between two turns; the work then
// stops without touching it again.
#include "richtextbox.h"

#include "rtf/rtfwriter.h"

#include <QPointer>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextEdit>

namespace {

// What toPlainText() makes of a paragraph's characters: line ends for the separators of
// paragraphs, lines and frames, spaces for no-break spaces.
void appendPlain(QString &text, QStringView part)
{
    const qsizetype from = text.size();
    text += part;
    for (qsizetype i = from; i < text.size(); ++i) {
        switch (text[i].unicode()) {
        case QChar::ParagraphSeparator:
        case QChar::LineSeparator:
        case 0xFDD0:
        case 0xFDD1:
            text[i] = u'\n';
            break;
        case QChar::Nbsp:
            text[i] = u' ';
            break;
        default:
            break;
        }
    }
}

} // namespace

PanePort::RichTextWriting RichTextBox::richTextWriting() const
{
    finishMapping();
    if (isReadOnly()) {
        return [bytes = heldRtf()](const std::function<bool()> &) {
            return std::optional<QByteArray>(bytes);
        };
    }
    const QPointer<const QTextDocument> doc = document();
    const int revision = doc->revision();
    return [doc, revision](const std::function<bool()> &step) -> std::optional<QByteArray> {
        bool stopped = false;
        if (!step() || !doc || doc->revision() != revision)
            return std::nullopt;
        QByteArray rtf = RtfWriter::write(*doc, [&doc, revision, &step, &stopped] {
            stopped = !step() || !doc || doc->revision() != revision;
            return !stopped;
        });
        if (stopped)
            return std::nullopt;
        return rtf;
    };
}

RichTextBox::TextSnapshotWriting RichTextBox::textSnapshotWriting() const
{
    if (!m_rich) {
        return [buffer = plainTextBuffer()](const std::function<bool()> &) {
            return std::optional<TextBuffer>(buffer);
        };
    }
    // A mapping under way would change the document between two turns.
    finishMapping();
    const QPointer<const QTextDocument> doc = m_richEditor->document();
    const int revision = doc->revision();
    return [doc, revision](const std::function<bool()> &step) -> std::optional<TextBuffer> {
        const auto goOn = [&doc, revision, &step] {
            return step() && doc && doc->revision() == revision;
        };
        if (!goOn())
            return std::nullopt;
        QString text;
        text.reserve(doc->characterCount());
        for (QTextBlock block = doc->begin(); block.isValid();) {
            appendPlain(text, block.text());
            const QTextBlock next = block.next();
            // The character that ends the paragraph, but not the one that ends the document.
            if (next.isValid())
                appendPlain(text, QString(doc->characterAt(block.position() + block.length() - 1)));
            if (!goOn())
                return std::nullopt;
            block = next;
        }
        return TextBuffer(text);
    };
}
