#pragma once

#include <QtGlobal>

#include <filesystem>
#include <optional>

#include "app/RecordingRecovery.h"

// The question asked at start for each recording that ended without its document (a crash, a
// kill, a power cut): "Recover recording" rebuilds its document from its journal, "Discard"
// forgets the journal (the movies stay). A question dismissed without an answer is asked again at
// the next start. A recovery that fails says why in the application's alert and keeps every file.
//
// Threads: called on the GUI thread. Each recording's movie is read on a worker while its question
// is asked; an answer given before that is done acts once it is, and the window's events go on
// meanwhile (a nested event loop).

namespace tarnix::RecoveryPrompt {

// Button texts, translated where they are shown.
inline constexpr const char* kRecover = QT_TRANSLATE_NOOP("QObject", "Recover recording");
inline constexpr const char* kDiscard = QT_TRANSLATE_NOOP("QObject", "Discard");

// Asks about each interrupted recording in `folder`, oldest first; returns the last one that was
// recovered.
std::optional<RecordingRecovery::Recovered> offer(const std::filesystem::path& folder);

} // namespace tarnix::RecoveryPrompt
