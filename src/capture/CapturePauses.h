#pragma once

#include <mutex>
#include <optional>
#include <vector>

// The pauses of one recording, on CaptureClock, shared by every thread that stamps what it
// records: frames, sound blocks, camera pictures, cursor, click, focus and key samples.
//
// A recording that was paused is continuous once its pauses are taken out: everything stamped
// inside a pause is left out, and everything after one is moved earlier by the time spent
// paused so far (recordedTime). Every recorder does the same sum on the same list, so the movie,
// its sound, the camera, the microphone and the samples stay aligned to the sample however many
// pauses there were; the recording document needs to know nothing of them.
//
// Threads: every member may be called from any thread. pause() and resume() read the clock under
// the lock, so a time read before a pause began is never taken for one inside it.

namespace tarnix {

class CapturePauses {
public:
    // A span [from, to) of CaptureClock seconds; `to` is missing while the pause lasts.
    struct Span {
        double from = 0;
        std::optional<double> to;
        bool operator==(const Span&) const = default;
    };
    // A stretch of a block that lies outside every pause: `offset` and `length` seconds into
    // the block, and where it begins in recorded time.
    struct Part {
        double offset = 0;
        double length = 0;
        double recordedStart = 0;
        bool operator==(const Part&) const = default;
    };

    // Begins a pause now, returning its start; nothing when already paused.
    std::optional<double> pause();
    // Ends the pause now, returning its end; nothing when not paused.
    std::optional<double> resume();
    // Forgets every pause: a new recording begins.
    void clear();

    bool isPaused() const;
    std::vector<Span> spans() const;
    // Seconds spent paused up to `time` (a pause under way counts up to `time`).
    double pausedBefore(double time) const;

    // `time` less the time spent paused before it; nothing when `time` lies inside a pause.
    std::optional<double> recordedTime(double time) const;
    // The same, except that a time inside a pause gives where that pause began: the recording's
    // length so far, for a clock or the end of a file.
    double recordedTimeUpTo(double time) const;
    // The stretches of [start, start + length) that were recorded, in order.
    std::vector<Part> recordedParts(double start, double length) const;

private:
    double pausedBeforeLocked(double time) const;

    mutable std::mutex mutex_;
    std::vector<Span> spans_; // in time order; only the last may be open
};

} // namespace tarnix
