// SPDX-License-Identifier: GPL-3.0-or-later
#include "titledrag.h"

#include "controls/twips.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// Far beyond any screen, and far from where int arithmetic on a position could overflow.
constexpr qint64 farthestPixel = 1 << 24;

int toPixels(qint64 twips)
{
    const qint64 half = Twips::perPixel / 2;
    const qint64 pixels =
        twips >= 0 ? (twips + half) / Twips::perPixel : -((-twips + half) / Twips::perPixel);
    return int(std::clamp(pixels, -farthestPixel, farthestPixel));
}
} // namespace

namespace TitleDrag {

Step stepFor(Qt::MouseButtons buttons)
{
    if (buttons == Qt::NoButton)
        return Step::StoreOrigin;
    if (buttons == Qt::LeftButton)
        return Step::Move;
    return Step::Nothing;
}

qint16 origin(double twips)
{
    if (std::isnan(twips))
        return 0;
    constexpr double low = std::numeric_limits<qint16>::min();
    constexpr double high = std::numeric_limits<qint16>::max();
    return qint16(std::clamp(std::round(twips), low, high));
}

QPoint movedTopLeft(const QPoint &topLeftPixels, qint16 dragX, qint16 dragY, qint64 xTwips,
                    qint64 yTwips)
{
    const qint64 left = qint64(topLeftPixels.x()) * Twips::perPixel - (dragX - xTwips);
    const qint64 top = qint64(topLeftPixels.y()) * Twips::perPixel - (dragY - yTwips);
    return QPoint(toPixels(left), toPixels(top));
}

bool windowSystemMoves(const QString &platformName)
{
    return platformName.startsWith(QLatin1String("wayland"));
}

} // namespace TitleDrag
