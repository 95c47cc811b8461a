#pragma once

#include <QWidget>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "document/RecordingTimeline.h"

// What the window shows in studio mode, made from the finished recording: the one place where
// the recorder window meets the editor.
//
// Threads: GUI thread only.

namespace tarnix::StudioMode {

struct Recording {
    RecordingTimeline timeline;
    std::optional<std::filesystem::path> documentPath; // where the document was saved, if it was
    std::optional<std::string> documentError;          // why it was not
    // What the recording lacks, said while the bar was off the screen: repeated in the Studio.
    std::vector<std::string> notices;
};

// Makes the studio-mode widget for `recording`; `onClose` ends the application.
QWidget* makeWidget(const Recording& recording, std::function<void()> onClose, QWidget* parent);

// Whether saved recordings can be opened into studio mode ("Open Recording…").
bool canOpenRecordings();

// Asks the studio-mode widget whether the window may close (an export may be running); true when
// it may.
bool confirmClose(QWidget* studio);

} // namespace tarnix::StudioMode
