// The text track's rules without widgets: making boxes in the free stretches, moving and trimming
// them up to their neighbours, selecting and deleting them.

#include <gtest/gtest.h>

#include "studio/timeline/TimelineModel.h"

namespace tarnix {
namespace {

using Track = TimelineModel::Track;
using TimelineRules::ClipEdge;

TextRegion box(double start, double end)
{
    TextRegion r;
    r.start = start;
    r.end = end;
    r.text = "Step";
    return r;
}

// 60 s across 600 points: 10 points per second.
class TextTrackModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        model.textRegions = Binding<std::vector<TextRegion>>::to(&boxes);
        model.selectedTextID = Binding<std::optional<Uuid>>::to(&selectedText);
        model.cutRegions = Binding<std::vector<CutRegion>>::to(&cuts);
        model.selectedCutID = Binding<std::optional<Uuid>>::to(&selectedCut);
        model.selectedRegionID = Binding<std::optional<Uuid>>::to(&selectedZoom);
        model.selectedRedactID = Binding<std::optional<Uuid>>::to(&selectedBlur);
        model.onCreateTextRegion = [this](double start, double end) {
            created.push_back({start, end});
        };
        model.onEditEnded = [this] { ++edits; };
        model.onSeek = [this](double t) { seeks.push_back(t); };
        model.setDuration(60);
        model.viewport.setWidth(600);
    }

    TimelineModel model;
    std::vector<TextRegion> boxes{box(10, 20), box(30, 40)};
    std::vector<CutRegion> cuts;
    std::optional<Uuid> selectedText, selectedCut, selectedZoom, selectedBlur;
    std::vector<SecondsRange> created;
    std::vector<double> seeks;
    int edits = 0;
};

TEST_F(TextTrackModel, ADragMakesABoxInTheFreeStretchAndAClickSeeks)
{
    model.endDragOnTrack(Track::text, 220, 260); // 22...26 s, between the boxes
    ASSERT_EQ(created.size(), 1u);
    EXPECT_EQ(created[0], (SecondsRange{22, 26}));

    model.endDragOnTrack(Track::text, 250, 350); // would run into the box at 30 s
    ASSERT_EQ(created.size(), 2u);
    EXPECT_EQ(created[1], (SecondsRange{25, 30}));

    model.endDragOnTrack(Track::text, 150, 170); // starts inside a box: after it
    ASSERT_EQ(created.size(), 3u);
    EXPECT_GE(created[2].lower, 20);

    selectedText = boxes[0].id;
    model.endDragOnTrack(Track::text, 500, 501);
    EXPECT_EQ(created.size(), 3u);
    ASSERT_EQ(seeks.size(), 1u);
    EXPECT_NEAR(seeks[0], 50.1, 1e-9);
    EXPECT_FALSE(selectedText) << "a click on the track clears its selection";
}

TEST_F(TextTrackModel, BoxesMoveAndTrimUpToTheirNeighbours)
{
    const Uuid first = boxes[0].id;
    model.dragClip(Track::text, first, std::nullopt, 150); // +15 s would overlap the next box
    model.endClipDrag();
    EXPECT_EQ(boxes[0].start, 20);
    EXPECT_EQ(boxes[0].end, 30);
    EXPECT_EQ(selectedText, first) << "the drag selects the clip";
    EXPECT_EQ(edits, 1);

    const Uuid second = boxes[1].id;
    model.dragClip(Track::text, second, ClipEdge::leading, -200);
    model.endClipDrag();
    EXPECT_EQ(boxes[1].start, 30) << "trimmed up to the box before";
    model.dragClip(Track::text, second, ClipEdge::trailing, 500);
    model.endClipDrag();
    EXPECT_EQ(boxes[1].end, 60) << "and to the recording's end";
    EXPECT_EQ(boxes[0].text, "Step") << "moving keeps the text";
}

TEST_F(TextTrackModel, SelectingABoxClearsTheCutAndDeleteRemovesIt)
{
    cuts = {{Uuid::random(), 50, 55}};
    model.select(Track::cut, cuts[0].id);
    model.select(Track::text, boxes[1].id);
    EXPECT_FALSE(selectedCut);
    EXPECT_TRUE(model.isSelected(Track::text, boxes[1].id));
    EXPECT_TRUE(model.deleteSelection());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].start, 10);
    EXPECT_EQ(cuts.size(), 1u) << "the cut stays";
    EXPECT_FALSE(selectedText);
    EXPECT_FALSE(model.deleteSelection());
}

} // namespace
} // namespace tarnix
