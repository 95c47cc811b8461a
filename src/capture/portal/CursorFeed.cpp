#include "capture/portal/CursorFeed.h"

namespace tarnix::portal {

int CursorFeed::subscribe(PointerSource::Handler handler)
{
    std::lock_guard lock(mutex_);
    handlers_.emplace_back(++next_, std::move(handler));
    return next_;
}

void CursorFeed::unsubscribe(int subscription)
{
    std::lock_guard lock(mutex_);
    std::erase_if(handlers_, [subscription](const auto& entry) { return entry.first == subscription; });
}

void CursorFeed::publish(PointerEvent event, Point screenPoint, double time)
{
    std::lock_guard lock(mutex_);
    for (const auto& [id, handler] : handlers_)
        handler(event, screenPoint, time);
}

} // namespace tarnix::portal
