#pragma once

#include <QFuture>
#include <QFutureWatcher>
#include <QObject>

namespace tarnix {

// Runs `handler` on `context`'s thread with the finished future; the watcher goes with it, and
// with `context` the handler is never run.
template <typename T, typename Handler>
void whenFinished(QObject* context, QFuture<T> future, Handler handler)
{
    auto* watcher = new QFutureWatcher<T>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, handler] {
        watcher->deleteLater();
        handler(watcher->future());
    });
    watcher->setFuture(future);
}

} // namespace tarnix
