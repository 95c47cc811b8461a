#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>
#include <QTimer>

#include <filesystem>
#include <fstream>

#include "app/RecordingJournal.h"
#include "recorder/RecorderTestSupport.h"
#include "recorder/RecoveryPrompt.h"
#include "support/ServiceHelpers.h"
#include "ui/AppAlert.h"

using namespace tarnix;
namespace fs = std::filesystem;

namespace {

// Answers each question with the next of `answers` (-1: closed without an answer) and keeps what
// was asked.
class ScriptedAnswers {
public:
    explicit ScriptedAnswers(std::vector<int> answers)
        : answers_(std::move(answers))
    {
        previous_ = AppAlert::setPresenter([this](const AppAlert::Request& request) {
            asked.push_back(request);
            if (answers_.empty())
                return -1;
            const int answer = answers_.front();
            answers_.erase(answers_.begin());
            return answer;
        });
    }
    ~ScriptedAnswers() { AppAlert::setPresenter(std::move(previous_)); }
    std::vector<AppAlert::Request> asked;

private:
    std::vector<int> answers_;
    AppAlert::Presenter previous_;
};

fs::path interruptedRecording(const fs::path& folder, const std::string& stem)
{
    TimelineAssembly::Inputs in;
    in.videoURL = folder / (stem + ".mp4");
    in.captureFrame = {0, 0, 160, 120};
    RecordingJournal journal(in);
    journal.appendNew(std::vector<CursorSample>{{Uuid::random(), 0.2, {10, 10}}});
    return journal.path();
}

// Whether this process has `file` open.
bool isOpen(const fs::path& file)
{
    for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        if (fs::read_symlink(entry.path(), error) == file)
            return true;
    }
    return false;
}

} // namespace

TEST(RecoveryPrompt, TheRealPromptKeepsTheWindowResponsiveWhileALongMovieIsRead)
{
    test::ensureWidgetApplication();
    test::TemporaryFolder folder;
    // Four hours cut off by a crash: its length is known only by reading every packet, which
    // takes long enough for the question to show first even on a busy machine.
    const fs::path minute = folder / "minute.mp4", whole = folder / "whole.mp4";
    const fs::path movie = fs::weakly_canonical(folder / "Tarnix-long.mp4");
    ASSERT_TRUE(media::test::runFfmpeg("-f lavfi -i color=c=gray:s=64x48:r=60:d=60 -c:v libx264 -preset ultrafast "
                                       "-g 60 \"" + minute.string() + "\""));
    ASSERT_TRUE(media::test::runFfmpeg("-stream_loop 239 -i \"" + minute.string() + "\" -c copy -movflags "
                                       "frag_keyframe+empty_moov \"" + whole.string() + "\""));
    fs::copy_file(whole, movie);
    fs::resize_file(movie, fs::file_size(whole) - 3000);
    interruptedRecording(folder.path(), "Tarnix-long");

    // Answers as soon as the question shows, and watches the window's events meanwhile.
    bool answered = false;
    bool eventsWhileReading = false;
    QTimer watcher;
    watcher.setInterval(2);
    QObject::connect(&watcher, &QTimer::timeout, [&] {
        eventsWhileReading = eventsWhileReading || isOpen(movie);
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (answered || !box)
            return;
        for (QAbstractButton* button : box->buttons())
            if (button->text() == "Recover recording") {
                answered = true;
                button->click();
            }
    });
    watcher.start();
    const auto recovered = RecoveryPrompt::offer(folder.path());
    watcher.stop();

    EXPECT_TRUE(answered);
    EXPECT_TRUE(eventsWhileReading) << "the window's events go on while the movie is read";
    ASSERT_TRUE(recovered) << "the answer acts once the movie is read";
    EXPECT_NEAR(recovered->movieDuration, 4 * 3600, 2);
    EXPECT_TRUE(fs::exists(folder / "Tarnix-long.tarnix.json"));
}

TEST(RecoveryPrompt, AsksPerRecordingRecoversDiscardsOrAsksAgainNextTime)
{
    test::ensureWidgetApplication();
    test::TemporaryFolder folder;
    media::test::makeMovie(folder / "Tarnix-A.mp4", 1.0, 160, 120, false);
    media::test::makeMovie(folder / "Tarnix-B.mp4", 1.0, 160, 120, false);
    const fs::path first = interruptedRecording(folder.path(), "Tarnix-A");
    const fs::path second = interruptedRecording(folder.path(), "Tarnix-B");

    {
        ScriptedAnswers closed({-1, -1});
        EXPECT_FALSE(RecoveryPrompt::offer(folder.path()));
        ASSERT_EQ(closed.asked.size(), 2u);
        EXPECT_EQ(closed.asked[0].buttons, (QStringList{"Recover recording", "Discard"}));
        EXPECT_TRUE(closed.asked[0].message.contains("\"Tarnix-A.mp4\"")) << closed.asked[0].message.toStdString();
        EXPECT_TRUE(fs::exists(first) && fs::exists(second)) << "a question without an answer is asked again";
    }
    ScriptedAnswers answered({0, 1});
    const auto recovered = RecoveryPrompt::offer(folder.path());
    ASSERT_TRUE(recovered);
    EXPECT_EQ(recovered->documentPath, folder / "Tarnix-A.tarnix.json");
    EXPECT_EQ(recovered->timeline.cursorSamples.size(), 1u);
    EXPECT_FALSE(fs::exists(first));
    EXPECT_FALSE(fs::exists(second));
    EXPECT_TRUE(fs::exists(folder / "Tarnix-B.mp4")) << "Discard keeps the movie";
    EXPECT_FALSE(fs::exists(folder / "Tarnix-B.tarnix.json"));
}

TEST(RecoveryPrompt, AFailedRecoverySaysWhyAndKeepsTheJournal)
{
    test::ensureWidgetApplication();
    test::TemporaryFolder folder;
    const fs::path journal = interruptedRecording(folder.path(), "Tarnix-gone");
    ScriptedAnswers answers({0, 0});
    EXPECT_FALSE(RecoveryPrompt::offer(folder.path()));
    ASSERT_EQ(answers.asked.size(), 2u);
    EXPECT_EQ(answers.asked[1].title, "Couldn't recover the recording");
    EXPECT_TRUE(answers.asked[1].message.contains("is missing")) << answers.asked[1].message.toStdString();
    EXPECT_TRUE(fs::exists(journal));
}

TEST(RecoveryPrompt, AMovieKilledInAFragmentHeaderIsRepairedOnlyWhenRecoveredAndTheStudioIsTold)
{
    test::ensureWidgetApplication();
    test::TemporaryFolder folder;
    const fs::path whole = folder / "whole.mp4";
    media::test::writeFragmentedRecording(whole, 3.0, true, false);
    const auto fragments = media::test::boxesOfType(media::test::topLevelBoxes(whole), "moof");
    ASSERT_GE(fragments.size(), 3u);
    for (const char* name : {"Tarnix-A.mp4", "Tarnix-B.mp4"})
        media::test::writeCutCopy(whole, folder / name, fragments[2].begin + 40);
    const std::string killed = test::readFile(folder / "Tarnix-B.mp4");
    interruptedRecording(folder.path(), "Tarnix-A");
    interruptedRecording(folder.path(), "Tarnix-B");

    ScriptedAnswers answers({0, 1});
    const auto recovered = RecoveryPrompt::offer(folder.path());
    ASSERT_TRUE(recovered);
    ASSERT_EQ(answers.asked.size(), 2u) << "no alert: the repair is said in the Studio";
    EXPECT_EQ(fs::file_size(folder / "Tarnix-A.mp4"), fragments[2].begin);
    ASSERT_FALSE(recovered->notes.empty());
    EXPECT_NE(recovered->notes.front().find("2.0 seconds"), std::string::npos) << recovered->notes.front();
    EXPECT_EQ(test::readFile(folder / "Tarnix-B.mp4"), killed) << "Discard leaves the movie as it is";
}
