#pragma once

// The exporter's fixed encoding choices.

namespace tarnix::media {

// H.264 through x264. "veryfast" with a low CRF: close to visually lossless for screen content
// and still faster than real time at 1080p on two cores.
inline constexpr const char* kExportVideoEncoder = "libx264";
inline constexpr const char* kExportEncoderPreset = "veryfast";
inline constexpr int kExportQuality = 18; // CRF
inline constexpr double kExportKeyFrameSeconds = 2.0;
// Largest frame side the writer accepts.
inline constexpr int kMaxExportDimension = 16384;

// AAC of the mixed audio tracks.
inline constexpr int kExportAudioRate = 48000; // Hz
inline constexpr int kExportAudioChannels = 2;
inline constexpr long kExportAudioBitRate = 192000; // bits per second

} // namespace tarnix::media
