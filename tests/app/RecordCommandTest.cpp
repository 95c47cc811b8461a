#include <gtest/gtest.h>

#include <QProcess>

#include <csignal>
#include <fstream>

#include "document/DocumentCoding.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;

namespace {

struct Result {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs tarnix-cli; `interruptAfter` > 0 sends Ctrl-C (SIGINT) after that many seconds.
Result runCli(const QStringList& arguments, double interruptAfter = 0)
{
    test::ensureApplication();
    QProcess process;
    process.start(TARNIX_CLI, arguments);
    Result result;
    if (!process.waitForStarted(5000))
        return result;
    if (interruptAfter > 0) {
        process.waitForFinished(static_cast<int>(interruptAfter * 1000));
        if (process.state() == QProcess::Running)
            kill(static_cast<pid_t>(process.processId()), SIGINT);
    }
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

std::optional<std::string> field(const std::string& out, const std::string& name)
{
    const auto at = out.find(name + ": ");
    if (at == std::string::npos)
        return std::nullopt;
    const auto start = at + name.size() + 2;
    return out.substr(start, out.find('\n', start) - start);
}

std::string firstDisplay()
{
    const auto listing = runCli({"sources"});
    const auto at = listing.out.find("display-");
    if (at == std::string::npos)
        return {};
    return listing.out.substr(at, listing.out.find(' ', at) - at);
}

} // namespace

TEST(RecordCommand, sourcesListsTheDisplaysAndTheMicrophones)
{
    if (!test::requireDisplay() || !test::requireSoundServer())
        return;
    const auto result = runCli({"sources"});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    for (const char* heading : {"displays:", "windows:", "applications:", "cameras:", "microphones:"})
        EXPECT_NE(result.out.find(heading), std::string::npos) << heading;
    EXPECT_NE(result.out.find("display-"), std::string::npos);
    EXPECT_NE(result.out.find("tarnix_mic"), std::string::npos);
}

TEST(RecordCommand, ctrlCStopsCleanlyAndTheDocumentExports)
{
    if (!test::requireDisplay() || !test::requireSoundServer())
        return;
    test::TemporaryFolder folder;
    const std::string display = firstDisplay();
    ASSERT_FALSE(display.empty());
    const auto result = runCli({"record", "--source", QString::fromStdString(display), "--system-audio", "--mic",
                                "tarnix_mic", "--out", QString::fromStdString(folder.path().string())},
                               2.5);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto movie = field(result.out, "movie");
    const auto microphone = field(result.out, "microphone");
    const auto document = field(result.out, "document");
    const auto frames = field(result.out, "frames");
    ASSERT_TRUE(movie && microphone && document && frames) << result.out;
    EXPECT_GT(std::stoi(*frames), 5);
    EXPECT_TRUE(std::filesystem::exists(*movie));
    EXPECT_TRUE(std::filesystem::exists(*microphone));
    std::ifstream in(*document);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto timeline = decodeRecordingTimeline(text);
    EXPECT_EQ(timeline.videoURL, std::filesystem::path(*movie));
    EXPECT_TRUE(timeline.hasSystemAudio);

    // The exporter reads the same document.
    const auto exported = folder.path() / "exported.mp4";
    const auto exportResult = runCli({"export", QString::fromStdString(*document), "--resolution", "720p", "--out",
                                      QString::fromStdString(exported.string())});
    EXPECT_EQ(exportResult.exitCode, 0) << exportResult.err;
    const auto info = test::probe(exported);
    ASSERT_TRUE(info.video);
    EXPECT_EQ(info.video->height, 720);
}

TEST(RecordCommand, failuresPrintTheMessageAndExitWithOne)
{
    if (!test::requireDisplay())
        return;
    const auto unknown = runCli({"record", "--source", "display-999999", "--duration", "1"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("there is no capture source \"display-999999\""), std::string::npos) << unknown.err;

    QProcess noDisplay;
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("DISPLAY", ":987");
    noDisplay.setProcessEnvironment(environment);
    noDisplay.start(TARNIX_CLI, {"record", "--source", "display-1", "--duration", "1"});
    ASSERT_TRUE(noDisplay.waitForFinished(20000));
    EXPECT_EQ(noDisplay.exitCode(), 1);
    EXPECT_NE(noDisplay.readAllStandardError().toStdString().find("Couldn't list capture sources (can't open the X11 display"),
              std::string::npos);

    const auto usage = runCli({"record", "--duration", "1"});
    EXPECT_EQ(usage.exitCode, 2) << "a missing --source is a usage error";
}
