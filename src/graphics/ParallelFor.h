#pragma once

#include <functional>

// Splits a loop over [0, count) into contiguous shares run at once: the calling thread runs one
// share, short-lived helper threads the others. Returns when every share is done. For the large,
// rare jobs of the image code (a full-frame blur); small jobs stay on the calling thread.

namespace tarnix::graphics {

// Runs body(begin, end) over [0, count) in at most `maxShares` shares (0: one per hardware
// thread). `body` must be safe to run concurrently on disjoint ranges.
void parallelFor(int count, int maxShares, const std::function<void(int begin, int end)>& body);

} // namespace tarnix::graphics
