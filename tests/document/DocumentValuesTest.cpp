#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "document/Date.h"
#include "document/LookSettings.h"
#include "document/RecordingTimeline.h"

using namespace tarnix;

TEST(NormalizedPoint, MapsScreenSpaceToTopDownFractions)
{
    RecordingTimeline t;
    t.captureFrame = {100, 50, 1000, 500};
    EXPECT_EQ(t.normalizedPoint({100, 550}), (Point{0, 0}));   // top-left corner
    EXPECT_EQ(t.normalizedPoint({1100, 50}), (Point{1, 1}));   // bottom-right corner
    EXPECT_EQ(t.normalizedPoint({600, 300}), (Point{0.5, 0.5}));
    EXPECT_EQ(t.normalizedPoint({350, 425}), (Point{0.25, 0.25}));
}

TEST(NormalizedPoint, PointsOutsideTheFrameClampToItsEdges)
{
    RecordingTimeline t;
    t.captureFrame = {0, 0, 200, 100};
    EXPECT_EQ(t.normalizedPoint({-50, 150}), (Point{0, 0}));
    EXPECT_EQ(t.normalizedPoint({500, -20}), (Point{1, 1}));
}

TEST(NormalizedPoint, DegenerateFramesGiveTheCentre)
{
    RecordingTimeline t;
    for (Rect frame : {Rect{0, 0, 0, 100}, Rect{0, 0, 100, 0}, Rect{5, 5, -10, 10}}) {
        t.captureFrame = frame;
        EXPECT_EQ(t.normalizedPoint({3, 4}), (Point{0.5, 0.5}));
    }
}

TEST(Easing, CurvesMatchTheirFormulas)
{
    EXPECT_DOUBLE_EQ(interpolate(EasingCurve::easeIn, 0.5), 0.25);
    EXPECT_DOUBLE_EQ(interpolate(EasingCurve::easeOut, 0.5), 0.75);
    EXPECT_DOUBLE_EQ(interpolate(EasingCurve::easeInOut, 0.25), 0.125);
    EXPECT_DOUBLE_EQ(interpolate(EasingCurve::easeInOut, 0.5), 0.5);
    EXPECT_DOUBLE_EQ(interpolate(EasingCurve::easeInOut, 0.75), 0.875);
    EXPECT_DOUBLE_EQ(interpolate(EasingCurve::linear, 0.3), 0.3);
}

TEST(Easing, ProgressIsClampedAndEndsAreExact)
{
    for (auto curve : {EasingCurve::linear, EasingCurve::easeIn, EasingCurve::easeOut,
                       EasingCurve::easeInOut}) {
        EXPECT_EQ(interpolate(curve, -1), 0);
        EXPECT_EQ(interpolate(curve, 0), 0);
        EXPECT_EQ(interpolate(curve, 1), 1);
        EXPECT_EQ(interpolate(curve, 2), 1);
        EXPECT_EQ(interpolate(curve, std::nan("")), 0);
    }
}

TEST(LookSettings, GradientCatalogueAndDefaults)
{
    const auto& all = GradientPreset::all();
    ASSERT_EQ(all.size(), 6u);
    std::vector<std::string> ids;
    for (const auto& p : all)
        ids.push_back(p.id);
    EXPECT_EQ(ids, (std::vector<std::string>{"midnight", "sunset", "ocean", "violet", "forest",
                                             "slate"}));
    EXPECT_EQ(&GradientPreset::defaultPreset(), &all.front());
    EXPECT_EQ(all[3].colors[0], (CodableColor{0.31, 0.27, 0.9, 1.0}));
    EXPECT_EQ(GradientPreset::find("forest"), &all[4]);
    EXPECT_EQ(GradientPreset::find("nope"), nullptr);
    EXPECT_EQ(BackgroundSettings::disabled.gradientPresetID, GradientPreset::defaultPreset().id);
}

TEST(LookSettings, DefaultsArePinned)
{
    const CameraOverlaySettings camera;
    EXPECT_FALSE(camera.isEnabled);
    EXPECT_EQ(camera.shape, CameraBubbleShape::rounded);
    EXPECT_EQ(camera.cornerRadius, 28);
    EXPECT_EQ(camera.sizeFraction, 0.22);
    EXPECT_EQ(camera.position, (Point{0.84, 0.82}));
    EXPECT_TRUE(camera.mirrored);

    const BackgroundSettings& background = BackgroundSettings::disabled;
    EXPECT_EQ(background.style, BackgroundStyle::none);
    EXPECT_EQ(background.solidColor, (CodableColor{0.09, 0.09, 0.11, 1.0}));
    EXPECT_EQ(background.gradientPresetID, "midnight");
    EXPECT_FALSE(background.imagePath);
    EXPECT_EQ(background.padding, 0.08);
    EXPECT_EQ(background.cornerRadius, 22);
    EXPECT_EQ(background.shadowOpacity, 0.55);
    EXPECT_EQ(BackgroundSettings{}, background);

    const CursorOverlaySettings cursor;
    EXPECT_TRUE(cursor.isEnabled);
    EXPECT_EQ(cursor.sizeFraction, 0.022);
    EXPECT_EQ(cursor.style, CursorStyle::system);
    EXPECT_TRUE(cursor.showsClickRipples);
    EXPECT_TRUE(AudioTrackSettings{}.isEnabled);

    const std::vector<GradientPreset> expected{
        {"midnight", {{0.06, 0.07, 0.14, 1.0}, {0.2, 0.1, 0.32, 1.0}}},
        {"sunset", {{0.98, 0.42, 0.34, 1.0}, {0.93, 0.2, 0.55, 1.0}}},
        {"ocean", {{0.06, 0.45, 0.62, 1.0}, {0.02, 0.16, 0.32, 1.0}}},
        {"violet", {{0.31, 0.27, 0.9, 1.0}, {0.93, 0.28, 0.6, 1.0}}},
        {"forest", {{0.1, 0.3, 0.2, 1.0}, {0.03, 0.1, 0.08, 1.0}}},
        {"slate", {{0.3, 0.32, 0.36, 1.0}, {0.1, 0.11, 0.13, 1.0}}},
    };
    EXPECT_EQ(GradientPreset::all(), expected);
}

TEST(Identity, UuidsAreRandomCanonicalAndParseBack)
{
    std::set<std::string> seen;
    for (int i = 0; i < 1000; ++i) {
        Uuid id = Uuid::random();
        std::string text = id.toString();
        ASSERT_EQ(text.size(), 36u);
        EXPECT_EQ(text[14], '4'); // version 4
        EXPECT_EQ(Uuid::fromString(text), id);
        seen.insert(text);
    }
    EXPECT_EQ(seen.size(), 1000u);
    EXPECT_EQ(Uuid::fromString("6ba7b810-9dad-11d1-80b4-00c04fd430c8")->toString(),
              "6BA7B810-9DAD-11D1-80B4-00C04FD430C8");
    EXPECT_FALSE(Uuid::fromString("6BA7B810x9DAD-11D1-80B4-00C04FD430C8"));
    EXPECT_FALSE(Uuid::fromString("6BA7B810-9DAD-11D1-80B4-00C04FD430C"));
    EXPECT_NE(CursorSample{}.id, CursorSample{}.id);
}

TEST(Dates, ReferenceDateAndIsoText)
{
    EXPECT_EQ(Date::fromUnixSeconds(978307200.0).timeIntervalSinceReferenceDate, 0);
    EXPECT_EQ(Date{0}.iso8601(), "2001-01-01T00:00:00Z");
    EXPECT_EQ(Date::fromUnixSeconds(1765029787.9).iso8601(), "2025-12-06T14:03:07Z");
    EXPECT_GT(Date::now().timeIntervalSinceReferenceDate, 8e8);
}

TEST(Identity, FindByIDFindsTheFirstWithTheIdentifierAndNothingElse)
{
    std::vector<RedactRegion> regions(3);
    regions[2].id = regions[1].id; // a document may repeat one; the first counts
    regions[2].start = 5;
    EXPECT_EQ(findByID(regions, regions[1].id), &regions[1]);
    EXPECT_EQ(findByID(regions, Uuid::random()), nullptr);
    EXPECT_EQ(findByID(regions, std::nullopt), nullptr);
    EXPECT_EQ(findByID(std::vector<RedactRegion>{}, regions[0].id), nullptr);

    const std::vector<RedactRegion>& readOnly = regions;
    const RedactRegion* found = findByID(readOnly, regions[2].id);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->start, 0);
}
