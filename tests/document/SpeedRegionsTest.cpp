#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "document/CutRegions.h"
#include "document/DocumentCoding.h"
#include "document/SpeedRegions.h"

using namespace tarnix;

namespace {

SpeedRegion speed(double start, double end, double factor) { return {Uuid::random(), start, end, factor}; }
CutRegion cut(double start, double end) { return {Uuid::random(), start, end}; }

RecordingTimeline example()
{
    std::ifstream in(std::string(TARNIX_SOURCE_DIR) + "/examples/sample-recording.tarnix.json");
    std::ostringstream text;
    text << in.rdbuf();
    return decodeRecordingTimeline(text.str());
}

// The decoding error of the example document with its speed list replaced, or "" when it decodes.
std::string decodingErrorWith(const std::vector<nlohmann::json>& speedRegions)
{
    nlohmann::json json = nlohmann::json::parse(encodeRecordingTimeline(example()));
    json["speedRegions"] = speedRegions;
    try {
        decodeRecordingTimeline(json.dump());
        return "";
    } catch (const DecodingError& e) {
        return e.path() + ": " + e.reason();
    }
}

nlohmann::json region(double start, double end, double factor)
{
    return {{"id", Uuid::random().toString()}, {"start", start}, {"end", end}, {"speed", factor}};
}

} // namespace

TEST(SpeedDocument, RegionsRoundTripAndAreLeftOutWhenThereAreNone)
{
    RecordingTimeline timeline = example();
    EXPECT_EQ(encodeRecordingTimeline(timeline).find("speedRegions"), std::string::npos);
    timeline.speedRegions = {speed(1, 2, 0.25), speed(2, 4.5, 8)};
    std::string text = encodeRecordingTimeline(timeline);
    EXPECT_NE(text.find("\"speedRegions\":[{\"id\""), std::string::npos);
    EXPECT_EQ(decodeRecordingTimeline(text), timeline);
}

TEST(SpeedDocument, BadRegionsFailWithAReasonNamingThem)
{
    EXPECT_EQ(decodingErrorWith({region(1, 2, 2), region(2, 3, 4)}), ""); // touching is fine
    EXPECT_NE(decodingErrorWith({region(1, 2, 3)}).find("0.25, 0.5, 1.5, 2, 4 or 8"), std::string::npos);
    EXPECT_NE(decodingErrorWith({region(1, 2, 1)}), "");
    EXPECT_NE(decodingErrorWith({region(2, 2, 2)}).find("end after it starts"), std::string::npos);
    EXPECT_NE(decodingErrorWith({region(3, 2, 2)}), "");
    std::string overlap = decodingErrorWith({region(4, 6, 2), region(1, 4.5, 8)});
    EXPECT_NE(overlap.find("overlap"), std::string::npos) << overlap;
    EXPECT_NE(overlap.find("speedRegions"), std::string::npos) << overlap;
}

TEST(SpeedTime, OutputDurationIsEachKeptSpanOverItsSpeed)
{
    // 0-2 at 1, 2-6 at 4 (1 s), 6-8 cut, 8-9 at 0.5 (2 s), 9-10 at 1.
    KeptTime time({cut(6, 8)}, {speed(2, 6, 4), speed(8, 9, 0.5)}, 10);
    EXPECT_TRUE(time.isRemapped());
    EXPECT_DOUBLE_EQ(time.duration(), 2 + 1 + 2 + 1);
    ASSERT_EQ(time.pieces().size(), 4u);

    EXPECT_DOUBLE_EQ(time.sourceTime(1), 1);
    EXPECT_DOUBLE_EQ(time.sourceTime(2.5), 4);  // halfway through the 4x span
    EXPECT_DOUBLE_EQ(time.sourceTime(3.5), 8.25);
    EXPECT_DOUBLE_EQ(time.sourceTime(5.5), 9.5);
    EXPECT_DOUBLE_EQ(time.sourceTime(60), 10);
    for (double t : {0.0, 1.0, 2.5, 3.0, 4.0, 5.9})
        EXPECT_NEAR(time.outputTime(time.sourceTime(t)), t, 1e-9) << t;
    EXPECT_DOUBLE_EQ(time.outputTime(7), 3); // in the cut: just after it
    EXPECT_TRUE(time.isCut(7));
    EXPECT_FALSE(time.isCut(4));

    // A speed region cut away entirely plays no part; one past the end is clipped.
    KeptTime clipped({cut(2, 4)}, {speed(2, 4, 8), speed(9, 20, 2)}, 10);
    EXPECT_DOUBLE_EQ(clipped.duration(), 2 + 5 + 0.5);
    // Speed alone: nothing is cut.
    KeptTime uncut({}, {speed(0, 10, 2)}, 10);
    EXPECT_FALSE(uncut.hasCuts());
    EXPECT_DOUBLE_EQ(uncut.duration(), 5);
    EXPECT_DOUBLE_EQ(uncut.sourceTime(5), 10);
}

TEST(SpeedTime, UnusableRegionsAreIgnored)
{
    KeptTime time({}, {speed(1, 3, 3), speed(2, 1, 2), speed(4, 6, 2), speed(5, 7, 4)}, 10);
    EXPECT_DOUBLE_EQ(time.duration(), 10 - 1); // only 4-6 at 2x counts
    EXPECT_FALSE(KeptTime({}, {}, 10).isRemapped());
}

TEST(SpeedEditing, AddingASpeedTakesItsTimeOutOfTheRegionsItOverlaps)
{
    SpeedRegion wide = speed(2, 8, 2), later = speed(9, 10, 4);
    std::vector<SpeedRegion> regions = addingSpeed({later, wide}, 4, 6, 8, 20);
    ASSERT_EQ(regions.size(), 4u);
    EXPECT_EQ(regions[0], (SpeedRegion{wide.id, 2, 4, 2}));
    EXPECT_EQ(regions[1].speed, 8);
    EXPECT_EQ(regions[2].start, 6);
    EXPECT_EQ(regions[2].end, 8);
    EXPECT_NE(regions[2].id, wide.id); // the right part is a region of its own
    EXPECT_EQ(regions[3], later);
    EXPECT_FALSE(overlappingSpeedRegions(regions));

    // Covering a region replaces it; the span is clipped to the recording.
    regions = addingSpeed(regions, 8.5, 30, 0.5, 20);
    EXPECT_EQ(regions.back().start, 8.5);
    EXPECT_EQ(regions.back().end, 20);
    EXPECT_EQ(regions.back().speed, 0.5);
    // Nothing changes for an empty span or a speed that is not offered.
    EXPECT_EQ(addingSpeed(regions, 3, 3, 2, 20), regions);
    EXPECT_EQ(addingSpeed(regions, 1, 2, 3, 20), regions);
    EXPECT_EQ(speedLabel(4), "4\u00d7");
    EXPECT_EQ(speedLabel(0.25), "0.25\u00d7");
}
