#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "media/MovieWriter.h"

namespace tarnix {

// A movie or audio file that a device thread writes while the GUI thread opens and finishes it.
// The first failure is kept and stops further writing, so a device keeps running while its file
// is reported broken once. Every member may be called from any thread.
class RecordingFile {
public:
    // Takes over an opened writer; times given to write() are relative to this moment
    // (CaptureClock seconds).
    void start(std::unique_ptr<media::MovieWriter> writer, double startTime);

    // Runs write(writer, startTime) under the lock, unless no file is open or a write has failed.
    // An exception it throws is remembered as the file's failure.
    template <class Write>
    void write(Write&& write)
    {
        std::lock_guard lock(mutex_);
        if (!writer_ || failure_)
            return;
        try {
            write(*writer_, startTime_);
        } catch (const std::exception& error) {
            failure_ = media::describe(error);
        }
    }

    // Finishes and closes the file. The first failure of writing or finishing, if any.
    std::optional<std::string> finish();

private:
    std::mutex mutex_; // guards every field: shared with the device thread
    std::unique_ptr<media::MovieWriter> writer_;
    double startTime_ = 0;
    std::optional<std::string> failure_;
};

} // namespace tarnix
