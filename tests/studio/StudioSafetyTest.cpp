#include <gtest/gtest.h>

#include <QSignalSpy>

#include <fstream>

#include "StudioTestSupport.h"
#include "document/CutRegions.h"
#include "document/DocumentCoding.h"
#include "studio/OpenRecording.h"
#include "studio/StudioExporter.h"
#include "studio/StudioSession.h"
#include "ui/AppAlert.h"

// What the Studio must not lose or hide: a document changed by another Studio or another program,
// a screen movie cut short, a document whose cuts cover everything. Real builds of a generated
// recording and real document files; the player is scripted.

namespace tarnix {
namespace {

using test::commitEdit;
using test::waitFor;

class StudioSafetyTest : public ::testing::Test {
protected:
    void SetUp() override { recording = test::makeRecording(folder.path(), 4.0, 320, 180); }

    std::unique_ptr<StudioSession> openSession(test::ScriptedPlayer& player,
                                               RecordingTimeline timeline)
    {
        StudioSession::Options options;
        options.documentPath = recording.documentPath;
        auto session = std::make_unique<StudioSession>(std::move(timeline), player, options);
        session->open();
        EXPECT_TRUE(waitFor([&] { return session->playback().isLoaded() || session->messages().errorMessage(); }, 60));
        return session;
    }
    std::unique_ptr<StudioSession> openSession(test::ScriptedPlayer& player)
    {
        return openSession(player, recording.timeline);
    }

    RecordingTimeline onDisk() { return decodeRecordingTimeline(test::readFile(recording.documentPath)); }

    void writeAsAnotherProgram(const RecordingTimeline& document)
    {
        std::ofstream(recording.documentPath, std::ios::trunc) << encodeRecordingTimeline(document);
    }

    media::test::TempFolder folder;
    test::GeneratedRecording recording;
    test::ScriptedPlayer playerA, playerB;
};

TEST_F(StudioSafetyTest, TwoStudiosOnOneFileAskBeforeSavingOverEachOther)
{
    auto a = openSession(playerA);
    auto b = openSession(playerB);
    EXPECT_TRUE(b->documentShared()) << "the later Studio knows at once";
    EXPECT_TRUE(b->messages().editNotice() && b->messages().editNotice()->contains("also open in another Studio window"));
    ASSERT_TRUE(waitFor([&] { return a->documentShared(); })) << "the first learns of it";

    // A saves; B is asked, A (whose own save it was) is not.
    a->removeAllZoomRegions();
    ASSERT_TRUE(a->flushSaves());
    ASSERT_TRUE(waitFor([&] { return b->hasOutsideChange(); }));
    EXPECT_EQ(b->outsideChangeMessage(), "Another Studio window saved changes to this recording.");
    EXPECT_FALSE(a->hasOutsideChange());

    // B's edit waits instead of replacing A's.
    commitEdit(*b, [&](StudioEditState& e) { e.redactRegions = {}; });
    EXPECT_FALSE(b->flushSaves(200)) << "nothing is written while the question is open";
    EXPECT_TRUE(onDisk().zoomRegions.empty());
    EXPECT_EQ(onDisk().redactRegions.size(), 1u);

    // "Reload": B shows A's edit; its own is one undo away.
    b->reloadDocument();
    ASSERT_TRUE(waitFor([&] { return !b->hasOutsideChange(); }));
    EXPECT_TRUE(b->editState().zoomRegions.empty());
    EXPECT_EQ(b->editState().redactRegions.size(), 1u);
    b->undo();
    EXPECT_TRUE(b->editState().redactRegions.empty());

    // Undoing is an edit, saved like any: now A is asked, and "Keep mine" writes A's state over
    // B's.
    ASSERT_TRUE(b->flushSaves());
    EXPECT_TRUE(onDisk().redactRegions.empty());
    ASSERT_TRUE(waitFor([&] { return a->hasOutsideChange(); }));
    EXPECT_FALSE(b->hasOutsideChange());
    a->keepMine();
    ASSERT_TRUE(a->flushSaves());
    EXPECT_EQ(onDisk().redactRegions.size(), 1u) << "A's blur region is back in the file";
    EXPECT_TRUE(waitFor([&] { return b->hasOutsideChange(); }));
    EXPECT_FALSE(a->hasOutsideChange());
    EXPECT_FALSE(a->messages().errorMessage());
    EXPECT_FALSE(b->messages().errorMessage());
}

TEST_F(StudioSafetyTest, AnotherProgramsChangeIsAskedAboutButATouchIsNot)
{
    auto s = openSession(playerA);
    EXPECT_FALSE(s->documentShared());

    // Only the time changes: the content is the same, nothing to ask.
    std::filesystem::last_write_time(recording.documentPath,
                                     std::filesystem::last_write_time(recording.documentPath) +
                                         std::chrono::seconds(5));
    s->removeAllZoomRegions();
    ASSERT_TRUE(s->flushSaves());
    EXPECT_TRUE(onDisk().zoomRegions.empty());
    EXPECT_FALSE(s->hasOutsideChange());

    RecordingTimeline other = onDisk();
    other.redactRegions.clear();
    writeAsAnotherProgram(other);
    ASSERT_TRUE(waitFor([&] { return s->hasOutsideChange(); }));
    EXPECT_EQ(s->outsideChangeMessage(), "This recording's file was changed by another program.");

    // A reload that can't be read keeps the question open and says why.
    std::ofstream(recording.documentPath, std::ios::trunc) << "{ not json";
    s->reloadDocument();
    ASSERT_TRUE(waitFor([&] { return s->messages().errorMessage().has_value(); }));
    EXPECT_TRUE(s->messages().errorMessage()->contains("not a Tarnix recording document"));
    EXPECT_TRUE(s->hasOutsideChange());
    s->keepMine();
    ASSERT_TRUE(s->flushSaves());
    EXPECT_EQ(onDisk().redactRegions.size(), 1u) << "the Studio's own state replaced the damage";
}

TEST_F(StudioSafetyTest, ACutShortScreenMovieIsToldAndTheExportEndsWithIt)
{
    // With its index in front (as a copy made for sharing has it), then cut in half.
    const auto movie = *recording.timeline.videoURL;
    const auto indexed = folder / "indexed.mp4";
    ASSERT_TRUE(media::test::runFfmpeg("-i \"" + movie.string() +
                                       "\" -c copy -movflags +faststart \"" + indexed.string() + "\""));
    std::filesystem::rename(indexed, movie);
    std::filesystem::resize_file(movie, std::filesystem::file_size(movie) / 2);
    auto s = openSession(playerA);
    ASSERT_TRUE(s->playback().isLoaded()) << s->messages().errorMessage().value_or("").toStdString();
    ASSERT_TRUE(s->messages().editNotice());
    EXPECT_TRUE(s->messages().editNotice()->startsWith("The screen movie ends at ")) << s->messages().editNotice()->toStdString();
    EXPECT_TRUE(s->messages().editNotice()->contains("of its 4.0 s")) << s->messages().editNotice()->toStdString();
    const double end = s->playback().duration();
    EXPECT_GT(end, 0.5);
    EXPECT_LT(end, 3.9) << "the timeline ends where the pictures do";

    s->exporter().start();
    ASSERT_TRUE(waitFor([&] { return !s->exporter().isExporting(); }, 120));
    ASSERT_TRUE(s->exporter().exportedURL()) << s->messages().errorMessage().value_or("").toStdString();
    const auto probe = media::test::probe(*s->exporter().exportedURL());
    EXPECT_NEAR(probe.videoDuration, end, 0.15) << "no frozen picture after the movie's end";
}

TEST_F(StudioSafetyTest, ADocumentCutEverywhereOpensWithItsCutsRestorable)
{
    RecordingTimeline allCut = recording.timeline;
    allCut.cutRegions = {{Uuid::random(), 0, 2.5}, {Uuid::random(), 2.5, 10}};
    auto s = openSession(playerA, allCut);
    ASSERT_TRUE(s->playback().isLoaded()) << s->messages().errorMessage().value_or("").toStdString();
    EXPECT_FALSE(s->messages().errorMessage());
    EXPECT_NEAR(s->playback().duration(), 4.0, 0.1) << "the whole recording is in view";
    EXPECT_EQ(s->editState().cutRegions.size(), 2u);
    EXPECT_TRUE(s->playback().everythingCut());
    EXPECT_FALSE(s->playback().canPlay());
    EXPECT_FALSE(s->exporter().canExport());
    EXPECT_TRUE(s->messages().editNotice() && s->messages().editNotice()->contains("restore a cut"));
    s->playback().togglePlayback();
    EXPECT_FALSE(s->playback().isPlaying());

    s->selection().setCutID(s->editState().cutRegions[1].id);
    ASSERT_TRUE(s->restoreSelectedCut());
    ASSERT_TRUE(waitFor([&] { return s->playback().rebuildsApplied() == 1; }, 60));
    EXPECT_FALSE(s->messages().errorMessage());
    EXPECT_TRUE(s->playback().canPlay());
    EXPECT_TRUE(s->exporter().canExport());
    EXPECT_NEAR(s->playback().movieDuration(), 1.5, 0.05);

    // Undoing back to nothing kept shows the whole recording again, without an alert.
    s->undo();
    ASSERT_TRUE(waitFor([&] { return s->playback().rebuildsApplied() == 2; }, 60));
    EXPECT_FALSE(s->messages().errorMessage());
    EXPECT_FALSE(s->playback().canPlay());
}

TEST_F(StudioSafetyTest, OpeningReadsTheDocumentOnAWorkerAndSaysWhyOneCantOpen)
{
    std::vector<AppAlert::Request> alerts;
    auto previous = AppAlert::setPresenter([&](const AppAlert::Request& request) {
        alerts.push_back(request);
        return 0;
    });
    std::optional<std::optional<OpenRecording::Opened>> result;
    QObject context;
    OpenRecording::openFileAsync(recording.documentPath, &context,
                                 [&](std::optional<OpenRecording::Opened> opened) { result = opened; });
    EXPECT_FALSE(result) << "the answer comes later, from the event loop";
    ASSERT_TRUE(waitFor([&] { return result.has_value(); }));
    ASSERT_TRUE(*result);
    EXPECT_EQ((*result)->timeline, onDisk());
    EXPECT_EQ((*result)->documentPath, recording.documentPath);

    std::ofstream(recording.documentPath, std::ios::trunc) << "[]";
    result.reset();
    OpenRecording::openFileAsync(recording.documentPath, &context,
                                 [&](std::optional<OpenRecording::Opened> opened) { result = opened; });
    ASSERT_TRUE(waitFor([&] { return result.has_value(); }));
    EXPECT_FALSE(*result);
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_TRUE(alerts[0].message.contains("not a Tarnix recording document"))
        << alerts[0].message.toStdString();
    AppAlert::setPresenter(previous);
}

} // namespace
} // namespace tarnix
