// The cut track's rules without widgets: making, merging, trimming and refusing cuts in the
// timeline's model, and how the playhead (recording time) meets a player of the edited movie.

#include <gtest/gtest.h>

#include "studio/CutPlayback.h"
#include "studio/timeline/TimelineModel.h"

namespace tarnix {
namespace {

namespace TR = TimelineRules;
using Track = TimelineModel::Track;
using TR::ClipEdge;

CutRegion cut(double start, double end)
{
    return {Uuid::random(), start, end};
}

std::vector<SecondsRange> spans(const std::vector<CutRegion>& cuts)
{
    std::vector<SecondsRange> out;
    for (const CutRegion& c : cuts)
        out.push_back({c.start, c.end});
    return out;
}

// 60 s across 600 points: 10 points per second.
class CutTrackModel : public ::testing::Test {
protected:
    void SetUp() override
    {
        model.cutRegions = Binding<std::vector<CutRegion>>::to(&cuts);
        model.selectedCutID = Binding<std::optional<Uuid>>::to(&selectedCut);
        model.selectedRegionID = Binding<std::optional<Uuid>>::to(&selectedZoom);
        model.selectedRedactID = Binding<std::optional<Uuid>>::to(&selectedBlur);
        model.onEditEnded = [this] { ++edits; };
        model.onSeek = [this](double t) { seeks.push_back(t); };
        model.onRefused = [this](const std::string& why) { refusals.push_back(why); };
        model.setDuration(60);
        model.viewport.setWidth(600);
    }

    TimelineModel model;
    std::vector<CutRegion> cuts;
    std::optional<Uuid> selectedCut, selectedZoom, selectedBlur;
    std::vector<double> seeks;
    std::vector<std::string> refusals;
    int edits = 0;
};

TEST_F(CutTrackModel, ADragCutsWhatItSweptMergesWithWhatItTouchesAndSelectsTheResult)
{
    model.endDragOnTrack(Track::cut, 300, 200); // right to left: 20...30 s
    ASSERT_EQ(spans(cuts), (std::vector<SecondsRange>{{20, 30}}));
    EXPECT_EQ(selectedCut, cuts[0].id);
    EXPECT_EQ(edits, 1);

    Uuid first = cuts[0].id;
    selectedZoom = Uuid::random();
    model.endDragOnTrack(Track::cut, 250, 400); // overlaps the first: one cut 20...40 s
    ASSERT_EQ(spans(cuts), (std::vector<SecondsRange>{{20, 40}}));
    EXPECT_EQ(cuts[0].id, first) << "the merged cut keeps its identity";
    EXPECT_EQ(selectedCut, first);
    EXPECT_FALSE(selectedZoom) << "picking a cut clears the zoom selection";

    model.endDragOnTrack(Track::cut, 400, 450); // touching: still one cut
    EXPECT_EQ(spans(cuts), (std::vector<SecondsRange>{{20, 45}}));
    model.endDragOnTrack(Track::cut, 560, 700); // clipped to the recording
    EXPECT_EQ(spans(cuts).back(), (SecondsRange{56, 60}));

    model.endDragOnTrack(Track::cut, 100, 101); // a click seeks and clears the cut selection
    EXPECT_EQ(seeks, std::vector<double>{10.1});
    EXPECT_FALSE(selectedCut);
    EXPECT_EQ(edits, 4);
    EXPECT_TRUE(refusals.empty());
}

TEST_F(CutTrackModel, ACutThatWouldLeaveNothingIsRefusedAndChangesNothing)
{
    cuts = {cut(0, 30)};
    auto before = cuts;
    model.endDragOnTrack(Track::cut, 250, 650);
    EXPECT_EQ(cuts, before);
    EXPECT_EQ(edits, 0);
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_EQ(refusals[0], kEverythingCutMessage);

    // Trimming the end over the rest: the last trim that left something stays; the refusal is
    // told when the drag ends, and the drag is still one edit.
    model.dragTrim(ClipEdge::trailing, 400);
    EXPECT_EQ(spans(cuts), (std::vector<SecondsRange>{{0, 30}, {40, 60}}));
    model.dragTrim(ClipEdge::trailing, 280);
    EXPECT_EQ(spans(cuts), (std::vector<SecondsRange>{{0, 30}, {40, 60}}));
    model.endTrim();
    EXPECT_EQ(refusals.size(), 2u);
    EXPECT_EQ(edits, 1);

    // Dragging a cut's edge onto its neighbour: the same.
    Uuid id = cuts[1].id;
    model.dragClip(Track::cut, id, ClipEdge::leading, -100); // 40 -> 30 s
    model.endClipDrag();
    EXPECT_EQ(spans(cuts), (std::vector<SecondsRange>{{0, 30}, {40, 60}}))
        << "left where the last move that kept something put it";
    EXPECT_EQ(refusals.size(), 3u);
}

TEST_F(CutTrackModel, TrimGripsMakeAndChangeTheCutsAtTheEnds)
{
    EXPECT_EQ(model.trimTime(ClipEdge::leading), 0);
    EXPECT_EQ(model.trimTime(ClipEdge::trailing), 60);

    model.dragTrim(ClipEdge::leading, 50);
    EXPECT_EQ(spans(cuts), (std::vector<SecondsRange>{{0, 5}}));
    Uuid trim = cuts[0].id;
    model.dragTrim(ClipEdge::leading, 120);
    EXPECT_EQ(spans(cuts), (std::vector<SecondsRange>{{0, 12}}));
    EXPECT_EQ(cuts[0].id, trim) << "the trim keeps its identity while dragged";
    EXPECT_EQ(edits, 0) << "nothing is committed before the drag ends";
    model.endTrim();
    EXPECT_EQ(edits, 1);
    EXPECT_EQ(model.trimTime(ClipEdge::leading), 12);

    // A middle cut that the trim reaches is absorbed while the grip is over it, and back when the
    // grip is dragged out again within the same gesture.
    cuts.push_back(cut(15, 20));
    model.dragTrim(ClipEdge::leading, 170);
    EXPECT_EQ(spans(cuts), (std::vector<SecondsRange>{{0, 20}}));
    model.dragTrim(ClipEdge::leading, -30);
    EXPECT_EQ(spans(cuts), (std::vector<SecondsRange>{{15, 20}}));
    model.endTrim();

    model.nudgeTrim(ClipEdge::trailing, -0.1);
    ASSERT_EQ(cuts.size(), 2u);
    EXPECT_NEAR(cuts[1].start, 59.9, 1e-9);
    EXPECT_EQ(cuts[1].end, 60);
    model.nudgeTrim(ClipEdge::trailing, 0.1);
    EXPECT_EQ(cuts.size(), 1u);
    EXPECT_EQ(edits, 4);
}

TEST_F(CutTrackModel, ACutMovesUpToItsNeighboursJoinsOneItMeetsAndDeletingRestoresIt)
{
    cuts = {cut(10, 20), cut(30, 35)};
    Uuid second = cuts[1].id;
    EXPECT_EQ(model.allowedRange(Track::cut, second), (SecondsRange{20, 60}));
    model.dragClip(Track::cut, second, std::nullopt, -200); // would pass the first cut
    EXPECT_EQ(spans(cuts), (std::vector<SecondsRange>{{10, 20}, {20, 25}}));
    EXPECT_EQ(selectedCut, second);
    model.endClipDrag();
    ASSERT_EQ(spans(cuts), (std::vector<SecondsRange>{{10, 25}}));
    EXPECT_EQ(cuts[0].id, second) << "the dragged cut stays selected after the join";
    EXPECT_EQ(edits, 1);

    model.dragClip(Track::cut, second, ClipEdge::trailing, -200);
    EXPECT_NEAR(cuts[0].end, 10 + TR::kMinCutDuration, 1e-9) << "a trim leaves the shortest cut";
    model.endClipDrag();

    selectedZoom = Uuid::random(); // gone from the list: the key passes on to the cut
    EXPECT_TRUE(model.deleteSelection());
    EXPECT_TRUE(cuts.empty());
    EXPECT_FALSE(selectedCut);
    EXPECT_FALSE(model.deleteSelection());
}

TEST(CutPlayback, ThePlayheadInRecordingTimeMeetsAPlayerOfTheEditedMovie)
{
    // 10 s recording; 2...4 and 8...10 cut: the movie is 0-2 + 4-8, 6 s.
    KeptTime kept({cut(2, 4), cut(8, 10)}, 10);
    const double frame = 1.0 / 30;
    EXPECT_DOUBLE_EQ(CutPlayback::playerTime(kept, 5, frame), 3);
    EXPECT_DOUBLE_EQ(CutPlayback::playerTime(kept, 3, frame), 2) << "inside a cut: the frame after";
    EXPECT_DOUBLE_EQ(CutPlayback::playerTime(kept, 9, frame), 6 - frame)
        << "inside the trimmed end: the last frame, not past the movie";

    // Playing, the playhead jumps over the cut; paused, it stays where the user parked it.
    EXPECT_DOUBLE_EQ(CutPlayback::playhead(kept, 2.01, 1.99, true, frame), 4.01);
    EXPECT_DOUBLE_EQ(CutPlayback::playhead(kept, 2, 3, false, frame), 3);
    EXPECT_DOUBLE_EQ(CutPlayback::playhead(kept, 2.5, 3, false, frame), 4.5)
        << "a report that is not the parked seek's moves it";
    EXPECT_DOUBLE_EQ(CutPlayback::playhead(kept, 6 - frame, 9, false, frame), 9);

    // The transport steps through movie time and stays within the movie.
    EXPECT_DOUBLE_EQ(CutPlayback::stepped(kept, 1, 2), 5);
    EXPECT_DOUBLE_EQ(CutPlayback::stepped(kept, 5, -5), 0);
    EXPECT_DOUBLE_EQ(CutPlayback::stepped(kept, 5, 5), 8);
    EXPECT_DOUBLE_EQ(CutPlayback::movieTime(kept, 6), 4);

    KeptTime none({}, 10);
    EXPECT_DOUBLE_EQ(CutPlayback::playerTime(none, 9.99, frame), 9.99);
    EXPECT_DOUBLE_EQ(CutPlayback::playhead(none, 3, 7, false, frame), 3);
}

TEST(CutPlayback, WithSpeedAloneTheTransportCountsMovieTime)
{
    // 10 s recording, 2...6 at 4x and nothing cut: the movie is 2 + 1 + 4 = 7 s.
    KeptTime fast({}, {SpeedRegion{Uuid::random(), 2, 6, 4}}, 10);
    const double frame = 1.0 / 30;
    EXPECT_DOUBLE_EQ(CutPlayback::movieTime(fast, 4), 2.5);
    EXPECT_DOUBLE_EQ(CutPlayback::movieTime(fast, 10), 7);
    EXPECT_DOUBLE_EQ(CutPlayback::playerTime(fast, 8, frame), 5);
    EXPECT_DOUBLE_EQ(CutPlayback::playhead(fast, 2.5, 0, true, frame), 4);
    // A second of movie time across the fast span is four of the recording.
    EXPECT_DOUBLE_EQ(CutPlayback::stepped(fast, 2, 1), 6);
}

} // namespace
} // namespace tarnix
