#pragma once

#include <filesystem>

#include "document/RecordingTimeline.h"

// A short synthetic recording for trying Tarnix without a display: an 8-second screen movie of a
// form being filled in (with system audio), a camera movie, a microphone file, the cursor and
// click samples and focused-element samples that match the picture, and a document with its
// automatic zoom regions, a gradient background, the camera bubble and one redaction.

namespace tarnix::cli {

// Writes the three media files into `folder` and returns the document describing them.
// Throws media::MediaException when a file cannot be written.
RecordingTimeline makeDemoRecording(const std::filesystem::path& folder);

} // namespace tarnix::cli
