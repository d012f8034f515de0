// SPDX-License-Identifier: GPL-3.0-or-later
#include "plaintextaccessible.h"

#include "plaintext/plaintextview.h"

#include <QScrollBar>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <climits>

namespace {

int clamped(qsizetype value)
{
    return int(std::clamp<qsizetype>(value, 0, INT_MAX));
}

// Characters looked at around an offset to find the word or sentence it is in.
constexpr qsizetype nearby = 4096;

} // namespace

PlainTextAccessible::PlainTextAccessible(PlainTextView *view)
    : QAccessibleWidget(view, QAccessible::EditableText)
{
}

QAccessibleInterface *PlainTextAccessible::create(const QString &className, QObject *object)
{
    if (className == QLatin1String("PlainTextView") && object && object->isWidgetType())
        return new PlainTextAccessible(static_cast<PlainTextView *>(object));
    return nullptr;
}

std::unique_ptr<QAccessibleTextCursorEvent> PlainTextAccessible::changeEvent(PlainTextView *view,
                                                                             qsizetype position,
                                                                             qsizetype removed,
                                                                             qsizetype added)
{
    const PlainTextDocument &document = view->document();
    const int at = clamped(position);
    const QString inserted =
        document.buffer().mid(position, std::min(added, PlainTextDocument::changeTextKept));
    const QString &gone = document.lastRemovedText();
    if (removed == 0)
        return std::make_unique<QAccessibleTextInsertEvent>(view, at, inserted);
    if (added == 0)
        return std::make_unique<QAccessibleTextRemoveEvent>(view, at, gone);
    return std::make_unique<QAccessibleTextUpdateEvent>(view, at, gone, inserted);
}

PlainTextView *PlainTextAccessible::view() const
{
    return static_cast<PlainTextView *>(widget());
}

void *PlainTextAccessible::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface *>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface *>(this);
    return QAccessibleWidget::interface_cast(type);
}

QString PlainTextAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value) {
        // A screen reader asks for the value often; a text of hundreds of megabytes is given by
        // its start (no pair of surrogates cut), the rest through the text interface.
        const TextBuffer &buffer = view()->document().buffer();
        qsizetype n = std::min(buffer.length(), valueKept);
        if (n < buffer.length() && buffer.at(n - 1).isHighSurrogate())
            --n;
        return buffer.mid(0, n);
    }
    return QAccessibleWidget::text(t);
}

QAccessible::State PlainTextAccessible::state() const
{
    QAccessible::State s = QAccessibleWidget::state();
    s.editable = !view()->document().isReadOnly();
    s.readOnly = !s.editable;
    s.multiLine = true;
    s.selectableText = true;
    return s;
}

void PlainTextAccessible::selection(int selectionIndex, int *startOffset, int *endOffset) const
{
    const PlainTextDocument &doc = view()->document();
    if (selectionIndex != 0 || !doc.hasSelection()) {
        *startOffset = *endOffset = 0;
        return;
    }
    *startOffset = clamped(doc.selectionStart());
    *endOffset = clamped(doc.selectionEnd());
}

int PlainTextAccessible::selectionCount() const
{
    return view()->document().hasSelection() ? 1 : 0;
}

void PlainTextAccessible::addSelection(int startOffset, int endOffset)
{
    setSelection(0, startOffset, endOffset);
}

void PlainTextAccessible::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        view()->document().setCursor(view()->document().cursor());
}

void PlainTextAccessible::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0)
        return;
    view()->document().setSelection(startOffset, endOffset);
    view()->ensureCursorVisible();
}

int PlainTextAccessible::cursorPosition() const
{
    return clamped(view()->document().cursor());
}

void PlainTextAccessible::setCursorPosition(int position)
{
    view()->document().setCursor(position);
    view()->ensureCursorVisible();
}

QString PlainTextAccessible::text(int startOffset, int endOffset) const
{
    if (endOffset < startOffset)
        return QString();
    return view()->document().buffer().mid(startOffset, endOffset - startOffset);
}

std::pair<int, int> PlainTextAccessible::unitAt(int offset,
                                                QAccessible::TextBoundaryType type) const
{
    const TextBuffer &buffer = view()->document().buffer();
    const qsizetype length = buffer.length();
    offset = int(std::clamp<qsizetype>(offset, 0, length));
    switch (type) {
    case QAccessible::CharBoundary:
        return {offset, int(std::min<qsizetype>(offset + 1, length))};
    case QAccessible::LineBoundary:
    case QAccessible::ParagraphBoundary: {
        const qsizetype line = buffer.lineOf(offset);
        const qsizetype end = buffer.lineEnd(line);
        return {clamped(buffer.lineStart(line)), clamped(end < length ? end + 1 : end)};
    }
    case QAccessible::NoBoundary:
        return {0, clamped(length)};
    default:
        break;
    }
    const qsizetype from = std::max<qsizetype>(0, offset - nearby);
    const QString part = buffer.mid(from, 2 * nearby);
    QTextBoundaryFinder finder(type == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                                                 : QTextBoundaryFinder::Sentence,
                               part);
    finder.setPosition(offset - from);
    qsizetype start = finder.isAtBoundary() ? offset - from : finder.toPreviousBoundary();
    finder.setPosition(offset - from);
    qsizetype end = finder.toNextBoundary();
    if (start < 0)
        start = 0;
    if (end < 0)
        end = part.size();
    return {clamped(from + start), clamped(from + end)};
}

QString PlainTextAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                          int *startOffset, int *endOffset) const
{
    const auto [start, end] = unitAt(offset, boundaryType);
    *startOffset = start;
    *endOffset = end;
    return text(start, end);
}

QString PlainTextAccessible::textBeforeOffset(int offset,
                                              QAccessible::TextBoundaryType boundaryType,
                                              int *startOffset, int *endOffset) const
{
    const int start = unitAt(offset, boundaryType).first;
    if (start <= 0) {
        *startOffset = *endOffset = -1;
        return QString();
    }
    return textAtOffset(start - 1, boundaryType, startOffset, endOffset);
}

QString PlainTextAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                             int *startOffset, int *endOffset) const
{
    const int end = unitAt(offset, boundaryType).second;
    if (end >= characterCount()) {
        *startOffset = *endOffset = -1;
        return QString();
    }
    return textAtOffset(end, boundaryType, startOffset, endOffset);
}

int PlainTextAccessible::characterCount() const
{
    return clamped(view()->document().length());
}

QRect PlainTextAccessible::characterRect(int offset) const
{
    const QRect local = view()->cursorRect(offset);
    if (local.isEmpty())
        return {};
    return QRect(view()->viewport()->mapToGlobal(local.topLeft()), local.size());
}

int PlainTextAccessible::offsetAtPoint(const QPoint &point) const
{
    const QPoint local = view()->viewport()->mapFromGlobal(point);
    if (!view()->viewport()->rect().contains(local))
        return -1;
    return clamped(view()->positionAt(local));
}

void PlainTextAccessible::scrollToSubstring(int startIndex, int endIndex)
{
    Q_UNUSED(endIndex);
    view()->scrollTo(startIndex);
}

QString PlainTextAccessible::attributes(int offset, int *startOffset, int *endOffset) const
{
    // Plain text: one run of the same attributes from start to end.
    Q_UNUSED(offset);
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}

void PlainTextAccessible::deleteText(int startOffset, int endOffset)
{
    replaceText(startOffset, endOffset, QString());
}

void PlainTextAccessible::insertText(int offset, const QString &text)
{
    replaceText(offset, offset, text);
}

void PlainTextAccessible::replaceText(int startOffset, int endOffset, const QString &text)
{
    if (endOffset < startOffset)
        return;
    view()->document().replace(startOffset, endOffset - startOffset, text);
}
