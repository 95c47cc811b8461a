// Recordings that tarnix-cli could not finish (kill -9), recovered with `tarnix-cli recover`, and
// where recordings go without --out. Run against the real binary on the test's X server.

#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>
#include <filesystem>
#include <fstream>

#include "document/DocumentCoding.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;
namespace fs = std::filesystem;

namespace {

struct Finished {
    int exitCode = -1;
    std::string out;
    std::string err;
};

Finished finish(QProcess& process)
{
    Finished result;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
}

Finished runCli(const QStringList& arguments, const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(TARNIX_CLI, arguments);
    return process.waitForStarted(5000) ? finish(process) : Finished{};
}

std::string firstDisplay()
{
    const auto listing = runCli({"sources"});
    const auto at = listing.out.find("display-");
    return at == std::string::npos ? std::string() : listing.out.substr(at, listing.out.find(' ', at) - at);
}

std::optional<fs::path> fileIn(const fs::path& folder, const std::function<bool(const std::string&)>& matches)
{
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        if (matches(entry.path().filename().string()))
            return entry.path();
    return std::nullopt;
}

std::optional<fs::path> journalIn(const fs::path& folder)
{
    return fileIn(folder, [](const std::string& name) { return name.ends_with(".tarnix-journal"); });
}

int countOf(const std::string& text, const std::string& part)
{
    int count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

} // namespace

TEST(RecoveryCommand, aRecordingKilledMidWayIsRecoveredWithItsSamplesUpToTheKill)
{
    if (!test::requireDisplay())
        return;
    test::ensureApplication();
    test::TemporaryFolder folder;
    const std::string display = firstDisplay();
    ASSERT_FALSE(display.empty());
    QProcess process;
    process.start(TARNIX_CLI, {"record", "--source", QString::fromStdString(display), "--out",
                               QString::fromStdString(folder.path().string())});
    ASSERT_TRUE(process.waitForStarted(5000));

    // Move the mouse until the journal holds the first frame and a dozen cursor samples, and the
    // movie its first fragment.
    std::string journalText;
    const bool sampled = test::processEventsUntil(30, [&] {
        test::shell("xdotool mousemove_relative -- 7 3 >/dev/null 2>&1");
        const auto journal = journalIn(folder.path());
        journalText = journal ? test::readFile(*journal) : std::string();
        const auto movie = fileIn(folder.path(), [](const std::string& name) { return name.ends_with(".mp4"); });
        return movie && fs::file_size(*movie) > 4096 && journalText.find("firstFrame") != std::string::npos &&
               countOf(journalText, "\"cursor\"") >= 12;
    });
    ASSERT_TRUE(sampled) << journalText;
    // Clicks show up in the journal as they are made, too.
    test::shell("xdotool click 1 >/dev/null 2>&1");
    ASSERT_TRUE(test::processEventsUntil(10, [&] {
        journalText = test::readFile(*journalIn(folder.path()));
        return journalText.find("\"click\"") != std::string::npos;
    }));
    const int journaledSamples = countOf(journalText, "\"cursor\"");
    kill(static_cast<pid_t>(process.processId()), SIGKILL);
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_FALSE(fileIn(folder.path(), [](const std::string& name) { return name.ends_with(".tarnix.json"); }));

    const auto recovered = runCli({"recover", QString::fromStdString(folder.path().string())});
    ASSERT_EQ(recovered.exitCode, 0) << recovered.out << recovered.err;
    EXPECT_NE(recovered.out.find("recovered: "), std::string::npos) << recovered.out;
    const auto document =
        fileIn(folder.path(), [](const std::string& name) { return name.ends_with(".tarnix.json"); });
    ASSERT_TRUE(document) << recovered.out;
    EXPECT_FALSE(journalIn(folder.path())) << "the journal goes once the document is written";
    const RecordingTimeline timeline = decodeRecordingTimeline(test::readFile(*document));
    // "recovered: DOC (12.3 s of movie; ...)".
    const auto opening = recovered.out.find(" (");
    ASSERT_NE(opening, std::string::npos) << recovered.out;
    const double seconds = std::stod(recovered.out.substr(opening + 2));
    EXPECT_GT(seconds, 0.1);
    EXPECT_GT(test::forEachVideoFrame(*timeline.videoURL, [](const QImage&, double) {}), 1);
    // The samples up to the kill, cut to what the movie holds: a fragmented movie loses its last
    // fragment, never the samples of what it kept.
    ASSERT_FALSE(timeline.cursorSamples.empty());
    EXPECT_LE(timeline.cursorSamples.back().timestamp, seconds + 0.05);
    EXPECT_GE(int(timeline.cursorSamples.size()), journaledSamples / 3) << seconds;
    EXPECT_FALSE(timeline.clickEvents.empty());

    // Nothing left to do the second time.
    const auto again = runCli({"recover", QString::fromStdString(folder.path().string())});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_NE(again.out.find("Nothing to recover"), std::string::npos) << again.out;
}

TEST(RecoveryCommand, aJournalWhoseMovieIsGoneIsNamedAndKept)
{
    test::TemporaryFolder folder;
    const fs::path journal = folder / ".Tarnix-2026-12-05T14-03-07Z.tarnix-journal";
    std::ofstream(journal) << R"({"recording":{"videoURL":"file://)" << (folder / "Tarnix-2026-12-05T14-03-07Z.mp4").string()
                           << R"(","cameraSelected":false,"startedAt":100,"captureFrame":[[0,0],[640,480]]}})"
                           << "\n";
    const auto result = runCli({"recover", QString::fromStdString(folder.path().string())});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Tarnix-2026-12-05T14-03-07Z.mp4 is missing"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::exists(journal));

    const auto notAFolder = runCli({"recover", QString::fromStdString((folder / "nothing").string())});
    EXPECT_EQ(notAFolder.exitCode, 2);
    EXPECT_NE(notAFolder.err.find("is not a folder"), std::string::npos) << notAFolder.err;
}

TEST(RecoveryCommand, withoutOutTheVideosFolderIsMadeAndNeverTheTemporaryFolder)
{
    if (!test::requireDisplay())
        return;
    const std::string display = firstDisplay();
    ASSERT_FALSE(display.empty());
    test::TemporaryFolder home;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString(home.path().string()));
    environment.remove("XDG_CONFIG_HOME");
    const auto recorded =
        runCli({"record", "--source", QString::fromStdString(display), "--duration", "1"}, environment);
    ASSERT_EQ(recorded.exitCode, 0) << recorded.err;
    EXPECT_NE(recorded.out.find("movie: " + (home / "Videos").string() + "/Tarnix-"), std::string::npos)
        << recorded.out;

    // A videos folder that cannot be made: said, and nothing recorded anywhere.
    test::TemporaryFolder blocked;
    std::ofstream(blocked / "Videos") << "a file where the folder would go";
    environment.insert("HOME", QString::fromStdString(blocked.path().string()));
    const auto refused =
        runCli({"record", "--source", QString::fromStdString(display), "--duration", "1"}, environment);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Couldn't create the videos folder " + (blocked / "Videos").string()),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.out.find("movie:"), std::string::npos) << refused.out;
}
