#pragma once

#include <functional>

class QThreadPool;

// The process's one thread budget for image work. Every job that wants more than the calling
// thread (a full-frame blur, a 4K scale, the exporter's frames) runs on workerPool(), which has one
// thread per core, so work started from several places at once never adds up to more threads than
// the machine has.
//
// parallelFor splits a loop into shares that the pool's threads and the caller take one at a time;
// the caller never waits for a share that no thread has begun, so a busy pool only makes it do more
// of the work itself. Called from a worker (a thread of workerPool(), or one marked with
// WorkerThreadScope), it runs the whole loop inline: the outer job already uses the budget.

namespace tarnix::graphics {

// The process-wide pool, sized to the processor's cores; made on first use, any thread.
QThreadPool& workerPool();

// Whether the calling thread is a worker: a thread of workerPool() or inside a WorkerThreadScope.
bool onWorkerThread();

// Marks the current thread as a worker for its lifetime: for threads of other pools that run
// frame-sized jobs in parallel of their own (a player's compositing threads).
class WorkerThreadScope {
public:
    WorkerThreadScope();
    ~WorkerThreadScope();
    WorkerThreadScope(const WorkerThreadScope&) = delete;
    WorkerThreadScope& operator=(const WorkerThreadScope&) = delete;

private:
    bool previous_;
};

// Runs body(begin, end) over [0, count) in at most `maxShares` contiguous shares (0: one per core)
// and returns when every share is done. `body` must be safe to run concurrently on disjoint ranges.
void parallelFor(int count, int maxShares, const std::function<void(int begin, int end)>& body);

} // namespace tarnix::graphics
