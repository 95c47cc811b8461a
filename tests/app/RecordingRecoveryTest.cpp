#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/DocumentFiles.h"
#include "app/RecordingJournal.h"
#include "app/RecordingRecovery.h"
#include "document/DocumentCoding.h"
#include "media/MediaAsset.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;
namespace fs = std::filesystem;

namespace {

// A recording's details as the session hands them to the journal: started at 100 s, the first
// frame 0.5 s after the trackers started.
TimelineAssembly::Inputs recordingAt(const fs::path& movie)
{
    TimelineAssembly::Inputs in;
    in.videoURL = movie;
    in.startedAt = Date{100};
    in.captureFrame = {0, 0, 1920, 1080};
    in.cursorStart = Date{100};
    in.focusStart = Date{100};
    return in;
}

std::vector<CursorSample> cursorPath(int count, double every)
{
    std::vector<CursorSample> samples;
    for (int i = 0; i < count; ++i)
        samples.push_back({Uuid::random(), i * every, {100.0 + i, 200.0}});
    return samples;
}

void appendText(const fs::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary | std::ios::app) << text;
}

std::string describeFailure(const fs::path& journal)
{
    try {
        RecordingRecovery::recover(journal);
    } catch (const RecordingRecovery::RecoveryError& error) {
        return error.what();
    }
    return "recovered";
}

class RecordingRecoveryTest : public ::testing::Test {
protected:
    test::TemporaryFolder folder;
    fs::path movie = folder / "Tarnix-2026-12-05T14-03-07Z.mp4";
};

} // namespace

TEST_F(RecordingRecoveryTest, TheJournalReadsBackWhatWasAppendedInBatchesAndDropsATornLine)
{
    TimelineAssembly::Inputs recording = recordingAt(movie);
    recording.cameraURL = folder / "Tarnix-camera-2026-12-05T14-03-07Z.mov";
    const auto path = cursorPath(5, 0.1);
    const std::vector<ClickEvent> clicks{{Uuid::random(), 0.7, {5, 6}, ClickKind::rightDown}};
    const std::vector<FocusedElementSample> focus{{Uuid::random(), 0.3, {1, 2, 30, 40}}};
    const std::vector<CaptureFrameSample> frames{{Uuid::random(), 0, {10, 20, 400, 300}},
                                                 {Uuid::random(), 1.25, {600, 400, 720, 300}}};
    fs::path journalPath;
    {
        RecordingJournal journal(recording);
        journalPath = journal.path();
        EXPECT_EQ(journalPath.filename(), ".Tarnix-2026-12-05T14-03-07Z.tarnix-journal");
        std::vector<CursorSample> growing(path.begin(), path.begin() + 2);
        journal.appendNew(growing);
        journal.noteFirstFrame(Date{100.5});
        growing = path;
        journal.appendNew(growing); // only the three new ones
        journal.appendNew(clicks);
        journal.appendNew(focus);
        journal.appendNew(frames);
        journal.noteSystemAudio();
        journal.noteSystemAudio();
        journal.close();
        EXPECT_FALSE(journal.writeFailure());
    }
    appendText(journalPath, R"({"cursor":{"id":"8E)"); // what a kill in mid-write leaves

    const JournalContents read = readJournal(test::readFile(journalPath));
    ASSERT_TRUE(read.hasRecording);
    EXPECT_EQ(read.skippedLines, 1u);
    EXPECT_EQ(read.inputs.videoURL, movie);
    EXPECT_EQ(read.inputs.cameraURL, recording.cameraURL);
    EXPECT_FALSE(read.inputs.microphoneURL);
    EXPECT_EQ(read.inputs.captureFrame, recording.captureFrame);
    EXPECT_EQ(read.inputs.cursorStart, recording.cursorStart);
    EXPECT_EQ(read.inputs.firstFrame, Date{100.5});
    EXPECT_TRUE(read.inputs.hasSystemAudio);
    EXPECT_EQ(read.inputs.cursorSamples, path);
    EXPECT_EQ(read.inputs.clickEvents, clicks);
    EXPECT_EQ(read.inputs.focusedElementSamples, focus);
    EXPECT_EQ(read.inputs.followedFrames, frames);

    // Garbage in the middle (a power cut's zeros) costs only its own line.
    const JournalContents damaged = readJournal(std::string("\0\0\0\n", 4) + test::readFile(journalPath));
    EXPECT_EQ(damaged.skippedLines, 2u);
    EXPECT_EQ(damaged.inputs.cursorSamples.size(), path.size());
}

TEST_F(RecordingRecoveryTest, AJournalIsOfferedOnlyWhenItsRecordingIsNeitherRunningNorSaved)
{
    std::optional<RecordingJournal> journal(recordingAt(movie));
    // A running recording, in this process or another, holds the journal's lock.
    EXPECT_TRUE(RecordingRecovery::findInterrupted(folder.path()).empty());
    journal->close();
    EXPECT_EQ(RecordingRecovery::findInterrupted(folder.path()), std::vector{journal->path()});
    EXPECT_EQ(RecordingRecovery::movieName(journal->path()), movie.filename().string());

    DocumentFiles::writeNew(RecordingTimeline{}, DocumentFiles::documentPath(movie));
    EXPECT_TRUE(RecordingRecovery::findInterrupted(folder.path()).empty());
    EXPECT_TRUE(RecordingRecovery::findInterrupted(folder / "no-such-folder").empty());
}

TEST_F(RecordingRecoveryTest, RecoveryKeepsTheSamplesTheMovieHoldsZoomsAndRemovesTheJournal)
{
    media::test::makeMovie(movie, 2.0, 160, 120, false);
    fs::path journalPath;
    {
        TimelineAssembly::Inputs recording = recordingAt(movie);
        recording.microphoneURL = folder / "Tarnix-mic-2026-12-05T14-03-07Z.m4a";
        appendText(*recording.microphoneURL, "not sound"); // cut off before its first fragment
        RecordingJournal journal(recording);
        journalPath = journal.path();
        journal.noteFirstFrame(Date{100.5});
        journal.appendNew(cursorPath(40, 0.1)); // 0 ... 3.9 s of tracker time
        journal.appendNew(std::vector<ClickEvent>{{Uuid::random(), 1.5, {400, 300}, ClickKind::leftDown},
                                                  {Uuid::random(), 1.6, {400, 300}, ClickKind::leftUp}});
    }

    const auto recovered = RecordingRecovery::recover(journalPath);
    EXPECT_NEAR(recovered.movieDuration, 2.0, 0.1);
    EXPECT_EQ(recovered.documentPath, DocumentFiles::documentPath(movie));
    EXPECT_FALSE(fs::exists(journalPath));
    ASSERT_EQ(recovered.notes.size(), 1u);
    EXPECT_NE(recovered.notes[0].find("microphone"), std::string::npos) << recovered.notes[0];

    const RecordingTimeline saved = decodeRecordingTimeline(test::readFile(recovered.documentPath));
    EXPECT_EQ(saved, recovered.timeline);
    EXPECT_EQ(saved.videoURL, movie);
    EXPECT_FALSE(saved.microphoneURL);
    // Re-based onto the first frame (0.5 s in) and cut where the movie ends.
    ASSERT_FALSE(saved.cursorSamples.empty());
    EXPECT_DOUBLE_EQ(saved.cursorSamples.front().timestamp, 0);
    EXPECT_LE(saved.cursorSamples.back().timestamp, recovered.movieDuration);
    EXPECT_GT(saved.cursorSamples.back().timestamp, recovered.movieDuration - 0.2);
    EXPECT_EQ(saved.clickEvents.size(), 2u);
    EXPECT_FALSE(saved.zoomRegions.empty());
    EXPECT_TRUE(saved.cursorOverlay.isEnabled);
    EXPECT_TRUE(fs::exists(folder / "Tarnix-mic-2026-12-05T14-03-07Z.m4a"));
}

TEST_F(RecordingRecoveryTest, AMovieMovedWithItsJournalIsFoundBesideIt)
{
    test::TemporaryFolder elsewhere;
    media::test::makeMovie(elsewhere / movie.filename().string(), 1.0, 160, 120, false);
    fs::path journalPath;
    {
        RecordingJournal journal(recordingAt(movie));
        journalPath = journal.path();
    }
    const fs::path moved = elsewhere / journalPath.filename().string();
    fs::rename(journalPath, moved);
    const auto recovered = RecordingRecovery::recover(moved);
    EXPECT_EQ(recovered.documentPath.parent_path(), elsewhere.path());
}

TEST_F(RecordingRecoveryTest, AMissingEmptyOrUnreadableMovieIsNamedAndNothingIsDeleted)
{
    fs::path journalPath;
    {
        RecordingJournal journal(recordingAt(movie));
        journalPath = journal.path();
        journal.appendNew(cursorPath(3, 0.1));
    }
    std::string message = describeFailure(journalPath);
    EXPECT_NE(message.find("is missing"), std::string::npos) << message;
    EXPECT_NE(message.find(movie.string()), std::string::npos) << message;

    appendText(movie, "");
    message = describeFailure(journalPath);
    EXPECT_NE(message.find("is empty"), std::string::npos) << message;

    appendText(movie, "no movie here");
    message = describeFailure(journalPath);
    EXPECT_NE(message.find("Couldn't read the screen movie"), std::string::npos) << message;

    EXPECT_TRUE(fs::exists(journalPath));
    EXPECT_TRUE(fs::exists(movie));
    EXPECT_FALSE(fs::exists(DocumentFiles::documentPath(movie)));

    // A journal cut off inside its first line says so.
    const fs::path torn = folder / ".Tarnix-torn.tarnix-journal";
    appendText(torn, R"({"recording":{"videoURL":)");
    message = describeFailure(torn);
    EXPECT_NE(message.find("doesn't say which recording"), std::string::npos) << message;
    EXPECT_TRUE(fs::exists(torn));

    RecordingRecovery::discard(journalPath);
    EXPECT_FALSE(fs::exists(journalPath));
    EXPECT_TRUE(fs::exists(movie));
}

TEST_F(RecordingRecoveryTest, AMovieNamedWithAPercentSignIsNamedAsItIs)
{
    // The message fills its placeholders from the file's name and the decoder's words: a "%2" in
    // the name must not be taken for one.
    const fs::path odd = folder / "Sale 50%2 off.mp4";
    fs::path journalPath;
    {
        RecordingJournal journal(recordingAt(odd));
        journalPath = journal.path();
    }
    appendText(odd, "no movie here");
    const std::string message = describeFailure(journalPath);
    EXPECT_NE(message.find("Couldn't read the screen movie " + odd.string() + ": "), std::string::npos) << message;
}

TEST_F(RecordingRecoveryTest, FilesKilledInAFragmentHeaderAreCutBackToTheirWholeFragmentsWhenRecovered)
{
    // What a kill leaves: the movie and the microphone file each end inside a fragment's sample
    // table, which FFmpeg refuses; the camera file ends inside its samples, which it opens.
    const fs::path whole = folder / "whole";
    fs::create_directories(whole);
    const fs::path microphone = folder / "Tarnix-mic-2026-12-05T14-03-07Z.m4a";
    const fs::path camera = folder / "Tarnix-camera-2026-12-05T14-03-07Z.mov";
    media::test::writeFragmentedRecording(whole / "screen.mp4", 4.0, true, true);
    media::test::writeFragmentedRecording(whole / "mic.m4a", 4.0, false, true);
    media::test::writeFragmentedRecording(whole / "camera.mov", 4.0, true, false);
    const auto screenFragments = media::test::boxesOfType(media::test::topLevelBoxes(whole / "screen.mp4"), "moof");
    const auto micFragments = media::test::boxesOfType(media::test::topLevelBoxes(whole / "mic.m4a"), "moof");
    const auto cameraData = media::test::boxesOfType(media::test::topLevelBoxes(whole / "camera.mov"), "mdat");
    ASSERT_GE(screenFragments.size(), 4u);
    ASSERT_GE(micFragments.size(), 3u);
    media::test::writeCutCopy(whole / "screen.mp4", movie, screenFragments[3].begin + 40);
    media::test::writeCutCopy(whole / "mic.m4a", microphone, micFragments[2].begin + 40);
    media::test::writeCutCopy(whole / "camera.mov", camera, (cameraData[2].begin + cameraData[2].end) / 2);
    const std::string cameraBytes = test::readFile(camera);
    fs::path journalPath;
    {
        TimelineAssembly::Inputs recording = recordingAt(movie);
        recording.microphoneURL = microphone;
        recording.cameraURL = camera;
        RecordingJournal journal(recording);
        journalPath = journal.path();
        journal.noteFirstFrame(Date{100});
        journal.appendNew(cursorPath(40, 0.1));
    }

    RecordingRecovery::Recovered scanned = RecordingRecovery::scan(journalPath);
    EXPECT_EQ(fs::file_size(movie), screenFragments[3].begin + 40) << "the scan changes nothing";
    EXPECT_EQ(scanned.cuts.size(), 2u);
    EXPECT_NEAR(scanned.movieDuration, 3.0, 0.1) << "the movie up to its last whole fragment";

    RecordingRecovery::write(journalPath, scanned);
    EXPECT_EQ(test::readFile(movie), media::test::fileHead(whole / "screen.mp4", screenFragments[3].begin));
    EXPECT_EQ(test::readFile(microphone), media::test::fileHead(whole / "mic.m4a", micFragments[2].begin));
    EXPECT_EQ(test::readFile(camera), cameraBytes) << "a file that opens is never touched";
    EXPECT_NEAR(media::MediaAsset::load(movie).duration(), scanned.movieDuration, 0.05);

    ASSERT_EQ(scanned.repairs.size(), 2u);
    EXPECT_NE(scanned.repairs[0].find(movie.string()), std::string::npos) << scanned.repairs[0];
    EXPECT_NE(scanned.repairs[0].find("3.0 seconds"), std::string::npos) << scanned.repairs[0];
    EXPECT_NE(scanned.repairs[1].find(microphone.string()), std::string::npos) << scanned.repairs[1];
    EXPECT_NE(scanned.repairs[1].find("2.0 seconds"), std::string::npos) << scanned.repairs[1];
    EXPECT_TRUE(scanned.notes.empty());

    const RecordingTimeline saved = decodeRecordingTimeline(test::readFile(scanned.documentPath));
    EXPECT_EQ(saved.microphoneURL, microphone);
    EXPECT_EQ(saved.cameraURL, camera);
    ASSERT_FALSE(saved.cursorSamples.empty());
    EXPECT_LE(saved.cursorSamples.back().timestamp, scanned.movieDuration);
    EXPECT_FALSE(fs::exists(journalPath));
}

TEST_F(RecordingRecoveryTest, AMovieThatDoesNotPlayEvenWithoutItsUnfinishedEndIsSaidSoAndLeftAsItWas)
{
    const fs::path whole = folder / "whole.mp4";
    media::test::writeFragmentedRecording(whole, 2.0, true, false);
    const auto fragments = media::test::boxesOfType(media::test::topLevelBoxes(whole), "moof");
    ASSERT_GE(fragments.size(), 2u);
    media::test::writeCutCopy(whole, movie, fragments[0].begin + 40); // killed in its first fragment
    const std::string bytes = test::readFile(movie);
    fs::path journalPath;
    {
        RecordingJournal journal(recordingAt(movie));
        journalPath = journal.path();
    }
    const std::string message = describeFailure(journalPath);
    EXPECT_NE(message.find("even without that part it can't be played"), std::string::npos) << message;
    EXPECT_NE(message.find(movie.string()), std::string::npos) << message;
    EXPECT_EQ(test::readFile(movie), bytes);
    EXPECT_TRUE(fs::exists(journalPath));
    EXPECT_FALSE(fs::exists(DocumentFiles::documentPath(movie)));

    // A movie that changed between the scan and the answer (another program appended to it)
    // isn't cut, and nothing is written.
    media::test::writeCutCopy(whole, movie, fragments[1].begin + 40);
    RecordingRecovery::Recovered scanned = RecordingRecovery::scan(journalPath);
    ASSERT_EQ(scanned.cuts.size(), 1u);
    media::test::writeCutCopy(whole, movie, fragments[1].begin + 50);
    try {
        RecordingRecovery::write(journalPath, scanned);
        ADD_FAILURE() << "a changed movie was cut";
    } catch (const RecordingRecovery::RecoveryError& error) {
        EXPECT_NE(std::string(error.what()).find("Couldn't repair"), std::string::npos) << error.what();
    }
    EXPECT_EQ(fs::file_size(movie), fragments[1].begin + 50);
    EXPECT_TRUE(fs::exists(journalPath));
    EXPECT_FALSE(fs::exists(DocumentFiles::documentPath(movie)));
}

TEST_F(RecordingRecoveryTest, AMovieKilledInsideItsSamplesIsLeftAsItIsAndEndsWhereItsWholeSamplesEnd)
{
    const fs::path whole = folder / "whole.mp4";
    media::test::writeFragmentedRecording(whole, 3.0, true, false);
    const auto data = media::test::boxesOfType(media::test::topLevelBoxes(whole), "mdat");
    ASSERT_GE(data.size(), 3u);
    media::test::writeCutCopy(whole, movie, (data[2].begin + data[2].end) / 2);
    const std::string bytes = test::readFile(movie);
    fs::path journalPath;
    {
        RecordingJournal journal(recordingAt(movie));
        journalPath = journal.path();
        journal.appendNew(cursorPath(30, 0.1));
    }
    const auto recovered = RecordingRecovery::recover(journalPath);
    EXPECT_TRUE(recovered.repairs.empty());
    EXPECT_EQ(test::readFile(movie), bytes);
    // Its index says 3 s; the samples on disk end inside the third second.
    EXPECT_GT(recovered.movieDuration, 2.0);
    EXPECT_LT(recovered.movieDuration, 2.9);
    EXPECT_LE(recovered.timeline.cursorSamples.back().timestamp, recovered.movieDuration);
}
