#pragma once

#include <filesystem>

// Shows a file in the desktop's file manager with the file selected
// (org.freedesktop.FileManager1.ShowItems on the session bus); where no file manager offers that,
// opens the folder that holds it. GUI thread.

namespace tarnix::FileReveal {

// Returns true when the file manager took the request, false when the folder was opened instead
// (or nothing could be shown).
bool showInFiles(const std::filesystem::path& file);

} // namespace tarnix::FileReveal
