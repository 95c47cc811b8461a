// What ends the application never loses a user's work: a desktop's SIGTERM during a recording or
// right after an edit, and kill -9 followed by the recovery offered at the next start.

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "document/DocumentCoding.h"
#include "main/AppProcess.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;
namespace fs = std::filesystem;

namespace {

std::optional<fs::path> fileEndingWith(const fs::path& folder, const std::string& ending)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (entry.path().filename().string().ends_with(ending))
            return entry.path();
    return std::nullopt;
}

std::string textOf(const std::optional<fs::path>& file) { return file ? test::readFile(*file) : std::string(); }

bool servicesPresent()
{
    return test::requireDisplay() && test::requireSoundServer() && test::requireAccessibilityBus();
}

class ApplicationTest : public ::testing::Test {
protected:
    test::TemporaryFolder home;
    fs::path videos() const { return home / "Videos"; }

    // Records the first display until the journal has the first frame and the movie `fragments`
    // whole fragments.
    void recordUntilFragments(test::AppProcess& app, int fragments)
    {
        ASSERT_TRUE(app.startRecording("Display")) << app.standardError();
        const bool going = test::processEventsUntil(30, [&] {
            test::shell("xdotool mousemove_relative -- 5 2 >/dev/null 2>&1");
            const std::string movie = textOf(fileEndingWith(videos(), ".mp4"));
            int begun = 0;
            for (auto at = movie.find("moof"); at != std::string::npos; at = movie.find("moof", at + 1))
                ++begun;
            return begun > fragments &&
                   textOf(fileEndingWith(videos(), ".tarnix-journal")).find("\"cursor\"") != std::string::npos;
        });
        ASSERT_TRUE(going);
    }
};

} // namespace

TEST_F(ApplicationTest, SigtermDuringARecordingFinishesTheMovieAndWritesTheDocument)
{
    if (!servicesPresent())
        return;
    test::AppProcess app(home.path());
    recordUntilFragments(app, 1);
    app.signal(SIGTERM);
    EXPECT_EQ(app.waitForExit(60), 0) << app.standardError();

    const auto document = fileEndingWith(videos(), ".tarnix.json");
    ASSERT_TRUE(document) << "no document beside the movie";
    const RecordingTimeline timeline = decodeRecordingTimeline(test::readFile(*document));
    ASSERT_TRUE(timeline.videoURL && fs::exists(*timeline.videoURL));
    EXPECT_FALSE(timeline.cursorSamples.empty());
    EXPECT_GT(test::forEachVideoFrame(*timeline.videoURL, [](const QImage&, double) {}), 5);
    EXPECT_FALSE(fileEndingWith(videos(), ".tarnix-journal")) << "the journal goes with the document";
}

TEST_F(ApplicationTest, AKilledRecordingIsOfferedForRecoveryAtTheNextStartAndOpensInTheStudio)
{
    if (!servicesPresent())
        return;
    {
        test::AppProcess app(home.path());
        recordUntilFragments(app, 2);
        app.signal(SIGKILL);
        app.waitForExit(10);
    }
    ASSERT_TRUE(fileEndingWith(videos(), ".tarnix-journal"));
    ASSERT_FALSE(fileEndingWith(videos(), ".tarnix.json"));
    // Where a kill in the last fragment's header leaves the movie, which no player opens.
    const auto movie = fileEndingWith(videos(), ".mp4");
    ASSERT_TRUE(movie);
    const std::uintmax_t wholeFragments = media::test::cutInsideLastFragmentHeader(*movie);
    ASSERT_GT(wholeFragments, 0u);

    test::AppProcess again(home.path());
    ASSERT_TRUE(again.waitForControl("Recover recording", 30)) << again.standardError();
    const fs::path screenshots = fs::path(TARNIX_BINARY_DIR) / "screenshots";
    fs::create_directories(screenshots);
    test::shell("import -window root " + (screenshots / "recovery-prompt.png").string() + " >/dev/null 2>&1");
    ASSERT_TRUE(again.press("Recover recording"));
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return fileEndingWith(videos(), ".tarnix.json").has_value(); }));
    EXPECT_TRUE(again.waitForControl("Remove all", 30)) << "the recovered recording opens in the Studio";
    EXPECT_TRUE(again.waitForText(movie->string() + " ended in a part that was still being written", 10))
        << "the Studio says what was cut";
    EXPECT_EQ(fs::file_size(*movie), wholeFragments);
    EXPECT_FALSE(fileEndingWith(videos(), ".tarnix-journal"));
    const RecordingTimeline timeline = decodeRecordingTimeline(textOf(fileEndingWith(videos(), ".tarnix.json")));
    EXPECT_FALSE(timeline.cursorSamples.empty());
    again.signal(SIGTERM);
    EXPECT_EQ(again.waitForExit(30), 0);
}

TEST_F(ApplicationTest, SigtermRightAfterRemoveAllKeepsTheEditInTheFile)
{
    if (!servicesPresent())
        return;
    fs::create_directories(videos());
    const fs::path movie = videos() / "Tarnix-2026-12-05T14-03-07Z.mp4";
    media::test::makeMovie(movie, 3.0, 320, 240, false);
    RecordingTimeline timeline;
    timeline.videoURL = movie;
    timeline.captureFrame = {0, 0, 320, 240};
    for (int i = 0; i < 300; ++i)
        timeline.zoomRegions.push_back({Uuid::random(), i * 0.01, i * 0.01 + 0.005, {0.1, 0.1, 0.5, 0.5}});
    // Samples enough that the save takes a moment, as a real recording's does.
    for (int i = 0; i < 20000; ++i)
        timeline.cursorSamples.push_back({Uuid::random(), i * 1.5e-4, {double(i % 320), 100}});
    const fs::path document = videos() / "Tarnix-2026-12-05T14-03-07Z.tarnix.json";
    std::ofstream(document) << encodeRecordingTimeline(timeline);

    test::AppProcess app(home.path(), {QString::fromStdString(document.string())});
    ASSERT_TRUE(app.waitForText("300 zooms", 60)) << app.standardError();
    ASSERT_TRUE(app.press("Remove all"));
    // The edit is made as soon as the caption says so; the signal follows at once.
    ASSERT_TRUE(app.waitForText("0 zooms", 10));
    app.signal(SIGTERM);
    // Ended by its own hand, not by the signal, and only once the edit was written.
    EXPECT_EQ(app.waitForExit(30), 0) << app.standardError();
    EXPECT_TRUE(decodeRecordingTimeline(test::readFile(document)).zoomRegions.empty());
}
