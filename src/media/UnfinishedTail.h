#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "media/MediaAsset.h"
#include "media/MediaError.h"

// Opening a recording's file (screen movie, camera movie, microphone sound) that a killed process
// left unfinished. The recorders write fragmented files, and a kill can end one inside its last
// fragment's header, which makes FFmpeg refuse the whole file though every fragment before it is
// intact. That unfinished end (MovieBoxWalk) holds no playable sample: without it, the file opens.
//
// Reading and cutting are separate steps, so that a caller can show what a file holds, ask, and
// only then change it:
//   - openRecordingFile changes nothing: a refused file is read as if it ended before its
//     unfinished part;
//   - applyTailCut removes exactly that part, and only if the file is still as it was read.
// A file that opens as it is is never cut, nor is any byte of a whole box (or of a whole fragment).
//
// Threads: any; nothing is shared. Opening may read a cut-off file's packets (MediaAsset::load).

namespace tarnix::media {

// The unfinished end of a file and what its whole part holds.
struct TailCut {
    std::filesystem::path file;
    std::int64_t sizeBefore = 0; // bytes, when it was read
    std::int64_t keptBytes = 0;  // the whole part that stays
    double keptSeconds = 0;      // what the whole part plays
};

struct OpenedRecordingFile {
    MediaAsset asset;           // the file as it opens, or as it will open once cut
    std::optional<TailCut> cut; // the cut it needs to open; nothing when it opens as it is
};

// A refused file that ends in an unfinished part, and that cutting it off would not make
// playable either (nothing whole before it, or what is before it is broken too).
class UnplayableWhenCut : public MediaException {
public:
    using MediaException::MediaException;
};

// Opens `file` like MediaAsset::load; when FFmpeg refuses it and it ends inside an unfinished
// box after a whole track list (moov), as it would be without that end. Raises what
// MediaAsset::load raised when there is no such end, and UnplayableWhenCut when the file without
// it does not play either (no duration is readable). Nothing on disk changes.
OpenedRecordingFile openRecordingFile(const std::filesystem::path& file, DurationNeed need);

// Cuts the file back to its whole part. Raises MediaException, and changes nothing, when the file
// is no longer as it was read (another size, another whole part) or cannot be cut.
void applyTailCut(const TailCut& cut);

} // namespace tarnix::media
