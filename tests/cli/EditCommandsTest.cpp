// tarnix-cli cut, speed, speed-idle, export --format gif and frame inside a cut, run as a user would.

#include <gtest/gtest.h>

#include <QImage>

#include <filesystem>
#include <fstream>

#include "cli/CliRunner.h"
#include "document/DocumentCoding.h"

namespace {

namespace fs = std::filesystem;

using tarnix::test::CliRun;

CliRun cli(const std::string& arguments) { return tarnix::test::runCli(arguments, true); }

// A 4 s screen movie, red, green, blue and white for a second each, and a document for it with
// no overlays.
fs::path makeRecording(const fs::path& folder)
{
    fs::path movie = folder / "screen.mp4";
    std::string command =
        "ffmpeg -nostdin -hide_banner -v error -y -f lavfi -i "
        "\"color=red:s=160x90:r=30:d=1[a];color=green:s=160x90:r=30:d=1[b];"
        "color=blue:s=160x90:r=30:d=1[c];color=white:s=160x90:r=30:d=1[d];"
        "[a][b][c][d]concat=n=4\" -c:v libx264 -preset ultrafast -pix_fmt yuv420p \"" +
        movie.string() + "\"";
    EXPECT_EQ(std::system(command.c_str()), 0);
    tarnix::RecordingTimeline timeline;
    timeline.videoURL = movie;
    timeline.cursorOverlay.isEnabled = false;
    fs::path document = folder / "screen.tarnix.json";
    std::ofstream(document) << tarnix::encodeRecordingTimeline(timeline);
    return document;
}

tarnix::RecordingTimeline reread(const fs::path& document)
{
    std::ifstream in(document);
    std::string text((std::istreambuf_iterator<char>(in)), {});
    return tarnix::decodeRecordingTimeline(text);
}

QRgb centreOf(const fs::path& png)
{
    QImage image(QString::fromStdString(png.string()));
    return image.isNull() ? 0 : image.pixel(image.width() / 2, image.height() / 2);
}

TEST(CliEditCommands, CutMergesSavesAndRefusesToCutEverything)
{
    tarnix::test::ScratchFolder folder;
    fs::path document = makeRecording(folder.path);

    CliRun first = cli("cut " + document.string() + " 1 1.5");
    ASSERT_EQ(first.exitCode, 0) << first.out;
    CliRun touching = cli("cut " + document.string() + " 1.5 2");
    ASSERT_EQ(touching.exitCode, 0) << touching.out;
    EXPECT_NE(touching.out.find("kept 3.0 of 4.0 seconds"), std::string::npos) << touching.out;
    auto cuts = reread(document).cutRegions;
    ASSERT_EQ(cuts.size(), 1u);
    EXPECT_EQ(cuts[0].start, 1);
    EXPECT_EQ(cuts[0].end, 2);

    CliRun everything = cli("cut " + document.string() + " 0 4");
    EXPECT_EQ(everything.exitCode, 1);
    EXPECT_NE(everything.out.find("Nothing is left to export"), std::string::npos)
        << everything.out;
    EXPECT_EQ(reread(document).cutRegions, cuts); // unchanged

    EXPECT_EQ(cli("cut " + document.string() + " 3 2").exitCode, 2);
    EXPECT_EQ(cli("cut " + document.string() + " 5 6").exitCode, 2);
    EXPECT_EQ(cli("cut " + (folder.path / "missing.json").string() + " 1 2").exitCode, 2);
    // Nothing but the document was written into the folder.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder.path))
        files += entry.is_regular_file() ? 1 : 0;
    EXPECT_EQ(files, 2);
}

TEST(CliEditCommands, FrameInsideACutShowsTheFrameAfterItAndExportsHonourTheCut)
{
    tarnix::test::ScratchFolder folder;
    fs::path document = makeRecording(folder.path);
    ASSERT_EQ(cli("cut " + document.string() + " 1 2").exitCode, 0);

    fs::path still = folder.path / "still.png";
    CliRun inside = cli("frame " + document.string() + " 1.4 --out " + still.string());
    ASSERT_EQ(inside.exitCode, 0) << inside.out;
    QRgb colour = centreOf(still);
    EXPECT_LT(qRed(colour), 60);
    EXPECT_GT(qBlue(colour), 180); // the blue second, right after the cut

    CliRun gif = cli("export " + document.string() + " --format gif");
    ASSERT_EQ(gif.exitCode, 0) << gif.out;
    fs::path expected = folder.path / "screen-edited.gif";
    EXPECT_NE(gif.out.find(expected.string()), std::string::npos) << gif.out;
    EXPECT_TRUE(fs::exists(expected));
    EXPECT_EQ(cli("export " + document.string() + " --format webm").exitCode, 2);

    CliRun movie = cli("export " + document.string());
    ASSERT_EQ(movie.exitCode, 0) << movie.out;
    fs::path mp4 = folder.path / "screen-edited.mp4";
    std::string probe = "ffprobe -v error -show_entries format=duration -of csv=p=0 \"" +
                        mp4.string() + "\"";
    FILE* pipe = popen(probe.c_str(), "r");
    ASSERT_TRUE(pipe);
    char line[64] = {};
    ASSERT_TRUE(fgets(line, sizeof line, pipe));
    pclose(pipe);
    EXPECT_NEAR(std::stod(line), 3.0, 1 / 30.0 + 0.01);
}

TEST(CliEditCommands, TextAddsABoxThatValidateListsAndFramesDraw)
{
    tarnix::test::ScratchFolder folder;
    fs::path document = makeRecording(folder.path);
    CliRun added = cli("text " + document.string() +
                       " 0.2 9 'Déjà vu' --at 0.25,0.3 --size 0.25 --color '#0000FF' --background");
    ASSERT_EQ(added.exitCode, 0) << added.out;
    EXPECT_EQ(added.out, "text 0.2 4.0\n") << "the end is held to the recording's";
    auto boxes = reread(document).textRegions;
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Déjà vu");
    EXPECT_EQ(boxes[0].position.x, 0.25);
    EXPECT_EQ(boxes[0].color.blue, 1);
    EXPECT_TRUE(boxes[0].background);

    CliRun listed = cli("validate " + document.string());
    EXPECT_NE(listed.out.find("textRegions: 1 text box\n  0.2 … 4.0 s  \"Déjà vu\""),
              std::string::npos)
        << listed.out;

    // The red second with blue text on its pill, drawn from the top left corner (where the box
    // is moved to stay on the picture) over about three quarters of the width, and red elsewhere.
    fs::path still = folder.path / "text.png";
    CliRun frame = cli("frame " + document.string() + " 0.5 --out " + still.string());
    ASSERT_EQ(frame.exitCode, 0) << frame.out;
    QImage image(QString::fromStdString(still.string()));
    ASSERT_FALSE(image.isNull());
    image.save(QStringLiteral(TARNIX_BINARY_DIR "/cli-text-frame.png"));
    int blueInBox = 0, blueElsewhere = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qBlue(p) > 150 && qRed(p) < 100)
                (x < image.width() * 0.85 && y < image.height() * 0.55 ? blueInBox : blueElsewhere)++;
        }
    EXPECT_GT(blueInBox, 20);
    EXPECT_EQ(blueElsewhere, 0);
    EXPECT_GT(qRed(image.pixel(image.width() - 5, image.height() - 5)), 180);

    const std::string before = reread(document).textRegions[0].text;
    for (const char* bad : {" 1 2 Hi --at 2,0", " 1 2 Hi --color red", " 1 2 Hi --size 0",
                            " 2 1 Hi", " 1 2 ''", " 5 6 Hi", " 1 2 Hi --shout"})
        EXPECT_EQ(cli("text " + document.string() + bad).exitCode, 2) << bad;
    EXPECT_EQ(reread(document).textRegions.size(), 1u) << "refused boxes leave the document";
}

} // namespace

namespace {

// Pixels of the lower quarter that are far from red (the first second of the movie).
int notRedBelow(const fs::path& png)
{
    QImage image(QString::fromStdString(png.string()));
    int count = 0;
    for (int y = image.height() * 3 / 4; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            QRgb p = image.pixel(x, y);
            count += qRed(p) < 150 || qGreen(p) > 90 ? 1 : 0;
        }
    return count;
}

} // namespace

TEST(CliEditCommands, FrameDrawsTheKeysPressedAsTheStudioDoes)
{
    tarnix::test::ScratchFolder folder;
    fs::path document = makeRecording(folder.path);
    tarnix::RecordingTimeline timeline = reread(document);
    timeline.keyEvents = {{tarnix::Uuid::random(), 0.2, "S", {tarnix::KeyModifier::ctrl}}};
    std::ofstream(document, std::ios::trunc) << tarnix::encodeRecordingTimeline(timeline);

    fs::path shown = folder.path / "shown.png";
    CliRun run = cli("frame " + document.string() + " 0.5 --out " + shown.string());
    ASSERT_EQ(run.exitCode, 0) << run.out;
    EXPECT_GT(notRedBelow(shown), 20) << "the pill at the bottom";

    fs::path later = folder.path / "later.png";
    ASSERT_EQ(cli("frame " + document.string() + " 0.95 --out " + later.string()).exitCode, 0);
    EXPECT_GT(notRedBelow(later), 20) << "still shown 0.75 s after the press";

    timeline.keystrokeOverlay.isEnabled = false;
    std::ofstream(document, std::ios::trunc) << tarnix::encodeRecordingTimeline(timeline);
    fs::path hidden = folder.path / "hidden.png";
    ASSERT_EQ(cli("frame " + document.string() + " 0.5 --out " + hidden.string()).exitCode, 0);
    EXPECT_EQ(notRedBelow(hidden), 0);
}

TEST(CliEditCommands, SpeedSavesRegionsAndRefusesFactorsItDoesNotOffer)
{
    tarnix::test::ScratchFolder folder;
    fs::path document = makeRecording(folder.path);

    CliRun fast = cli("speed " + document.string() + " 1 3 4x");
    ASSERT_EQ(fast.exitCode, 0) << fast.out;
    EXPECT_NE(fast.out.find("the movie lasts 2.5 of 4.0 seconds"), std::string::npos) << fast.out;
    // Overlapping, it takes its time out of the first region.
    CliRun slow = cli("speed " + document.string() + " 2 4 0.5");
    ASSERT_EQ(slow.exitCode, 0) << slow.out;
    auto speeds = reread(document).speedRegions;
    ASSERT_EQ(speeds.size(), 2u);
    EXPECT_EQ(speeds[0].end, 2);
    EXPECT_EQ(speeds[0].speed, 4);
    EXPECT_EQ(speeds[1].speed, 0.5);

    // The frame at 1.5 s of the recording is still there, at 1.125 s of the movie.
    fs::path still = folder.path / "still.png";
    ASSERT_EQ(cli("frame " + document.string() + " 1.5 --out " + still.string()).exitCode, 0);
    EXPECT_GT(qGreen(centreOf(still)), 100);

    CliRun refused = cli("speed " + document.string() + " 0 1 3");
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.out.find("0.25, 0.5, 1.5, 2, 4 or 8"), std::string::npos) << refused.out;
    EXPECT_EQ(cli("speed " + document.string() + " 1 1 2").exitCode, 2);
    EXPECT_EQ(cli("speed " + document.string() + " 9 10 2").exitCode, 2);
    EXPECT_EQ(reread(document).speedRegions, speeds); // unchanged
    EXPECT_EQ(cli("validate " + document.string()).exitCode, 0);

    // The screen changes every second: nothing is idle for 3 s, so nothing changes.
    CliRun idle = cli("speed-idle " + document.string());
    ASSERT_EQ(idle.exitCode, 0) << idle.out;
    EXPECT_NE(idle.out.find("the document is unchanged"), std::string::npos) << idle.out;
    EXPECT_EQ(reread(document).speedRegions, speeds);
}
