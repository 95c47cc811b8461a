#pragma once

#include <QImage>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "media/MediaTestSupport.h"

// Reads back what the recorders wrote, with FFmpeg, for the tests.

namespace tarnix::test {

// The file's streams and packets; throws MediaException when it can't be read.
using media::test::probe;

// Decodes every video frame as Format_RGB32 and hands it over with its time in seconds.
// Returns the number of frames decoded (-1 when the file can't be read).
int forEachVideoFrame(const std::filesystem::path& path,
                      const std::function<void(const QImage& frame, double time)>& handler);

struct AudioStats {
    int sampleRate = 0;
    int channels = 0;
    double seconds = 0;          // decoded length
    double rms = 0;              // of the first channel, 0...1
    // Of the first channel, from its cycles (zero crossings with a little hysteresis) in the
    // blocks that are neither silent nor broken by a dropout, Hz.
    double dominantFrequency = 0;
    // Share of 1024-sample blocks whose level stays under 0.01: dropouts and leading silence.
    double silentFraction = 0;
    // The time of the first sample whose level passes 0.1, seconds; -1 when none does.
    double firstLoudTime = -1;
    // The longest run of 10 ms blocks whose level stays under 0.01 (a dropout), seconds; both
    // 0 when there is none.
    double longestSilenceStart = 0;
    double longestSilenceEnd = 0;
};

std::optional<AudioStats> audioStats(const std::filesystem::path& path);

} // namespace tarnix::test
