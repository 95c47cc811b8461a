// The speed track's rules without widgets: making 2× segments in the free stretches, moving and
// trimming them up to their neighbours and the recording's ends, picking their speed, selecting
// and deleting them, each change reported once.

#include <gtest/gtest.h>

#include "document/SpeedRegions.h"
#include "studio/timeline/TimelineModel.h"

namespace tarnix {
namespace {

using Track = TimelineModel::Track;
using TimelineRules::ClipEdge;

SpeedRegion segment(double start, double end, double speed)
{
    return {Uuid::random(), start, end, speed};
}

// 60 s across 600 points: 10 points per second.
class SpeedTrackModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        model.speedRegions = Binding<std::vector<SpeedRegion>>::to(&speeds);
        model.selectedSpeedID = Binding<std::optional<Uuid>>::to(&selectedSpeed);
        model.cutRegions = Binding<std::vector<CutRegion>>::to(&cuts);
        model.selectedCutID = Binding<std::optional<Uuid>>::to(&selectedCut);
        model.selectedRegionID = Binding<std::optional<Uuid>>::to(&selectedZoom);
        model.selectedRedactID = Binding<std::optional<Uuid>>::to(&selectedBlur);
        model.selectedTextID = Binding<std::optional<Uuid>>::to(&selectedText);
        model.onEditEnded = [this] { ++edits; };
        model.onSeek = [this](double t) { seeks.push_back(t); };
        model.setDuration(60);
        model.viewport.setWidth(600);
    }

    TimelineModel model;
    std::vector<SpeedRegion> speeds{segment(10, 20, 4), segment(30, 40, 0.5)};
    std::vector<CutRegion> cuts;
    std::optional<Uuid> selectedSpeed, selectedCut, selectedZoom, selectedBlur, selectedText;
    std::vector<double> seeks;
    int edits = 0;
};

TEST_F(SpeedTrackModel, ADragMakesASelectedTwiceAsFastSegmentInTheFreeStretch)
{
    model.dragOnTrack(Track::speed, 220, 240);
    ASSERT_TRUE(model.pendingDrag(Track::speed)) << "the drag shows what it will make";
    model.endDragOnTrack(Track::speed, 220, 260); // 22...26 s, between the segments
    EXPECT_FALSE(model.pendingDrag(Track::speed));
    ASSERT_EQ(speeds.size(), 3u);
    EXPECT_EQ(speeds[1].start, 22);
    EXPECT_EQ(speeds[1].end, 26);
    EXPECT_EQ(speeds[1].speed, TimelineRules::kNewSpeed);
    EXPECT_EQ(selectedSpeed, speeds[1].id);
    EXPECT_EQ(edits, 1) << "one edit, one undo step";

    model.endDragOnTrack(Track::speed, 450, 700); // past the neighbour's start and the end
    ASSERT_EQ(speeds.size(), 4u);
    EXPECT_EQ(speeds[3].start, 45);
    EXPECT_EQ(speeds[3].end, 60);

    model.endDragOnTrack(Track::speed, 150, 170); // starts inside a segment: after it
    ASSERT_EQ(speeds.size(), 5u);
    EXPECT_EQ(speeds[1].start, 20);
    EXPECT_EQ(speeds[0].speed, 4) << "the segment it started in keeps its speed";
    EXPECT_FALSE(overlappingSpeedRegions(speeds));

    model.endDragOnTrack(Track::speed, 500, 501); // a click seeks and deselects
    EXPECT_EQ(speeds.size(), 5u);
    EXPECT_FALSE(selectedSpeed);
    ASSERT_EQ(seeks.size(), 1u);
    EXPECT_NEAR(seeks[0], 50.1, 1e-9);
}

TEST_F(SpeedTrackModel, SegmentsMoveAndTrimUpToTheirNeighboursAndTheRecordingsEnds)
{
    const Uuid first = speeds[0].id, second = speeds[1].id;
    model.dragClip(Track::speed, first, std::nullopt, 150); // +15 s would overlap the next one
    EXPECT_EQ(edits, 0) << "nothing is committed while the pointer moves";
    model.endClipDrag();
    EXPECT_EQ(speeds[0].start, 20);
    EXPECT_EQ(speeds[0].end, 30);
    EXPECT_EQ(speeds[0].speed, 4) << "moving keeps the speed";
    EXPECT_EQ(selectedSpeed, first);
    EXPECT_EQ(edits, 1);

    model.dragClip(Track::speed, first, std::nullopt, -400); // before the recording's start
    model.endClipDrag();
    EXPECT_EQ(speeds[0].start, 0);
    EXPECT_EQ(speeds[0].end, 10);

    model.dragClip(Track::speed, second, ClipEdge::leading, -300);
    model.endClipDrag();
    EXPECT_EQ(speeds[1].start, 10) << "trimmed up to the segment before";
    model.dragClip(Track::speed, second, ClipEdge::trailing, 500);
    model.endClipDrag();
    EXPECT_EQ(speeds[1].end, 60) << "and to the recording's end";
    model.dragClip(Track::speed, second, ClipEdge::trailing, -1000);
    model.endClipDrag();
    EXPECT_NEAR(speeds[1].end, 10 + TimelineRules::kMinRegionDuration, 1e-9) << "never shorter than the minimum";
    EXPECT_EQ(edits, 5);
    EXPECT_FALSE(overlappingSpeedRegions(speeds));
}

TEST_F(SpeedTrackModel, ASpeedIsPickedFromTheFactorsAndEachPickIsOneEdit)
{
    const Uuid id = speeds[0].id;
    EXPECT_TRUE(model.setSpeed(id, 8));
    EXPECT_EQ(speeds[0].speed, 8);
    EXPECT_EQ(*model.speedOf(id), 8);
    EXPECT_EQ(edits, 1);
    EXPECT_FALSE(model.setSpeed(id, 8)) << "the same speed changes nothing";
    EXPECT_FALSE(model.setSpeed(id, 3)) << "not one of the factors";
    EXPECT_FALSE(model.setSpeed(Uuid::random(), 2)) << "a segment that has gone";
    EXPECT_EQ(edits, 1);
    EXPECT_EQ(speeds[0].speed, 8);
}

TEST_F(SpeedTrackModel, SelectedAloneAndDeletedByTheDeleteKey)
{
    cuts = {{Uuid::random(), 50, 55}};
    selectedZoom = Uuid::random();
    selectedText = Uuid::random();
    model.select(Track::speed, speeds[1].id);
    EXPECT_FALSE(selectedZoom);
    EXPECT_FALSE(selectedText);
    model.select(Track::cut, cuts[0].id);
    EXPECT_FALSE(selectedSpeed) << "a cut picked after it takes the selection";
    model.select(Track::speed, speeds[1].id);
    EXPECT_FALSE(selectedCut);

    EXPECT_TRUE(model.deleteSelection());
    ASSERT_EQ(speeds.size(), 1u);
    EXPECT_EQ(speeds[0].start, 10);
    EXPECT_EQ(cuts.size(), 1u) << "the cut stays";
    EXPECT_FALSE(selectedSpeed);
    EXPECT_EQ(edits, 1);
    EXPECT_FALSE(model.deleteSelection());
}

} // namespace
} // namespace tarnix
