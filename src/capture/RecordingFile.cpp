#include "capture/RecordingFile.h"

namespace tarnix {

void RecordingFile::start(std::unique_ptr<media::MovieWriter> writer, double startTime)
{
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

} // namespace tarnix
