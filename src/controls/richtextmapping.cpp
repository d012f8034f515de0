#include "richtextmapping.h"

#include "rtf/rtfproperties.h"

#include <QCoreApplication>
#include <QHash>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <algorithm>

namespace {

bool mapped(const QTextCharFormat &format)
{
    return !format.isImageFormat() && format.objectType() == QTextFormat::NoObject &&
           !format.boolProperty(RtfProperty::Generated) &&
           !format.hasProperty(RtfProperty::ListLabel) &&
           !format.boolProperty(RtfProperty::FootnoteMark);
}

bool startsPair(const QTextDocument &doc, qsizetype position)
{
    return doc.characterAt(int(position)).isHighSurrogate() &&
           doc.characterAt(int(position + 1)).isLowSurrogate();
}

} // namespace

bool RichTextMapping::apply(QTextEdit &editor, qsizetype from, qsizetype to,
                            const TextMapEdits::Map &map, bool joinPrevious)
{
    QTextDocument &doc = *editor.document();
    // The document counts its closing paragraph mark, which is no text.
    const qsizetype length = doc.characterCount() - 1;
    from = std::clamp<qsizetype>(from, 0, length);
    to = std::clamp<qsizetype>(to, from, length);
    if (from > 0 && startsPair(doc, from - 1))
        --from;
    if (to > 0 && to < length && startsPair(doc, to - 1))
        ++to;

    QList<TextMapEdits::Edit> edits;
    QList<int> formats; // each edit's, as the document numbers them
    QHash<int, bool> mappedFormats;
    const QList<QTextFormat> all = doc.allFormats();
    for (QTextBlock block = doc.findBlock(int(from)); block.isValid() && block.position() < to;
         block = block.next()) {
        if (block.blockFormat().boolProperty(RtfProperty::ReaderNote))
            continue;
        const QString text = block.text();
        const qsizetype blockStart = block.position();
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const qsizetype start = std::max<qsizetype>(fragment.position(), from);
            const qsizetype end = std::min<qsizetype>(fragment.position() + fragment.length(), to);
            if (start >= end)
                continue;
            const int format = fragment.charFormatIndex();
            auto known = mappedFormats.find(format);
            if (known == mappedFormats.end())
                known = mappedFormats.insert(format, mapped(all.at(format).toCharFormat()));
            if (!*known)
                continue;
            TextMapEdits::collect(QStringView(text).sliced(start - blockStart, end - start), start,
                                  map, edits);
            formats.resize(edits.size(), format);
        }
    }
    if (edits.isEmpty())
        return false;
    // Numbers, not a cursor: a cursor would move with the edits.
    const qsizetype anchorBefore = editor.textCursor().anchor();
    const qsizetype positionBefore = editor.textCursor().position();

    // From the end: the positions of the edits still to come stay as they were. Each new text
    // takes its run's format, the kept parts attached to it included.
    QTextCursor cursor(&doc);
    if (joinPrevious)
        cursor.joinPreviousEditBlock();
    else
        cursor.beginEditBlock();
    for (qsizetype i = edits.size() - 1; i >= 0; --i) {
        const TextMapEdits::Edit &edit = edits.at(i);
        cursor.setPosition(int(edit.start));
        cursor.setPosition(int(edit.start + edit.removed), QTextCursor::KeepAnchor);
        cursor.insertText(edit.inserted, all.at(formats.at(i)).toCharFormat());
    }
    cursor.endEditBlock();

    // The editor's cursor moved with the edits, but one at the start of a changed run went
    // past its new text: it goes back between the characters it was between, the view stays.
    const qsizetype anchor = TextMapEdits::mapPosition(edits, anchorBefore);
    const qsizetype position = TextMapEdits::mapPosition(edits, positionBefore);
    QTextCursor selection = editor.textCursor();
    if (selection.anchor() == anchor && selection.position() == position)
        return true;
    const int horizontal = editor.horizontalScrollBar()->value();
    const int vertical = editor.verticalScrollBar()->value();
    selection.setPosition(int(anchor));
    selection.setPosition(int(position), QTextCursor::KeepAnchor);
    editor.setTextCursor(selection);
    editor.horizontalScrollBar()->setValue(horizontal);
    editor.verticalScrollBar()->setValue(vertical);
    return true;
}

bool RichTextMapping::typeMapped(QTextEdit &editor, QEvent *event, const TextMapEdits::Map &map)
{
    if (!map || editor.isReadOnly())
        return false;
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        QString text = key->text();
        if (text.isEmpty() || !map(text))
            return false;
        QKeyEvent mapped(key->type(), key->key(), key->modifiers(), key->nativeScanCode(),
                         key->nativeVirtualKey(), key->nativeModifiers(), text, key->isAutoRepeat(),
                         key->count(), key->device());
        QCoreApplication::sendEvent(&editor, &mapped);
        event->setAccepted(mapped.isAccepted());
        return true;
    }
    if (event->type() == QEvent::InputMethod) {
        const auto *input = static_cast<QInputMethodEvent *>(event);
        QString text = input->commitString();
        if (text.isEmpty() || !map(text))
            return false;
        QInputMethodEvent mapped(input->preeditString(), input->attributes());
        mapped.setCommitString(text, input->replacementStart(), input->replacementLength());
        QCoreApplication::sendEvent(&editor, &mapped);
        event->setAccepted(mapped.isAccepted());
        return true;
    }
    return false;
}
