#include "plaintextview.h"

#include "plaintext/plaintextaccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleHints>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <climits>
#include <cmath>

PlainTextView::PlainTextView(QWidget *parent)
    : QAbstractScrollArea(parent), m_layout(m_document.buffer())
{
    static const bool accessible =
        (QAccessible::installFactory(&PlainTextAccessible::create), true);
    Q_UNUSED(accessible);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    m_layout.setFont(font());
    connect(&m_document, &PlainTextDocument::contentsChanged, this,
            &PlainTextView::onContentsChanged);
    connect(&m_document, &PlainTextDocument::textReplaced, this, [this] {
        m_top = 0;
        m_left = 0;
        m_widest = 0;
    });
    connect(&m_document, &PlainTextDocument::cursorMoved, this, &PlainTextView::onCursorMoved);
    connect(verticalScrollBar(), &QScrollBar::actionTriggered, this,
            &PlainTextView::onScrollAction);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &PlainTextView::onScrollValue);
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &PlainTextView::onHorizontalScrollValue);
}

void PlainTextView::setWrapping(bool wrapping)
{
    if (wrapping == m_layout.wrapping())
        return;
    m_layout.setWrapping(wrapping);
    setHorizontalScrollBarPolicy(wrapping ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    m_left = 0;
    m_widest = 0;
    m_column = -1;
    m_maxTop = -1;
    setTop(m_top);
    viewport()->update();
}

// --- scrolling ---------------------------------------------------------------------------------

qreal PlainTextView::availableHeight() const
{
    return std::max(1, viewport()->height() - 2 * margin);
}

qsizetype PlainTextView::maxTop()
{
    if (m_maxTop >= 0)
        return m_maxTop;
    // The top that shows the last row at the bottom of the pane.
    WrapLayout::Row row = m_layout.rowAt(m_document.length());
    qreal height = m_layout.rowHeight(row);
    while (const auto previous = m_layout.previousRow(row)) {
        height += m_layout.rowHeight(*previous);
        if (height > availableHeight())
            break;
        row = *previous;
    }
    m_maxTop = m_layout.rowStart(row);
    return m_maxTop;
}

void PlainTextView::setTop(qsizetype position)
{
    position = std::clamp<qsizetype>(position, 0, maxTop());
    const qsizetype top = m_layout.rowStart(m_layout.rowAt(position));
    if (top != m_top) {
        m_top = top;
        viewport()->update();
    }
    updateScrollBar();
}

void PlainTextView::scrollRows(int rows)
{
    WrapLayout::Row row = m_layout.rowAt(m_top);
    const qsizetype limit = maxTop();
    for (; rows > 0; --rows) {
        const auto next = m_layout.nextRow(row);
        if (!next || m_layout.rowStart(*next) > limit)
            break;
        row = *next;
    }
    for (; rows < 0; ++rows) {
        const auto previous = m_layout.previousRow(row);
        if (!previous)
            break;
        row = *previous;
    }
    setTop(m_layout.rowStart(row));
}

int PlainTextView::visibleRows()
{
    const qreal rowHeight = QFontMetricsF(m_layout.font()).lineSpacing();
    return std::max(1, int(availableHeight() / std::max<qreal>(rowHeight, 1)));
}

void PlainTextView::updateScrollBar()
{
    const qsizetype length = m_document.length();
    m_unit = std::max<qsizetype>(1, (length + INT_MAX - 1) / INT_MAX);
    QScrollBar *bar = verticalScrollBar();
    m_settingScrollBar = true;
    bar->setRange(0, int(maxTop() / m_unit));
    // One page: about the characters a screen shows.
    const qsizetype perRow = std::max<qsizetype>(
        1, qsizetype(m_layout.width() / std::max(1, fontMetrics().averageCharWidth())));
    bar->setPageStep(int(std::clamp<qsizetype>(perRow * visibleRows() / m_unit, 1, INT_MAX)));
    bar->setSingleStep(int(std::clamp<qsizetype>(perRow / m_unit, 1, INT_MAX)));
    if (!bar->isSliderDown())
        bar->setValue(int(m_top / m_unit));
    m_settingScrollBar = false;
    if (!m_layout.wrapping()) {
        measureVisibleRows();
        updateHorizontalBar();
    }
}

// --- scrolling sideways, without wrapping ----------------------------------------------------

void PlainTextView::measureVisibleRows()
{
    WrapLayout::Row row = m_layout.rowAt(m_top);
    qreal y = 0;
    while (y < availableHeight()) {
        m_widest = std::max(m_widest, m_layout.lineWidth(row));
        y += m_layout.rowHeight(row);
        const auto next = m_layout.nextRow(row);
        if (!next)
            break;
        row = *next;
    }
}

qreal PlainTextView::maxLeft() const
{
    // Room for the caret after the widest line's last character.
    return std::max<qreal>(0, m_widest + 1 - (viewport()->width() - 2 * margin));
}

void PlainTextView::updateHorizontalBar()
{
    const qreal most = maxLeft();
    m_leftUnit = std::max<qreal>(1, std::ceil(most / INT_MAX));
    QScrollBar *bar = horizontalScrollBar();
    m_settingScrollBar = true;
    bar->setRange(0, int(std::ceil(most / m_leftUnit)));
    bar->setPageStep(std::max(1, int(viewport()->width() / m_leftUnit)));
    bar->setSingleStep(std::max(1, int(fontMetrics().averageCharWidth() / m_leftUnit)));
    if (!bar->isSliderDown())
        bar->setValue(int(std::ceil(m_left / m_leftUnit)));
    m_settingScrollBar = false;
}

void PlainTextView::setLeft(qreal left)
{
    left = std::clamp<qreal>(left, 0, maxLeft());
    if (left != m_left) {
        m_left = left;
        viewport()->update();
    }
    updateHorizontalBar();
}

void PlainTextView::onHorizontalScrollValue(int value)
{
    if (m_settingScrollBar || m_layout.wrapping())
        return;
    const qreal left = std::clamp<qreal>(value * m_leftUnit, 0, maxLeft());
    if (left != m_left) {
        m_left = left;
        viewport()->update();
    }
}

void PlainTextView::onScrollAction(int action)
{
    QScrollBar *bar = verticalScrollBar();
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
        scrollRows(1);
        break;
    case QAbstractSlider::SliderSingleStepSub:
        scrollRows(-1);
        break;
    case QAbstractSlider::SliderPageStepAdd:
        scrollRows(visibleRows() - 1);
        break;
    case QAbstractSlider::SliderPageStepSub:
        scrollRows(1 - visibleRows());
        break;
    default:
        return; // moves of the slider itself arrive as value changes
    }
    m_settingScrollBar = true;
    bar->setSliderPosition(int(m_top / m_unit));
    m_settingScrollBar = false;
}

void PlainTextView::onScrollValue(int value)
{
    if (m_settingScrollBar)
        return;
    const qsizetype position = std::clamp<qsizetype>(qsizetype(value) * m_unit, 0, maxTop());
    const qsizetype top = m_layout.rowStart(m_layout.rowAt(position));
    if (top != m_top) {
        m_top = top;
        viewport()->update();
    }
    if (!m_layout.wrapping()) {
        measureVisibleRows();
        updateHorizontalBar();
    }
}

void PlainTextView::scrollTo(qsizetype position)
{
    setTop(position);
    if (m_layout.wrapping())
        return;
    const qreal x = m_layout.xOf(std::clamp<qsizetype>(position, 0, m_document.length()));
    m_widest = std::max(m_widest, x);
    if (x < m_left || x + 1 > m_left + viewport()->width() - 2 * margin)
        setLeft(x - viewport()->width() / 4.0); // with some of the line before it
    else
        updateHorizontalBar();
}

void PlainTextView::scrollContentsBy(int, int)
{
    // Scrolling is done by onScrollValue; the scroll area's own pixel scrolling does not apply.
}

void PlainTextView::wheelEvent(QWheelEvent *event)
{
    QPoint delta = event->angleDelta();
    if (!m_layout.wrapping()) {
        // Sideways by a tilted wheel, or by the wheel with Shift held.
        int sideways = delta.x();
        if (!sideways && (event->modifiers() & Qt::ShiftModifier))
            std::swap(sideways, delta.ry());
        if (sideways) {
            setLeft(m_left - sideways / 120.0 * QApplication::wheelScrollLines() *
                                 fontMetrics().averageCharWidth());
        }
    }
    m_wheelRemainder += delta.y();
    const int notches = m_wheelRemainder / 120;
    m_wheelRemainder -= notches * 120;
    if (notches)
        scrollRows(-notches * QApplication::wheelScrollLines());
    event->accept();
}

void PlainTextView::ensureCursorVisible()
{
    const qsizetype cursor = m_document.cursor();
    if (!m_layout.wrapping()) {
        // Sideways first, by as little as brings the caret in.
        const qreal x = m_layout.xOf(cursor);
        const qreal width = viewport()->width() - 2 * margin;
        m_widest = std::max(m_widest, x);
        if (x < m_left)
            setLeft(x);
        else if (x + 1 > m_left + width)
            setLeft(x + 1 - width);
        else
            updateHorizontalBar();
    }
    const WrapLayout::Row target = m_layout.rowAt(cursor);
    const qsizetype targetStart = m_layout.rowStart(target);
    if (targetStart < m_top) {
        setTop(targetStart);
        return;
    }
    // On screen when it is met going down from the top before the pane is full.
    WrapLayout::Row row = m_layout.rowAt(m_top);
    qreal y = 0;
    for (;;) {
        y += m_layout.rowHeight(row);
        if (y > availableHeight() && m_layout.rowStart(row) != m_top)
            break;
        if (m_layout.rowStart(row) == targetStart)
            return;
        const auto next = m_layout.nextRow(row);
        if (!next)
            break;
        row = *next;
    }
    // Below: the caret's row becomes the last one shown.
    row = target;
    y = m_layout.rowHeight(row);
    while (const auto previous = m_layout.previousRow(row)) {
        y += m_layout.rowHeight(*previous);
        if (y > availableHeight())
            break;
        row = *previous;
    }
    setTop(m_layout.rowStart(row));
}

// --- changes -----------------------------------------------------------------------------------

void PlainTextView::onContentsChanged(qsizetype position, qsizetype removed, qsizetype added)
{
    m_layout.textChanged(position, removed, added);
    m_maxTop = -1;
    if (position < m_top)
        m_top = position + removed <= m_top ? m_top + added - removed : position;
    m_top = std::clamp<qsizetype>(m_top, 0, m_document.length());
    setTop(m_top);
    viewport()->update();
    if (QAccessible::isActive() && (removed > 0 || added > 0)) {
        const auto event = PlainTextAccessible::changeEvent(this, position, removed, added);
        QAccessible::updateAccessibility(event.get());
    }
    emit textChanged();
}

void PlainTextView::onCursorMoved()
{
    restartBlink();
    viewport()->update();
    if (QAccessible::isActive()) {
        const int cursor = int(std::min<qsizetype>(m_document.cursor(), INT_MAX));
        if (m_document.hasSelection()) {
            QAccessibleTextSelectionEvent selection(
                this, int(std::min<qsizetype>(m_document.selectionStart(), INT_MAX)),
                int(std::min<qsizetype>(m_document.selectionEnd(), INT_MAX)));
            selection.setCursorPosition(cursor);
            QAccessible::updateAccessibility(&selection);
        } else {
            QAccessibleTextCursorEvent moved(this, cursor);
            QAccessible::updateAccessibility(&moved);
        }
    }
    if (m_document.hasSelection() && QApplication::clipboard()->supportsSelection())
        QApplication::clipboard()->setText(m_document.selectedText(), QClipboard::Selection);
    emit cursorPositionChanged();
}

void PlainTextView::restartBlink()
{
    m_caretOn = true;
    const int flash = QApplication::cursorFlashTime();
    if (hasFocus() && flash > 0)
        m_blink.start(flash / 2, this);
    else
        m_blink.stop();
}

void PlainTextView::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    m_layout.setWidth(viewport()->width() - 2 * margin);
    m_maxTop = -1;
    setTop(m_top);
}

void PlainTextView::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_layout.setFont(font());
        m_maxTop = -1;
        setTop(m_top);
        viewport()->update();
    }
}

void PlainTextView::timerEvent(QTimerEvent *event)
{
    if (event->timerId() == m_blink.timerId()) {
        m_caretOn = !m_caretOn;
        viewport()->update(cursorRect(m_document.cursor()).adjusted(-1, -1, 1, 1));
    } else if (event->timerId() == m_autoScroll.timerId()) {
        const int y = m_dragPoint.y();
        if (y < 0)
            scrollRows(-1);
        else if (y > viewport()->height())
            scrollRows(1);
        if (!m_layout.wrapping()) {
            const int x = m_dragPoint.x();
            const qreal step = 4 * fontMetrics().averageCharWidth();
            if (x < 0)
                setLeft(m_left - step);
            else if (x > viewport()->width())
                setLeft(m_left + step);
        }
        dragTo(m_dragPoint);
    }
    QAbstractScrollArea::timerEvent(event);
}

// --- painting ----------------------------------------------------------------------------------

void PlainTextView::paintEvent(QPaintEvent *event)
{
    QPainter painter(viewport());
    const QRect clip = event->rect();
    if (!m_layout.wrapping()) {
        paintRows(painter, clip);
        return;
    }
    const QPalette &pal = palette();
    const qsizetype selStart = m_document.selectionStart();
    const qsizetype selEnd = m_document.selectionEnd();
    const qsizetype cursor = m_document.cursor();
    const bool showCaret = hasFocus() && m_caretOn;
    const WrapLayout::Piece caretPiece = m_layout.pieceAt(cursor);
    QTextCharFormat selected;
    selected.setBackground(pal.brush(QPalette::Highlight));
    selected.setForeground(pal.brush(QPalette::HighlightedText));

    WrapLayout::Row start = m_layout.rowAt(m_top);
    std::optional<WrapLayout::Piece> piece = start.piece;
    int firstLine = start.line;
    qreal y = margin;
    const qreal bottom = viewport()->height();
    while (piece && y < bottom) {
        const QTextLayout &layout = m_layout.layout(*piece);
        if (layout.lineCount() == 0)
            break;
        const QPointF origin(margin, y - layout.lineAt(firstLine).y());
        QList<QTextLayout::FormatRange> selections;
        if (selEnd > piece->start && selStart < piece->end) {
            const qsizetype from = std::max(selStart, piece->start) - piece->start;
            const qsizetype to = std::min(selEnd, piece->end) - piece->start;
            selections.append({int(from), int(to - from), selected});
        }
        layout.draw(&painter, origin, selections, QRectF(clip));
        const QTextLine last = layout.lineAt(layout.lineCount() - 1);
        // A selected line break shows as a blank's width after the line.
        if (piece->endsLine() && selStart <= piece->end && selEnd > piece->end) {
            const qreal x = origin.x() + last.naturalTextWidth();
            painter.fillRect(QRectF(x, origin.y() + last.y(), fontMetrics().horizontalAdvance(u' '),
                                    last.height()),
                             pal.brush(QPalette::Highlight));
        }
        if (showCaret && caretPiece == *piece)
            layout.drawCursor(&painter, origin, int(cursor - piece->start), 1);
        y = origin.y() + last.y() + last.height();
        piece = m_layout.nextPiece(*piece);
        firstLine = 0;
    }
}

void PlainTextView::paintRows(QPainter &painter, const QRect &clip)
{
    // One row a line; of a long line only the pieces that reach into the pane are laid out.
    const QPalette &pal = palette();
    const qsizetype selStart = m_document.selectionStart();
    const qsizetype selEnd = m_document.selectionEnd();
    const qsizetype cursor = m_document.cursor();
    const bool showCaret = hasFocus() && m_caretOn;
    const WrapLayout::Piece caretPiece = m_layout.pieceAt(cursor);
    QTextCharFormat selected;
    selected.setBackground(pal.brush(QPalette::Highlight));
    selected.setForeground(pal.brush(QPalette::HighlightedText));
    const qreal ascent = QFontMetricsF(m_layout.font()).ascent();
    const qreal right = viewport()->width();

    WrapLayout::Row row = m_layout.rowAt(m_top);
    qreal y = margin;
    while (y < viewport()->height()) {
        const qreal height = m_layout.rowHeight(row);
        if (y + height >= clip.top()) {
            WrapLayout::Piece piece = m_layout.pieceAtX(row, m_left - margin);
            for (;;) {
                const qreal x = margin + m_layout.pieceX(piece) - m_left;
                if (x > right)
                    break;
                const QTextLayout &layout = m_layout.layout(piece);
                if (layout.lineCount() > 0) {
                    const QTextLine line = layout.lineAt(0);
                    // Pieces of one row share its baseline, whatever fonts they fall back to.
                    const QPointF origin(x, y + ascent - line.ascent());
                    QList<QTextLayout::FormatRange> selections;
                    if (selEnd > piece.start && selStart < piece.end) {
                        const qsizetype from = std::max(selStart, piece.start) - piece.start;
                        const qsizetype to = std::min(selEnd, piece.end) - piece.start;
                        selections.append({int(from), int(to - from), selected});
                    }
                    layout.draw(&painter, origin, selections, QRectF(clip));
                    if (piece.endsLine() && selStart <= piece.end && selEnd > piece.end) {
                        painter.fillRect(QRectF(origin.x() + line.horizontalAdvance(), y,
                                                fontMetrics().horizontalAdvance(u' '), height),
                                         pal.brush(QPalette::Highlight));
                    }
                    if (showCaret && caretPiece == piece)
                        layout.drawCursor(&painter, origin, int(cursor - piece.start), 1);
                }
                if (piece.endsLine())
                    break;
                piece = m_layout.pieceAt(piece.end);
            }
        }
        y += height;
        const auto next = m_layout.nextRow(row);
        if (!next)
            break;
        row = *next;
    }
}

QRect PlainTextView::cursorRect(qsizetype position)
{
    const WrapLayout::Row target = m_layout.rowAt(position);
    const qsizetype targetStart = m_layout.rowStart(target);
    if (targetStart < m_top)
        return {};
    WrapLayout::Row row = m_layout.rowAt(m_top);
    qreal y = margin;
    while (y < viewport()->height()) {
        if (m_layout.rowStart(row) == targetStart) {
            const qreal x = margin - m_left + m_layout.xOf(position);
            return QRect(int(x) - 1, int(y), 3, int(m_layout.rowHeight(row)));
        }
        y += m_layout.rowHeight(row);
        const auto next = m_layout.nextRow(row);
        if (!next)
            break;
        row = *next;
    }
    return {};
}

qsizetype PlainTextView::positionAt(const QPoint &point)
{
    WrapLayout::Row row = m_layout.rowAt(m_top);
    qreal y = margin;
    if (point.y() < y) {
        if (const auto previous = m_layout.previousRow(row))
            row = *previous;
        return m_layout.positionInRow(row, point.x() - margin + m_left);
    }
    for (;;) {
        const qreal height = m_layout.rowHeight(row);
        if (point.y() < y + height)
            break;
        const auto next = m_layout.nextRow(row);
        if (!next)
            break;
        y += height;
        row = *next;
    }
    return m_layout.positionInRow(row, point.x() - margin + m_left);
}

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
    if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::Cut) {
        cut();
    } else if (event == QKeySequence::Paste) {
        paste();
    } else if (event == QKeySequence::Undo) {
        undo();
    } else if (event == QKeySequence::Redo) {
        redo();
    } else if (event == QKeySequence::SelectAll) {
        selectAll();
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
    menu->addAction(tr("&Undo"), QKeySequence::Undo, this, &PlainTextView::undo)
        ->setEnabled(m_document.canUndo());
    menu->addAction(tr("&Redo"), QKeySequence::Redo, this, &PlainTextView::redo)
        ->setEnabled(m_document.canRedo());
    menu->addSeparator();
    menu->addAction(tr("Cu&t"), QKeySequence::Cut, this, &PlainTextView::cut)
        ->setEnabled(selection);
    menu->addAction(tr("&Copy"), QKeySequence::Copy, this, &PlainTextView::copy)
        ->setEnabled(selection);
    menu->addAction(tr("&Paste"), QKeySequence::Paste, this, &PlainTextView::paste)
        ->setEnabled(!QApplication::clipboard()->text().isEmpty());
    menu->addAction(tr("Delete"), this, [this] { m_document.insert(QString()); })
        ->setEnabled(selection);
    menu->addSeparator();
    menu->addAction(tr("Select All"), QKeySequence::SelectAll, this, &PlainTextView::selectAll)
        ->setEnabled(m_document.length() > 0);
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
