#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "document/RecordingTimeline.h"
#include "media/UnfinishedTail.h"

// Rebuilds the document of a recording that ended without one (a crash, a kill, a power cut)
// from its journal (RecordingJournal): the samples up to the end of what the movie holds, the
// automatic zoom, the usual initial look. The application offers it at start for the videos
// folder; `tarnix-cli recover FOLDER` does it without asking.
//
// Files: scanning changes nothing. Writing adds the document (never over a file) and removes the
// journal, and before that repairs a recording file that a kill left ending inside its last
// fragment, which no player opens: the unfinished end (no playable sample) is cut off, only when
// the file is refused as it is and opens without it, and only if it is still as scanned
// (media/UnfinishedTail). Nothing else of a movie is ever changed, and a failure changes nothing.
//
// Threads: any; nothing is shared. Reads the media files' headers (and, for a movie cut off by
// a crash, its packets' times), which takes a moment for a long recording.

namespace tarnix::RecordingRecovery {

// A recording that cannot be recovered: `what()` is a sentence for the user. Nothing was deleted.
class RecoveryError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The journals in `folder` whose recording has no document: not being written by a running
// recording (in this process or another), oldest name first. A folder that cannot be read has
// none.
std::vector<std::filesystem::path> findInterrupted(const std::filesystem::path& folder);

// The screen movie a journal belongs to, for the user ("Tarnix-2026-12-05T14-03-07Z.mp4"); the
// journal's own name when it names none.
std::string movieName(const std::filesystem::path& journal);

struct Recovered {
    std::filesystem::path documentPath;
    RecordingTimeline timeline;
    double movieDuration = 0; // seconds: the samples end there
    std::size_t skippedLines = 0; // torn or unreadable journal lines left out
    // What was left out and why (a camera or microphone file that can't be read...), each a
    // sentence for the user.
    std::vector<std::string> notes;
    // The unfinished ends that writing cuts off (screen movie first, then camera, microphone).
    std::vector<media::TailCut> cuts;
    // What writing repaired, a sentence a file for the user (how much of it was kept).
    std::vector<std::string> repairs;
};

// The document the journal rebuilds, read and checked but not written: nothing on disk changes.
// Reads the whole movie when a crash cut it off, which takes a moment for a long one. Raises
// RecoveryError when the journal cannot be read or the movie is missing, empty or unreadable.
Recovered scan(const std::filesystem::path& journal);

// Cuts off the unfinished ends found by the scan (filling `repairs`), writes the scanned document
// beside its movie (never over an existing file) and then removes the journal. Raises
// RecoveryError when a file changed since the scan or the document cannot be written; the journal
// stays then.
void write(const std::filesystem::path& journal, Recovered& scanned);

// Both at once. On a failure the journal and every file stay.
Recovered recover(const std::filesystem::path& journal);

// Forgets an interrupted recording's samples: removes its journal. The movies stay where they are.
void discard(const std::filesystem::path& journal);

} // namespace tarnix::RecordingRecovery
