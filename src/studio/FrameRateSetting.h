#pragma once

#include <QSettings>

// The remembered frame rate of the Studio's preview and exports ("studio/frameRate"): 30 unless
// the user chose 60 in the export menu.

namespace tarnix::FrameRateSetting {

int load(const QSettings& settings);
void save(QSettings& settings, int framesPerSecond);

} // namespace tarnix::FrameRateSetting
