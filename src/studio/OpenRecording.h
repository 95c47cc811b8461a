#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include "document/RecordingTimeline.h"

class QObject;
class QWidget;

// Opening a saved recording into the Studio, as "Open Recording…" and `tarnix FILE.tarnix.json`
// do: a document that can't be opened opens nothing and the alert says why. GUI thread.

namespace tarnix::OpenRecording {

struct Opened {
    RecordingTimeline timeline;
    std::filesystem::path documentPath; // where the Studio saves its edits
};

using OpenedHandler = std::function<void(std::optional<Opened>)>;

// Decodes the file; on failure shows the reason in the application's alert.
std::optional<Opened> openFile(const std::filesystem::path& documentPath);

// The same with the reading and decoding on a worker thread, so that the window stays responsive
// while a large document opens (a wait cursor shows meanwhile). `done` runs on the GUI thread,
// unless `context` is gone by then; with nothing when the file can't be opened (the alert has
// said why).
void openFileAsync(const std::filesystem::path& documentPath, QObject* context,
                   OpenedHandler done);

// Asks for a .tarnix.json file (starting in the Videos folder); nothing when the user cancels.
std::optional<std::filesystem::path> choose(QWidget* parent);

} // namespace tarnix::OpenRecording
