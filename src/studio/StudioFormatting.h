#pragma once

#include <string>
#include <vector>

#include "document/LookSettings.h"

// The Studio's small texts and the waveform it shows. Pure functions.

namespace tarnix {

// Seconds as "m:ss" of whole seconds (cut, not rounded); minutes are not wrapped into hours
// (3725 s gives "62:05"). Negative or non-finite values give "0:00".
std::string formatTime(double seconds);

// The transport's time text: "0:12 / 1:05".
std::string formatTimePair(double currentTime, double duration);

// The timeline's one waveform: each enabled track's peaks; with both, the element-wise larger
// value over the shorter length.
std::vector<float> displayedWaveform(const std::vector<float>& systemAudioWaveform,
                                     const AudioTrackSettings& systemAudio,
                                     const std::vector<float>& microphoneWaveform,
                                     const AudioTrackSettings& microphoneAudio);

// The caption above the timeline: "3 zooms · 12 clicks detected".
std::string timelineCaption(std::size_t zoomCount, std::size_t clickCount);

// The export button's text while exporting: "Exporting… 42%" (progress 0...1, floored).
std::string exportingText(double progress);

} // namespace tarnix
