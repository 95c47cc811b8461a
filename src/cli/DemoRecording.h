#pragma once

#include <filesystem>
#include <functional>

#include "document/RecordingTimeline.h"

// A short synthetic recording for trying Tarnix without a display: an 8-second screen movie of a
// form being filled in (with system audio), a camera movie, a microphone file, the cursor and
// click samples and focused-element samples that match the picture, and a document with its
// automatic zoom regions, a gradient background, the camera bubble and one redaction.

namespace tarnix::cli {

inline const char* const kDemoDocumentName = "demo.tarnix.json";

// Whether `folder` holds none of the demo's files (movies, document, export, contact sheet).
bool demoFolderIsFree(const std::filesystem::path& folder);

// Writes the three media files into `folder` and returns the document describing them. Each file
// appears whole or not at all; none replaces an existing file. Throws media::MediaException or
// FileError when a file cannot be written, std::runtime_error when `stopRequested` turned true.
RecordingTimeline makeDemoRecording(const std::filesystem::path& folder,
                                    const std::function<bool()>& stopRequested);

} // namespace tarnix::cli
