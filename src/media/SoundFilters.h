#pragma once

#include <functional>
#include <optional>
#include <string>

#include "media/Composition.h"

// The sound treatments of the media engine, each an FFmpeg filter chain run by AudioFilterChain
// (and the time stretch of a segment that plays at another speed, tempoChain below):
//
// - Even loudness (exports): the mixed sound is measured (integrated loudness, EBU R128, and its
//   true peak), then brought to a target loudness by one fixed gain, with a true-peak limiter
//   behind it only when that gain would push peaks past the ceiling. One gain for the whole movie
//   keeps its dynamics: a quiet aside stays quieter than the talk around it. Limiting takes the
//   loudness of the peaks away (sharp clicks count), so when the limiter is needed the limited
//   sound is measured once more and the gain raised by what it lost.
// - Noise reduction (one track, preview and export alike): a spectral denoiser (afftdn) set from
//   the track's own noise floor, which is estimated once per file from its quietest stretches.
//
// Levels: LUFS for loudness, dBFS / dBTP for levels and peaks (0 = full scale).

namespace tarnix::media {

inline constexpr double kDefaultLoudnessTarget = -16;  // LUFS
inline constexpr double kTruePeakCeiling = -1;         // dBTP
// A near-silent mix would otherwise have its hiss raised to speaking level.
inline constexpr double kMaxLoudnessGain = 30;         // dB

struct LoudnessMeasurement {
    double integrated = 0; // LUFS
    double truePeak = 0;   // dBTP
};

// Measures the sound of `composition` mixed as an export mixes it (sampleRate, channels) over
// 0 ... duration seconds, after the filter chain `through` when one is given. Nothing when there
// is no sound, or none loud enough for the measure's gate (silence); nothing too when `stop` says
// so while it runs. Throws MediaException when a source cannot be decoded.
std::optional<LoudnessMeasurement> measureLoudness(const Composition& composition, int sampleRate,
                                                   int channels, double duration,
                                                   const std::function<bool()>& stop = {},
                                                   const std::string& through = {});

// The chain that brings the mixed sound of `composition` to `targetLufs` (measured as above,
// and measured again behind its limiter when it needs one). Nothing for a silent composition or
// when stopped. Throws MediaException when a source cannot be decoded.
std::optional<std::string> evenLoudnessChain(const Composition& composition, int sampleRate,
                                             int channels, double duration, double targetLufs,
                                             const std::function<bool()>& stop = {});

// The gain in dB that takes `measured` to `targetLufs`, at most kMaxLoudnessGain.
double loudnessGain(const LoudnessMeasurement& measured, double targetLufs);

// The chain that applies loudnessGain at sampleRate: "volume" alone when the peaks stay under the
// ceiling, else followed by a limiter that works on the sound oversampled four times, so that
// it catches the peaks between samples too.
std::string loudnessChain(const LoudnessMeasurement& measured, double targetLufs, int sampleRate);

// The noise floor of an audio track, dBFS: the level under which a tenth of its 20 ms stretches
// lie (digital silence left out). Estimated once per file and remembered while the process runs.
// Nothing when the track has no sound at all. Throws MediaException when it cannot be decoded.
std::optional<double> noiseFloor(const AssetTrack& track);

// The denoiser for a track of this noise floor at this strength (0 ... 1, clamped).
std::string noiseReductionChain(double strength, double noiseFloorDb);

// The time stretch that plays sound `speed` times as fast at its own pitch: FFmpeg's atempo,
// chained in steps of 2 beyond 0.5 ... 2 ("atempo=2,atempo=2" for 4). Speed: positive, finite.
std::string tempoChain(double speed);

} // namespace tarnix::media
