#include <gtest/gtest.h>

#include <QSignalSpy>

#include <fstream>

#include "StudioTestSupport.h"
#include "media/LoudnessProbe.h"
#include "media/SoundFilters.h"
#include "studio/StudioExporter.h"
#include "studio/StudioSession.h"

namespace tarnix {
namespace {

using test::waitFor;

std::vector<std::string> filesIn(const std::filesystem::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// Real builds and real exports of a generated recording, through the model.
class StudioExportTest : public ::testing::Test {
protected:
    void SetUp() override { recording = test::makeRecording(folder.path(), 2.0, 640, 360); }

    bool exportAndWait(StudioSession& s)
    {
        s.exporter().start();
        return waitFor([&] { return !s.exporter().isExporting(); }, 120);
    }

    media::test::TempFolder folder;
    test::GeneratedRecording recording;
    test::ScriptedPlayer player;
};

TEST_F(StudioExportTest, ExportsAreNamedNextToTheScreenMovieAndReportProgress)
{
    StudioSession s(recording.timeline, player);
    QSignalSpy changes(&s.exporter(), &StudioExporter::changed);
    std::vector<double> progress;
    QObject::connect(&s.exporter(), &StudioExporter::changed, [&] { progress.push_back(s.exporter().progress()); });

    s.exporter().setResolution(ExportResolution::hd720p);
    ASSERT_TRUE(exportAndWait(s));
    ASSERT_TRUE(s.exporter().exportedURL());
    EXPECT_EQ(*s.exporter().exportedURL(), folder / "screen-edited-720p.mp4");
    const media::test::ProbedMovie movie = media::test::probe(*s.exporter().exportedURL());
    EXPECT_EQ(movie.width, 1280);
    EXPECT_EQ(movie.height, 720);
    EXPECT_TRUE(movie.hasAudio);
    EXPECT_FALSE(s.messages().errorMessage());
    EXPECT_GT(std::count_if(progress.begin(), progress.end(), [](double p) { return p > 0 && p < 1; }), 2)
        << "progress arrives while the export runs";

    s.exporter().setResolution(ExportResolution::source);
    ASSERT_TRUE(exportAndWait(s));
    ASSERT_TRUE(exportAndWait(s));
    EXPECT_EQ(*s.exporter().exportedURL(), folder / "screen-edited-2.mp4");
    EXPECT_EQ(media::test::probe(*s.exporter().exportedURL()).width, 640);
}

TEST_F(StudioExportTest, MoviesHaveEvenLoudnessUnlessSwitchedOff)
{
    // The recording's two tones mixed sit a few LU away from the target.
    StudioSession s(recording.timeline, player);
    EXPECT_TRUE(s.exporter().evensOutLoudness()) << "on unless the user switched it off";
    ASSERT_TRUE(exportAndWait(s));
    ASSERT_TRUE(s.exporter().exportedURL());
    const double even = media::test::measureLoudnessWithTool(*s.exporter().exportedURL()).integrated;
    EXPECT_NEAR(even, media::kDefaultLoudnessTarget, 1);

    s.exporter().setEvensOutLoudness(false);
    ASSERT_TRUE(exportAndWait(s));
    ASSERT_TRUE(s.exporter().exportedURL());
    const double asMixed = media::test::measureLoudnessWithTool(*s.exporter().exportedURL()).integrated;
    EXPECT_GT(std::abs(asMixed - even), 1.5) << "left as mixed, " << asMixed << " LUFS";
}

TEST_F(StudioExportTest, AFailedExportClearsTheResultAndSaysWhy)
{
    StudioSession s(recording.timeline, player);
    ASSERT_TRUE(exportAndWait(s));
    EXPECT_TRUE(s.exporter().exportedURL());

    // The screen movie is damaged after the Studio opened it.
    std::filesystem::resize_file(*recording.timeline.videoURL, 200);
    ASSERT_TRUE(exportAndWait(s));
    EXPECT_FALSE(s.exporter().exportedURL()) << "the result row of the earlier export goes";
    ASSERT_TRUE(s.messages().errorMessage());
    EXPECT_TRUE(s.messages().errorMessage()->startsWith("Export failed: ")) << s.messages().errorMessage()->toStdString();
    EXPECT_FALSE(std::filesystem::exists(folder / "screen-edited-2.mp4"));
}

TEST_F(StudioExportTest, CancellingAMovieOrAGifLeavesNoFileAndNoMessage)
{
    const std::vector<std::string> before = filesIn(folder.path());
    StudioSession s(recording.timeline, player);
    s.exporter().setResolution(ExportResolution::fhd1080p);
    for (media::ExportFileType type : {media::ExportFileType::mpeg4, media::ExportFileType::gif}) {
        s.exporter().setFileType(type);
        s.exporter().start();
        ASSERT_TRUE(waitFor([&] { return s.exporter().progress() > 0.05; }, 60));
        s.exporter().cancel();
        ASSERT_TRUE(waitFor([&] { return !s.exporter().isExporting(); }, 60));
        EXPECT_FALSE(s.exporter().exportedURL());
        EXPECT_FALSE(s.messages().errorMessage());
        EXPECT_EQ(filesIn(folder.path()), before);
    }

    // Closing while exporting: cancel and wait, nothing stays behind.
    s.exporter().start();
    ASSERT_TRUE(waitFor([&] { return s.exporter().progress() > 0.05; }, 60));
    s.exporter().cancelAndWait();
    EXPECT_FALSE(s.exporter().isExporting());
    EXPECT_EQ(filesIn(folder.path()), before);
}

TEST_F(StudioExportTest, AGifReportsProgressThroughBothPassesAndIsNamedWithoutAResolution)
{
    StudioSession s(recording.timeline, player);
    s.exporter().setResolution(ExportResolution::hd720p);
    s.exporter().setFileType(media::ExportFileType::gif);
    std::vector<double> progress;
    QObject::connect(&s.exporter(), &StudioExporter::changed, [&] { progress.push_back(s.exporter().progress()); });
    ASSERT_TRUE(exportAndWait(s));
    ASSERT_TRUE(s.exporter().exportedURL());
    EXPECT_EQ(*s.exporter().exportedURL(), folder / "screen-edited.gif") << "a GIF is not named by a resolution";
    EXPECT_FALSE(s.messages().errorMessage());
    EXPECT_TRUE(std::any_of(progress.begin(), progress.end(), [](double p) { return p > 0.1 && p < 0.5; }));
    EXPECT_TRUE(std::any_of(progress.begin(), progress.end(), [](double p) { return p > 0.5 && p < 1; }));

    // Choosing a resolution again means a movie.
    s.exporter().setResolution(ExportResolution::hd720p);
    EXPECT_EQ(s.exporter().fileType(), media::ExportFileType::mpeg4);
}

} // namespace
} // namespace tarnix
