#include <gtest/gtest.h>

#include <QProcess>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>

#include "capture/CaptureMessages.h"
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

// Runs tarnix-cli with `environment` added to ours; `interruptAfter` > 0 sends `signal` (Ctrl-C's
// SIGINT unless told otherwise) after that many seconds.
Result runCli(const QStringList& arguments, double interruptAfter = 0,
              const std::map<QString, QString>& environment = {}, int signal = SIGINT)
{
    test::ensureApplication();
    QProcess process;
    auto processEnvironment = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment)
        processEnvironment.insert(name, value);
    process.setProcessEnvironment(processEnvironment);
    process.start(TARNIX_CLI, arguments);
    Result result;
    if (!process.waitForStarted(5000))
        return result;
    if (interruptAfter > 0) {
        process.waitForFinished(static_cast<int>(interruptAfter * 1000));
        if (process.state() == QProcess::Running)
            kill(static_cast<pid_t>(process.processId()), signal);
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
    EXPECT_EQ(result.err, "") << "nothing failed";
}

TEST(RecordCommand, sourcesListsWhatItCanButFailsWhenAListingFails)
{
    if (!test::requireDisplay())
        return;
    const auto result =
        runCli({"sources"}, 0, {{"PULSE_SERVER", "unix:/nonexistent/tarnix-no-sound-server"}});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.out.find("display-"), std::string::npos) << "the displays are still listed";
    EXPECT_NE(result.out.find("microphones:"), std::string::npos);
    // A missing sound server is said as such, once, in command-line words.
    const std::string reach = "Couldn't reach a sound server";
    EXPECT_NE(result.err.find(reach), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find(reach), result.err.rfind(reach)) << "printed twice: " << result.err;
    EXPECT_EQ(result.err.find("access wasn't granted"), std::string::npos) << result.err;
}

TEST(RecordCommand, aRecordedWindowThatClosesKeepsTheMovieAndTheDocumentAndFails)
{
    if (!test::requireDisplay())
        return;
    test::TemporaryFolder folder;
    auto window = std::make_unique<test::TestWindow>("Tarnix cli closing window", "c08030",
                                                     QRect(250, 150, 320, 240), 0);
    ASSERT_TRUE(window->isReady());
    const std::string id = "window-" + std::to_string(window->windowID());
    QProcess process;
    process.start(TARNIX_CLI, {"record", "--source", QString::fromStdString(id), "--duration", "30", "--out",
                               QString::fromStdString(folder.path().string())});
    ASSERT_TRUE(process.waitForStarted(5000));
    // Close the window once the recording runs.
    QByteArray err;
    for (int i = 0; i < 100 && !err.contains("recording "); ++i) {
        process.waitForReadyRead(100);
        err += process.readAllStandardError();
    }
    ASSERT_TRUE(err.contains("recording ")) << err.toStdString();
    // Close it once the first fragment of the movie is on disk (past its empty index).
    auto movieBytes = [&] {
        std::uintmax_t bytes = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            if (entry.path().extension() == ".mp4")
                bytes = std::max(bytes, entry.file_size());
        return bytes;
    };
    EXPECT_TRUE(test::processEventsUntil(20, [&] { return movieBytes() > 4096; }));
    window.reset();
    ASSERT_TRUE(process.waitForFinished(20000));
    err += process.readAllStandardError();
    const std::string out = process.readAllStandardOutput().toStdString();
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_NE(err.toStdString().find(CaptureMessages::captureStopped(CaptureMessages::kRecordedWindowClosed)),
              std::string::npos)
        << err.toStdString();
    const auto movie = field(out, "movie");
    const auto document = field(out, "document");
    ASSERT_TRUE(movie && document) << out;
    EXPECT_EQ(decodeRecordingTimeline(test::readFile(*document)).videoURL, std::filesystem::path(*movie));
    EXPECT_GT(test::forEachVideoFrame(*movie, [](const QImage&, double) {}), 10);
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
    const auto droppedAudio = field(result.out, "dropped audio blocks");
    ASSERT_TRUE(movie && microphone && document && frames && droppedAudio) << result.out;
    EXPECT_GT(std::stoi(*frames), 5);
    EXPECT_GE(std::stoi(*droppedAudio), 0);
    EXPECT_TRUE(std::filesystem::exists(*movie));
    EXPECT_TRUE(std::filesystem::exists(*microphone));
    const auto timeline = decodeRecordingTimeline(test::readFile(*document));
    EXPECT_EQ(timeline.videoURL, std::filesystem::path(*movie));
    EXPECT_TRUE(timeline.hasSystemAudio);

    // The exporter reads the same document.
    const auto exported = folder.path() / "exported.mp4";
    const auto exportResult = runCli({"export", QString::fromStdString(*document), "--resolution", "720p", "--out",
                                      QString::fromStdString(exported.string())});
    EXPECT_EQ(exportResult.exitCode, 0) << exportResult.err;
    const auto info = test::probe(exported);
    ASSERT_EQ(info.videoStreams, 1);
    EXPECT_EQ(info.height, 720);
}

TEST(RecordCommand, failuresPrintTheMessageAndExitWithOne)
{
    if (!test::requireDisplay())
        return;
    const auto unknown = runCli({"record", "--source", "display-999999", "--duration", "1"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("there is no capture source \"display-999999\""), std::string::npos) << unknown.err;

    const auto noDisplay =
        runCli({"record", "--source", "display-1", "--duration", "1"}, 0, {{"DISPLAY", ":987"}});
    EXPECT_EQ(noDisplay.exitCode, 1);
    EXPECT_NE(noDisplay.err.find("Couldn't list capture sources (can't open the X11 display"),
              std::string::npos) << noDisplay.err;
    for (const char* appOnly : {"↻", "relaunch", "reopen"})
        EXPECT_EQ(noDisplay.err.find(appOnly), std::string::npos) << noDisplay.err;
    const auto listing = runCli({"sources"}, 0, {{"DISPLAY", ":987"}});
    const std::string failed = "Couldn't list capture sources";
    EXPECT_EQ(listing.exitCode, 1);
    EXPECT_EQ(listing.err.find(failed), listing.err.rfind(failed)) << "printed twice: " << listing.err;

    const auto usage = runCli({"record", "--duration", "1"});
    EXPECT_EQ(usage.exitCode, 2) << "a missing --source is a usage error";
    for (const char* tooLong : {"1e12", "604801", "inf"}) {
        const auto refused = runCli({"record", "--source", "display-1", "--duration", tooLong});
        EXPECT_EQ(refused.exitCode, 2) << tooLong << ": " << refused.err;
        EXPECT_NE(refused.err.find("--duration"), std::string::npos) << refused.err;
    }
}

// SIGTERM (a session ending) and SIGHUP (the terminal closing) stop a recording as Stop does: the
// movie holds everything recorded and the document is written beside it.
TEST(RecordCommand, sigtermAndSighupStopCleanlyWithTheWholeMovieAndTheDocument)
{
    if (!test::requireDisplay())
        return;
    const std::string display = firstDisplay();
    ASSERT_FALSE(display.empty());
    for (int signal : {SIGTERM, SIGHUP}) {
        test::TemporaryFolder folder;
        const auto result = runCli({"record", "--source", QString::fromStdString(display), "--out",
                                    QString::fromStdString(folder.path().string())},
                                   2.5, {}, signal);
        ASSERT_EQ(result.exitCode, 0) << strsignal(signal) << ": " << result.err;
        const auto movie = field(result.out, "movie");
        const auto document = field(result.out, "document");
        const auto frames = field(result.out, "frames");
        ASSERT_TRUE(movie && document && frames) << result.out;
        EXPECT_EQ(decodeRecordingTimeline(test::readFile(*document)).videoURL,
                  std::filesystem::path(*movie));
        const int written = test::forEachVideoFrame(*movie, [](const QImage&, double) {});
        EXPECT_GT(written, 0); // how many depends on how fast the build starts recording
        EXPECT_GE(written, std::stoi(*frames) * 9 / 10) << "the movie lost what was recorded";
    }
}
