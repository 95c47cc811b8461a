#include <gtest/gtest.h>

#include <QThread>
#include <QThreadPool>

#include <atomic>
#include <functional>
#include <future>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "graphics/ParallelFor.h"

using namespace tarnix::graphics;

namespace {

// Runs a loop and notes which threads ran it; every index must be visited exactly once.
std::set<std::thread::id> threadsOf(int count, int shares)
{
    std::vector<std::atomic<int>> visits(static_cast<std::size_t>(count));
    std::mutex mutex;
    std::set<std::thread::id> threads;
    parallelFor(count, shares, [&](int begin, int end) {
        {
            std::lock_guard lock(mutex);
            threads.insert(std::this_thread::get_id());
        }
        for (int i = begin; i < end; ++i)
            ++visits[std::size_t(i)];
    });
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(visits[std::size_t(i)].load(), 1) << "index " << i;
    return threads;
}

// Runs `job` on a thread of `pool` and hands back its answer.
std::future<bool> runOn(QThreadPool& pool, std::function<bool()> job)
{
    auto promise = std::make_shared<std::promise<bool>>();
    auto answer = promise->get_future();
    pool.start([promise, job = std::move(job)] { promise->set_value(job()); });
    return answer;
}

} // namespace

TEST(ParallelFor, SplitsOverThePoolWithoutExceedingItsThreads)
{
    const int poolThreads = workerPool().maxThreadCount();
    EXPECT_EQ(poolThreads, std::max(1, QThread::idealThreadCount()));
    for (int shares : {0, 1, 3, 8, 64}) {
        const auto threads = threadsOf(1000, shares);
        EXPECT_LE(int(threads.size()), poolThreads + 1) << shares << " shares";
    }
    EXPECT_TRUE(threadsOf(1, 8).count(std::this_thread::get_id()));
    threadsOf(0, 8); // nothing to do
}

TEST(ParallelFor, RunsInlineOnAWorkerSoThatNestedLoopsAddNoThreads)
{
    EXPECT_FALSE(onWorkerThread());
    // From the pool's own threads, as the exporter calls the image code.
    std::vector<std::future<bool>> jobs;
    for (int i = 0; i < 4; ++i)
        jobs.push_back(runOn(workerPool(), [] {
            const auto threads = threadsOf(1000, 8);
            return onWorkerThread() && threads == std::set{std::this_thread::get_id()};
        }));
    for (auto& job : jobs)
        EXPECT_TRUE(job.get());

    // From a thread of another pool that says it is a worker.
    QThreadPool other;
    other.setMaxThreadCount(1);
    EXPECT_TRUE(runOn(other, [] {
                    WorkerThreadScope scope;
                    return threadsOf(1000, 8) == std::set{std::this_thread::get_id()};
                }).get());
    EXPECT_FALSE(runOn(other, [] { return onWorkerThread(); }).get())
        << "the mark ends with its scope";
}
