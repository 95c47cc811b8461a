#include "StudioTestSupport.h"

#include "app/DocumentFiles.h"
#include "document/Uuid.h"

namespace tarnix::test {

GeneratedRecording makeRecording(const std::filesystem::path& folder, double seconds, int width,
                                 int height, int fps)
{
    GeneratedRecording out;
    RecordingTimeline& t = out.timeline;
    t.videoURL = media::test::makeMovie(folder / "screen.mp4", seconds, width, height, true, fps);
    t.cameraURL = media::test::makeMovie(folder / "camera.mov", seconds, 160, 160, false);
    t.microphoneURL = media::test::makeTone(folder / "mic.m4a", seconds, 660);
    t.hasSystemAudio = true;
    t.captureFrame = {0, 0, double(width), double(height)};
    for (int i = 0; i <= 30; ++i)
        t.cursorSamples.push_back({Uuid::random(), seconds * i / 30,
                                   {width * (0.2 + 0.02 * i), height * (0.7 - 0.01 * i)}});
    for (double at : {0.5, 1.2, 2.0}) {
        const Point p{width * 0.5, height * 0.5};
        t.clickEvents.push_back({Uuid::random(), at, p, ClickKind::leftDown});
        t.clickEvents.push_back({Uuid::random(), at + 0.1, p, ClickKind::leftUp});
    }
    t.zoomRegions.push_back({Uuid::random(), 0.3, 1.1, {0.2, 0.2, 0.5, 0.5}, EasingCurve::easeInOut});
    t.zoomRegions.push_back({Uuid::random(), 1.6, 2.4, {0.4, 0.3, 0.5, 0.5}, EasingCurve::easeInOut});
    t.redactRegions.push_back({Uuid::random(), 0.0, seconds, {0.05, 0.05, 0.2, 0.1}});
    t.background.style = BackgroundStyle::gradient;
    t.cameraOverlay.isEnabled = true;
    out.documentPath = DocumentFiles::documentPath(*t.videoURL);
    DocumentFiles::writeAtomically(t, out.documentPath);
    return out;
}

std::filesystem::path screenshotFolder()
{
    std::filesystem::path folder = std::filesystem::path(TARNIX_BINARY_DIR) / "screenshots" / "studio";
    std::filesystem::create_directories(folder);
    return folder;
}

} // namespace tarnix::test
