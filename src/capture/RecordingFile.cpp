#include "capture/RecordingFile.h"

#include <utility>

namespace tarnix {

RecordingFile::~RecordingFile()
{
    if (finisher_.joinable())
        finisher_.join();
}

void RecordingFile::start(std::unique_ptr<media::MovieWriter> writer, double startTime)
{
    if (finisher_.joinable())
        finisher_.join();
    std::lock_guard lock(mutex_);
    writer_ = std::move(writer);
    startTime_ = startTime;
    failure_.reset();
}

std::optional<std::string> RecordingFile::finish()
{
    std::unique_ptr<media::MovieWriter> writer;
    std::optional<std::string> failure;
    {
        std::lock_guard lock(mutex_);
        writer = std::move(writer_);
        failure = failure_;
    }
    if (!writer)
        return std::nullopt;
    try {
        writer->finish(); // outside the lock: the device thread must not wait for the muxer
    } catch (const std::exception& error) {
        if (!failure)
            failure = media::describe(error);
    }
    return failure;
}

void RecordingFile::finishInBackground(QObject* context, std::function<void(std::optional<std::string>)> done)
{
    if (finisher_.joinable())
        finisher_.join();
    // Taking the writer now stops the device thread's writes before this returns.
    std::unique_ptr<media::MovieWriter> writer;
    std::optional<std::string> failure;
    {
        std::lock_guard lock(mutex_);
        writer = std::move(writer_);
        failure = failure_;
    }
    finisher_ = std::thread([writer = std::move(writer), failure, context, done = std::move(done)]() mutable {
        if (writer) {
            try {
                writer->finish();
            } catch (const std::exception& error) {
                if (!failure)
                    failure = media::describe(error);
            }
            writer.reset();
        }
        QMetaObject::invokeMethod(context, [done = std::move(done), failure] { done(failure); }, Qt::QueuedConnection);
    });
}

void RecordingFile::stopInBackground(QObject* context, std::function<void(std::optional<std::string>)> finished,
                                     std::function<void()> done)
{
    stopWaiters_.push_back(std::move(done));
    if (stopWaiters_.size() > 1)
        return;
    finishInBackground(context, [this, finished = std::move(finished)](std::optional<std::string> failure) {
        finished(failure);
        for (auto& waiter : std::exchange(stopWaiters_, {}))
            if (waiter)
                waiter();
    });
}

} // namespace tarnix
