#pragma once

#include <QString>

#include <filesystem>
#include <variant>

#include "document/RecordingTimeline.h"

// Opening a saved recording (NAME.tarnix.json) for the Studio. Any thread.

namespace tarnix::RecordingFiles {

// The decoded document, or a sentence for the user saying why it can't be opened: unreadable
// file, not JSON, a missing or wrong key (named by its path), or a document without a screen
// movie file on disk.
std::variant<RecordingTimeline, QString> openDocument(const std::filesystem::path& path);

// The file filter of the "Open Recording…" dialog.
QString openDialogFilter();

} // namespace tarnix::RecordingFiles
