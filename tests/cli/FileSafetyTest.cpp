// No command of tarnix-cli replaces or damages a file it did not create; every stop signal leaves
// a whole result or nothing; damaged inputs are named. Run against the real binary, with real
// movies made by FFmpeg.

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <memory>
#include <set>

#include <nlohmann/json.hpp>

#include "cli/CliProcess.h"
#include "cli/CliRunner.h"

namespace {

namespace fs = std::filesystem;
using tarnix::test::CliProcess;
using tarnix::test::CliRun;
using tarnix::test::fileText;

CliRun cli(const std::string& arguments) { return tarnix::test::runCli(arguments, true); }

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

void shell(const std::string& command)
{
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

// A recording made by FFmpeg: a screen movie (with sound), a camera movie and a microphone file
// in `folder`, and its document "doc.json" there.
fs::path makeRecording(const fs::path& folder, double seconds, const std::string& size = "320x240")
{
    const std::string ffmpeg = "ffmpeg -nostdin -loglevel error -y ";
    const std::string d = std::to_string(seconds);
    shell(ffmpeg + "-f lavfi -i testsrc2=size=" + size + ":rate=30:duration=" + d +
          " -f lavfi -i sine=duration=" + d +
          " -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -movflags +faststart " +
          (folder / "screen.mp4").string());
    shell(ffmpeg + "-f lavfi -i testsrc=size=160x120:rate=30:duration=" + d +
          " -c:v libx264 -preset ultrafast -pix_fmt yuv420p " + (folder / "camera.mov").string());
    shell(ffmpeg + "-f lavfi -i sine=frequency=600:duration=" + d + " -c:a aac " +
          (folder / "mic.m4a").string());
    nlohmann::json doc = nlohmann::json::parse(
        std::ifstream(std::string(TARNIX_SOURCE_DIR) + "/examples/sample-recording.tarnix.json"));
    doc["videoURL"] = "file://" + (folder / "screen.mp4").string();
    doc["cameraURL"] = "file://" + (folder / "camera.mov").string();
    doc["microphoneURL"] = "file://" + (folder / "mic.m4a").string();
    std::ofstream(folder / "doc.json") << doc.dump(2);
    return folder / "doc.json";
}

// Every name in a folder; AtomicFile's hidden temporaries included.
std::set<std::string> namesIn(const fs::path& folder)
{
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
        names.insert(entry.path().filename().string());
    return names;
}

bool hasTemporaries(const fs::path& folder)
{
    for (const auto& name : namesIn(folder))
        if (name.starts_with(".") && contains(name, ".partial-"))
            return true;
    return false;
}

// Seconds of video in a movie, by ffprobe; -1 when it is not a playable movie.
double movieDuration(const fs::path& movie)
{
    const std::string command = "ffprobe -v error -select_streams v:0 -count_packets -show_entries "
                                "format=duration -of csv=p=0 '" + movie.string() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    char line[64] = {};
    const bool read = pipe && std::fgets(line, sizeof line, pipe);
    const int status = pipe ? pclose(pipe) : -1;
    return read && status == 0 ? std::atof(line) : -1;
}

class CliFiles : public ::testing::Test {
protected:
    tarnix::test::ScratchFolder scratch;
    fs::path folder() const { return scratch.path; }
};

} // namespace

TEST_F(CliFiles, frameAndExportNeverReplaceAFile)
{
    const fs::path doc = makeRecording(folder(), 1);
    const std::string movieBytes = fileText(folder() / "screen.mp4");
    const std::string docBytes = fileText(doc);
    fs::create_symlink(folder() / "screen.mp4", folder() / "link.png");
    fs::create_symlink(folder() / "screen.mp4", folder() / "link.mp4");

    // The recording's own files: refused by their ending, before anything is rendered.
    for (const fs::path& target : {folder() / "screen.mp4", doc}) {
        CliRun frame = cli("frame " + doc.string() + " 0.5 --out " + target.string());
        EXPECT_EQ(frame.exitCode, 2) << frame.out;
    }
    CliRun ontoLink = cli("frame " + doc.string() + " 0.5 --out " + (folder() / "link.png").string());
    EXPECT_EQ(ontoLink.exitCode, 1) << ontoLink.out;
    EXPECT_TRUE(contains(ontoLink.out, "already exists")) << ontoLink.out;
    // A copy of the document under a picture's name: still refused.
    fs::copy_file(doc, folder() / "doc-copy.png");
    CliRun ontoCopy = cli("frame " + doc.string() + " 0.5 --out " + (folder() / "doc-copy.png").string());
    EXPECT_EQ(ontoCopy.exitCode, 1) << ontoCopy.out;

    for (const fs::path& target : {folder() / "screen.mp4", doc, folder() / "link.mp4"}) {
        CliRun exported = cli("export " + doc.string() + " --out " + target.string());
        EXPECT_EQ(exported.exitCode, 1) << exported.out;
        EXPECT_TRUE(contains(exported.out, "already exists")) << exported.out;
    }
    CliRun intoFolder = cli("export " + doc.string() + " --out " + folder().string());
    EXPECT_EQ(intoFolder.exitCode, 2);
    EXPECT_TRUE(contains(intoFolder.out, "is a folder")) << intoFolder.out;

    EXPECT_EQ(fileText(folder() / "screen.mp4"), movieBytes);
    EXPECT_EQ(fileText(doc), docBytes);
    EXPECT_TRUE(fs::is_symlink(folder() / "link.png"));
    EXPECT_FALSE(hasTemporaries(folder()));
    CliRun validate = cli("validate " + doc.string());
    EXPECT_EQ(validate.exitCode, 0) << validate.out;
}

// Exports started at the same moment each get their own whole file (-edited, -edited-2, ...); with
// one --out name, exactly one wins and the others say the name is taken.
TEST_F(CliFiles, exportsRacingForOneNameNeverShareIt)
{
    const fs::path doc = makeRecording(folder(), 1);
    constexpr int kRounds = 4, kRacers = 3;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<std::unique_ptr<CliProcess>> racers;
        const fs::path named = folder() / ("named-" + std::to_string(round) + ".mp4");
        for (int i = 0; i < kRacers; ++i) {
            const fs::path log = folder() / ("log-" + std::to_string(round) + "-" + std::to_string(i));
            racers.push_back(std::make_unique<CliProcess>(
                std::vector<std::string>{"export", doc.string()}, log.string() + "-auto"));
            racers.push_back(std::make_unique<CliProcess>(
                std::vector<std::string>{"export", doc.string(), "--out", named.string()},
                log.string() + "-named"));
        }
        int namedWins = 0;
        for (std::size_t i = 0; i < racers.size(); ++i) {
            const int code = racers[i]->wait();
            if (i % 2 == 0) {
                EXPECT_EQ(code, 0) << racers[i]->err();
            } else if (code == 0) {
                ++namedWins;
            } else {
                EXPECT_TRUE(contains(racers[i]->err(), "already exists")) << racers[i]->err();
            }
        }
        EXPECT_EQ(namedWins, 1);
        EXPECT_GT(movieDuration(named), 0.9);
    }
    std::set<std::string> outputs;
    for (const auto& name : namesIn(folder()))
        if (name.starts_with("screen-edited"))
            outputs.insert(name);
    EXPECT_EQ(outputs.size(), std::size_t(kRounds * kRacers));
    EXPECT_TRUE(outputs.count("screen-edited.mp4"));
    EXPECT_TRUE(outputs.count("screen-edited-" + std::to_string(kRounds * kRacers) + ".mp4"));
    for (const auto& name : outputs)
        EXPECT_GT(movieDuration(folder() / name), 0.9) << name << " is not a whole movie";
    EXPECT_FALSE(hasTemporaries(folder()));
}

// SIGINT, SIGTERM and SIGHUP cancel an export: nothing is left, and the retry is not blocked.
TEST_F(CliFiles, stopSignalsMidExportLeaveNothing)
{
    const fs::path doc = makeRecording(folder(), 40, "640x360");
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        CliProcess exporting({"export", doc.string(), "--resolution", "720p"},
                             folder() / ("signal-" + std::to_string(signal)));
        ASSERT_TRUE(exporting.waitForError("export: 10 %", 120)) << exporting.err();
        exporting.signal(signal);
        EXPECT_EQ(exporting.wait(), 1) << strsignal(signal) << ": " << exporting.err();
        EXPECT_TRUE(contains(exporting.err(), "Export cancelled; no file was written."))
            << exporting.err();
        EXPECT_FALSE(fs::exists(folder() / "screen-edited-720p.mp4")) << strsignal(signal);
        EXPECT_FALSE(hasTemporaries(folder())) << strsignal(signal);
    }
}

TEST_F(CliFiles, damagedInputsAreNamedAndTheExportGoesOn)
{
    const fs::path doc = makeRecording(folder(), 1);
    std::ofstream(folder() / "camera.mov", std::ios::trunc).close(); // empty
    fs::remove(folder() / "mic.m4a");
    CliRun exported = cli("export " + doc.string());
    EXPECT_EQ(exported.exitCode, 0) << exported.out;
    EXPECT_TRUE(contains(exported.out, "The camera file " + (folder() / "camera.mov").string() +
                                           " could not be read (it is empty); the camera bubble "
                                           "is left out."))
        << exported.out;
    EXPECT_TRUE(contains(exported.out, "The microphone file " + (folder() / "mic.m4a").string() +
                                           " could not be read (it does not exist)"))
        << exported.out;
    EXPECT_GT(movieDuration(folder() / "screen-edited.mp4"), 0.9);
}

TEST_F(CliFiles, aTruncatedScreenMovieIsReportedWithTheTimeItEnds)
{
    const fs::path doc = makeRecording(folder(), 4);
    const fs::path movie = folder() / "screen.mp4";
    fs::resize_file(movie, fs::file_size(movie) / 2);
    CliRun frame = cli("frame " + doc.string() + " 0.5 --out " + (folder() / "f.png").string());
    EXPECT_TRUE(contains(frame.out, "The screen movie ends at ")) << frame.out;
    EXPECT_TRUE(contains(frame.out, " s of its 4.0 s")) << frame.out;
}

TEST_F(CliFiles, nonRegularAndHugeInputsAreRefusedAtOnce)
{
    const fs::path fifo = folder() / "doc.fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    CliRun fromFifo = tarnix::test::runCli("validate " + fifo.string(), true);
    EXPECT_EQ(fromFifo.exitCode, 2);
    EXPECT_TRUE(contains(fromFifo.out, "not a regular file")) << fromFifo.out;

    const fs::path huge = folder() / "huge.json";
    std::ofstream(huge).close();
    fs::resize_file(huge, 300ull << 20); // sparse: nothing is written
    CliRun fromHuge = cli("validate " + huge.string());
    EXPECT_EQ(fromHuge.exitCode, 2);
    EXPECT_TRUE(contains(fromHuge.out, "larger than any recording document")) << fromHuge.out;

    // A document whose screen movie is a FIFO: refused, not waited on.
    const fs::path doc = makeRecording(folder(), 1);
    nlohmann::json json = nlohmann::json::parse(std::ifstream(doc));
    json["videoURL"] = "file://" + fifo.string();
    std::ofstream(folder() / "fifo-doc.json") << json.dump();
    CliRun exportFifo = cli("export " + (folder() / "fifo-doc.json").string());
    EXPECT_EQ(exportFifo.exitCode, 1);
    EXPECT_TRUE(contains(exportFifo.out, "is not a regular file")) << exportFifo.out;
}

// A full disk: a small tmpfs, when this test may mount one.
TEST_F(CliFiles, aFullDiskFailsInWordsAndLeavesNothing)
{
    const fs::path doc = makeRecording(folder(), 2);
    const fs::path small = folder() / "small";
    fs::create_directory(small);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=24k") != 0)
        GTEST_SKIP() << "can't mount a small tmpfs here (" << std::strerror(errno)
                     << "); the full-disk case is not tested";
    struct Unmount {
        fs::path at;
        ~Unmount() { umount2(at.c_str(), MNT_DETACH); }
    } unmount{small};

    CliRun frame = cli("frame " + doc.string() + " 0.5 --out " + (small / "f.png").string());
    EXPECT_EQ(frame.exitCode, 1) << frame.out;
    EXPECT_TRUE(contains(frame.out, "the disk is full")) << frame.out;
    CliRun exported = cli("export " + doc.string() + " --out " + (small / "e.mp4").string());
    EXPECT_EQ(exported.exitCode, 1) << exported.out;
    EXPECT_TRUE(contains(exported.out, "the disk is full")) << exported.out;
    EXPECT_TRUE(namesIn(small).empty());
}

// Names of 250 characters, as long as the file system allows with room for nothing else: the
// document is saved in place, the export and the frame land beside them, nothing is refused as
// too long.
TEST_F(CliFiles, namesAtTheFileSystemsLimitAreSavedExportedAndFramed)
{
    const fs::path doc = makeRecording(folder(), 1);
    const std::string stem(246, 'n');
    const fs::path movie = folder() / (stem + ".mp4");
    fs::rename(folder() / "screen.mp4", movie);
    nlohmann::json json = nlohmann::json::parse(fileText(doc));
    json["videoURL"] = "file://" + movie.string();
    const fs::path longDoc = folder() / (std::string(238, 'd') + ".tarnix.json");
    std::ofstream(longDoc) << json.dump(2);

    CliRun cut = cli("cut " + longDoc.string() + " 0.2 0.4");
    EXPECT_EQ(cut.exitCode, 0) << cut.out;
    EXPECT_TRUE(contains(fileText(longDoc), "cutRegions"));

    for (int round = 0; round < 2; ++round) { // the second one takes a numbered name
        CliRun exported = cli("export " + longDoc.string() + " --resolution 720p");
        EXPECT_EQ(exported.exitCode, 0) << exported.out;
    }
    int exports = 0;
    for (const auto& name : namesIn(folder())) {
        EXPECT_LE(name.size(), 255u) << name;
        if (name.ends_with(".mp4") && name != movie.filename().string()) {
            ++exports;
            EXPECT_GT(movieDuration(folder() / name), 0.5) << name;
        }
    }
    EXPECT_EQ(exports, 2);

    const fs::path picture = folder() / (std::string(246, 'p') + ".png");
    CliRun frame = cli("frame " + longDoc.string() + " 0.5 --out " + picture.string());
    EXPECT_EQ(frame.exitCode, 0) << frame.out;
    EXPECT_GT(fs::file_size(picture), 0u);
    EXPECT_FALSE(hasTemporaries(folder()));
}

TEST_F(CliFiles, frameWritesTheFormatItsNameSays)
{
    const fs::path doc = makeRecording(folder(), 1);
    CliRun jpeg = cli("frame " + doc.string() + " 0.5 --out " + (folder() / "f.JPG").string());
    ASSERT_EQ(jpeg.exitCode, 0) << jpeg.out;
    EXPECT_EQ(fileText(folder() / "f.JPG").substr(0, 3), "\xFF\xD8\xFF");
    CliRun png = cli("frame " + doc.string() + " 0.5 --out " + (folder() / "f.png").string());
    ASSERT_EQ(png.exitCode, 0) << png.out;
    EXPECT_EQ(fileText(folder() / "f.png").substr(1, 3), "PNG");
    CliRun gif = cli("frame " + doc.string() + " 0.5 --out " + (folder() / "f.gif").string());
    EXPECT_EQ(gif.exitCode, 2);
    EXPECT_TRUE(contains(gif.out, ".png, .jpg or .jpeg")) << gif.out;
    EXPECT_FALSE(fs::exists(folder() / "f.gif"));
}

TEST_F(CliFiles, mediaLibraryLogLinesOnlyWithVerbose)
{
    const fs::path doc = makeRecording(folder(), 1);
    CliRun quiet = cli("export " + doc.string());
    ASSERT_EQ(quiet.exitCode, 0) << quiet.out;
    EXPECT_FALSE(contains(quiet.out, " @ 0x")) << quiet.out; // "[libx264 @ 0x55...] ..."
    CliRun verbose = cli("--verbose export " + doc.string());
    ASSERT_EQ(verbose.exitCode, 0) << verbose.out;
    EXPECT_TRUE(contains(verbose.out, " @ 0x")) << verbose.out;
}

TEST_F(CliFiles, demoNeverOverwritesAnEarlierDemoAndAStoppedDemoLeavesNoStubs)
{
    const fs::path demo = folder() / "demo";
    CliProcess stopped({"demo", "--out", demo.string()}, folder() / "stopped");
    ASSERT_TRUE(stopped.waitForError("demo: recording", 60)) << stopped.err();
    stopped.signal(SIGTERM);
    EXPECT_EQ(stopped.wait(), 1) << stopped.err();
    for (const auto& name : namesIn(demo)) {
        const bool isMedia = std::set<std::string>{".mp4", ".mov", ".m4a"}.count(fs::path(name).extension());
        EXPECT_TRUE(!isMedia || movieDuration(demo / name) > 7) << name << " is a stub";
    }
    EXPECT_FALSE(hasTemporaries(demo));

    CliRun first = cli("demo --out " + demo.string());
    ASSERT_EQ(first.exitCode, 0) << first.out;
    const std::string exported = fileText(demo / "Tarnix-demo-edited.mp4");
    CliRun second = cli("demo --out " + demo.string());
    ASSERT_EQ(second.exitCode, 0) << second.out;
    EXPECT_TRUE(contains(second.out, "already holds a demo")) << second.out;
    EXPECT_TRUE(fs::exists(folder() / "demo-2" / "Tarnix-demo-edited.mp4"));
    EXPECT_EQ(fileText(demo / "Tarnix-demo-edited.mp4"), exported);
}

TEST(CliHelp, everyCommandHasHelpAndTheProgramAVersion)
{
    for (const char* command :
         {"validate", "autozoom", "zoom-at", "export", "frame", "cut", "demo", "sources", "record", "recover"}) {
        CliRun help = cli(std::string(command) + " --help");
        EXPECT_EQ(help.exitCode, 0) << command;
        EXPECT_TRUE(help.out.starts_with("usage: tarnix-cli " + std::string(command)))
            << command << ": " << help.out;
    }
    CliRun exportHelp = cli("export --help");
    EXPECT_TRUE(contains(exportHelp.out, "--format mp4|gif") && contains(exportHelp.out, "NAME-edited.gif"))
        << exportHelp.out;
    CliRun version = cli("--version");
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.starts_with("tarnix-cli ")) << version.out;
}

TEST(CliValidateRanges, valuesOutsideTheirRangeAreNamedByPath)
{
    tarnix::test::ScratchFolder folder;
    const std::string sample = std::string(TARNIX_SOURCE_DIR) + "/examples/sample-recording.tarnix.json";
    const struct {
        const char* pointer;
        double value;
        const char* path;
    } cases[] = {
        {"/background/padding", -0.1, "background.padding: out of range"},
        {"/captureFrame/1/0", 1e300, "captureFrame: out of range"},
        {"/cursorOverlay/sizeFraction", -2, "cursorOverlay.sizeFraction: out of range"},
    };
    for (const auto& c : cases) {
        nlohmann::json doc = nlohmann::json::parse(std::ifstream(sample));
        doc[nlohmann::json::json_pointer(c.pointer)] = c.value;
        std::ofstream(folder.path / "doc.json") << doc.dump();
        CliRun result = cli("validate " + (folder.path / "doc.json").string());
        EXPECT_EQ(result.exitCode, 2) << c.pointer;
        EXPECT_TRUE(contains(result.out, c.path)) << result.out;
    }
}
