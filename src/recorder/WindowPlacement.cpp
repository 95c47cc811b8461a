#include "recorder/WindowPlacement.h"

#include <algorithm>

namespace tarnix::WindowPlacement {

namespace {

QSize fitted(const QRect& available, QSize requested)
{
    return {std::min(requested.width(), available.width() - 40), std::min(requested.height(), available.height() - 40)};
}

} // namespace

QRect topAnchored(const QRect& available, QSize requested, int margin)
{
    const QSize size = fitted(available, requested);
    const int x = available.x() + (available.width() - size.width()) / 2;
    return {QPoint(x, available.y() + margin), size};
}

QRect centered(const QRect& available, QSize requested)
{
    const QSize size = fitted(available, requested);
    return {QPoint(available.x() + (available.width() - size.width()) / 2,
                   available.y() + (available.height() - size.height()) / 2),
            size};
}

} // namespace tarnix::WindowPlacement
