#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QObject>

#include "media/MovieWriter.h"

namespace tarnix {

// A movie or audio file that a device thread writes while the GUI thread opens and finishes it.
// The first failure is kept and stops further writing, so a device keeps running while its file
// is reported broken once. Every member may be called from any thread, except that
// finishInBackground, start and destruction belong to the thread that owns the file.
class RecordingFile {
public:
    RecordingFile() = default;
    RecordingFile(const RecordingFile&) = delete;
    RecordingFile& operator=(const RecordingFile&) = delete;
    // Waits for a finish still running in the background.
    ~RecordingFile();

    // Takes over an opened writer; times given to write() are relative to this moment
    // (CaptureClock seconds). Waits for a background finish of the previous file.
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

    // The same on a worker thread, so that flushing the encoder never blocks the caller's event
    // loop: writing stops at once, and `done(failure)` runs on `context`'s thread when the file is
    // complete (never, if `context` is destroyed first).
    void finishInBackground(QObject* context, std::function<void(std::optional<std::string>)> done);

    // A recorder's stop: finishes in the background, once however often it is asked while that
    // runs. On `context`'s thread, `finished(failure)` of the first request runs when the file is
    // complete, then every request's `done`. Called from `context`'s thread only.
    void stopInBackground(QObject* context, std::function<void(std::optional<std::string>)> finished,
                          std::function<void()> done);

private:
    std::mutex mutex_; // guards every field: shared with the device thread
    std::unique_ptr<media::MovieWriter> writer_;
    double startTime_ = 0;
    std::optional<std::string> failure_;
    std::thread finisher_; // the background finish; joined before the next start
    std::vector<std::function<void()>> stopWaiters_; // the dones of stopInBackground, owner's thread
};

} // namespace tarnix
