#pragma once

#include <filesystem>
#include <optional>

#include "document/RecordingTimeline.h"

class QWidget;

// Opening a saved recording into the Studio, as "Open Recording…" and `tarnix FILE.tarnix.json`
// do: a document that can't be opened opens nothing and the alert says why. GUI thread.

namespace tarnix::OpenRecording {

struct Opened {
    RecordingTimeline timeline;
    std::filesystem::path documentPath; // where the Studio saves its edits
};

// Decodes the file; on failure shows the reason in the application's alert.
std::optional<Opened> openFile(const std::filesystem::path& documentPath);

// Asks for a .tarnix.json file (starting in the Videos folder), then openFile().
std::optional<Opened> chooseAndOpen(QWidget* parent);

} // namespace tarnix::OpenRecording
