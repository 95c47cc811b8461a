#include <gtest/gtest.h>

#include <QSignalSpy>

#include "StudioTestSupport.h"
#include "document/CutRegions.h"
#include "document/DocumentCoding.h"
#include "studio/StudioExporter.h"
#include "studio/StudioFormatting.h"
#include "studio/StudioSession.h"

namespace tarnix {
namespace {

using test::ScriptedBuilder;
using test::ScriptedPlayer;
using test::commitEdit;
using test::waitFor;

// The caption line over the timeline, as the view writes it.
std::string caption(const StudioSession& s)
{
    return timelineCaption(s.editState().zoomRegions.size(), s.timeline().clickEvents.size());
}

// One generated recording for the suite; each test gets its own session over a scripted player
// and builder, saving into its own copy of the document file.
class StudioSessionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new media::test::TempFolder;
        recording = new test::GeneratedRecording(test::makeRecording(folder->path()));
    }
    static void TearDownTestSuite()
    {
        delete recording;
        delete folder;
    }

    StudioSession& makeSession(RecordingTimeline timeline = recording->timeline)
    {
        StudioSession::Options options;
        options.builder = builder.function();
        options.documentPath = documentPath;
        session = std::make_unique<StudioSession>(std::move(timeline), player, options);
        return *session;
    }

    // Opens the session and lets its first build land.
    StudioSession& openLoaded()
    {
        StudioSession& s = makeSession();
        s.open();
        builder.succeed(builder.count() - 1);
        EXPECT_TRUE(waitFor([&] { return s.playback().isLoaded(); }));
        return s;
    }

    RecordingTimeline savedDocument()
    {
        EXPECT_TRUE(session->flushSaves());
        return decodeRecordingTimeline(test::readFile(documentPath));
    }

    static inline media::test::TempFolder* folder = nullptr;
    static inline test::GeneratedRecording* recording = nullptr;
    media::test::TempFolder saveFolder;
    std::filesystem::path documentPath = saveFolder / "edited.tarnix.json";
    ScriptedPlayer player;
    ScriptedBuilder builder;
    std::unique_ptr<StudioSession> session;
};

TEST_F(StudioSessionTest, OpeningLoadsTheCompositionAndTheWaveforms)
{
    StudioSession& s = makeSession();
    QSignalSpy waveforms(&s.playback(), &StudioPlayback::waveformsChanged);
    s.open();
    EXPECT_FALSE(s.playback().canPlay()) << "playback stays off until the first build lands";
    builder.succeed(0);
    ASSERT_TRUE(waitFor([&] { return s.playback().isLoaded() && waveforms.count() == 2; }));

    EXPECT_EQ(player.items.size(), 1u);
    EXPECT_NEAR(s.playback().duration(), 3.0, 0.1);
    EXPECT_EQ(s.playback().naturalSize(), QSize(640, 360));
    EXPECT_TRUE(player.observers.time) << "the time observer drives the playhead";
    EXPECT_EQ(s.playback().systemAudioWaveform().size(), std::size_t(StudioPlayback::kWaveformBuckets));
    EXPECT_EQ(s.playback().microphoneWaveform().size(), std::size_t(StudioPlayback::kWaveformBuckets));
    EXPECT_EQ(caption(s), "2 zooms · 6 clicks detected");
    EXPECT_EQ(s.editState(), StudioEditState::fromDocument(recording->timeline));
}

TEST_F(StudioSessionTest, FailuresToOpenAreShownAndLeavePlaybackOff)
{
    RecordingTimeline noMovie = recording->timeline;
    noMovie.videoURL.reset();
    StudioSession& a = makeSession(noMovie);
    a.open();
    EXPECT_EQ(a.messages().errorMessage(), "No recording to open.");
    EXPECT_EQ(builder.count(), 0u);
    a.playback().togglePlayback();
    a.playback().step(5);
    EXPECT_EQ(player.plays, 0);
    EXPECT_TRUE(player.seeks.empty());
    EXPECT_FALSE(a.exporter().canExport());

    StudioSession& b = makeSession();
    QSignalSpy alerts(&b.messages(), &StudioMessages::errorMessageChanged);
    b.open();
    builder.fail(builder.count() - 1, "The screen movie is damaged.");
    ASSERT_TRUE(waitFor([&] { return alerts.count() == 1; }));
    EXPECT_EQ(b.messages().errorMessage(), "Couldn't load recording: The screen movie is damaged.");
    EXPECT_FALSE(b.playback().canPlay());
    EXPECT_TRUE(player.items.empty());
}

TEST_F(StudioSessionTest, ACommitRebuildsOnceAndKeepsThePlayhead)
{
    StudioSession& s = openLoaded();
    player.tick(1.25);
    commitEdit(s, [&](StudioEditState& e) {
        e.cursorOverlay = {false, 0.03, CursorStyle::dot, false};
    });
    ASSERT_EQ(builder.count(), 2u);
    EXPECT_FALSE(builder.inputs[1].cursorOverlay.isEnabled) << "the rebuild sees the edit";
    builder.succeed(1);
    ASSERT_TRUE(waitFor([&] { return s.playback().rebuildsApplied() == 1; }));
    EXPECT_EQ(player.items.size(), 2u);
    ASSERT_EQ(player.seeks.size(), 1u);
    EXPECT_DOUBLE_EQ(player.seeks[0], 1.25);
    EXPECT_FALSE(s.messages().errorMessage());
}

TEST_F(StudioSessionTest, ANewerRebuildSupersedesOneInFlightWithoutAnAlert)
{
    StudioSession& s = openLoaded();
    commitEdit(s, [&](StudioEditState& e) { e.background = {}; });
    commitEdit(s, [&](StudioEditState& e) {
        e.cursorOverlay = {false, 0.03, CursorStyle::ring, true};
    });
    ASSERT_EQ(builder.count(), 3u);
    EXPECT_TRUE(builder.isCanceled(1));
    builder.succeed(2);
    builder.fail(1, "late failure of the older build");
    ASSERT_TRUE(waitFor([&] { return s.playback().rebuildsApplied() == 1; }));
    test::processEvents(0.05);
    EXPECT_EQ(s.playback().rebuildsApplied(), 1);
    EXPECT_EQ(player.items.size(), 2u);
    EXPECT_FALSE(s.messages().errorMessage());
}

TEST_F(StudioSessionTest, AFailedRebuildKeepsThePreviousItemAndTheEdit)
{
    StudioSession& s = openLoaded();
    commitEdit(s, [&](StudioEditState& e) { e.systemAudio = {false}; });
    builder.fail(1, "No space left.");
    ASSERT_TRUE(waitFor([&] { return s.messages().errorMessage().has_value(); }));
    EXPECT_EQ(*s.messages().errorMessage(), "Couldn't refresh preview: No space left.");
    EXPECT_EQ(player.items.size(), 1u);
    EXPECT_FALSE(s.editState().systemAudio.isEnabled);
}

// 60 frames a second applies to recordings made at more than 30: the remembered choice builds the
// first preview at 60 there, a new choice rebuilds it, and a 30 fps recording keeps the choice
// for later without building anything.
TEST_F(StudioSessionTest, TheFrameRateChoiceAppliesWhereTheRecordingHasTheFrames)
{
    StudioSession& thirty = openLoaded();
    EXPECT_FALSE(thirty.playback().offersSmoothFrameRate());
    thirty.playback().setFrameRate(60);
    EXPECT_EQ(thirty.playback().frameRate(), 60);
    EXPECT_EQ(thirty.playback().effectiveFrameRate(), 30);
    EXPECT_EQ(builder.count(), 1u) << "nothing to rebuild: the preview stays at 30";

    media::test::TempFolder fast;
    const RecordingTimeline sixtyFps = test::makeRecording(fast.path(), 1.0, 320, 180, 60).timeline;
    player.items.clear();
    StudioSession::Options options;
    options.builder = builder.function();
    options.exportFrameRate = 60;
    session = std::make_unique<StudioSession>(sixtyFps, player, options);
    StudioSession& s = *session;
    s.open();
    ASSERT_EQ(builder.count(), 2u);
    EXPECT_EQ(builder.frameRates[1], 60);
    builder.succeed(1);
    ASSERT_TRUE(waitFor([&] { return s.playback().isLoaded(); }));
    EXPECT_TRUE(s.playback().offersSmoothFrameRate());
    EXPECT_EQ(s.playback().effectiveFrameRate(), 60);
    ASSERT_EQ(player.items.size(), 1u);
    EXPECT_DOUBLE_EQ(player.items[0].videoComposition.frameDuration(), 1.0 / 60);

    player.tick(0.5);
    s.playback().setFrameRate(30);
    ASSERT_EQ(builder.count(), 3u);
    EXPECT_EQ(builder.frameRates[2], 30);
    builder.succeed(2);
    ASSERT_TRUE(waitFor([&] { return s.playback().rebuildsApplied() == 1; }));
    EXPECT_DOUBLE_EQ(player.items.back().videoComposition.frameDuration(), 1.0 / 30);
    EXPECT_DOUBLE_EQ(player.seeks.back(), 0.5) << "the playhead stays where it was";
    EXPECT_EQ(s.editState(), StudioEditState::fromDocument(sixtyFps)) << "not an edit";
    EXPECT_FALSE(s.canUndo());
}

TEST_F(StudioSessionTest, AnEditDuringTheFirstBuildIsBuiltAfterIt)
{
    StudioSession& s = makeSession();
    s.open();
    s.removeAllZoomRegions();
    builder.succeed(0);
    ASSERT_TRUE(waitFor([&] { return builder.count() == 2; }));
    EXPECT_TRUE(builder.inputs[1].zoomRegions.empty());
}

TEST_F(StudioSessionTest, DeleteRemovesTheZoomSelectionBeforeTheBlurOne)
{
    StudioSession& s = openLoaded();
    const Uuid zoom = s.editState().zoomRegions[1].id;
    const Uuid blur = s.editState().redactRegions[0].id;
    EXPECT_FALSE(s.deleteSelection()) << "no selection: the key belongs to someone else";

    s.selection().setRegionID(zoom);
    s.selection().setRedactID(blur);
    EXPECT_TRUE(s.deleteSelection());
    EXPECT_EQ(s.editState().zoomRegions.size(), 1u);
    EXPECT_EQ(s.editState().redactRegions.size(), 1u);
    EXPECT_FALSE(s.selection().regionID());

    EXPECT_TRUE(s.deleteSelection());
    EXPECT_TRUE(s.editState().redactRegions.empty());
    EXPECT_FALSE(s.selection().redactID());
    EXPECT_FALSE(s.deleteSelection());
    EXPECT_EQ(builder.count(), 3u) << "each deletion rebuilds once";

    // A zoom selection whose region is gone falls through to the blur selection.
    StudioSession& t = openLoaded();
    t.selection().setRegionID(Uuid::random());
    t.selection().setRedactID(t.editState().redactRegions[0].id);
    EXPECT_TRUE(t.deleteSelection());
    EXPECT_EQ(t.editState().zoomRegions.size(), 2u);
    EXPECT_TRUE(t.editState().redactRegions.empty());
}

TEST_F(StudioSessionTest, RemoveAllKeepsBlurRegionsAndIsOffWithoutZooms)
{
    StudioSession& s = openLoaded();
    s.selection().setRegionID(s.editState().zoomRegions[0].id);
    EXPECT_TRUE(s.canRemoveAllZoomRegions());
    s.removeAllZoomRegions();
    EXPECT_TRUE(s.editState().zoomRegions.empty());
    EXPECT_EQ(s.editState().redactRegions.size(), 1u);
    EXPECT_FALSE(s.selection().regionID());
    EXPECT_FALSE(s.canRemoveAllZoomRegions());
    EXPECT_EQ(caption(s), "0 zooms · 6 clicks detected");
}

TEST_F(StudioSessionTest, NewRegionsAreSelectedAndOpenTheirPanels)
{
    StudioSession& s = openLoaded();
    s.createRegion(0.5, 1.5);
    ASSERT_EQ(s.editState().zoomRegions.size(), 3u);
    const ZoomRegion& zoom = s.editState().zoomRegions.back();
    EXPECT_EQ(s.selection().regionID(), zoom.id);
    EXPECT_EQ(s.selection().tab(), StudioTab::zoom);
    EXPECT_EQ(zoom.easing, EasingCurve::easeInOut);
    EXPECT_NEAR(zoom.rect.width, 1 / 1.7, 1e-9);
    EXPECT_EQ(caption(s), "3 zooms · 6 clicks detected");

    s.createRedactRegion(1.0, 2.0);
    const RedactRegion& blur = s.editState().redactRegions.back();
    EXPECT_EQ(blur.rect, (Rect{0.38, 0.44, 0.24, 0.12}));
    EXPECT_EQ(s.selection().tab(), StudioTab::redact);
    EXPECT_TRUE(s.selection().showsRedactHandle());
    EXPECT_FALSE(s.selection().showsCameraHandle());
    s.selection().setTab(StudioTab::camera);
    EXPECT_TRUE(s.selection().showsCameraHandle());
}

TEST_F(StudioSessionTest, TextBoxesAreMadeSelectedDeletedAndUndoneThroughTheOneCommitPath)
{
    StudioSession& s = openLoaded();
    s.createTextRegion(1.0, 2.5);
    ASSERT_EQ(s.editState().textRegions.size(), 1u);
    const TextRegion made = s.editState().textRegions[0];
    EXPECT_EQ(made.text, "Text");
    EXPECT_EQ(s.selection().textID(), made.id);
    EXPECT_EQ(s.selection().tab(), StudioTab::text);
    EXPECT_TRUE(s.selection().showsTextHandle());
    EXPECT_EQ(savedDocument().textRegions, s.editState().textRegions);

    StudioEditState edited = s.editState();
    edited.textRegions[0].text = "Öffnen → 保存";
    s.setLiveEditState(edited);
    s.commit();
    EXPECT_EQ(savedDocument().textRegions[0].text, "Öffnen → 保存");

    EXPECT_TRUE(s.deleteSelection());
    EXPECT_TRUE(s.editState().textRegions.empty());
    EXPECT_FALSE(s.selection().textID());
    EXPECT_EQ(s.editState().zoomRegions.size(), 2u) << "the zooms were not selected";
    s.undo();
    ASSERT_EQ(savedDocument().textRegions.size(), 1u);
    EXPECT_EQ(savedDocument().textRegions[0].text, "Öffnen → 保存");
    s.undo();
    EXPECT_EQ(savedDocument().textRegions[0].text, "Text");
    s.undo();
    EXPECT_TRUE(savedDocument().textRegions.empty());
    EXPECT_FALSE(s.selection().textID()) << "the box is gone, and its selection with it";
}

TEST_F(StudioSessionTest, TheCameraHandleNeedsACameraFile)
{
    RecordingTimeline noCamera = recording->timeline;
    noCamera.cameraURL.reset();
    StudioSession& s = makeSession(noCamera);
    s.selection().setTab(StudioTab::camera);
    EXPECT_TRUE(s.editState().cameraOverlay.isEnabled);
    EXPECT_FALSE(s.selection().showsCameraHandle());
}

TEST_F(StudioSessionTest, TransportPlaysStepsAndStopsAtTheEnd)
{
    StudioSession& s = openLoaded();
    const double end = s.playback().duration();
    s.playback().togglePlayback();
    EXPECT_TRUE(s.playback().isPlaying());
    EXPECT_EQ(player.plays, 1);
    player.tick(end - 0.04);
    EXPECT_FALSE(s.playback().isPlaying()) << "within 0.05 s of the end the transport stops";

    player.tick(end);
    s.playback().togglePlayback();
    EXPECT_EQ(player.seeks.back(), 0.0) << "Play at the end starts again from 0";
    EXPECT_EQ(s.playback().currentTime(), 0.0);
    s.playback().togglePlayback();
    EXPECT_EQ(player.pauses, 1);

    s.playback().seek(2.9);
    s.playback().step(5);
    EXPECT_DOUBLE_EQ(s.playback().currentTime(), end);
    s.playback().seek(3.0 - 2.9);
    s.playback().step(-5);
    EXPECT_DOUBLE_EQ(s.playback().currentTime(), 0.0);
    EXPECT_FALSE(s.playback().isPlaying()) << "stepping leaves the transport state alone";
}

TEST_F(StudioSessionTest, LiveEditsCommitAsOneStep)
{
    StudioSession& s = openLoaded();
    QSignalSpy history(&s, &StudioSession::historyChanged);
    StudioEditState state = s.editState();
    for (double size : {0.25, 0.3, 0.35}) {
        state.cameraOverlay.sizeFraction = size;
        s.setLiveEditState(state);
    }
    EXPECT_EQ(builder.count(), 1u) << "a gesture in progress rebuilds nothing";
    EXPECT_FALSE(s.canUndo());
    s.commit();
    EXPECT_EQ(builder.count(), 2u);
    EXPECT_TRUE(s.canUndo());
    s.commit();
    EXPECT_EQ(history.count(), 1) << "a commit that changes nothing adds no step";
    s.undo();
    EXPECT_DOUBLE_EQ(s.editState().cameraOverlay.sizeFraction, 0.22);
}

TEST_F(StudioSessionTest, TypingShowsInThePreviewAndCommitsAsOneStep)
{
    StudioSession& s = openLoaded();
    s.createTextRegion(0.5, 2.0);
    builder.succeed(1);
    ASSERT_TRUE(waitFor([&] { return s.playback().rebuildsApplied() == 1; }));
    const RecordingTimeline before = savedDocument();
    QSignalSpy history(&s, &StudioSession::historyChanged);
    auto type = [&](const std::string& text) {
        StudioEditState next = s.editState();
        next.textRegions[0].text = text;
        s.setLiveEditState(next);
        s.previewLiveEditState();
    };

    type("H");
    ASSERT_EQ(builder.count(), 3u) << "the first key is built at once";
    EXPECT_EQ(builder.inputs[2].textRegions[0].text, "H");
    type("Hi");
    type("Hi!");
    EXPECT_EQ(builder.count(), 3u) << "keys typed meanwhile wait for the build in flight";
    EXPECT_FALSE(builder.isCanceled(2)) << "steady typing must not starve the preview";
    builder.succeed(2);
    ASSERT_TRUE(waitFor([&] { return builder.count() == 4u; }));
    EXPECT_EQ(s.playback().rebuildsApplied(), 2);
    EXPECT_EQ(builder.inputs[3].textRegions[0].text, "Hi!") << "then the newest text, once";
    EXPECT_EQ(history.count(), 0);
    EXPECT_FALSE(s.canRedo());
    EXPECT_EQ(savedDocument().textRegions, before.textRegions) << "nothing is saved while typing";

    s.commit(); // the field is left
    EXPECT_TRUE(builder.isCanceled(3)) << "the commit's build takes over";
    ASSERT_EQ(builder.count(), 5u);
    builder.succeed(4);
    builder.succeed(3);
    ASSERT_TRUE(waitFor([&] { return s.playback().rebuildsApplied() == 3; }));
    test::processEvents(0.05);
    EXPECT_EQ(builder.count(), 5u) << "nothing waits after the commit";
    EXPECT_EQ(history.count(), 1);
    EXPECT_EQ(savedDocument().textRegions[0].text, "Hi!");
    s.undo();
    EXPECT_EQ(s.editState().textRegions[0].text, "Text") << "the whole typing is one step";
}

TEST_F(StudioSessionTest, UndoAndRedoWalkThreeEditsAndTheFileFollows)
{
    StudioSession& s = openLoaded();
    const StudioEditState original = s.editState();
    BackgroundSettings solid;
    solid.style = BackgroundStyle::solid;
    commitEdit(s, [&](StudioEditState& e) { e.background = solid; });
    s.removeAllZoomRegions();
    commitEdit(s, [&](StudioEditState& e) { e.redactRegions = {}; });
    const StudioEditState last = s.editState();
    EXPECT_TRUE(savedDocument().zoomRegions.empty());
    EXPECT_TRUE(savedDocument().redactRegions.empty());

    s.undo();
    EXPECT_EQ(savedDocument().redactRegions, original.redactRegions);
    EXPECT_TRUE(savedDocument().zoomRegions.empty());
    s.undo();
    s.undo();
    EXPECT_FALSE(s.canUndo());
    EXPECT_EQ(s.editState(), original);
    EXPECT_EQ(StudioEditState::fromDocument(savedDocument()), original);

    s.redo();
    s.redo();
    s.redo();
    EXPECT_FALSE(s.canRedo());
    EXPECT_EQ(s.editState(), last);
    EXPECT_EQ(StudioEditState::fromDocument(savedDocument()), last);
    EXPECT_EQ(savedDocument().clickEvents, recording->timeline.clickEvents)
        << "everything but the edits is saved as it was";

    // A new edit after undoing drops the redo branch.
    s.undo();
    commitEdit(s, [&](StudioEditState& e) { e.systemAudio = {false}; });
    EXPECT_FALSE(s.canRedo());
}

TEST_F(StudioSessionTest, CanvasAspectAndCursorSmoothingReachThePreviewTheFileAndUndo)
{
    StudioSession& s = openLoaded();
    const StudioEditState original = s.editState();
    const QRectF sourceContent = s.playback().contentFrame();
    EXPECT_NEAR(sourceContent.center().x(), 0.5, 1e-3);
    commitEdit(s, [&](StudioEditState& e) {
        e.background = withCanvasAspect(original.background, CanvasAspect::tall9x16);
    });
    CursorOverlaySettings smooth = original.cursorOverlay;
    smooth.smoothsMovement = true;
    smooth.smoothingStrength = 0.8;
    commitEdit(s, [&](StudioEditState& e) { e.cursorOverlay = smooth; });

    ASSERT_GE(builder.count(), 3u);
    QSignalSpy reshaped(&s.playback(), &StudioPlayback::naturalSizeChanged);
    builder.succeed(builder.count() - 1);
    ASSERT_TRUE(waitFor([&] { return s.playback().rebuildsApplied() > 0; }));
    const QSize canvas = player.items.back().videoComposition.renderSize;
    EXPECT_NEAR(double(canvas.width()) / canvas.height(), 9.0 / 16, 0.01) << "the preview is tall";
    EXPECT_EQ(canvas.width(), 360) << "the short side is the recording's short side";
    EXPECT_EQ(s.playback().naturalSize(), canvas) << "the preview area takes the canvas's shape";
    EXPECT_EQ(reshaped.count(), 1);
    // The camera is placed in the recording-shaped band across the middle of the tall canvas.
    const QRectF band = s.playback().cameraFrame();
    EXPECT_NEAR(band.width(), 1, 1e-9);
    EXPECT_NEAR(band.height(), (360 * 9.0 / 16) / 640, 1e-3);
    EXPECT_NEAR(band.center().y(), 0.5, 1e-3);
    // Blur boxes are placed on the screen content: inside the padding, within that band.
    const QRectF content = s.playback().contentFrame();
    EXPECT_TRUE(band.contains(content));
    EXPECT_LT(content.width(), 0.95);
    EXPECT_NEAR(content.width() * 360 / (content.height() * 640), 640.0 / 360, 0.02)
        << "the content keeps the recording's shape";
    EXPECT_NEAR(content.center().x(), 0.5, 1e-3);
    EXPECT_NEAR(content.center().y(), 0.5, 1e-3);

    RecordingTimeline saved = savedDocument();
    EXPECT_EQ(saved.background.aspect, CanvasAspect::tall9x16);
    EXPECT_TRUE(saved.cursorOverlay.smoothsMovement);
    EXPECT_DOUBLE_EQ(saved.cursorOverlay.smoothingStrength, 0.8);

    s.undo();
    s.undo();
    saved = savedDocument();
    EXPECT_EQ(saved.background.aspect, CanvasAspect::source);
    EXPECT_FALSE(saved.cursorOverlay.smoothsMovement);
    EXPECT_EQ(s.editState(), original);
    builder.succeed(builder.count() - 1);
    ASSERT_TRUE(waitFor([&] { return s.playback().naturalSize() == QSize(640, 360); }));
    EXPECT_EQ(s.playback().cameraFrame(), QRectF(0, 0, 1, 1));
    EXPECT_EQ(s.playback().contentFrame(), sourceContent);
}

TEST_F(StudioSessionTest, UndoDropsASelectionWhoseRegionIsGone)
{
    StudioSession& s = openLoaded();
    s.createRegion(0.1, 0.4);
    EXPECT_TRUE(s.selection().regionID());
    s.undo();
    EXPECT_FALSE(s.selection().regionID());
    EXPECT_EQ(s.editState().zoomRegions.size(), 2u);
}

TEST_F(StudioSessionTest, ASaveThatFailsIsShown)
{
    StudioSession::Options options;
    options.builder = builder.function();
    options.documentPath = saveFolder / "missing-folder" / "doc.tarnix.json";
    StudioSession s(recording->timeline, player, options);
    commitEdit(s, [&](StudioEditState& e) { e.systemAudio = {false}; });
    ASSERT_TRUE(waitFor([&] { return s.messages().errorMessage().has_value(); }));
    EXPECT_TRUE(s.messages().errorMessage()->startsWith("Couldn't save the recording's document"))
        << s.messages().errorMessage()->toStdString();
}

TEST_F(StudioSessionTest, CutsPlayAsTheMovieWhileThePlayheadStaysInRecordingTime)
{
    StudioSession& s = openLoaded();
    player.tick(2.5);
    ASSERT_TRUE(commitEdit(s, [&](StudioEditState& e) { e.cutRegions = {{Uuid::random(), 1, 2}}; }));
    ASSERT_EQ(builder.count(), 2u);
    EXPECT_EQ(builder.inputs[1].cutRegions.size(), 1u) << "the rebuild plays the cut";
    builder.succeed(1);
    ASSERT_TRUE(waitFor([&] { return s.playback().rebuildsApplied() == 1; }));
    EXPECT_NEAR(player.seeks.back(), 1.5, 1e-9) << "the new movie shows the same moment";
    EXPECT_NEAR(s.playback().currentTime(), 2.5, 1e-9);
    EXPECT_NEAR(s.playback().duration(), 3.0, 0.1) << "the timeline keeps the whole recording";
    EXPECT_NEAR(s.playback().movieDuration(), 2.0, 0.1) << "the transport counts what will be watched";
    EXPECT_NEAR(s.playback().movieTime(), 1.5, 1e-9);

    // A seek into the cut shows the frame after it and leaves the playhead where it was put.
    s.playback().seek(1.4);
    EXPECT_NEAR(player.seeks.back(), 1.0, 1e-9);
    player.tick(1.0);
    EXPECT_NEAR(s.playback().currentTime(), 1.4, 1e-9);
    // ... also across a rebuild for another edit.
    commitEdit(s, [&](StudioEditState& e) {
        e.cursorOverlay = {false, 0.03, CursorStyle::dot, false};
    });
    builder.succeed(2);
    ASSERT_TRUE(waitFor([&] { return s.playback().rebuildsApplied() == 2; }));
    EXPECT_NEAR(player.seeks.back(), 1.0, 1e-9);
    player.tick(1.0);
    EXPECT_NEAR(s.playback().currentTime(), 1.4, 1e-9);

    // Playing, the playhead jumps over the cut; the end of the movie stops it.
    s.playback().seek(0.9);
    s.playback().togglePlayback();
    player.tick(1.2);
    EXPECT_NEAR(s.playback().currentTime(), 2.2, 1e-6);
    player.tick(player.items.back().composition->duration());
    EXPECT_FALSE(s.playback().isPlaying());
    s.playback().step(-0.5);
    EXPECT_NEAR(s.playback().movieTime(), s.playback().movieDuration() - 0.5, 0.05) << "steps count movie time";

    EXPECT_EQ(savedDocument().cutRegions, s.editState().cutRegions);
}

TEST_F(StudioSessionTest, ACutOfEverythingIsRefusedAndUndoRestoresACut)
{
    StudioSession& s = openLoaded();
    QSignalSpy notices(&s.messages(), &StudioMessages::editNoticeChanged);
    ASSERT_TRUE(commitEdit(s, [&](StudioEditState& e) { e.cutRegions = {{Uuid::random(), 0, 1}}; }));
    EXPECT_FALSE(commitEdit(s, [&](StudioEditState& e) {
        e.cutRegions = {{Uuid::random(), 0, 1}, {Uuid::random(), 0.5, 10}};
    }));
    EXPECT_EQ(s.messages().editNotice(), QString::fromUtf8(kEverythingCutMessage.data()));
    EXPECT_EQ(s.editState().cutRegions.size(), 1u) << "the refused cut changes nothing";
    EXPECT_EQ(builder.count(), 2u) << "nothing to rebuild";
    EXPECT_FALSE(s.messages().errorMessage()) << "a refusal is not a failure";

    Uuid id = s.editState().cutRegions[0].id;
    s.selection().setCutID(id);
    EXPECT_TRUE(s.deleteSelection());
    EXPECT_TRUE(s.editState().cutRegions.empty());
    EXPECT_FALSE(s.messages().editNotice()) << "the next edit clears the notice";
    EXPECT_EQ(notices.count(), 2);
    EXPECT_FALSE(s.selection().cutID());

    s.undo();
    ASSERT_EQ(s.editState().cutRegions.size(), 1u);
    EXPECT_EQ(s.editState().cutRegions[0].id, id);
    EXPECT_EQ(savedDocument().cutRegions.size(), 1u);
    s.undo();
    EXPECT_TRUE(s.editState().cutRegions.empty());
    EXPECT_FALSE(s.restoreSelectedCut());
}

} // namespace
} // namespace tarnix
