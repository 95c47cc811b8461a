#pragma once

#include <optional>
#include <string>
#include <vector>

#include <QRect>
#include <QSize>

// What happened to a running recording that the user must hear of, and the sentences that tell
// them: stretches of a sound track that the sound server did not deliver (the recorders keep
// writing through such a gap, in silence, so the tracks stay aligned with the screen movie), and
// a recorded display that changed size (its pictures are scaled to fit the movie's frame).

namespace tarnix {

struct SoundGap {
    double from = 0;          // CaptureClock seconds: where the sound stops
    std::optional<double> to; // where it starts again; nothing while the gap lasts
    std::string reason;       // for the user: "the sound server stopped"
    bool operator==(const SoundGap&) const = default;
};

// The sentences about the system audio's and the microphone's gaps, one per kind of track
// (a gap both tracks share is said once for both). Times are said on the movie's time line,
// which starts at `movieStart` (CaptureClock seconds). `end` is the moment the recording stopped,
// or nothing while it runs; a gap still open at the end lasts to it.
std::vector<std::string> soundGapNotices(const std::vector<SoundGap>& systemAudio,
                                         const std::vector<SoundGap>& microphone, double movieStart,
                                         std::optional<double> end);

// The recorded display changed size (RandR): its pictures have `size` from `time` on.
struct DisplayChange {
    double time = 0; // CaptureClock seconds
    QSize size;      // device pixels
    QRect area;      // where the display is now, X11 root pixels; empty when unknown
    bool operator==(const DisplayChange&) const = default;
};

// The sentence about a recording's display changes, if there were any; times on the movie's
// time line (from `movieStart`), `movieSize` the size of the movie's frame.
std::optional<std::string> displayChangeNotice(const std::vector<DisplayChange>& changes, QSize movieSize,
                                               double movieStart);

} // namespace tarnix
