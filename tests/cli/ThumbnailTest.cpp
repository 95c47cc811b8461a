// tarnix-cli thumbnail, as a file manager runs it: on real movies, and on documents built to
// hang, exhaust or mislead it.

#include <gtest/gtest.h>

#include <QImage>

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <nlohmann/json.hpp>

#include "cli/CliRunner.h"

namespace {

namespace fs = std::filesystem;

using tarnix::test::CliRun;

CliRun cli(const std::string& arguments)
{
    return tarnix::test::runCli(arguments, true);
}

void ffmpeg(const std::string& args)
{
    const std::string command = "ffmpeg -nostdin -hide_banner -v error -y " + args;
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

std::string fileUrl(const fs::path& path)
{
    return "file://" + path.string();
}

class CliThumbnail : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::ifstream in(std::string(TARNIX_SOURCE_DIR) + "/examples/sample-recording.tarnix.json");
        document = nlohmann::json::parse(in);
        document.erase("cameraURL");
        document.erase("microphoneURL");
        document["hasSystemAudio"] = false;
        // A padded gradient: the document's look must show in the thumbnail.
        document["background"]["style"] = "gradient";
        document["background"]["padding"] = 0.1;
    }

    // A 3-second 1080p test pattern as the screen movie.
    fs::path makeScreenMovie(int width = 1920, int height = 1080)
    {
        const fs::path movie = folder.path / "screen.mp4";
        ffmpeg("-f lavfi -i testsrc2=s=" + std::to_string(width) + "x" + std::to_string(height) +
               ":r=30:d=3 -c:v libx264 -preset ultrafast -pix_fmt yuv420p " + movie.string());
        document["videoURL"] = fileUrl(movie);
        return movie;
    }

    fs::path writeDocument(const std::string& name = "rec.tarnix.json")
    {
        const fs::path path = folder.path / name;
        std::ofstream(path) << document.dump(2);
        return path;
    }

    tarnix::test::ScratchFolder folder;
    nlohmann::json document;
};

double meanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

TEST_F(CliThumbnail, IsTheComposedFrameAtAThirdScaledToTheAskedSize)
{
    makeScreenMovie();
    const fs::path doc = writeDocument();
    const fs::path thumb = folder.path / "thumb.png";
    CliRun run = cli("thumbnail " + doc.string() + " " + thumb.string() + " --size 256");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    const QImage picture(QString::fromStdString(thumb.string()));
    ASSERT_EQ(picture.size(), QSize(256, 144));

    // The same picture as the full composed frame at one second of three, made small.
    const fs::path still = folder.path / "still.png";
    ASSERT_EQ(cli("frame " + doc.string() + " 1 --out " + still.string()).exitCode, 0);
    const QImage frame = QImage(QString::fromStdString(still.string()))
                             .scaled(256, 144, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(meanDifference(picture, frame), 4.0);

    // A tall recording fits its height; a small one is never enlarged.
    fs::remove(thumb);
    makeScreenMovie(360, 640);
    const fs::path tall = writeDocument("tall.tarnix.json");
    ASSERT_EQ(cli("thumbnail " + tall.string() + " " + thumb.string() + " --size 128").exitCode, 0);
    EXPECT_EQ(QImage(QString::fromStdString(thumb.string())).size(), QSize(72, 128));
    fs::remove(thumb);
    ASSERT_EQ(cli("thumbnail " + tall.string() + " " + thumb.string() + " --size 1024").exitCode, 0);
    EXPECT_EQ(QImage(QString::fromStdString(thumb.string())).size(), QSize(360, 640));
}

TEST_F(CliThumbnail, ReplacesOnlyAnEmptyPlaceholder)
{
    makeScreenMovie(320, 180);
    const fs::path doc = writeDocument();
    const fs::path placeholder = folder.path / "placeholder.png";
    std::ofstream{placeholder};
    ASSERT_EQ(cli("thumbnail " + doc.string() + " " + placeholder.string()).exitCode, 0);
    EXPECT_EQ(QImage(QString::fromStdString(placeholder.string())).size(), QSize(256, 144));

    const fs::path precious = folder.path / "precious.png";
    std::ofstream(precious) << "not mine";
    CliRun refused = cli("thumbnail " + doc.string() + " " + precious.string());
    EXPECT_EQ(refused.exitCode, 1) << refused.out;
    std::ifstream in(precious);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "not mine");

    for (const std::string size : {"0", "4097", "12.5", "big"}) {
        CliRun bad = cli("thumbnail " + doc.string() + " " + (folder.path / "x.png").string() +
                         " --size " + size);
        EXPECT_EQ(bad.exitCode, 2) << size << ": " << bad.out;
    }
    EXPECT_FALSE(fs::exists(folder.path / "x.png"));
}

// Documents from anywhere: each fails with a message, quickly, and leaves no file behind.
TEST_F(CliThumbnail, HostileDocumentsFailCleanly)
{
    const fs::path thumb = folder.path / "thumb.png";
    auto expectRefused = [&](const std::string& what) {
        const fs::path doc = writeDocument();
        CliRun run = cli("thumbnail " + doc.string() + " " + thumb.string());
        EXPECT_EQ(run.exitCode, 1) << what << ": " << run.out;
        EXPECT_NE(run.out.find("No thumbnail: "), std::string::npos) << what << ": " << run.out;
        EXPECT_FALSE(fs::exists(thumb)) << what;
        for (const auto& entry : fs::directory_iterator(folder.path))
            EXPECT_EQ(entry.path().filename().string().find(".partial"), std::string::npos) << what;
    };

    // A FIFO would block the reader forever; a device never ends.
    const fs::path fifo = folder.path / "fifo.mp4";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    document["videoURL"] = fileUrl(fifo);
    expectRefused("a FIFO");
    document["videoURL"] = "file:///dev/zero";
    expectRefused("a device");

    // A playlist dressed as a movie would make the decoder read other files.
    const fs::path secret = folder.path / "secret.mp4";
    ffmpeg("-f lavfi -i testsrc2=s=320x180:r=30:d=1 -c:v libx264 -preset ultrafast " + secret.string());
    const fs::path playlist = folder.path / "playlist.mp4";
    std::ofstream(playlist) << "#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" << secret.string()
                            << "\n#EXT-X-ENDLIST\n";
    document["videoURL"] = fileUrl(playlist);
    expectRefused("a playlist");
    std::ofstream(playlist) << "ffconcat version 1.0\nfile '" << secret.string() << "'\n";
    expectRefused("a concat list");

    // Missing and garbage files.
    document["videoURL"] = fileUrl(folder.path / "missing.mp4");
    expectRefused("a missing movie");
    std::ofstream(folder.path / "junk.mp4") << std::string(4096, '\x7f');
    document["videoURL"] = fileUrl(folder.path / "junk.mp4");
    expectRefused("a junk movie");
}

TEST_F(CliThumbnail, ABackgroundPictureThatIsAFifoIsLeftOut)
{
    makeScreenMovie(320, 180);
    const fs::path fifo = folder.path / "wallpaper.png";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    document["background"]["style"] = "image";
    document["background"]["imagePath"] = fifo.string();
    const fs::path doc = writeDocument();
    const fs::path thumb = folder.path / "thumb.png";
    CliRun run = cli("thumbnail " + doc.string() + " " + thumb.string() + " --size 64");
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(QImage(QString::fromStdString(thumb.string())).width(), 64);
}

} // namespace

// The limits themselves, in a child process each.
#include "cli/ProcessLimits.h"

#include <unistd.h>

#include <new>
#include <vector>

namespace {

using namespace tarnix::cli;

TEST(CliProcessLimitsDeathTest, TheDeadlineEndsAHungCommandWithItsMessage)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ProcessLimits::setDeadline(1, "gave up\n");
            for (;;)
                pause();
        },
        ::testing::ExitedWithCode(1), "gave up");
}

TEST(CliProcessLimitsDeathTest, TheMemoryCapTurnsAHugeAllocationIntoAnError)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the cap is off under AddressSanitizer";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            ProcessLimits::limitAddressSpace(std::size_t(1) << 30);
            try {
                std::vector<char> huge(std::size_t(2) << 30, 1);
                _exit(huge[12345]);
            } catch (const std::bad_alloc&) {
                _exit(3);
            }
        },
        ::testing::ExitedWithCode(3), "");
}

} // namespace
