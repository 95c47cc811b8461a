#include "studio/DocumentSaver.h"

#include <QMetaObject>

#include <chrono>
#include <exception>

#include "app/DocumentFiles.h"

namespace tarnix {

DocumentSaver::WriteFunction DocumentSaver::defaultWriter()
{
    return [](const RecordingTimeline& timeline, const std::filesystem::path& path) {
        DocumentFiles::writeAtomically(timeline, path);
    };
}

DocumentSaver::DocumentSaver(std::filesystem::path path, WriteFunction write, QObject* parent)
    : QObject(parent)
    , path_(std::move(path))
    , write_(std::move(write))
    , thread_([this] { run(); })
{
}

DocumentSaver::~DocumentSaver()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    thread_.join();
}

void DocumentSaver::save(RecordingTimeline timeline)
{
    {
        std::lock_guard lock(mutex_);
        pending_ = std::move(timeline);
    }
    wake_.notify_all();
}

bool DocumentSaver::flush(int timeoutMs)
{
    std::unique_lock lock(mutex_);
    return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                          [this] { return !pending_ && !writing_; });
}

int DocumentSaver::writesFinished() const
{
    std::lock_guard lock(mutex_);
    return writesFinished_;
}

void DocumentSaver::run()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return pending_ || stopping_; });
        if (!pending_)
            return; // stopping with nothing left to write
        RecordingTimeline timeline = std::move(*pending_);
        pending_.reset();
        writing_ = true;
        lock.unlock();

        std::optional<QString> failure;
        try {
            write_(timeline, path_);
        } catch (const std::exception& error) {
            failure = QString::fromStdString(error.what());
        }

        lock.lock();
        writing_ = false;
        ++writesFinished_;
        // Queued to the GUI thread; dropped by Qt if the saver is gone by then.
        if (failure)
            QMetaObject::invokeMethod(this, [this, message = *failure] { emit saveFailed(message); },
                                      Qt::QueuedConnection);
        else
            QMetaObject::invokeMethod(this, [this] { emit saved(); }, Qt::QueuedConnection);
        idle_.notify_all();
    }
}

} // namespace tarnix
