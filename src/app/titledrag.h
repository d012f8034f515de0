// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPoint>
#include <QString>
#include <Qt>

// Dragging the window by its title: which mouse states move it, the grab origin kept while
// the pointer hovers over the title, and the window's new place. The origin is kept in 16 bits
// of twips, as the window's shared state has it, but the move is computed wide: a pointer far
// from the title on a large screen must still move the window correctly.
namespace TitleDrag {
enum class Step {
    StoreOrigin, // no button held: remember where the pointer is
    Move,        // exactly the left button held: the window follows the pointer
    Nothing,     // any other button state
};
Step stepFor(Qt::MouseButtons buttons);

// A pointer position in twips as the origin keeps it: rounded, and held within 16 bits.
qint16 origin(double twips);

// The window's new top-left in pixels, when the pointer is at x, y twips from the title
// control that was grabbed at dragX, dragY.
QPoint movedTopLeft(const QPoint &topLeftPixels, qint16 dragX, qint16 dragY, qint64 xTwips,
                    qint64 yTwips);

// Window systems on which a client cannot place its own window; there the window system's own
// move is started instead.
bool windowSystemMoves(const QString &platformName);
} // namespace TitleDrag
