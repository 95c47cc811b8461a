#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "studio/StudioFormatting.h"

namespace tarnix {
namespace {

TEST(StudioFormatting, TimeTextCutsToWholeSecondsAndNeverWrapsMinutes)
{
    struct Case {
        double seconds;
        const char* text;
    } cases[] = {
        {0, "0:00"},
        {59.99, "0:59"},
        {60, "1:00"},
        {61.5, "1:01"},
        {3725, "62:05"},
        {-1, "0:00"},
        {-0.001, "0:00"},
        {std::nan(""), "0:00"},
        {std::numeric_limits<double>::infinity(), "0:00"},
        {1e300, "150000000000000:00"}, // absurd, but defined
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatTime(c.seconds), c.text) << c.seconds;
    EXPECT_EQ(formatTimePair(12.7, 65), "0:12 / 1:05");
}

TEST(StudioFormatting, DisplayedWaveformCombinesTheEnabledTracks)
{
    const std::vector<float> system = {0.2f, 0.9f};
    const std::vector<float> mic = {0.5f, 0.1f, 0.7f};
    struct Case {
        bool systemOn, micOn;
        std::vector<float> expected;
    } cases[] = {
        {true, true, {0.5f, 0.9f}},
        {true, false, {0.2f, 0.9f}},
        {false, true, {0.5f, 0.1f, 0.7f}},
        {false, false, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(displayedWaveform(system, {c.systemOn}, mic, {c.micOn}), c.expected)
            << c.systemOn << c.micOn;
    EXPECT_EQ(displayedWaveform({}, {true}, mic, {true}), mic) << "an empty track gives the other";
}

TEST(StudioFormatting, CaptionAndExportProgressTexts)
{
    EXPECT_EQ(timelineCaption(3, 12), "3 zooms · 12 clicks detected");
    EXPECT_EQ(timelineCaption(1, 1), "1 zoom · 1 clicks detected");
    EXPECT_EQ(timelineCaption(0, 0), "0 zooms · 0 clicks detected");
    EXPECT_EQ(exportingText(0.429), "Exporting… 42%");
    EXPECT_EQ(exportingText(1.2), "Exporting… 100%");
    EXPECT_EQ(exportingText(std::nan("")), "Exporting… 0%");
}

} // namespace
} // namespace tarnix
