#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "document/Date.h"

// Where recordings go and what they are called: "Tarnix-" (screen, .mp4), "Tarnix-camera-"
// (.mov), "Tarnix-mic-" (.m4a), followed by the start time in UTC as ISO 8601 with every ":"
// replaced by "-", for example Tarnix-2026-12-05T14-03-07Z.mp4. Any thread.

namespace tarnix::OutputFiles {

inline const char* const kScreenPrefix = "Tarnix-";
inline const char* const kCameraPrefix = "Tarnix-camera-";
inline const char* const kMicrophonePrefix = "Tarnix-mic-";

// "2026-12-05T14-03-07Z".
std::string timestampName(const Date& date);

// prefix + timestampName(date) + extension (".mp4", with the dot).
std::string fileName(const std::string& prefix, const Date& date, const std::string& extension);

// The user's videos folder (XDG_VIDEOS_DIR, else ~/Videos), without creating it; nothing when
// the desktop names none (no home folder).
std::optional<std::filesystem::path> videosDirectory();

// The videos folder, created when missing. Recordings never fall back to the temporary folder,
// where they could be wiped at the next boot: raises std::runtime_error (FileError when the
// folder cannot be created) with a sentence for the user.
std::filesystem::path defaultDirectory();

// The file in `directory` (or defaultDirectory() when none is given; its FileError passes on).
std::filesystem::path outputPath(const std::optional<std::filesystem::path>& directory,
                                 const std::string& prefix, const Date& date,
                                 const std::string& extension);

// Creates the file of outputPath() exclusively, or "<name>-2<ext>", ... when that name is taken
// (two recordings in one second), and returns its name; raises FileError when it can't.
std::filesystem::path reserveOutputPath(const std::optional<std::filesystem::path>& directory,
                                        const std::string& prefix, const Date& date,
                                        const std::string& extension);

} // namespace tarnix::OutputFiles
