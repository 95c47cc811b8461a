#include <gtest/gtest.h>

#include "DecodeFailure.h"
#include "document/DocumentCoding.h"

using namespace tarnix;

// A window recording: a 400 × 300 window whose movie is 400 × 300, moved at 2 s and widened to
// 800 × 300 at 5 s (screen space, y up).
namespace {

RecordingTimeline followedWindow()
{
    RecordingTimeline t;
    t.captureFrame = {100, 100, 400, 300};
    t.captureFrameSamples = {{Uuid::random(), 2, {600, 200, 400, 300}},
                             {Uuid::random(), 5, {600, 200, 800, 300}}};
    return t;
}

void expectPoint(Point actual, Point expected, const char* what = "")
{
    EXPECT_NEAR(actual.x, expected.x, 1e-9) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-9) << what;
}

} // namespace

TEST(FollowedWindow, EachSampleHoldsFromItsTimeOnAndTheFirstFrameBeforeIt)
{
    const auto t = followedWindow();
    EXPECT_EQ(t.captureFrameAt(0), t.captureFrame);
    EXPECT_EQ(t.captureFrameAt(1.999), t.captureFrame);
    EXPECT_EQ(t.captureFrameAt(2), t.captureFrameSamples[0].rect);
    EXPECT_EQ(t.captureFrameAt(4.9), t.captureFrameSamples[0].rect);
    EXPECT_EQ(t.captureFrameAt(60), t.captureFrameSamples[1].rect);
    EXPECT_EQ(RecordingTimeline{}.captureFrameAt(3), Rect{}) << "no samples: captureFrame";
}

TEST(FollowedWindow, PointsAreNormalisedAgainstTheWindowWhereItWasAtTheTime)
{
    const auto t = followedWindow();
    const Point oldCentre{300, 250};
    const Point newCentre{800, 350};
    expectPoint(t.normalizedPoint(oldCentre, 1), {0.5, 0.5});
    expectPoint(t.normalizedPoint(oldCentre, 1), t.normalizedPoint(oldCentre));
    expectPoint(t.normalizedPoint(newCentre, 3), {0.5, 0.5});
    expectPoint(t.normalizedPoint(oldCentre, 3), {0, 5.0 / 6}, "left of the moved window");
    // Moved without changing size: the picture fills the movie.
    EXPECT_EQ(t.pictureRectAt(3), kUnitRect);
}

TEST(FollowedWindow, AWindowOfAnotherSizeIsScaledIntoTheMovieAspectKeptAndCentred)
{
    const auto t = followedWindow();
    // 800 × 300 into 400 × 300: half size, 150 high, 75 of black above and below.
    const Rect picture = t.pictureRectAt(6);
    EXPECT_DOUBLE_EQ(picture.x, 0);
    EXPECT_DOUBLE_EQ(picture.width, 1);
    EXPECT_DOUBLE_EQ(picture.y, 0.25);
    EXPECT_DOUBLE_EQ(picture.height, 0.5);
    expectPoint(t.normalizedPoint({1000, 350}, 6), {0.5, 0.5});
    expectPoint(t.normalizedPoint({600, 500}, 6), {0, 0.25}, "the window's top-left corner");
    expectPoint(t.normalizedPoint({1400, 200}, 6), {1, 0.75}, "its bottom-right corner");
    expectPoint(t.normalizedPoint({5000, -50}, 6), {1, 0.75}, "outside it: clamped to its picture");
    // A tall window gets bars left and right instead.
    EXPECT_EQ(aspectFitRect({100, 300}, {400, 300}), (Rect{0.375, 0, 0.25, 1}));
    EXPECT_EQ(aspectFitRect({0, 300}, {400, 300}), kUnitRect) << "nothing to scale";
    EXPECT_EQ(placedInPicture({0.5, 0.5, 0.5, 0.5}, picture), (Rect{0.5, 0.5, 0.5, 0.25}));
}

TEST(FollowedWindowCoding, SamplesRoundTripAndAreWrittenOnlyWhenThereAreSome)
{
    auto t = followedWindow();
    const auto json = OrderedJson::parse(encodeRecordingTimeline(t));
    ASSERT_TRUE(json.contains("captureFrameSamples"));
    EXPECT_EQ(json["captureFrameSamples"][1].dump(),
              R"({"id":")" + t.captureFrameSamples[1].id.toString() + R"(","timestamp":5.0,"rect":[[600.0,200.0],[800.0,300.0]]})");
    EXPECT_EQ(decodeRecordingTimeline(json.dump()), t);

    t.captureFrameSamples.clear();
    const auto plain = nlohmann::json::parse(encodeRecordingTimeline(t));
    EXPECT_FALSE(plain.contains("captureFrameSamples"));
    EXPECT_EQ(decodeRecordingTimeline(plain.dump()), t);
}

TEST(FollowedWindowCoding, BadSamplesAreRefusedWithTheirPath)
{
    const auto good = nlohmann::json::parse(encodeRecordingTimeline(followedWindow()));
    struct Case {
        const char* pointer;
        nlohmann::json value;
        const char* message;
    };
    const Case cases[] = {
        {"/captureFrameSamples/1/timestamp", 1.5,
         "captureFrameSamples[1].timestamp: out of order: 1.5 comes after 2.0"},
        {"/captureFrameSamples/0/timestamp", -1,
         "captureFrameSamples[0].timestamp: out of range: -1.0 is not within 0.0...10000000.0"},
        {"/captureFrameSamples/0/rect/1/0", -400, "captureFrameSamples[0].rect: the capture frame has a negative size"},
        {"/captureFrameSamples/1/rect/0/0", 1e9,
         "captureFrameSamples[1].rect: out of range: 1000000000.0 is beyond any screen (at most 1000000.0 points)"},
    };
    for (const auto& c : cases) {
        auto json = good;
        json[nlohmann::json::json_pointer(c.pointer)] = c.value;
        EXPECT_EQ(decodeFailure(json), c.message) << c.pointer;
    }
    auto same = good;
    same["captureFrameSamples"][1]["timestamp"] = 2; // two changes seen at one moment
    EXPECT_NO_THROW(decodeRecordingTimeline(same.dump()));
}
