#pragma once

#include <QFuture>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

// "Speed Up Idle Time" in the Studio: finds the recording's idle stretches (IdleTime, which
// decodes the screen movie) on the thread pool, then makes them 8× speed segments in one commit,
// one undo step. While it looks, the notice line says so; when it finds nothing, it says that. A
// second start while one runs is ignored; destroying it (the Studio closing) stops the search and
// waits for the worker, which reads only its own copy of the document. GUI thread only.

namespace tarnix {

class StudioSession;

class IdleSpeedUp : public QObject {
    Q_OBJECT

public:
    explicit IdleSpeedUp(StudioSession& session, QObject* parent = nullptr);
    ~IdleSpeedUp() override;

    // Starts looking; false when it can't (already looking, no movie, nothing loaded yet).
    bool start();
    bool isRunning() const { return running_; }
    bool canStart() const;

signals:
    void runningChanged();

private:
    struct Result;
    void finish(const Result& result);

    StudioSession& session_;
    bool running_ = false;
    std::shared_ptr<std::atomic_bool> stop_;
    QFuture<void> worker_;
};

} // namespace tarnix
