#pragma once

#include <mutex>
#include <utility>
#include <vector>

#include "capture/PointerSource.h"

// Cursor positions of a running cast, handed to whoever watches the pointer. The cast's frame
// source publishes, the portal's pointer source subscribes; whoever wires a recording together
// makes one feed and hands it to both.
//
// Threads: any; handlers run on the publishing thread (the cast's).

namespace tarnix::portal {

class CursorFeed {
public:
    // Returns the subscription's number.
    int subscribe(PointerSource::Handler handler);
    void unsubscribe(int subscription); // no call of its handler runs afterwards
    void publish(PointerEvent event, Point screenPoint, double time);

private:
    std::mutex mutex_;
    std::vector<std::pair<int, PointerSource::Handler>> handlers_;
    int next_ = 0;
};

} // namespace tarnix::portal
