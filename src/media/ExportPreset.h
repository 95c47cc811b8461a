#pragma once

#include <QSize>

#include <optional>
#include <string_view>

#include "media/Composition.h"
#include "media/VideoComposition.h"

// The exporter's presets: the frame size each one produces and whether it can export a given
// composition. Pure functions, callable from any thread.

namespace tarnix::media {

enum class ExportPreset {
    highestQuality,   // the composition's own render size
    preset3840x2160,
    preset1920x1080,
    preset1280x720,
};

// The preset's name as the exporter knows it ("HighestQuality", "3840x2160", ...).
std::string_view presetName(ExportPreset preset);

// The nominal frame size; nothing for highestQuality (it keeps the render size).
std::optional<QSize> nominalFrameSize(ExportPreset preset);

// The frame size the preset writes for a composition rendered at renderSize: the render size
// scaled to fit within the nominal size with its aspect ratio kept, rounded down to even
// dimensions (at least 2 × 2); highestQuality keeps the render size (made even). An empty
// render size gives an empty size.
QSize exportFrameSize(ExportPreset preset, QSize renderSize);

// The frame size for a video composition: as above, or, when the composition's presets name the
// short side, the render size scaled so that its short side is the preset's (its nominal height).
QSize exportFrameSize(ExportPreset preset, const VideoComposition& videoComposition);

// Whether this exporter can write the composition with the preset to an MPEG-4 file: there is a
// video track and a compositor, and the H.264 encoder accepts the preset's frame size.
bool determineCompatibility(ExportPreset preset, const Composition& composition,
                            const VideoComposition& videoComposition);

// Whether the H.264 encoder opens at this frame size (tried for real, nothing written).
bool encoderAcceptsFrameSize(QSize size);

} // namespace tarnix::media
