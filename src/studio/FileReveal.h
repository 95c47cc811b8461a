#pragma once

#include <QString>

#include <filesystem>
#include <functional>

class QUrl;

// Shows a file in the desktop's file manager with the file selected
// (org.freedesktop.FileManager1.ShowItems on the session bus); where no file manager offers that,
// opens the folder that holds it with the desktop's default handler. GUI thread.

namespace tarnix::FileReveal {

enum class Outcome {
    fileShown,    // the file manager shows the file
    folderOpened, // its folder was opened instead
    nothingShown, // neither worked: the user must be told where the file is
};

// Opens a folder's URL; default QDesktopServices::openUrl. True when something took it.
using FolderOpener = std::function<bool(const QUrl&)>;

Outcome showInFiles(const std::filesystem::path& file, const FolderOpener& openFolder = {});

// What to tell the user after `outcome`; empty when the file or its folder is on the screen.
QString message(Outcome outcome, const std::filesystem::path& file);

} // namespace tarnix::FileReveal
