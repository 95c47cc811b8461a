#include <gtest/gtest.h>

#include <fstream>

#include "app/DocumentFiles.h"
#include "app/TimelineAssembly.h"
#include "document/DocumentCoding.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;

namespace {

Date at(double seconds)
{
    return Date{seconds};
}

} // namespace

TEST(TimelineAssembly, samplesAreRebasedOntoTheFirstFrameAndEarlierOnesDropped)
{
    // The tracker started 1 s before the first frame.
    const double offset = TimelineAssembly::offset(at(101), at(100));
    EXPECT_DOUBLE_EQ(offset, 1.0);
    const std::vector<CursorSample> samples = {
        {Uuid::random(), 0.7, {1, 1}}, {Uuid::random(), 1.0, {2, 2}}, {Uuid::random(), 1.5, {3, 3}}};
    const auto rebased = TimelineAssembly::rebase(samples, offset);
    ASSERT_EQ(rebased.size(), 2u) << "0.3 s before the first frame is dropped";
    EXPECT_DOUBLE_EQ(rebased[0].timestamp, 0.0) << "exactly at the first frame stays";
    EXPECT_EQ(rebased[0].point, (Point{2, 2}));
    EXPECT_NE(rebased[0].id, samples[1].id) << "re-based records get fresh ids";
    EXPECT_DOUBLE_EQ(rebased[1].timestamp, 0.5);
    EXPECT_DOUBLE_EQ(TimelineAssembly::offset(std::nullopt, at(100)), 0.0);
    EXPECT_DOUBLE_EQ(TimelineAssembly::offset(at(100), std::nullopt), 0.0);
}

TEST(TimelineAssembly, theDocumentGetsTheInitialLookAndEngineZoomRegions)
{
    TimelineAssembly::Inputs in;
    in.videoURL = "/tmp/Tarnix-2026-12-05T14-03-07Z.mp4";
    in.cameraSelected = true;
    in.microphoneURL = "/tmp/Tarnix-mic-2026-12-05T14-03-07Z.m4a";
    in.hasSystemAudio = true;
    in.startedAt = at(500);
    in.captureFrame = {0, 0, 1920, 1080};
    in.firstFrame = at(501);
    in.cursorStart = at(500.5);
    in.focusStart = at(500);
    in.clickEvents = {{Uuid::random(), 1.0, {960, 540}, ClickKind::leftDown},
                      {Uuid::random(), 1.1, {960, 540}, ClickKind::leftUp}};
    in.focusedElementSamples = {{Uuid::random(), 2.0, {100, 900, 300, 24}},
                                {Uuid::random(), 4.0, {100, 800, 300, 24}}};
    const auto t = TimelineAssembly::assemble(in);
    EXPECT_EQ(t.videoURL, in.videoURL);
    EXPECT_FALSE(t.cameraURL) << "a selected camera that wrote nothing has no location";
    EXPECT_TRUE(t.cameraOverlay.isEnabled);
    EXPECT_EQ(t.cameraOverlay.position, (Point{0.84, 0.82}));
    EXPECT_EQ(t.background, BackgroundSettings::disabled);
    EXPECT_TRUE(t.hasSystemAudio);
    EXPECT_EQ(t.startedAt, at(500));
    ASSERT_EQ(t.clickEvents.size(), 2u);
    EXPECT_DOUBLE_EQ(t.clickEvents[0].timestamp, 0.5);
    ASSERT_EQ(t.focusedElementSamples.size(), 2u);
    EXPECT_DOUBLE_EQ(t.focusedElementSamples[0].timestamp, 1.0);

    RecordingTimeline probe = t;
    probe.zoomRegions.clear();
    const auto expected = ZoomPanEngine::makeElementBasedZoomRegions(probe, TimelineAssembly::zoomParameters());
    ASSERT_TRUE(expected);
    ASSERT_EQ(t.zoomRegions.size(), expected->size());
    for (std::size_t i = 0; i < expected->size(); ++i) {
        EXPECT_DOUBLE_EQ(t.zoomRegions[i].start, (*expected)[i].start);
        EXPECT_EQ(t.zoomRegions[i].rect, (*expected)[i].rect);
    }

    // Without focus samples the clicks decide.
    in.focusedElementSamples.clear();
    const auto clicksOnly = TimelineAssembly::assemble(in);
    probe = clicksOnly;
    probe.zoomRegions.clear();
    EXPECT_EQ(clicksOnly.zoomRegions.size(),
              ZoomPanEngine::makeClickBasedZoomRegions(probe, TimelineAssembly::zoomParameters()).size());
    EXPECT_FALSE(clicksOnly.zoomRegions.empty());
}

TEST(TimelineAssembly, regionsAreHeldToTheEndOfTheMovie)
{
    TimelineAssembly::Inputs in;
    in.videoURL = "/tmp/Tarnix-2026-12-05T14-03-07Z.mp4";
    in.captureFrame = {0, 0, 1920, 1080};
    // Focus at 2 s and 4 s; the last one would hold until 5.1 s. Then a sample past the end.
    in.focusedElementSamples = {{Uuid::random(), 2.0, {100, 900, 300, 24}},
                                {Uuid::random(), 4.0, {100, 800, 300, 24}},
                                {Uuid::random(), 6.0, {100, 700, 300, 24}}};
    const auto unlimited = TimelineAssembly::assemble(in);
    ASSERT_EQ(unlimited.zoomRegions.size(), 3u);
    EXPECT_DOUBLE_EQ(unlimited.zoomRegions[2].end, 7.1) << "without a known length nothing changes";

    in.movieDuration = 4.5;
    const auto held = TimelineAssembly::assemble(in);
    ASSERT_EQ(held.zoomRegions.size(), 2u) << "a region starting after the movie is left out";
    EXPECT_DOUBLE_EQ(held.zoomRegions[0].start, 1.65);
    EXPECT_DOUBLE_EQ(held.zoomRegions[0].end, 4.0);
    EXPECT_DOUBLE_EQ(held.zoomRegions[1].start, 3.65);
    EXPECT_DOUBLE_EQ(held.zoomRegions[1].end, 4.5);
    EXPECT_EQ(held.zoomRegions[1].rect, unlimited.zoomRegions[1].rect);

    // A region starting exactly at the end would never be seen either.
    EXPECT_TRUE(TimelineAssembly::heldToMovie(unlimited.zoomRegions, 1.65).empty());
}

TEST(TimelineAssembly, theZoomParametersAndInitialLookArePinned)
{
    for (const ZoomPanEngine::Parameters& p : {TimelineAssembly::zoomParameters(), ZoomPanEngine::Parameters{}}) {
        EXPECT_EQ(p.clickMergeInterval, 1.2);
        EXPECT_EQ(p.clickMergeDistance, 0.12);
        EXPECT_EQ(p.zoomLevel, 1.7);
        EXPECT_EQ(p.leadIn, 0.35);
        EXPECT_EQ(p.holdAfter, 1.1);
        EXPECT_EQ(p.elementPadding, 0.35);
        EXPECT_EQ(p.maxElementFraction, 0.85);
        EXPECT_EQ(p.minimumDwell, 0.4);
    }

    TimelineAssembly::Inputs in;
    in.videoURL = "/tmp/Tarnix-2026-12-05T14-03-07Z.mp4";
    for (bool camera : {false, true}) {
        in.cameraSelected = camera;
        const auto t = TimelineAssembly::assemble(in);
        CameraOverlaySettings expectedCamera;
        expectedCamera.isEnabled = camera;
        expectedCamera.shape = CameraBubbleShape::rounded;
        expectedCamera.cornerRadius = 28;
        expectedCamera.sizeFraction = 0.22;
        expectedCamera.position = {0.84, 0.82};
        expectedCamera.mirrored = true;
        EXPECT_EQ(t.cameraOverlay, expectedCamera);
        EXPECT_EQ(t.background, BackgroundSettings::disabled);
        EXPECT_TRUE(t.systemAudio.isEnabled);
        EXPECT_TRUE(t.microphoneAudio.isEnabled);
        EXPECT_TRUE(t.cursorOverlay.isEnabled);
        EXPECT_EQ(t.cursorOverlay.sizeFraction, 0.022);
        EXPECT_EQ(t.cursorOverlay.style, CursorStyle::system);
        EXPECT_TRUE(t.cursorOverlay.showsClickRipples);
        EXPECT_TRUE(t.redactRegions.empty());
    }
}

TEST(DocumentFiles, theDocumentSitsBesideTheMovieAndIsReplacedWhole)
{
    EXPECT_EQ(DocumentFiles::documentPath("/m/Tarnix-2026-12-05T14-03-07Z.mp4"),
              std::filesystem::path("/m/Tarnix-2026-12-05T14-03-07Z.tarnix.json"));
    test::TemporaryFolder folder;
    const auto path = folder.path() / "Tarnix-x.tarnix.json";
    { std::ofstream(path) << "old"; }
    RecordingTimeline timeline;
    timeline.videoURL = folder.path() / "Tarnix-x.mp4";
    timeline.cursorSamples = {{Uuid::random(), 0.25, {3, 4}}};
    DocumentFiles::writeAtomically(timeline, path);
    EXPECT_EQ(decodeRecordingTimeline(test::readFile(path)), timeline);
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.path()))
        ++files;
    EXPECT_EQ(files, 1u) << "no temporary file is left behind";
    EXPECT_THROW(DocumentFiles::writeAtomically(timeline, folder.path() / "missing" / "x.json"), std::runtime_error);

    // A new recording's document never replaces a file already at its name.
    const auto taken = folder.path() / "Tarnix-y.tarnix.json";
    { std::ofstream(taken) << "someone's notes"; }
    try {
        DocumentFiles::writeNew(timeline, taken);
        ADD_FAILURE() << "replaced an existing file";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("already exists"), std::string::npos) << error.what();
    }
    EXPECT_EQ(test::readFile(taken), "someone's notes");
    DocumentFiles::writeNew(timeline, folder.path() / "Tarnix-z.tarnix.json");
    EXPECT_EQ(decodeRecordingTimeline(test::readFile(folder.path() / "Tarnix-z.tarnix.json")), timeline);
}

TEST(TimelineAssembly, aFollowedWindowKeepsOnlyTheChangesOfItsFrameFromTheFirstFrameOn)
{
    const Rect first{100, 100, 400, 300};
    const Rect moved{600, 200, 400, 300};
    const Rect widened{600, 200, 800, 300};
    auto sample = [](double time, Rect rect) { return CaptureFrameSample{Uuid::random(), time, rect}; };

    EXPECT_TRUE(TimelineAssembly::captureFrameSamples({sample(-0.2, first)}, first).empty())
        << "a window that stayed put writes no samples";
    EXPECT_TRUE(TimelineAssembly::captureFrameSamples({}, first).empty());

    // Moved before the first frame, then again; seen twice in the same place; widened.
    const auto kept = TimelineAssembly::captureFrameSamples(
        {sample(-0.5, first), sample(-0.1, widened), sample(1.0, moved), sample(1.5, moved), sample(3.0, widened)},
        first);
    ASSERT_EQ(kept.size(), 3u);
    EXPECT_EQ(kept[0].timestamp, 0.0) << "the frame in force at the first frame counts from 0";
    EXPECT_EQ(kept[0].rect, widened);
    EXPECT_EQ(kept[1].timestamp, 1.0);
    EXPECT_EQ(kept[1].rect, moved);
    EXPECT_EQ(kept[2].timestamp, 3.0);
    EXPECT_EQ(kept[2].rect, widened);

    // Moved away before the first frame and back by then: nothing changed in the movie.
    EXPECT_TRUE(TimelineAssembly::captureFrameSamples({sample(-0.3, moved), sample(-0.1, first)}, first).empty());
}
