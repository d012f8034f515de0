// SPDX-License-Identifier: GPL-3.0-or-later
// The pane's document read beside the window: its RTF and its text are put together by work on
// another thread, paragraph by paragraph, each step only once the window gave it a turn (and
// waits meanwhile). The document may be dropped or changed between two turns; the work then
// stops without touching it again.
#include "richtextbox.h"

#include "controls/richsteps.h"
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

// Takes the first turn of work on doc: once a mapping under way (awaitMapping) is over, with
// the revision the document then has, or else with the one it had when the work was made.
bool firstTurn(const QPointer<const QTextDocument> &doc, int &revision,
               const std::function<void()> &awaitMapping, const std::function<bool()> &step)
{
    if (!awaitMapping)
        return step() && doc && doc->revision() == revision;
    awaitMapping();
    if (!step() || !doc)
        return false;
    revision = doc->revision();
    return true;
}

// The RTF of doc, made in turns, as it is now or once the mapping under way is over; kept,
// when given, holds the document meanwhile.
PanePort::RichTextWriting writingOf(const QTextDocument *document,
                                    const std::function<void()> &awaitMapping,
                                    std::shared_ptr<const QTextDocument> kept = nullptr)
{
    const QPointer<const QTextDocument> doc = document;
    return [doc, start = doc->revision(), awaitMapping,
            kept](const std::function<bool()> &step) -> std::optional<QByteArray> {
        bool stopped = false;
        int revision = start;
        if (!firstTurn(doc, revision, awaitMapping, step))
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

} // namespace

PanePort::RichTextWriting RichTextBox::richTextWriting() const
{
    if (isReadOnly()) {
        return [bytes = heldRtf()](const std::function<bool()> &) {
            return std::optional<QByteArray>(bytes);
        };
    }
    // A mapping in steps goes on: the bytes are those of the document at its end.
    if (!m_rich)
        return writingOf(document(), {});
    return writingOf(document(), RichSteps::awaitEnd(runningSteps()));
}

PanePort::RichTextWriting RichTextBox::keptRichTextWriting()
{
    if (!m_rich || isReadOnly())
        return richTextWriting();
    finishMapping();
    QTextDocument *doc = m_richEditor->document();
    if (m_keptDoc.get() != doc) {
        // The editor lets go of a document it does not own without deleting it.
        doc->setParent(nullptr);
        m_keptDoc = std::shared_ptr<QTextDocument>(doc, [](QTextDocument *kept) {
            kept->deleteLater(); // from any thread
        });
    }
    return writingOf(doc, {}, m_keptDoc);
}

RichTextBox::TextSnapshotWriting RichTextBox::textSnapshotWriting() const
{
    if (!m_rich) {
        return [buffer = plainTextBuffer()](const std::function<bool()> &) {
            return std::optional<TextBuffer>(buffer);
        };
    }
    // A mapping in steps goes on: the text is that of the document at its end.
    const QPointer<const QTextDocument> doc = m_richEditor->document();
    return [doc, start = doc->revision(), awaitMapping = RichSteps::awaitEnd(runningSteps())](
               const std::function<bool()> &step) -> std::optional<TextBuffer> {
        int revision = start;
        if (!firstTurn(doc, revision, awaitMapping, step))
            return std::nullopt;
        const auto goOn = [&doc, revision, &step] {
            return step() && doc && doc->revision() == revision;
        };
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
