#include "capture/x11/OwnWindowCoverPlan.h"

namespace tarnix::x11::OwnWindowCoverPlan {

Plan plan(const std::vector<StackedWindow>& bottomToTop, const QRect& area)
{
    // A pixel is ours to repaint when the front-most window covering it is an own window.
    QRegion claimed;
    QRegion erased;
    for (auto it = bottomToTop.rbegin(); it != bottomToTop.rend(); ++it) {
        const QRect visible = it->bounds & area;
        if (visible.isEmpty())
            continue;
        if (it->isOwn)
            erased += QRegion(visible) - claimed;
        claimed += visible;
    }
    Plan result;
    if (erased.isEmpty())
        return result;
    // Then, front to back again, each other window gives what it has of the remaining pixels. A
    // window above the own ones can't cover any of them, so walking them all is safe.
    QRegion remaining = erased;
    for (auto it = bottomToTop.rbegin(); it != bottomToTop.rend() && !remaining.isEmpty(); ++it) {
        if (it->isOwn)
            continue;
        const QRegion part = remaining & it->bounds;
        if (part.isEmpty())
            continue;
        if (it->contentsReady)
            result.patches.push_back({it->id, it->bounds.topLeft(), part});
        else
            result.background += part;
        remaining -= part;
    }
    result.background += remaining;
    return result;
}

} // namespace tarnix::x11::OwnWindowCoverPlan
