#include "studio/ScrollWheelCatcher.h"

#include <QWheelEvent>

namespace tarnix {

ScrollWheelCatcher::ScrollWheelCatcher(QWidget* parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_NoSystemBackground);
}

double ScrollWheelCatcher::verticalDelta(const QWheelEvent& event)
{
    if (!event.pixelDelta().isNull())
        return event.pixelDelta().y();
    return event.angleDelta().y() / 120.0; // one notch of a classic wheel
}

void ScrollWheelCatcher::wheelEvent(QWheelEvent* event)
{
    const double delta = verticalDelta(*event);
    if (onScroll_ && delta != 0)
        onScroll_(delta);
    event->accept();
}

} // namespace tarnix
