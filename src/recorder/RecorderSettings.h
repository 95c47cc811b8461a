#pragma once

#include <QRect>
#include <QSettings>

#include <array>
#include <optional>
#include <string>

// What the bar remembers between runs besides the keystroke switch: the countdown before a
// recording and the last area chosen on each display.

namespace tarnix::RecorderSettings {

// The countdowns offered, in seconds; 0 is none (the default).
inline constexpr std::array<int, 4> kCountdownChoices{0, 3, 5, 10};

// The saved countdown, one of kCountdownChoices (anything else reads as none).
int countdown(const QSettings& settings);
void saveCountdown(QSettings& settings, int seconds);

// The area last chosen on the display `displayIdentifier`, in its pixels; nothing when none was.
std::optional<QRect> lastArea(const QSettings& settings, const std::string& displayIdentifier);
void saveArea(QSettings& settings, const std::string& displayIdentifier, const QRect& area);

} // namespace tarnix::RecorderSettings
