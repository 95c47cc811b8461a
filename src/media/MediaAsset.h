#pragma once

#include <QSize>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

#include "media/VideoCompositing.h"

// A media file on disk as the engine sees it: its duration and its video and audio tracks.
// Loading reads only the container's headers (no decoding). Values are immutable and may be
// copied to and read from any thread.

namespace tarnix::media {

enum class MediaType { video, audio };

// One track (stream) of a media file.
struct AssetTrack {
    std::filesystem::path url;
    int streamIndex = -1;      // index of the stream in the file
    MediaType mediaType = MediaType::video;
    QSize naturalSize;         // pixels; video tracks only
    TimeRange timeRange;       // seconds on the file's time line (0 = the file's start)
    double frameRate = 0;      // frames a second as the file states it; video only, 0 unknown
};

// Whether load() must find a duration. A recording cut off by a crash often has none in its
// headers; load() then measures it from the packets' times, and only a file without any timed
// packet is left without one.
enum class DurationNeed {
    required, // no duration raises (the screen movie: nothing can be built without it)
    optional, // no duration leaves duration() at 0 and hasDuration() false (camera, microphone)
};

class MediaAsset {
public:
    // Opens the file and reads its track list and duration. Throws MediaException with a sentence
    // naming the file when it is missing, unreadable, cut off before its track list, or not a
    // media file, and (with DurationNeed::required) when no duration can be found. With
    // `readableBytes` the file is read as if it ended there (what cutting it would leave);
    // nothing on disk changes.
    static MediaAsset load(const std::filesystem::path& url,
                           DurationNeed need = DurationNeed::required,
                           std::optional<std::int64_t> readableBytes = std::nullopt);

    const std::filesystem::path& url() const { return url_; }
    double duration() const { return duration_; } // seconds; 0 when unknown
    bool hasDuration() const { return duration_ > 0; }
    // The tracks of one media type in file order (cover pictures are not video tracks).
    std::vector<AssetTrack> tracks(MediaType type) const;
    // When the file is shorter on disk than its index says (a copy cut short, with the index at
    // the front): the time, in seconds, at which its whole samples end. Nothing for whole files.
    std::optional<double> truncatedAt() const { return truncatedAt_; }

private:
    std::filesystem::path url_;
    double duration_ = 0;
    std::optional<double> truncatedAt_;
    std::vector<AssetTrack> tracks_;
};

} // namespace tarnix::media
