// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAccessibleWidget>

#include <memory>

class PlainTextView;

// What screen readers (and tests) see of the plain-text editor: an editable text whose
// characters, caret, selection and changes they can read through the text interface, without
// the whole text being copied for each question.
class PlainTextAccessible : public QAccessibleWidget,
                            public QAccessibleTextInterface,
                            public QAccessibleEditableTextInterface
{
public:
    explicit PlainTextAccessible(PlainTextView *view);

    // For QAccessible::installFactory.
    static QAccessibleInterface *create(const QString &className, QObject *object);

    // What screen readers are told of a change of the view's text, just made: at position,
    // removed characters were replaced by added ones. The event carries the text removed and
    // inserted, of a change of megabytes only its start.
    static std::unique_ptr<QAccessibleTextCursorEvent>
    changeEvent(PlainTextView *view, qsizetype position, qsizetype removed, qsizetype added);

    // The value of a longer text is its first this many characters.
    static constexpr qsizetype valueKept = 64 * 1024;

    void *interface_cast(QAccessible::InterfaceType type) override;
    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;

    // QAccessibleTextInterface
    void selection(int selectionIndex, int *startOffset, int *endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int *startOffset, int *endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int *startOffset, int *endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int *startOffset,
                         int *endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint &point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int *startOffset, int *endOffset) const override;

    // QAccessibleEditableTextInterface
    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString &text) override;
    void replaceText(int startOffset, int endOffset, const QString &text) override;

private:
    PlainTextView *view() const;
    // The boundaries of the unit around offset, found in a window of the text near it.
    std::pair<int, int> unitAt(int offset, QAccessible::TextBoundaryType type) const;
};
