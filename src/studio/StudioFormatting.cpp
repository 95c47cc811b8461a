#include "studio/StudioFormatting.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace tarnix {

std::string formatTime(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return "0:00";
    // Past what a long long holds the text is meaningless anyway; keep it well-defined.
    const long long whole = static_cast<long long>(std::min(std::floor(seconds), 9.0e15));
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", whole / 60, whole % 60);
    return text;
}

std::string formatTimePair(double currentTime, double duration)
{
    return formatTime(currentTime) + " / " + formatTime(duration);
}

std::vector<float> displayedWaveform(const std::vector<float>& systemAudioWaveform,
                                     const AudioTrackSettings& systemAudio,
                                     const std::vector<float>& microphoneWaveform,
                                     const AudioTrackSettings& microphoneAudio)
{
    static const std::vector<float> none;
    const std::vector<float>& a = systemAudio.isEnabled ? systemAudioWaveform : none;
    const std::vector<float>& b = microphoneAudio.isEnabled ? microphoneWaveform : none;
    if (a.empty())
        return b;
    if (b.empty())
        return a;
    std::vector<float> result(std::min(a.size(), b.size()));
    for (std::size_t i = 0; i < result.size(); ++i)
        result[i] = std::max(a[i], b[i]);
    return result;
}

std::string timelineCaption(std::size_t zoomCount, std::size_t clickCount)
{
    // Singular and plural as two texts, so that no translation is needed for English.
    const QString zooms = zoomCount == 1 ? QCoreApplication::translate("tarnix::StudioFormatting", "1 zoom")
                                         : QCoreApplication::translate("tarnix::StudioFormatting", "%1 zooms").arg(zoomCount);
    return QCoreApplication::translate("tarnix::StudioFormatting", "%1 · %2 clicks detected")
        .arg(zooms)
        .arg(clickCount)
        .toStdString();
}

std::string exportingText(double progress)
{
    const double clamped = std::isfinite(progress) ? std::clamp(progress, 0.0, 1.0) : 0.0;
    return QCoreApplication::translate("tarnix::StudioFormatting", "Exporting… %1%")
        .arg(static_cast<int>(std::floor(clamped * 100)))
        .toStdString();
}

} // namespace tarnix
