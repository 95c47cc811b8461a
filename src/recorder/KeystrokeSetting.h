#pragma once

#include <QSettings>

#include <optional>

#include "capture/KeyFilter.h"

// The remembered choice of recording the keys pressed: off unless the user switched it on in the
// bar's menu ("Record Keystrokes"). Then shortcuts are recorded; every key only where the
// settings file says so ("recording/everyKey=true"), a choice for people who know they want it.

namespace tarnix::KeystrokeSetting {

// The scope the saved setting asks for; nothing when keys are off.
std::optional<KeyCaptureScope> load(const QSettings& settings);
// Remembers keys switched on or off and returns the scope that now applies.
std::optional<KeyCaptureScope> save(QSettings& settings, bool on);

} // namespace tarnix::KeystrokeSetting
