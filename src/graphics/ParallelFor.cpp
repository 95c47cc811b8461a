#include "graphics/ParallelFor.h"

#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace tarnix::graphics {

namespace {

thread_local bool markedWorker = false;

// One parallelFor call. Shares are claimed by index; whoever claims a share runs it. Helpers that
// start after every share was claimed find nothing to do and never touch `body`, which only lives
// until the caller has seen every claimed share finish.
struct Job {
    const std::function<void(int, int)>* body = nullptr;
    int count = 0;
    int shares = 0;
    std::atomic<int> nextShare{0};
    std::mutex mutex;
    std::condition_variable allDone;
    int finished = 0; // guarded by mutex

    int shareBegin(int i) const { return int((long long)count * i / shares); }

    // Claims and runs shares until none is left.
    void work()
    {
        for (int i = nextShare++; i < shares; i = nextShare++) {
            (*body)(shareBegin(i), shareBegin(i + 1));
            std::lock_guard lock(mutex);
            if (++finished == shares)
                allDone.notify_all();
        }
    }
};

} // namespace

QThreadPool& workerPool()
{
    static QThreadPool* pool = [] {
        auto* made = new QThreadPool; // lives as long as the process: workers may be busy at exit
        made->setMaxThreadCount(std::max(1, QThread::idealThreadCount()));
        return made;
    }();
    return *pool;
}

bool onWorkerThread()
{
    return markedWorker || workerPool().contains(QThread::currentThread());
}

WorkerThreadScope::WorkerThreadScope()
    : previous_(markedWorker)
{
    markedWorker = true;
}

WorkerThreadScope::~WorkerThreadScope()
{
    markedWorker = previous_;
}

void parallelFor(int count, int maxShares, const std::function<void(int, int)>& body)
{
    if (count <= 0)
        return;
    QThreadPool& pool = workerPool();
    int shares = maxShares > 0 ? maxShares : pool.maxThreadCount();
    shares = std::clamp(shares, 1, count);
    if (shares == 1 || onWorkerThread()) {
        body(0, count);
        return;
    }
    auto job = std::make_shared<Job>();
    job->body = &body;
    job->count = count;
    job->shares = shares;
    const int helpers = std::min(shares - 1, pool.maxThreadCount());
    for (int i = 0; i < helpers; ++i)
        pool.start([job] { job->work(); });
    job->work();
    std::unique_lock lock(job->mutex);
    job->allDone.wait(lock, [&] { return job->finished == job->shares; });
}

} // namespace tarnix::graphics
