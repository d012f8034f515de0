// SPDX-License-Identifier: GPL-3.0-or-later
#include "plaintextview.h"

#include "plaintext/plaintextaccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

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
    ++m_revision;
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
    ++m_revision;
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
        ++m_revision;
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

namespace {

// The selection as wrapped and unwrapped painting both draw it on a piece.
struct PaintState
{
    PaintState(const PlainTextDocument &document, const QPalette &palette)
        : selStart(document.selectionStart()), selEnd(document.selectionEnd()),
          highlight(palette.brush(QPalette::Highlight))
    {
        selected.setBackground(highlight);
        selected.setForeground(palette.brush(QPalette::HighlightedText));
    }

    QList<QTextLayout::FormatRange> selectionIn(const WrapLayout::Piece &piece) const
    {
        QList<QTextLayout::FormatRange> selections;
        if (selEnd > piece.start && selStart < piece.end) {
            const qsizetype from = std::max(selStart, piece.start) - piece.start;
            const qsizetype to = std::min(selEnd, piece.end) - piece.start;
            selections.append({int(from), int(to - from), selected});
        }
        return selections;
    }

    // A selected line break shows as a blank's width after the line.
    bool breakSelected(const WrapLayout::Piece &piece) const
    {
        return piece.endsLine() && selStart <= piece.end && selEnd > piece.end;
    }

    qsizetype selStart;
    qsizetype selEnd;
    QBrush highlight;
    QTextCharFormat selected;
};

} // namespace

PlainTextView::PictureKey PlainTextView::pictureKey() const
{
    PictureKey key;
    key.top = m_top;
    key.left = m_left;
    key.revision = m_revision;
    key.selStart = m_document.selectionStart();
    key.selEnd = m_document.selectionEnd();
    key.size = viewport()->size();
    key.pixelRatio = viewport()->devicePixelRatioF();
    key.palette = viewport()->palette().cacheKey() ^ (palette().cacheKey() << 1);
    key.active = isActiveWindow();
    return key;
}

void PlainTextView::paintEvent(QPaintEvent *event)
{
    const PictureKey key = pictureKey();
    if (m_picture.isNull() || !(key == m_pictureKey)) {
        m_picture = QPixmap(key.size * key.pixelRatio);
        m_picture.setDevicePixelRatio(key.pixelRatio);
        m_picture.fill(viewport()->palette().color(viewport()->backgroundRole()));
        QPainter picture(&m_picture);
        picture.setPen(viewport()->palette().color(viewport()->foregroundRole()));
        picture.setFont(font());
        paintText(picture, QRect(QPoint(0, 0), key.size));
        m_pictureKey = key;
    }
    QPainter painter(viewport());
    const QRect clip = event->rect();
    painter.drawPixmap(
        QRectF(clip), m_picture,
        QRectF(QPointF(clip.topLeft()) * key.pixelRatio, QSizeF(clip.size()) * key.pixelRatio));
    paintCaret(painter);
}

void PlainTextView::paintCaret(QPainter &painter)
{
    if (!hasFocus() || !m_caretOn)
        return;
    const QRect caret = cursorRect(m_document.cursor());
    if (caret.isEmpty())
        return;
    painter.fillRect(QRect(caret.x() + 1, caret.y(), 1, caret.height()),
                     viewport()->palette().brush(viewport()->foregroundRole()));
}

void PlainTextView::paintText(QPainter &painter, const QRect &clip)
{
    if (m_layout.wrapping())
        paintWrapped(painter, clip);
    else
        paintRows(painter, clip);
}

void PlainTextView::paintWrapped(QPainter &painter, const QRect &clip)
{
    const PaintState state(m_document, palette());

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
        layout.draw(&painter, origin, state.selectionIn(*piece), QRectF(clip));
        const QTextLine last = layout.lineAt(layout.lineCount() - 1);
        if (state.breakSelected(*piece)) {
            const qreal x = origin.x() + last.naturalTextWidth();
            painter.fillRect(QRectF(x, origin.y() + last.y(), fontMetrics().horizontalAdvance(u' '),
                                    last.height()),
                             state.highlight);
        }
        y = origin.y() + last.y() + last.height();
        piece = m_layout.nextPiece(*piece);
        firstLine = 0;
    }
}

void PlainTextView::paintRows(QPainter &painter, const QRect &clip)
{
    // One row a line; of a long line only the pieces that reach into the pane are laid out.
    const PaintState state(m_document, palette());
    const qreal ascent = QFontMetricsF(m_layout.font()).ascent();
    const qreal right = viewport()->width();

    WrapLayout::Row row = m_layout.rowAt(m_top);
    qreal y = margin;
    while (y < viewport()->height()) {
        const qreal height = m_layout.rowHeight(row);
        if (y + height >= clip.top()) {
            WrapLayout::Piece piece = m_layout.pieceAtX(row, m_left - margin);
            // Characters without width (combining marks, direction controls) never reach the
            // right edge: a row draws a bounded stretch of its line, whatever it holds.
            qsizetype drawn = 0;
            for (;;) {
                const qreal x = margin + m_layout.pieceX(piece) - m_left;
                if (x > right)
                    break;
                const QTextLayout &layout = m_layout.layout(piece);
                if (layout.lineCount() > 0) {
                    const QTextLine line = layout.lineAt(0);
                    // Pieces of one row share its baseline, whatever fonts they fall back to.
                    const QPointF origin(x, y + ascent - line.ascent());
                    layout.draw(&painter, origin, state.selectionIn(piece), QRectF(clip));
                    if (state.breakSelected(piece)) {
                        painter.fillRect(QRectF(origin.x() + line.horizontalAdvance(), y,
                                                fontMetrics().horizontalAdvance(u' '), height),
                                         state.highlight);
                    }
                }
                drawn += piece.end - piece.start;
                if (piece.endsLine() || drawn >= WrapLayout::drawnPerRowAtMost)
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
