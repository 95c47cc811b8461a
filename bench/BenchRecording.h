#pragma once

// What the export and player benchmarks share: running a command, CPU time, and a busy 1920 × 1080
// recording document (camera, system audio, gradient background, a cursor sweeping the screen,
// clicks, zoom regions and one blur region) over the media those benchmarks make with ffmpeg.

#include <sys/resource.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>

#include "document/RecordingTimeline.h"

namespace tarnix::bench {

inline void run(const std::string& command)
{
    if (std::system(command.c_str()) != 0) {
        std::cerr << "failed: " << command << "\n";
        std::exit(1);
    }
}

// CPU seconds (user + system) used so far by this process (RUSAGE_SELF) or by its finished
// children (RUSAGE_CHILDREN). Wall time depends on what else the machine runs; CPU time much less.
inline double cpuSeconds(int who = RUSAGE_SELF)
{
    rusage usage{};
    getrusage(who, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The document over folder/screen.mp4 and folder/camera.mov, with a 4-second zoom region every
// `zoomSpacing` seconds.
inline RecordingTimeline makeBusyTimeline(const std::filesystem::path& folder, double seconds,
                                          double zoomSpacing)
{
    RecordingTimeline timeline;
    timeline.videoURL = folder / "screen.mp4";
    timeline.cameraURL = folder / "camera.mov";
    timeline.hasSystemAudio = true;
    timeline.captureFrame = {0, 0, 1920, 1080};
    timeline.cameraOverlay.isEnabled = true;
    timeline.background.style = BackgroundStyle::gradient;
    timeline.microphoneAudio.isEnabled = false;
    for (double t = 0; t < seconds; t += 1.0 / 60)
        timeline.cursorSamples.push_back(
            {Uuid::random(), t, {960 + 700 * std::sin(t * 0.7), 540 + 400 * std::cos(t * 0.9)}});
    for (double t = 1; t < seconds; t += 3)
        timeline.clickEvents.push_back(
            {Uuid::random(), t, {960 + 700 * std::sin(t * 0.7), 540}, ClickKind::leftDown});
    for (double t = 2; t + 4 < seconds; t += zoomSpacing)
        timeline.zoomRegions.push_back(
            {Uuid::random(), t, t + 4, Rect{0.2, 0.2, 0.5, 0.5}, EasingCurve::easeInOut});
    timeline.redactRegions.push_back({Uuid::random(), 0, seconds, Rect{0.6, 0.1, 0.25, 0.1}});
    return timeline;
}

} // namespace tarnix::bench
