// SPDX-License-Identifier: GPL-3.0-or-later
// PlainTextView's keys, input methods, clipboard, undo, mouse and context menu: what the user
// does to the text, as opposed to how it is laid out, painted and scrolled (plaintextview.cpp).
#include "plaintextview.h"

#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <iterator>
#include <utility>

// --- editing -----------------------------------------------------------------------------------

qsizetype PlainTextView::nextGrapheme(qsizetype position) const
{
    const qsizetype next = m_document.nextCharacter(position);
    // Combining marks after the character belong to it.
    const QString window = m_document.buffer().mid(position, 32);
    if (window.isEmpty())
        return next;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, window);
    const qsizetype boundary = finder.toNextBoundary();
    return boundary > 0 ? std::max(next, position + boundary) : next;
}

qsizetype PlainTextView::previousGrapheme(qsizetype position) const
{
    const qsizetype previous = m_document.previousCharacter(position);
    const qsizetype from = std::max<qsizetype>(0, position - 32);
    const QString window = m_document.buffer().mid(from, position - from);
    if (window.isEmpty())
        return previous;
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, window);
    finder.setPosition(window.size());
    const qsizetype boundary = finder.toPreviousBoundary();
    return boundary >= 0 ? std::min(previous, from + boundary) : previous;
}

void PlainTextView::moveCursor(qsizetype position, bool select, bool keepColumn)
{
    if (!keepColumn)
        m_column = -1;
    m_document.setCursor(position, select);
    ensureCursorVisible();
}

qsizetype PlainTextView::verticalTarget(int rows)
{
    const qsizetype cursor = m_document.cursor();
    if (m_column < 0)
        m_column = m_layout.xOf(cursor);
    WrapLayout::Row row = m_layout.rowAt(cursor);
    for (; rows > 0; --rows) {
        const auto next = m_layout.nextRow(row);
        if (!next)
            return m_document.length();
        row = *next;
    }
    for (; rows < 0; ++rows) {
        const auto previous = m_layout.previousRow(row);
        if (!previous)
            return 0;
        row = *previous;
    }
    return m_layout.positionInRow(row, m_column);
}

bool PlainTextView::handleMove(QKeyEvent *event)
{
    struct Move
    {
        QKeySequence::StandardKey move;
        QKeySequence::StandardKey select;
    };
    enum Kind {
        NextChar,
        PreviousChar,
        NextWord,
        PreviousWord,
        NextLine,
        PreviousLine,
        StartOfLine,
        EndOfLine,
        StartOfBlock,
        EndOfBlock,
        StartOfDocument,
        EndOfDocument,
        NextPage,
        PreviousPage
    };
    static const Move moves[] = {
        {QKeySequence::MoveToNextChar, QKeySequence::SelectNextChar},
        {QKeySequence::MoveToPreviousChar, QKeySequence::SelectPreviousChar},
        {QKeySequence::MoveToNextWord, QKeySequence::SelectNextWord},
        {QKeySequence::MoveToPreviousWord, QKeySequence::SelectPreviousWord},
        {QKeySequence::MoveToNextLine, QKeySequence::SelectNextLine},
        {QKeySequence::MoveToPreviousLine, QKeySequence::SelectPreviousLine},
        {QKeySequence::MoveToStartOfLine, QKeySequence::SelectStartOfLine},
        {QKeySequence::MoveToEndOfLine, QKeySequence::SelectEndOfLine},
        {QKeySequence::MoveToStartOfBlock, QKeySequence::SelectStartOfBlock},
        {QKeySequence::MoveToEndOfBlock, QKeySequence::SelectEndOfBlock},
        {QKeySequence::MoveToStartOfDocument, QKeySequence::SelectStartOfDocument},
        {QKeySequence::MoveToEndOfDocument, QKeySequence::SelectEndOfDocument},
        {QKeySequence::MoveToNextPage, QKeySequence::SelectNextPage},
        {QKeySequence::MoveToPreviousPage, QKeySequence::SelectPreviousPage},
    };
    int kind = -1;
    bool select = false;
    for (int i = 0; i < int(std::size(moves)); ++i) {
        if (event->matches(moves[i].move)) {
            kind = i;
            break;
        }
        if (event->matches(moves[i].select)) {
            kind = i;
            select = true;
            break;
        }
    }
    if (kind < 0)
        return false;

    const PlainTextDocument &doc = m_document;
    const qsizetype cursor = doc.cursor();
    const TextBuffer &buffer = doc.buffer();
    qsizetype target = cursor;
    bool keepColumn = false;
    switch (kind) {
    case NextChar:
        target = doc.hasSelection() && !select ? doc.selectionEnd() : nextGrapheme(cursor);
        break;
    case PreviousChar:
        target = doc.hasSelection() && !select ? doc.selectionStart() : previousGrapheme(cursor);
        break;
    case NextWord:
        target = doc.nextWordStart(cursor);
        break;
    case PreviousWord:
        target = doc.previousWordStart(cursor);
        break;
    case NextLine:
    case PreviousLine:
        target = verticalTarget(kind == NextLine ? 1 : -1);
        keepColumn = true;
        break;
    case NextPage:
    case PreviousPage: {
        const int rows = std::max(1, visibleRows() - 1);
        target = verticalTarget(kind == NextPage ? rows : -rows);
        scrollRows(kind == NextPage ? rows : -rows);
        keepColumn = true;
        break;
    }
    case StartOfLine:
        target = m_layout.rowStart(m_layout.rowAt(cursor));
        break;
    case EndOfLine: {
        const WrapLayout::Row row = m_layout.rowAt(cursor);
        target = m_layout.wrapping() ? m_layout.positionInRow(row, 1e9) : m_layout.rowEnd(row);
        break;
    }
    case StartOfBlock:
        target = buffer.lineStart(buffer.lineOf(cursor));
        break;
    case EndOfBlock:
        target = buffer.lineEnd(buffer.lineOf(cursor));
        break;
    case StartOfDocument:
        target = 0;
        break;
    case EndOfDocument:
        target = doc.length();
        break;
    default:
        break;
    }
    moveCursor(target, select, keepColumn);
    return true;
}

bool PlainTextView::handleEdit(QKeyEvent *event)
{
    // The standard keys of the clipboard, the history and selecting all.
    static constexpr std::pair<QKeySequence::StandardKey, void (PlainTextView::*)()> commands[] = {
        {QKeySequence::Copy, &PlainTextView::copy},
        {QKeySequence::Cut, &PlainTextView::cut},
        {QKeySequence::Paste, &PlainTextView::paste},
        {QKeySequence::Undo, &PlainTextView::undo},
        {QKeySequence::Redo, &PlainTextView::redo},
        {QKeySequence::SelectAll, &PlainTextView::selectAll},
    };
    const auto command = std::find_if(std::begin(commands), std::end(commands),
                                      [event](const auto &entry) { return event == entry.first; });
    if (command != std::end(commands)) {
        (this->*command->second)();
    } else if (event == QKeySequence::DeleteStartOfWord) {
        m_document.deleteWordBackward();
    } else if (event == QKeySequence::DeleteEndOfWord) {
        m_document.deleteWordForward();
    } else if (event == QKeySequence::Delete) {
        if (!m_document.hasSelection())
            m_document.setSelection(m_document.cursor(), nextGrapheme(m_document.cursor()));
        m_document.deleteForward();
    } else if (event->key() == Qt::Key_Backspace && !(event->modifiers() & ~Qt::ShiftModifier)) {
        m_document.deleteBackward();
    } else if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_document.insert(QStringLiteral("\n"));
    } else {
        const QString text = event->text();
        const bool control = event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier);
        if (text.isEmpty() || (control && !(event->modifiers() & Qt::AltModifier)))
            return false;
        const QChar first = text.front();
        if (!first.isPrint() && first != u'\t' && !first.isSurrogate())
            return false;
        m_document.insert(text);
    }
    m_column = -1;
    ensureCursorVisible();
    return true;
}

void PlainTextView::keyPressEvent(QKeyEvent *event)
{
    if (handleMove(event) || handleEdit(event)) {
        event->accept();
        return;
    }
    QAbstractScrollArea::keyPressEvent(event);
}

bool PlainTextView::focusNextPrevChild(bool next)
{
    Q_UNUSED(next);
    return false; // Tab is a character here, as in any text editor
}

void PlainTextView::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty() || event->replacementLength()) {
        if (event->replacementLength()) {
            const qsizetype from = m_document.cursor() + event->replacementStart();
            m_document.setSelection(from, from + event->replacementLength());
        }
        m_document.insert(event->commitString());
        ensureCursorVisible();
    }
    event->accept();
}

QVariant PlainTextView::inputMethodQuery(Qt::InputMethodQuery query) const
{
    auto *self = const_cast<PlainTextView *>(this);
    const TextBuffer &buffer = m_document.buffer();
    const qsizetype cursor = m_document.cursor();
    const qsizetype lineStart = buffer.lineStart(buffer.lineOf(cursor));
    switch (query) {
    case Qt::ImEnabled:
        return true;
    case Qt::ImCursorRectangle:
        return self->cursorRect(cursor);
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return int(std::min<qsizetype>(cursor - lineStart, 1 << 20));
    case Qt::ImAnchorPosition:
        return int(std::clamp<qsizetype>(m_document.anchor() - lineStart, 0, 1 << 20));
    case Qt::ImSurroundingText:
        return buffer.mid(
            lineStart,
            std::min<qsizetype>(buffer.lineEnd(buffer.lineOf(cursor)) - lineStart, 1 << 20));
    case Qt::ImCurrentSelection:
        return m_document.selectedText();
    default:
        return QAbstractScrollArea::inputMethodQuery(query);
    }
}

void PlainTextView::copy()
{
    if (m_document.hasSelection())
        QApplication::clipboard()->setText(m_document.selectedText());
}

void PlainTextView::cut()
{
    if (!m_document.hasSelection())
        return;
    copy();
    m_document.insert(QString());
    ensureCursorVisible();
}

void PlainTextView::paste()
{
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty())
        return;
    m_document.insert(text);
    ensureCursorVisible();
}

void PlainTextView::selectAll()
{
    m_document.selectAll();
}

void PlainTextView::undo()
{
    m_document.undo();
    ensureCursorVisible();
}

void PlainTextView::redo()
{
    m_document.redo();
    ensureCursorVisible();
}

// --- mouse -------------------------------------------------------------------------------------

void PlainTextView::mousePressEvent(QMouseEvent *event)
{
    const qsizetype position = positionAt(event->position().toPoint());
    if (event->button() == Qt::LeftButton) {
        m_selecting = true;
        moveCursor(position, event->modifiers() & Qt::ShiftModifier);
        event->accept();
        return;
    }
    if (event->button() == Qt::MiddleButton && QApplication::clipboard()->supportsSelection()) {
        const QString text = QApplication::clipboard()->text(QClipboard::Selection);
        m_document.setCursor(position);
        if (!text.isEmpty())
            m_document.insert(text);
        event->accept();
        return;
    }
    QAbstractScrollArea::mousePressEvent(event);
}

void PlainTextView::dragTo(const QPoint &point)
{
    const QPoint inside(point.x(), std::clamp(point.y(), 0, viewport()->height() - 1));
    m_document.setCursor(positionAt(inside), true);
}

void PlainTextView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_selecting || !(event->buttons() & Qt::LeftButton))
        return QAbstractScrollArea::mouseMoveEvent(event);
    m_dragPoint = event->position().toPoint();
    dragTo(m_dragPoint);
    const bool sideways =
        !m_layout.wrapping() && (m_dragPoint.x() < 0 || m_dragPoint.x() > viewport()->width());
    if (sideways || m_dragPoint.y() < 0 || m_dragPoint.y() > viewport()->height())
        m_autoScroll.start(50, this);
    else
        m_autoScroll.stop();
}

void PlainTextView::mouseReleaseEvent(QMouseEvent *event)
{
    m_selecting = false;
    m_autoScroll.stop();
    QAbstractScrollArea::mouseReleaseEvent(event);
}

void PlainTextView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return QAbstractScrollArea::mouseDoubleClickEvent(event);
    const auto [start, end] = m_document.wordAt(positionAt(event->position().toPoint()));
    m_document.setSelection(start, end);
    m_selecting = false;
    event->accept();
}

void PlainTextView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu *menu = createContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

QMenu *PlainTextView::createContextMenu()
{
    auto *menu = new QMenu(this);
    const bool selection = m_document.hasSelection();
    const bool editable = !m_document.isReadOnly();
    menu->addAction(tr("&Undo"), QKeySequence::Undo, this, &PlainTextView::undo)
        ->setEnabled(m_document.canUndo());
    menu->addAction(tr("&Redo"), QKeySequence::Redo, this, &PlainTextView::redo)
        ->setEnabled(m_document.canRedo());
    menu->addSeparator();
    menu->addAction(tr("Cu&t"), QKeySequence::Cut, this, &PlainTextView::cut)
        ->setEnabled(selection && editable);
    menu->addAction(tr("&Copy"), QKeySequence::Copy, this, &PlainTextView::copy)
        ->setEnabled(selection);
    menu->addAction(tr("&Paste"), QKeySequence::Paste, this, &PlainTextView::paste)
        ->setEnabled(editable && !QApplication::clipboard()->text().isEmpty());
    menu->addAction(tr("Delete"), this, [this] { m_document.insert(QString()); })
        ->setEnabled(selection && editable);
    menu->addSeparator();
    menu->addAction(tr("Select All"), QKeySequence::SelectAll, this, &PlainTextView::selectAll)
        ->setEnabled(m_document.length() > 0);
    if (!m_extraActions.isEmpty()) {
        menu->addSeparator();
        menu->addActions(m_extraActions);
    }
    return menu;
}

void PlainTextView::focusInEvent(QFocusEvent *event)
{
    restartBlink();
    viewport()->update();
    QAbstractScrollArea::focusInEvent(event);
}

void PlainTextView::focusOutEvent(QFocusEvent *event)
{
    m_blink.stop();
    viewport()->update();
    QAbstractScrollArea::focusOutEvent(event);
}
