#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "capture/CaptureMessages.h"
#include "document/DocumentCoding.h"
#include "support/MediaProbe.h"
#include "support/ServiceHelpers.h"

using namespace tarnix;
namespace fs = std::filesystem;

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

std::string journalText(const fs::path& folder)
{
    const auto journal = journalIn(folder);
    return journal ? test::readFile(*journal) : std::string();
}

// Fragments begun in the movie: each new one means the one before it is whole.
int movieFragments(const fs::path& folder)
{
    const auto movie = fileIn(folder, [](const std::string& name) { return name.ends_with(".mp4"); });
    return movie ? countOf(test::readFile(*movie), "moof") : 0;
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


TEST(RecordCommand, aRecordingKilledMidWayIsRecoveredWithItsSamplesUpToTheKill)
{
    if (!test::requireDisplay())
        return;
    test::TemporaryFolder folder;
    const std::string display = firstDisplay();
    ASSERT_FALSE(display.empty());
    QProcess process;
    process.start(TARNIX_CLI, {"record", "--source", QString::fromStdString(display), "--out",
                               QString::fromStdString(folder.path().string())});
    ASSERT_TRUE(process.waitForStarted(5000));

    auto movieFragments = [&] { return ::movieFragments(folder.path()); };
    auto journalText = [&] { return ::journalText(folder.path()); };
    // Movements, then a click, once the first frame is in the journal: samples before the click
    // lie in the part of the movie that is kept however far the writer lags...
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return journalText().find("firstFrame") != std::string::npos; }));
    ASSERT_TRUE(test::processEventsUntil(10, [&] {
        test::shell("xdotool mousemove_relative -- 5 2 >/dev/null 2>&1");
        return countOf(journalText(), "\"cursor\"") >= 4;
    }));
    test::shell("xdotool click 1 >/dev/null 2>&1");
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return journalText().find("\"click\"") != std::string::npos; }));
    // ... then movements until the movie has written two more fragments (the click is in it).
    const int fragmentsAtClick = movieFragments();
    const bool sampled = test::processEventsUntil(30, [&] {
        test::shell("xdotool mousemove_relative -- 7 3 >/dev/null 2>&1");
        return movieFragments() >= fragmentsAtClick + 2 && countOf(journalText(), "\"cursor\"") >= 12;
    });
    ASSERT_TRUE(sampled) << journalText();
    const int journaledSamples = countOf(journalText(), "\"cursor\"");
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
    // How many of the journalled samples the kept movie covers depends on how far the writer lagged
    // (much further under the sanitizers); some of the journalled samples are always there.
    EXPECT_GE(timeline.cursorSamples.size(), 2u) << seconds << " s of movie, " << journaledSamples << " journalled";
    EXPECT_FALSE(timeline.clickEvents.empty());

    // Nothing left to do the second time.
    const auto again = runCli({"recover", QString::fromStdString(folder.path().string())});
    EXPECT_EQ(again.exitCode, 0);
    EXPECT_NE(again.out.find("Nothing to recover"), std::string::npos) << again.out;
}

TEST(RecordCommand, aRecordingKilledInAFragmentHeaderIsRecoveredWithItsWholeFragments)
{
    if (!test::requireDisplay() || !test::requireSoundServer())
        return;
    test::TemporaryFolder folder;
    const std::string display = firstDisplay();
    ASSERT_FALSE(display.empty());
    QProcess process;
    process.start(TARNIX_CLI, {"record", "--source", QString::fromStdString(display), "--mic", "tarnix_mic", "--out",
                               QString::fromStdString(folder.path().string())});
    ASSERT_TRUE(process.waitForStarted(5000));
    const auto microphone = [&] {
        return fileIn(folder.path(), [](const std::string& name) { return name.ends_with(".m4a"); });
    };
    ASSERT_TRUE(test::processEventsUntil(30, [&] {
        const auto mic = microphone();
        return movieFragments(folder.path()) >= 4 && mic && countOf(test::readFile(*mic), "moof") >= 3;
    })) << process.readAllStandardError().toStdString();
    kill(static_cast<pid_t>(process.processId()), SIGKILL);
    ASSERT_TRUE(process.waitForFinished(10000));

    const auto movie = fileIn(folder.path(), [](const std::string& name) { return name.ends_with(".mp4"); });
    ASSERT_TRUE(movie && microphone());
    const std::uintmax_t movieKeeps = media::test::cutInsideLastFragmentHeader(*movie);
    const std::uintmax_t micKeeps = media::test::cutInsideLastFragmentHeader(*microphone());
    ASSERT_GT(movieKeeps, 0u);
    ASSERT_GT(micKeeps, 0u);
    const std::string movieHead = media::test::fileHead(*movie, movieKeeps);

    const auto recovered = runCli({"recover", QString::fromStdString(folder.path().string())});
    ASSERT_EQ(recovered.exitCode, 0) << recovered.out << recovered.err;
    EXPECT_EQ(countOf(recovered.out, "repaired: "), 2) << recovered.out;
    EXPECT_NE(recovered.out.find(movie->string()), std::string::npos) << recovered.out;
    EXPECT_EQ(fs::file_size(*movie), movieKeeps);
    EXPECT_EQ(test::readFile(*movie), movieHead) << "the whole fragments stay as they were";
    EXPECT_EQ(fs::file_size(*microphone()), micKeeps);

    const auto document = fileIn(folder.path(), [](const std::string& name) { return name.ends_with(".tarnix.json"); });
    ASSERT_TRUE(document) << recovered.out << recovered.err;
    const RecordingTimeline timeline = decodeRecordingTimeline(test::readFile(*document));
    EXPECT_EQ(timeline.microphoneURL, *microphone());
    EXPECT_GT(test::forEachVideoFrame(*timeline.videoURL, [](const QImage&, double) {}), 30);
    const auto sound = test::audioStats(*microphone());
    ASSERT_TRUE(sound);
    EXPECT_GT(sound->seconds, 0.5);
}

TEST(RecordCommand, aKilledRecordingOfAMovedWindowIsRecoveredWithTheWindowWhereItWent)
{
    if (!test::requireDisplay())
        return;
    test::TemporaryFolder folder;
    test::TestWindow window("Tarnix cli moving window", "40a060", QRect(120, 100, 400, 300), 0, true);
    ASSERT_TRUE(window.isReady());
    QProcess process;
    process.start(TARNIX_CLI, {"record", "--source", QString::fromStdString("window-" + std::to_string(window.windowID())),
                               "--out", QString::fromStdString(folder.path().string())});
    ASSERT_TRUE(process.waitForStarted(5000));
    auto journalText = [&] { return ::journalText(folder.path()); };
    auto movieFragments = [&] { return ::movieFragments(folder.path()); };
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return journalText().find("firstFrame") != std::string::npos; }))
        << process.readAllStandardError().toStdString();

    const std::string id = window.xdotoolID();
    test::shell("xdotool windowmove " + id + " 700 420");
    // Where the window was at the first frame, then where it went.
    ASSERT_TRUE(test::processEventsUntil(15, [&] { return countOf(journalText(), "\"frame\"") >= 2; }));
    // A click at the moved window's middle, kept in the movie's part that survives the kill.
    test::shell("xdotool mousemove --window " + id + " 200 150 click 1");
    ASSERT_TRUE(test::processEventsUntil(10, [&] { return journalText().find("\"click\"") != std::string::npos; }));
    const int fragmentsAtClick = movieFragments();
    ASSERT_TRUE(test::processEventsUntil(30, [&] { return movieFragments() >= fragmentsAtClick + 2; }));
    kill(static_cast<pid_t>(process.processId()), SIGKILL);
    ASSERT_TRUE(process.waitForFinished(10000));

    const auto recovered = runCli({"recover", QString::fromStdString(folder.path().string())});
    ASSERT_EQ(recovered.exitCode, 0) << recovered.out << recovered.err;
    const auto document = fileIn(folder.path(), [](const std::string& name) { return name.ends_with(".tarnix.json"); });
    ASSERT_TRUE(document) << recovered.out;
    const RecordingTimeline t = decodeRecordingTimeline(test::readFile(*document));
    ASSERT_FALSE(t.captureFrameSamples.empty()) << "the window's move is in the recovered document";
    const Rect moved = t.captureFrameSamples.back().rect;
    EXPECT_TRUE(moved.x != t.captureFrame.x && moved.y != t.captureFrame.y) << moved.x << "," << moved.y;
    EXPECT_EQ(moved.width, t.captureFrame.width);
    EXPECT_EQ(moved.height, t.captureFrame.height);
    // The click is placed in the moved window, at its middle, and so is its zoom.
    const auto click = std::find_if(t.clickEvents.begin(), t.clickEvents.end(),
                                    [](const ClickEvent& c) { return c.kind == ClickKind::leftDown; });
    ASSERT_NE(click, t.clickEvents.end());
    const Point mapped = t.normalizedPoint(click->point, click->timestamp);
    EXPECT_NEAR(mapped.x, 0.5, 0.02);
    EXPECT_NEAR(mapped.y, 0.5, 0.02);
    ASSERT_FALSE(t.zoomRegions.empty());
    EXPECT_NEAR(t.zoomRegions.back().rect.midX(), 0.5, 0.02);
}

TEST(RecordCommand, aDiskThatFillsEndsTheRecordingWithAPlayableMovieWhoseDocumentFollows)
{
    if (!test::requireDisplay())
        return;
    // A small disk of our own: a tmpfs in a user and mount namespace, seen only by the script.
    if (test::shell("unshare -rm true >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "user namespaces are not available: no small disk can be made";
    test::TemporaryFolder folder;
    const fs::path disk = folder / "disk", kept = folder / "kept";
    fs::create_directories(disk);
    fs::create_directories(kept);
    // A window moving about the recorded display gives every fragment of the movie something to
    // hold, so that the movie, not the journal, fills the disk.
    test::TestWindow window("Tarnix cli full disk", "3050c0", QRect(100, 80, 480, 360), 0, true);
    ASSERT_TRUE(window.isReady());
    const std::string display = firstDisplay();
    ASSERT_FALSE(display.empty());
    const std::string cli = TARNIX_CLI, d = disk.string(), k = kept.string();
    // Records; once the movie holds a few whole fragments, a ballast file takes every byte left;
    // keeps what is there, then frees the ballast and recovers.
    const std::string script =
        "set -u\n"
        "mount -t tmpfs -o size=16m tarnix-full " + d + " || exit 90\n"
        "timeout 70 " + cli + " record --source " + display + " --duration 60 --out " + d + " >" + k +
        "/record.out 2>" + k + "/record.err &\n"
        "for i in $(seq 600); do\n"
        "  [ \"$(cat " + d + "/*.mp4 2>/dev/null | grep -ao moof | wc -l)\" -ge 4 ] && break\n"
        "  sleep 0.05\n"
        "done\n"
        "cat /dev/zero >" + d + "/ballast 2>/dev/null\n"
        "wait $!\n"
        "echo $? >" + k + "/record.code\n"
        "rm " + d + "/ballast\n"
        + cli + " recover " + d + " >" + k + "/recover.out 2>&1\n"
        "cp -a " + d + "/. " + k + "/\n";
    QProcess process;
    process.start("unshare", {"-rm", "sh", "-c", QString::fromStdString(script)});
    ASSERT_TRUE(process.waitForStarted(5000));
    int step = 0;
    const bool ended = test::processEventsUntil(90, [&] {
        ++step;
        test::shell("xdotool windowmove " + window.xdotoolID() + " " + std::to_string(100 + step * 37 % 400) + " " +
                    std::to_string(80 + step * 53 % 300) + " >/dev/null 2>&1");
        return process.state() == QProcess::NotRunning;
    });
    ASSERT_TRUE(ended);
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

    const std::string err = test::readFile(kept / "record.err");
    EXPECT_EQ(test::readFile(kept / "record.code"), "1\n") << err;
    EXPECT_NE(err.find("The movie can't be written any more, so the recording stopped"), std::string::npos) << err;
    EXPECT_NE(err.find("No space left on device"), std::string::npos) << err;
    const auto movie = fileIn(kept, [](const std::string& name) { return name.ends_with(".mp4"); });
    ASSERT_TRUE(movie);
    EXPECT_GT(test::forEachVideoFrame(*movie, [](const QImage&, double) {}), 10) << "the movie so far plays";
    // Written at the stop when the disk had room for it, else recovered once it had.
    const auto document = fileIn(kept, [](const std::string& name) { return name.ends_with(".tarnix.json"); });
    ASSERT_TRUE(document) << err << test::readFile(kept / "recover.out");
    EXPECT_EQ(decodeRecordingTimeline(test::readFile(*document)).videoURL->filename(), movie->filename());
    EXPECT_FALSE(journalIn(kept));
}

TEST(RecordCommand, aJournalWhoseMovieIsGoneIsNamedAndKept)
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

TEST(RecordCommand, withoutOutTheVideosFolderIsMadeAndNeverTheTemporaryFolder)
{
    if (!test::requireDisplay())
        return;
    const std::string display = firstDisplay();
    ASSERT_FALSE(display.empty());
    test::TemporaryFolder home;
    auto homeAt = [](const fs::path& folder) -> std::map<QString, QString> {
        return {{"HOME", QString::fromStdString(folder.string())},
                {"XDG_CONFIG_HOME", QString::fromStdString((folder / ".config").string())}};
    };
    const auto recorded =
        runCli({"record", "--source", QString::fromStdString(display), "--duration", "1"}, 0, homeAt(home.path()));
    ASSERT_EQ(recorded.exitCode, 0) << recorded.err;
    EXPECT_NE(recorded.out.find("movie: " + (home / "Videos").string() + "/Tarnix-"), std::string::npos)
        << recorded.out;

    // A videos folder that cannot be made: said, and nothing recorded anywhere.
    test::TemporaryFolder blocked;
    std::ofstream(blocked / "Videos") << "a file where the folder would go";
    const auto refused =
        runCli({"record", "--source", QString::fromStdString(display), "--duration", "1"}, 0, homeAt(blocked.path()));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("Couldn't create the videos folder " + (blocked / "Videos").string()),
              std::string::npos)
        << refused.err;
    EXPECT_EQ(refused.out.find("movie:"), std::string::npos) << refused.out;
}

TEST(RecordCommand, keysRecordsTheShortcutsPressedIntoTheDocument)
{
    if (!test::requireDisplay())
        return;
    const std::string display = firstDisplay();
    ASSERT_FALSE(display.empty());
    EXPECT_NE(runCli({"record", "--help"}).out.find("--all-keys records every key"), std::string::npos);

    test::TemporaryFolder folder;
    QProcess process;
    process.start(TARNIX_CLI, {"record", "--source", QString::fromStdString(display), "--keys", "--out",
                               QString::fromStdString(folder.path().string())});
    ASSERT_TRUE(process.waitForStarted(5000));
    std::string err;
    QElapsedTimer waited;
    waited.start();
    while (err.find("recording ") == std::string::npos && waited.elapsed() < 30000 &&
           process.state() == QProcess::Running) {
        process.waitForReadyRead(200);
        err += process.readAllStandardError().toStdString();
    }
    ASSERT_NE(err.find("recording "), std::string::npos) << err;
    test::shell("xdotool key a ctrl+s b F5");
    kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));
    const std::string out = process.readAllStandardOutput().toStdString();
    ASSERT_EQ(process.exitCode(), 0) << err << process.readAllStandardError().toStdString();
    EXPECT_EQ(field(out, "keys"), "2") << out;
    const auto document = field(out, "document");
    ASSERT_TRUE(document) << out;
    const auto keys = decodeRecordingTimeline(test::readFile(*document)).keyEvents;
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_EQ(keys[0].key, "S");
    EXPECT_EQ(keys[0].modifiers, std::vector<KeyModifier>{KeyModifier::ctrl});
    EXPECT_EQ(keys[1].key, "F5");
    EXPECT_TRUE(keys[1].modifiers.empty());
    EXPECT_LE(keys[0].timestamp, keys[1].timestamp);
}
