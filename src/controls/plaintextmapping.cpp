// SPDX-License-Identifier: GPL-3.0-or-later
#include "plaintextmapping.h"

#include "plaintext/plaintextdocument.h"

#include <algorithm>

namespace {

bool startsPair(const TextBuffer &text, qsizetype position)
{
    return position + 1 < text.length() && text.at(position).isHighSurrogate() &&
           text.at(position + 1).isLowSurrogate();
}

} // namespace

QList<TextMapEdits::Edit> PlainTextMapping::apply(PlainTextDocument &text, qsizetype from,
                                                  qsizetype to, const TextMapEdits::Map &map,
                                                  bool joinPrevious)
{
    const TextBuffer &buffer = text.buffer();
    from = std::clamp<qsizetype>(from, 0, buffer.length());
    to = std::clamp<qsizetype>(to, from, buffer.length());
    if (from > 0 && startsPair(buffer, from - 1))
        --from;
    if (to > 0 && startsPair(buffer, to - 1))
        ++to;
    const QString part = buffer.mid(from, to - from);
    QList<TextMapEdits::Edit> edits;
    TextMapEdits::collect(part, from, map, edits);
    if (edits.isEmpty() || text.isReadOnly())
        return {};

    // One change from the first edit to the last.
    const qsizetype start = edits.first().start;
    const qsizetype end = edits.last().start + edits.last().removed;
    QString replacement;
    qsizetype at = start;
    for (const TextMapEdits::Edit &edit : std::as_const(edits)) {
        replacement += QStringView(part).sliced(at - from, edit.start - at);
        replacement += edit.inserted;
        at = edit.start + edit.removed;
    }
    const qsizetype anchor = TextMapEdits::mapPosition(edits, text.anchor());
    const qsizetype cursor = TextMapEdits::mapPosition(edits, text.cursor());
    text.replace(start, end - start, replacement,
                 joinPrevious ? PlainTextDocument::Placement::JoinPreviousEdit
                              : PlainTextDocument::Placement::KeepCaret);
    // The change moves a caret inside it to its end; by the edits it stays where it was.
    if (text.anchor() != anchor || text.cursor() != cursor)
        text.setSelection(anchor, cursor);
    return edits;
}
