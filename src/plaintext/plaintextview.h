// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "plaintext/plaintextdocument.h"
#include "plaintext/wraplayout.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QList>
#include <QPixmap>

class QAction;
class QMenu;
class QPainter;

// The plain-text editor of the viewing pane: shows a PlainTextDocument wrapped to its width,
// laying out and painting only the rows on screen, with the caret, selection, keys, mouse,
// clipboard and undo of a text editor. The vertical scroll bar counts characters of the text,
// so that it spans a text of any size and a single line of megabytes alike.
//
// Without wrapping (the reader's way), each line is one row and a horizontal scroll bar spans
// the widest line shown so far; only the part of a long line on screen is laid out.
class PlainTextView : public QAbstractScrollArea
{
    Q_OBJECT

public:
    explicit PlainTextView(QWidget *parent = nullptr);

    PlainTextDocument &document() { return m_document; }
    const PlainTextDocument &document() const { return m_document; }

    void copy();
    void cut();
    void paste();
    void selectAll();
    void undo();
    void redo();
    void ensureCursorVisible();

    // Whether lines wrap to the width (the default) or run on, scrolled sideways.
    void setWrapping(bool wrapping);
    bool wrapping() const { return m_layout.wrapping(); }
    // Without wrapping: how far the text is scrolled to the left, in pixels.
    qreal horizontalOffset() const { return m_left; }

    // The first character shown at the top of the pane.
    qsizetype firstVisiblePosition() const { return m_top; }
    // Shows the row holding position at the top (or as near as the end of the text allows), and,
    // without wrapping, its place within the line.
    void scrollTo(qsizetype position);
    // The rectangle of the caret at position, in viewport coordinates (empty when off screen).
    QRect cursorRect(qsizetype position);
    qsizetype positionAt(const QPoint &viewportPoint);
    // Keeps the lowest pixels free of text, for a control that lies over them.
    void setBottomMargin(int pixels)
    {
        m_bottomMargin = pixels;
        setViewportMargins(0, m_topMargin, 0, pixels);
    }
    // The same at the top, for a note that lies over the pane.
    void setTopMargin(int pixels)
    {
        m_topMargin = pixels;
        setViewportMargins(0, pixels, 0, m_bottomMargin);
    }

    static constexpr int margin = 4;

    // Actions of the program added at the end of the context menu (the pane's own operations).
    void setExtraContextActions(const QList<QAction *> &actions) { m_extraActions = actions; }

signals:
    void textChanged();
    void cursorPositionChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void timerEvent(QTimerEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool focusNextPrevChild(bool next) override;

private:
    void onContentsChanged(qsizetype position, qsizetype removed, qsizetype added);
    void onCursorMoved();
    void onScrollAction(int action);
    void onScrollValue(int value);
    void onHorizontalScrollValue(int value);
    void setLeft(qreal left);
    qreal maxLeft() const;
    void measureVisibleRows();
    void updateHorizontalBar();
    // The text as it stands, drawn once into m_picture; the caret's blink and a window that
    // is uncovered only copy it, so a text costly to draw costs nothing while it is idle.
    struct PictureKey
    {
        qsizetype top = -1;
        qreal left = 0;
        quint64 revision = 0;
        qsizetype selStart = 0;
        qsizetype selEnd = 0;
        QSize size;
        qreal pixelRatio = 1;
        qint64 palette = 0;
        bool active = false;
        bool operator==(const PictureKey &) const = default;
    };
    PictureKey pictureKey() const;
    void paintText(QPainter &painter, const QRect &clip);
    void paintWrapped(QPainter &painter, const QRect &clip);
    void paintRows(QPainter &painter, const QRect &clip);
    void paintCaret(QPainter &painter);
    void setTop(qsizetype position);
    void scrollRows(int rows);
    qsizetype maxTop();
    int visibleRows();
    void updateScrollBar();
    void restartBlink();
    void moveCursor(qsizetype position, bool select, bool keepColumn = false);
    qsizetype verticalTarget(int rows);
    bool handleMove(QKeyEvent *event);
    bool handleEdit(QKeyEvent *event);
    void dragTo(const QPoint &viewportPoint);
    qreal availableHeight() const;
    qsizetype nextGrapheme(qsizetype position) const;
    qsizetype previousGrapheme(qsizetype position) const;
    QMenu *createContextMenu();

    PlainTextDocument m_document;
    WrapLayout m_layout;
    qsizetype m_top = 0;     // start of the row at the top of the pane
    qsizetype m_maxTop = -1; // cached; -1 when it must be found again
    qsizetype m_unit = 1;    // characters per scroll bar step
    qreal m_column = -1;     // the x the caret keeps on Up and Down
    qreal m_left = 0;        // without wrapping: pixels scrolled to the left
    qreal m_widest = 0;      // without wrapping: the widest line on screen since the text came
    qreal m_leftUnit = 1;    // pixels per horizontal scroll bar step
    bool m_caretOn = true;
    bool m_settingScrollBar = false;
    bool m_selecting = false;
    int m_wheelRemainder = 0;
    int m_topMargin = 0;
    int m_bottomMargin = 0;
    QPoint m_dragPoint;
    QList<QAction *> m_extraActions;
    QPixmap m_picture;
    PictureKey m_pictureKey;
    quint64 m_revision = 0; // counts changes of the text, its font and its wrapping
    QBasicTimer m_blink;
    QBasicTimer m_autoScroll;
};
