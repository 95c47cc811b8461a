#include <gtest/gtest.h>

#include <fstream>

#include "MediaTestSupport.h"
#include "media/ExportResolution.h"

namespace tarnix {
namespace {

TEST(ExportResolution, RawValuesTextsAndPresets)
{
    EXPECT_EQ(rawValue(ExportResolution::uhd4K), "uhd4K");
    EXPECT_EQ(exportResolutionFromRawValue("fhd1080p"), ExportResolution::fhd1080p);
    EXPECT_EQ(exportResolutionFromRawValue("1080p"), std::nullopt);
    EXPECT_EQ(menuItemText(ExportResolution::source), "Source Quality");
    EXPECT_EQ(menuItemText(ExportResolution::uhd4K), "4K (2160p)");
    EXPECT_EQ(menuButtonText(ExportResolution::hd720p), "720p");
    EXPECT_EQ(fileNameSuffix(ExportResolution::uhd4K), "edited-4k");
    EXPECT_EQ(exportPreset(ExportResolution::source), media::ExportPreset::highestQuality);
}

TEST(MakeExportURL, CountsUpPastExistingFilesPerSuffix)
{
    media::test::TempFolder folder;
    auto source = folder / "capture.mov";
    auto first = makeExportURL(source, ExportResolution::source);
    EXPECT_EQ(first, folder / "capture-edited.mp4");
    std::ofstream(first) << "x";
    auto second = makeExportURL(source, ExportResolution::source);
    EXPECT_EQ(second, folder / "capture-edited-2.mp4");
    std::ofstream(second) << "x";
    EXPECT_EQ(makeExportURL(source, ExportResolution::source), folder / "capture-edited-3.mp4");
    EXPECT_EQ(makeExportURL(source, ExportResolution::hd720p), folder / "capture-edited-720p.mp4");
    EXPECT_EQ(makeExportURL(source, ExportResolution::uhd4K), folder / "capture-edited-4k.mp4");
}

TEST(MakeExportURL, KeepsEverythingBeforeTheLastDot)
{
    EXPECT_EQ(makeExportURL("/nowhere/a.b.mov", ExportResolution::source),
              std::filesystem::path("/nowhere/a.b-edited.mp4"));
    EXPECT_EQ(makeExportURL("/nowhere/Tarnix-2026-01-02T03-04-05Z.mp4", ExportResolution::fhd1080p),
              std::filesystem::path("/nowhere/Tarnix-2026-01-02T03-04-05Z-edited-1080p.mp4"));
}

TEST(ExportPreset, FrameSizeFitsTheNominalSizeKeepingAspectAndEvenDimensions)
{
    using media::ExportPreset;
    using media::exportFrameSize;
    EXPECT_EQ(exportFrameSize(ExportPreset::highestQuality, QSize(1921, 1081)), QSize(1920, 1080));
    EXPECT_EQ(exportFrameSize(ExportPreset::preset3840x2160, QSize(1920, 1080)), QSize(3840, 2160));
    EXPECT_EQ(exportFrameSize(ExportPreset::preset1280x720, QSize(2560, 1600)), QSize(1152, 720));
    EXPECT_EQ(exportFrameSize(ExportPreset::preset1920x1080, QSize(1000, 1000)), QSize(1080, 1080));
    EXPECT_EQ(exportFrameSize(ExportPreset::preset1280x720, QSize(1366, 768)), QSize(1280, 718));
    EXPECT_EQ(exportFrameSize(ExportPreset::preset1280x720, QSize()), QSize());
}

TEST(ExportPreset, CompatibilityIsTheEncodersAnswerWithFallbackToHighestQuality)
{
    EXPECT_TRUE(media::encoderAcceptsFrameSize(QSize(1280, 720)));
    EXPECT_FALSE(media::encoderAcceptsFrameSize(QSize(20000, 200)));
    EXPECT_FALSE(media::encoderAcceptsFrameSize(QSize(0, 0)));

    media::Composition composition;
    composition.addMutableTrack(media::MediaType::video, 1);
    media::VideoComposition video;
    video.customVideoCompositor = [] { return std::unique_ptr<media::VideoCompositing>(); };
    video.renderSize = QSize(20000, 100); // too wide for the encoder at its own size
    EXPECT_FALSE(media::determineCompatibility(media::ExportPreset::highestQuality, composition, video));
    EXPECT_EQ(compatibleExportPreset(ExportResolution::hd720p, composition, video),
              media::ExportPreset::preset1280x720);

    media::Composition noVideo;
    EXPECT_EQ(compatibleExportPreset(ExportResolution::uhd4K, noVideo, video),
              media::ExportPreset::highestQuality);
}

} // namespace
} // namespace tarnix
