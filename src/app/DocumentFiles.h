#pragma once

#include <filesystem>

#include "document/RecordingTimeline.h"

// Where a recording's document lives and how it is saved: beside the screen movie, under the
// movie's name with ".tarnix.json" in place of ".mp4" (Tarnix-2026-12-05T14-03-07Z.tarnix.json),
// the name shortened where the folder's file system would not take it whole.
// Any thread.

namespace tarnix::DocumentFiles {

std::filesystem::path documentPath(const std::filesystem::path& moviePath);

// Writes the document's JSON to a temporary file in the same folder, flushes it to disk and
// renames it over `path`, so the file is either the old one or the complete new one. For a
// document the program owns. Raises std::runtime_error with a sentence for the user when it can't.
void writeAtomically(const RecordingTimeline& timeline, const std::filesystem::path& path);

// Writes a new document at `path` the same way, but never replaces an existing file there
// (that fails with a sentence for the user).
void writeNew(const RecordingTimeline& timeline, const std::filesystem::path& path);

} // namespace tarnix::DocumentFiles
