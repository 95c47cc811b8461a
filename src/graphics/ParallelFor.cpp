#include "graphics/ParallelFor.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace tarnix::graphics {

void parallelFor(int count, int maxShares, const std::function<void(int, int)>& body)
{
    if (count <= 0)
        return;
    int shares = maxShares > 0 ? maxShares : int(std::max(1u, std::thread::hardware_concurrency()));
    shares = std::clamp(shares, 1, count);
    if (shares == 1) {
        body(0, count);
        return;
    }
    std::vector<std::thread> helpers;
    helpers.reserve(shares - 1);
    auto shareBegin = [&](int i) { return int((long long)count * i / shares); };
    int started = 1;
    try {
        for (; started < shares; ++started)
            helpers.emplace_back(body, shareBegin(started), shareBegin(started + 1));
    } catch (const std::system_error&) {
        // No more threads to be had: the caller does the rest itself.
    }
    body(0, shareBegin(1));
    for (int i = started; i < shares; ++i)
        body(shareBegin(i), shareBegin(i + 1));
    for (auto& helper : helpers)
        helper.join();
}

} // namespace tarnix::graphics
