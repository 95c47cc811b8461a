// tarnix-cli's demo, export and frame commands, run as a user would.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <QImage>

#include "cli/CliRunner.h"
#include "document/DocumentCoding.h"
#include "media/LoudnessProbe.h"

namespace {

namespace fs = std::filesystem;

using tarnix::test::CliRun;

CliRun cli(const std::string& arguments)
{
    return tarnix::test::runCli(arguments, true);
}

// Width and height of a PNG file from its header; (0, 0) when it is not one.
std::pair<int, int> pngSize(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    unsigned char header[24] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    if (!in || header[1] != 'P' || header[2] != 'N' || header[3] != 'G')
        return {0, 0};
    auto word = [&](int at) {
        return int(header[at]) << 24 | int(header[at + 1]) << 16 | int(header[at + 2]) << 8 |
               int(header[at + 3]);
    };
    return {word(16), word(20)};
}

TEST(CliMediaCommands, DemoThenExportAndFrameOfItsDocument)
{
    tarnix::test::ScratchFolder folder;
    CliRun demo = cli("demo --out " + folder.path.string());
    ASSERT_EQ(demo.exitCode, 0) << demo.out;
    fs::path document = folder.path / "demo.tarnix.json";
    EXPECT_TRUE(fs::exists(document));
    EXPECT_TRUE(fs::exists(folder.path / "Tarnix-demo-edited.mp4")) << demo.out;
    auto [sheetWidth, sheetHeight] = pngSize(folder.path / "contact-sheet.png");
    EXPECT_GT(sheetWidth, sheetHeight);
    EXPECT_GT(sheetHeight, 0);
    EXPECT_NE(demo.out.find("export: 100 %"), std::string::npos) << demo.out; // not a terminal

    CliRun second = cli("export " + document.string() + " --resolution 720p");
    ASSERT_EQ(second.exitCode, 0) << second.out;
    fs::path expected = folder.path / "Tarnix-demo-edited-720p.mp4";
    EXPECT_NE(second.out.find(expected.string()), std::string::npos) << second.out;
    EXPECT_TRUE(fs::exists(expected));
    // The demo is recorded at 30 frames a second: asked for 60, the movie says why it has 30.
    CliRun sixty = cli("export " + document.string() + " --resolution 720p --fps 60 --out " +
                       (folder.path / "sixty.mp4").string());
    ASSERT_EQ(sixty.exitCode, 0) << sixty.out;
    EXPECT_NE(sixty.out.find("the recording has 30 frames a second: the movie has 30"),
              std::string::npos) << sixty.out;

    fs::path still = folder.path / "still.png";
    CliRun frame = cli("frame " + document.string() + " 4.5 --out " + still.string());
    ASSERT_EQ(frame.exitCode, 0) << frame.out;
    EXPECT_EQ(pngSize(still), std::make_pair(1280, 720));
    CliRun late = cli("frame " + document.string() + " 99 --out " + (folder.path / "late.png").string());
    EXPECT_EQ(late.exitCode, 2) << late.out;
}

// Mean difference per colour channel of two pictures of one size, 0...255.
double meanDifference(const QImage& a, const QImage& b)
{
    QImage x = a.convertToFormat(QImage::Format_RGB32), y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int column = 0; column < x.width(); ++column) {
            QRgb p = x.pixel(column, row), q = y.pixel(column, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

void shell(const std::string& command)
{
    ASSERT_EQ(std::system(("ffmpeg -nostdin -hide_banner -v error -y " + command).c_str()), 0)
        << command;
}

TEST(CliMediaCommands, FrameShowsAStripRegionOfAnOlderDocumentUnstretched)
{
    // A still test pattern as a 2 s movie, so every frame is the same picture.
    tarnix::test::ScratchFolder folder;
    const fs::path pattern = folder.path / "pattern.png", movie = folder.path / "screen.mp4";
    shell("-f lavfi -i testsrc2=s=640x360 -frames:v 1 " + pattern.string());
    shell("-loop 1 -framerate 30 -t 2 -i " + pattern.string() +
          " -c:v libx264 -preset ultrafast -qp 0 -pix_fmt yuv420p " + movie.string());
    const fs::path movieFrame = folder.path / "movie-frame.png";
    shell("-ss 1 -i " + movie.string() + " -frames:v 1 " + movieFrame.string());

    // A region 0.8 x 0.05 of the frame, as documents were written before regions were
    // frame-shaped, over the whole movie; nothing drawn over the picture.
    tarnix::RecordingTimeline timeline;
    timeline.videoURL = movie;
    timeline.captureFrame = {0, 0, 640, 360};
    timeline.cursorOverlay.isEnabled = false;
    timeline.cursorOverlay.showsClickRipples = false;
    timeline.zoomRegions = {{tarnix::Uuid::random(), 0, 2, {0.1, 0.4, 0.8, 0.05},
                             tarnix::EasingCurve::easeInOut}};
    const fs::path document = folder.path / "strip.tarnix.json";
    std::ofstream(document) << tarnix::encodeRecordingTimeline(timeline);

    const fs::path still = folder.path / "still.png";
    CliRun frame = cli("frame " + document.string() + " 1 --out " + still.string());
    ASSERT_EQ(frame.exitCode, 0) << frame.out;
    QImage rendered(QString::fromStdString(still.string()));
    QImage source(QString::fromStdString(movieFrame.string()));
    ASSERT_EQ(rendered.size(), QSize(640, 360));
    ASSERT_EQ(source.size(), QSize(640, 360));

    // The crop of (0.1, 0.025, 0.8, 0.8), scaled up evenly; not the strip stretched 12x down.
    auto scaledUp = [&](QRect crop) {
        return source.copy(crop).scaled(640, 360, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    const double toTrueCrop = meanDifference(rendered, scaledUp({64, 9, 512, 288}));
    const double toStretched = meanDifference(rendered, scaledUp({64, 144, 512, 18}));
    EXPECT_LT(toTrueCrop, 2) << "differs from the frame-shaped crop";
    EXPECT_GT(toStretched, 5) << "looks like the stretched strip";
}

TEST(CliMediaCommands, ExportEvensOutLoudnessOnlyWhenAskedAndValidateTakesNoiseReduction)
{
    // A quiet recording: its screen movie's sound at about -35 LUFS, a noisy microphone beside it
    // with noise reduction on.
    tarnix::test::ScratchFolder folder;
    const fs::path movie = folder.path / "screen.mp4", microphone = folder.path / "mic.m4a";
    shell("-f lavfi -i testsrc2=s=160x90:r=30:d=4 -f lavfi -i "
          "\"aevalsrc='0.02*sin(2*PI*300*t)*(0.7+0.3*sin(2*PI*2*t))':s=48000:d=4\" "
          "-c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac -shortest " + movie.string());
    shell("-f lavfi -i anoisesrc=d=4:c=pink:a=0.003:r=48000 -c:a aac " + microphone.string());
    tarnix::RecordingTimeline timeline;
    timeline.videoURL = movie;
    timeline.microphoneURL = microphone;
    timeline.hasSystemAudio = true;
    timeline.captureFrame = {0, 0, 160, 90};
    timeline.microphoneAudio.reducesNoise = true;
    timeline.microphoneAudio.noiseReductionStrength = 0.8;
    const fs::path document = folder.path / "quiet.tarnix.json";
    std::ofstream(document) << tarnix::encodeRecordingTimeline(timeline);

    CliRun valid = cli("validate " + document.string());
    EXPECT_EQ(valid.exitCode, 0) << valid.out;

    const fs::path plain = folder.path / "plain.mp4", even = folder.path / "even.mp4";
    ASSERT_EQ(cli("export " + document.string() + " --out " + plain.string()).exitCode, 0);
    CliRun evened = cli("export " + document.string() + " --loudness -16 --out " + even.string());
    ASSERT_EQ(evened.exitCode, 0) << evened.out;
    double before = tarnix::media::test::measureLoudnessWithTool(plain).integrated;
    EXPECT_LT(before, -30);
    EXPECT_NEAR(tarnix::media::test::measureLoudnessWithTool(even).integrated, -16, 1);

    for (const char* wrong : {"--loudness loud", "--loudness -90", "--loudness 0",
                              "--loudness -16 --format gif"}) {
        CliRun refused = cli("export " + document.string() + " " + wrong);
        EXPECT_EQ(refused.exitCode, 2) << wrong << ": " << refused.out;
    }
    EXPECT_NE(cli("export " + document.string() + " --loudness -90").out.find("-40 and -5 LUFS"),
              std::string::npos);
}

TEST(CliMediaCommands, BadInputGivesAClearMessage)
{
    tarnix::test::ScratchFolder folder;
    CliRun usage = cli("export");
    EXPECT_EQ(usage.exitCode, 2);
    CliRun badResolution = cli("export x.json --resolution 8k");
    EXPECT_EQ(badResolution.exitCode, 2);
    EXPECT_NE(badResolution.out.find("8k"), std::string::npos);
    CliRun badRate = cli("export x.json --fps 45");
    EXPECT_EQ(badRate.exitCode, 2);
    EXPECT_NE(badRate.out.find("unknown frame rate \"45\" (30 or 60)"), std::string::npos) << badRate.out;

    // A document whose screen movie is damaged.
    fs::path broken = folder.path / "broken.mp4";
    std::ofstream(broken) << std::string(2000, 'x');
    std::string source = std::string(TARNIX_SOURCE_DIR) + "/examples/sample-recording.tarnix.json";
    std::ifstream in(source);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    auto at = text.find("\"videoURL\": \"");
    ASSERT_NE(at, std::string::npos);
    auto end = text.find('"', at + 13);
    text.replace(at + 13, end - at - 13, "file://" + broken.string());
    std::ofstream(folder.path / "doc.json") << text;
    CliRun failed = cli("export " + (folder.path / "doc.json").string());
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_NE(failed.out.find("Export failed: "), std::string::npos) << failed.out;
    EXPECT_NE(failed.out.find("broken.mp4"), std::string::npos) << failed.out;
    EXPECT_FALSE(fs::exists(folder.path / "broken-edited.mp4"));
}

} // namespace
