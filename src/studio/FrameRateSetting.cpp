#include "studio/FrameRateSetting.h"

#include "media/FrameRate.h"

namespace tarnix::FrameRateSetting {

namespace {
const QString kKey = QStringLiteral("studio/frameRate");
} // namespace

int load(const QSettings& settings)
{
    // A hand-edited or stale value falls back to 30.
    return media::supportedFrameRate(settings.value(kKey, media::kStandardFrameRate).toInt());
}

void save(QSettings& settings, int framesPerSecond)
{
    settings.setValue(kKey, media::supportedFrameRate(framesPerSecond));
}

} // namespace tarnix::FrameRateSetting
