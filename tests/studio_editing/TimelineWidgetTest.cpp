// The timeline and its clips as a user drives them: real mouse, key and wheel events on the real
// widgets, the edit state behind bindings as the editor keeps it.

#include <QMenu>
#include <QWindow>
#include <QWheelEvent>

#include "EditingTestSupport.h"
#include "document/CutRegions.h"
#include "studio/NewRegions.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/timeline/TimelineClipView.h"
#include "studio/timeline/TrimHandleView.h"
#include "studio/timeline/TimelineView.h"
#include "zoom/ZoomPanEngine.h"

namespace tarnix {
namespace {

namespace TR = TimelineRules;

// 60 s across 600 points: 10 points per second. Track rows (y): ruler 0-22, filmstrip 28-68, cut 74-104,
// speed 110-140, zoom 146-214, blur 220-254, text 260-294, audio 300-332.
constexpr int kCutY = 89;
constexpr int kSpeedY = 125;
constexpr int kZoomY = 180;
constexpr int kBlurY = 237;
constexpr int kAudioY = 316;

class TimelineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::application();
        document.captureFrame = {0, 0, 1920, 1080};
        ClickEvent click;
        click.timestamp = 12;
        click.point = {1700, 900};
        document.clickEvents = {click};

        view = std::make_unique<TimelineView>();
        auto& model = view->model();
        model.regions = Binding<std::vector<ZoomRegion>>::to(&regions);
        model.redactRegions = Binding<std::vector<RedactRegion>>::to(&redacts);
        model.selectedRegionID = Binding<std::optional<Uuid>>::to(&selectedZoom);
        model.selectedRedactID = Binding<std::optional<Uuid>>::to(&selectedBlur);
        model.cutRegions = Binding<std::vector<CutRegion>>::to(&cuts);
        model.selectedCutID = Binding<std::optional<Uuid>>::to(&selectedCut);
        model.speedRegions = Binding<std::vector<SpeedRegion>>::to(&speeds);
        model.selectedSpeedID = Binding<std::optional<Uuid>>::to(&selectedSpeed);
        model.onRefused = [this](const std::string& why) { refusals.push_back(why); };
        model.onSeek = [this](double t) { seeks.push_back(t); };
        model.onEditEnded = [this] { ++edits; };
        // What the editor does with a creation: the region, selected, and one rebuild.
        model.onCreateRegion = [this](double s, double e) {
            regions.push_back(NewRegions::zoomRegion(s, e, document));
            selectedZoom = regions.back().id;
            ++edits;
        };
        model.onCreateRedactRegion = [this](double s, double e) {
            redacts.push_back(NewRegions::redactRegion(s, e));
            selectedBlur = redacts.back().id;
            ++edits;
        };
        view->setClicks(document.clickEvents);
        view->resize(600, int(TR::kTotalHeight));
        view->setDuration(60);
        test::show(*view);
    }

    ZoomRegion& addZoom(double start, double end, Rect rect = {0.25, 0.25, 0.5, 0.5})
    {
        ZoomRegion r;
        r.start = start;
        r.end = end;
        r.rect = rect;
        regions.push_back(r);
        view->refresh();
        return regions.back();
    }

    // Pointer events enter through the window, as a user's do, and reach the widget under the
    // pointer (a clip or the timeline), which keeps them until the button is released.
    QWindow* window() { return view->window()->windowHandle(); }
    QPoint at(QPoint p) { return view->mapTo(view->window(), p); }
    void press(QPoint p, Qt::MouseButton button = Qt::LeftButton) { QTest::mousePress(window(), button, {}, at(p)); }
    void move(QPoint p) { QTest::mouseMove(window(), at(p)); }
    void release(QPoint p) { QTest::mouseRelease(window(), Qt::LeftButton, {}, at(p)); }
    void click(QPoint p, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(window(), button, {}, at(p));
        test::settle();
    }

    void drag(QPoint from, QPoint to, int steps = 6)
    {
        press(from);
        for (int i = 1; i <= steps; ++i)
            move(from + (to - from) * i / steps);
        release(to);
        test::settle();
    }

    void wheel(QPoint at, int pixels)
    {
        QWidget* target = view->childAt(at);
        ASSERT_NE(target, nullptr);
        QPointF local = target->mapFrom(view.get(), QPointF(at));
        QWheelEvent event(local, target->mapToGlobal(local), QPoint(0, pixels), QPoint(0, pixels * 3),
                          Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
        EXPECT_TRUE(event.isAccepted()) << "the clip swallows the wheel";
        test::settle();
    }

    RecordingTimeline document;
    std::vector<ZoomRegion> regions;
    std::vector<RedactRegion> redacts;
    std::optional<Uuid> selectedZoom, selectedBlur, selectedCut, selectedSpeed;
    std::vector<CutRegion> cuts;
    std::vector<SpeedRegion> speeds;
    std::vector<std::string> refusals;
    std::vector<double> seeks;
    int edits = 0;
    std::unique_ptr<TimelineView> view;
};

TEST_F(TimelineTest, DraggingAcrossTheEmptyZoomTrackCreatesARegionWhereTheUserClicked)
{
    press({100, kZoomY});
    move({150, kZoomY});
    ASSERT_TRUE(view->model().pendingDrag(TimelineModel::Track::zoom));
    EXPECT_EQ(edits, 0) << "nothing reaches the editor while the drag lasts";
    move({200, kZoomY});
    release({200, kZoomY});
    test::settle();

    EXPECT_FALSE(view->model().pendingDrag(TimelineModel::Track::zoom));
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_DOUBLE_EQ(regions[0].start, 10);
    EXPECT_DOUBLE_EQ(regions[0].end, 20);
    EXPECT_EQ(regions[0].rect, ZoomPanEngine::defaultZoomRect({10, 20}, document, 1.7));
    EXPECT_NEAR(TR::zoomLevel(regions[0].rect), 1.7, 1e-9);
    EXPECT_EQ(regions[0].easing, EasingCurve::easeInOut);
    EXPECT_EQ(edits, 1);
    // The new region has its clip on the zoom track, where the drag was.
    TimelineClipView* clip = view->clip(regions[0].id);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->geometry().left(), 100);
    EXPECT_EQ(clip->geometry().width(), 100);

    // A drag back into it is fitted after it; blur regions may overlap each other.
    drag({260, kZoomY}, {150, kZoomY});
    ASSERT_EQ(regions.size(), 2u);
    EXPECT_DOUBLE_EQ(regions[1].start, 20);
    EXPECT_DOUBLE_EQ(regions[1].end, 26);
    drag({100, kBlurY}, {300, kBlurY});
    drag({350, kBlurY}, {150, kBlurY});
    ASSERT_EQ(redacts.size(), 2u);
    EXPECT_DOUBLE_EQ(redacts[1].start, 15);
    EXPECT_EQ(redacts[1].rect, NewRegions::kRedactRect);
}

TEST_F(TimelineTest, ClicksSeekAndClearOnlyTheirTracksSelectionAndTheRulerScrubs)
{
    selectedZoom = addZoom(40, 45).id;
    RedactRegion blur;
    blur.start = 40;
    blur.end = 45;
    redacts.push_back(blur);
    selectedBlur = blur.id;
    view->refresh();

    click({300, kZoomY});
    ASSERT_EQ(seeks.size(), 1u);
    EXPECT_DOUBLE_EQ(seeks[0], 30);
    EXPECT_FALSE(selectedZoom);
    EXPECT_TRUE(selectedBlur);
    EXPECT_EQ(regions.size(), 1u);

    seeks.clear();
    drag({50, 10}, {700, 10}, 3); // the ruler: every position seeks, clamped to the recording
    ASSERT_GE(seeks.size(), 3u);
    EXPECT_DOUBLE_EQ(seeks.front(), 5);
    EXPECT_DOUBLE_EQ(seeks.back(), 60);
    seeks.clear();
    drag({200, kAudioY}, {-50, kAudioY}, 2);
    EXPECT_DOUBLE_EQ(seeks.back(), 0);
    EXPECT_EQ(edits, 0);
}

TEST_F(TimelineTest, MovingAClipStopsAtItsNeighbourKeepsItsLengthAndCommitsOnce)
{
    Uuid first = addZoom(5, 10).id;
    Uuid second = addZoom(20, 25).id;
    // Drag the second clip's body far to the left.
    press({225, kZoomY});
    for (int x : {215, 160, 100, 20})
        move({x, kZoomY});
    EXPECT_EQ(edits, 0) << "a move reports only its end";
    EXPECT_EQ(selectedZoom, second) << "dragging selects";
    release({20, kZoomY});
    test::settle();
    EXPECT_EQ(edits, 1);
    EXPECT_DOUBLE_EQ(regions[1].start, 10);
    EXPECT_DOUBLE_EQ(regions[1].end, 15);
    EXPECT_EQ(view->clip(second)->geometry().left(), 100);

    // A tap selects without editing.
    click({75, kZoomY});
    EXPECT_EQ(selectedZoom, first);
    EXPECT_EQ(edits, 1);
}

TEST_F(TimelineTest, TrimmingStopsAtTheNeighbourAndAtTheMinimumLength)
{
    addZoom(5, 10);
    addZoom(20, 25);
    // The first clip's trailing handle (its last 8 points) past the second clip's start.
    drag({97, kZoomY}, {400, kZoomY});
    EXPECT_EQ(edits, 1);
    EXPECT_DOUBLE_EQ(regions[0].start, 5);
    EXPECT_DOUBLE_EQ(regions[0].end, 20);
    // Its leading handle to the right, beyond its end: stops 0.3 s before the end.
    drag({52, kZoomY}, {500, kZoomY});
    EXPECT_EQ(edits, 2);
    EXPECT_NEAR(regions[0].start, 19.7, 1e-9);
    EXPECT_DOUBLE_EQ(regions[0].end, 20);
}

TEST_F(TimelineTest, BlurClipsMoveWithinTheRecording)
{
    RedactRegion blur;
    blur.start = 2;
    blur.end = 6;
    redacts.push_back(blur);
    view->refresh();
    drag({40, kBlurY}, {-200, kBlurY});
    EXPECT_DOUBLE_EQ(redacts[0].start, 0);
    EXPECT_DOUBLE_EQ(redacts[0].end, 4);
    drag({20, kBlurY}, {900, kBlurY});
    EXPECT_DOUBLE_EQ(redacts[0].start, 56);
    EXPECT_DOUBLE_EQ(redacts[0].end, 60);
    EXPECT_EQ(edits, 2);
    EXPECT_EQ(selectedBlur, blur.id);
}

TEST_F(TimelineTest, TheContextMenuDeletesItsClip)
{
    Uuid keep = addZoom(5, 10).id;
    Uuid doomed = addZoom(20, 25).id;
    selectedZoom = doomed;
    view->refresh();
    click({225, kZoomY}, Qt::RightButton);
    QMenu* menu = nullptr;
    ASSERT_TRUE(test::waitFor([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }));
    ASSERT_EQ(menu->actions().size(), 1);
    QAction* remove = menu->actions()[0];
    EXPECT_EQ(remove->text(), "Delete Zoom");
    QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {}, menu->actionGeometry(remove).center());
    test::settle();
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].id, keep);
    EXPECT_FALSE(selectedZoom);
    EXPECT_EQ(edits, 1);
    EXPECT_EQ(view->clip(doomed), nullptr);

    RedactRegion blur;
    blur.start = 30;
    blur.end = 40;
    redacts.push_back(blur);
    view->refresh();
    click({350, kBlurY}, Qt::RightButton);
    ASSERT_TRUE(test::waitFor([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }));
    EXPECT_EQ(menu->actions()[0]->text(), "Delete Blur");
    QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {},
                      menu->actionGeometry(menu->actions()[0]).center());
    test::settle();
    EXPECT_TRUE(redacts.empty());
    EXPECT_EQ(edits, 2);
}

TEST_F(TimelineTest, TheDeleteKeyRemovesTheZoomSelectionBeforeTheBlurSelection)
{
    addZoom(5, 10);
    RedactRegion blur;
    blur.start = 1;
    blur.end = 3;
    redacts.push_back(blur);
    view->refresh();
    click({75, kZoomY});
    click({20, kBlurY});
    ASSERT_TRUE(selectedZoom && selectedBlur);

    QTest::keyClick(view->clip(regions[0].id), Qt::Key_Delete);
    test::settle();
    EXPECT_TRUE(regions.empty());
    EXPECT_EQ(redacts.size(), 1u);
    EXPECT_EQ(edits, 1);
    QTest::keyClick(view.get(), Qt::Key_Backspace);
    test::settle();
    EXPECT_TRUE(redacts.empty());
    EXPECT_EQ(edits, 2);
    QTest::keyClick(view.get(), Qt::Key_Delete); // nothing selected: nothing happens
    EXPECT_EQ(edits, 2);
}

TEST_F(TimelineTest, TheWheelChangesTheLevelOfTheSelectedZoomClipOnly)
{
    Uuid id = addZoom(5, 15, {0.25, 0.25, 0.5, 0.5}).id; // 2.0×
    wheel({100, kZoomY}, 50);
    EXPECT_EQ(regions[0].rect, (Rect{0.25, 0.25, 0.5, 0.5})) << "unselected: unchanged";
    EXPECT_EQ(edits, 0);

    selectedZoom = id;
    view->refresh();
    wheel({100, kZoomY}, 50);
    EXPECT_NEAR(TR::zoomLevel(regions[0].rect), 2.5, 1e-9);
    EXPECT_EQ(edits, 1) << "every wheel step commits";
    for (int i = 0; i < 40; ++i)
        wheel({100, kZoomY}, 50);
    EXPECT_NEAR(regions[0].rect.width, 0.25, 1e-12);
    EXPECT_EQ(view->clip(id)->accessibleName(),
              QString::fromUtf8("Zoom 0:05–0:15, 4.0×"));
}

TEST_F(TimelineTest, AStripRegionIsLabelledAndScrolledFromTheLevelItIsShownAt)
{
    // 0.05 wide and 0.5 high, from a document written before regions were frame-shaped: shown as
    // a 0.5 square, so 2.0x, not the 20x its width alone would say.
    Uuid id = addZoom(5, 15, {0.45, 0.1, 0.05, 0.5}).id;
    EXPECT_EQ(view->clip(id)->accessibleName(), QString::fromUtf8("Zoom 0:05–0:15, 2.0×"));

    selectedZoom = id;
    view->refresh();
    wheel({100, kZoomY}, 50);
    EXPECT_NEAR(regions[0].rect.width, 1 / 2.5, 1e-12);
    EXPECT_EQ(regions[0].rect.width, regions[0].rect.height);
    EXPECT_NEAR(regions[0].rect.midX(), 0.475, 1e-12) << "about the same centre";
    EXPECT_NEAR(regions[0].rect.midY(), 0.35, 1e-12);
}

TEST_F(TimelineTest, ScreenshotWithRegionsClicksWaveformAndPlayhead)
{
    view->resize(900, int(TR::kTotalHeight));
    view->setDuration(48);
    std::vector<ClickEvent> clicks;
    for (double t : {3.2, 3.9, 11.5, 12.1, 24.0, 31.7, 33.0, 40.2}) {
        ClickEvent c;
        c.timestamp = t;
        clicks.push_back(c);
    }
    view->setClicks(clicks);
    std::vector<float> peaks;
    for (int i = 0; i < 400; ++i)
        peaks.push_back(float(0.15 + 0.6 * std::abs(std::sin(i * 0.11)) * (0.5 + 0.5 * std::sin(i * 0.023))));
    view->setWaveform(peaks);
    addZoom(2.5, 7, {0.2, 0.2, 0.5, 0.5});
    selectedZoom = addZoom(10.5, 16, {0.3, 0.3, 0.4, 0.4}).id;
    addZoom(23, 26.5, {0.1, 0.1, 0.6, 0.6});
    addZoom(31, 35, {0.2, 0.2, 0.45, 0.45});
    RedactRegion blur;
    blur.start = 18;
    blur.end = 29;
    redacts.push_back(blur);
    cuts = {{Uuid::random(), 0, 1.5}, {Uuid::random(), 19.5, 22}};
    speeds = {{Uuid::random(), 4, 9, 4}, {Uuid::random(), 36, 44, 8}, {Uuid::random(), 44, 46, 0.5}};
    view->setCurrentTime(13.4);
    view->refresh();

    // A palette, not a style sheet: a sheet's background would cascade over the timeline's clips.
    QWidget frame;
    frame.setAutoFillBackground(true);
    QPalette palette = frame.palette();
    palette.setColor(QPalette::Window, QColor(0x12, 0x12, 0x14));
    frame.setPalette(palette);
    frame.resize(940, int(TR::kTotalHeight) + 28);
    view->setParent(&frame);
    view->setGeometry(20, 14, 900, int(TR::kTotalHeight));
    view->show();
    test::show(frame);
    test::saveScreenshot(frame, "timeline");
    EXPECT_TRUE(test::unnamedControls(&frame).empty());
    view->setParent(nullptr);
}

TEST_F(TimelineTest, DraggingAcrossTheCutTrackCutsThatSpanAndDeleteRestoresIt)
{
    addZoom(25, 35); // under the cut-to-be: it stays, dimmed
    drag({200, kCutY}, {300, kCutY});
    ASSERT_EQ(cuts.size(), 1u);
    EXPECT_NEAR(cuts[0].start, 20, 0.05);
    EXPECT_NEAR(cuts[0].end, 30, 0.05);
    EXPECT_EQ(selectedCut, cuts[0].id);
    EXPECT_EQ(edits, 1);
    TimelineClipView* clip = view->clip(cuts[0].id);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->accessibleName(), "Cut 0:20–0:30");
    EXPECT_NEAR(clip->geometry().center().y(), kCutY, 1);
    EXPECT_EQ(regions.size(), 1u) << "a cut leaves the other tracks' regions alone";
    test::saveScreenshot(*view, "timeline-cut-selected");

    // A second drag that meets the first joins it.
    drag({360, kCutY}, {295, kCutY});
    ASSERT_EQ(cuts.size(), 1u);
    EXPECT_NEAR(cuts[0].end, 36, 0.05);

    QTest::keyClick(view->clip(cuts[0].id), Qt::Key_Delete);
    test::settle();
    EXPECT_TRUE(cuts.empty());
    EXPECT_FALSE(selectedCut);
    EXPECT_EQ(edits, 3);
    EXPECT_TRUE(refusals.empty());
}

TEST_F(TimelineTest, TheSpeedTrackMakesSegmentsWhoseMenuPicksTheirSpeed)
{
    drag({200, kSpeedY}, {300, kSpeedY});
    ASSERT_EQ(speeds.size(), 1u);
    EXPECT_NEAR(speeds[0].start, 20, 0.05);
    EXPECT_NEAR(speeds[0].end, 30, 0.05);
    EXPECT_EQ(speeds[0].speed, 2);
    EXPECT_EQ(selectedSpeed, speeds[0].id);
    EXPECT_EQ(edits, 1);
    TimelineClipView* clip = view->clip(speeds[0].id);
    ASSERT_NE(clip, nullptr);
    EXPECT_EQ(clip->accessibleName(), "Speed 2× 0:20–0:30");
    EXPECT_NEAR(clip->geometry().center().y(), kSpeedY, 1);
    EXPECT_TRUE(cuts.empty()) << "a speed segment is no cut";

    // Dragged against the end of the recording, it stops there with its length.
    drag({250, kSpeedY}, {650, kSpeedY});
    EXPECT_NEAR(speeds[0].start, 50, 0.05);
    EXPECT_NEAR(speeds[0].end, 60, 0.05);
    EXPECT_EQ(edits, 2);

    click({550, kSpeedY}, Qt::RightButton);
    QMenu* menu = nullptr;
    ASSERT_TRUE(test::waitFor([&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); }));
    QStringList items;
    for (QAction* action : menu->actions())
        items << (action->isSeparator() ? "-" : action->text() + (action->isChecked() ? "*" : ""));
    EXPECT_EQ(items, (QStringList{"0.25×", "0.5×", "1.5×", "2×*", "4×", "8×", "-", "Delete Speed"}));
    test::saveScreenshot(*menu, "timeline-speed-menu");
    QAction* four = menu->actions()[4];
    QTest::mouseClick(menu->windowHandle(), Qt::LeftButton, {}, menu->actionGeometry(four).center());
    test::settle();
    EXPECT_EQ(speeds[0].speed, 4);
    EXPECT_EQ(edits, 3);
    EXPECT_EQ(view->clip(speeds[0].id)->accessibleName(), "Speed 4× 0:50–1:00");

    QTest::keyClick(view->clip(speeds[0].id), Qt::Key_Delete);
    test::settle();
    EXPECT_TRUE(speeds.empty());
    EXPECT_EQ(edits, 4);
}

TEST_F(TimelineTest, TheTrimGripsFollowThePointerAndTheArrowKeys)
{
    auto* start = test::byName<TrimHandleView>(view.get(), "Trim start");
    auto* end = test::byName<TrimHandleView>(view.get(), "Trim end");
    ASSERT_TRUE(start && end);
    EXPECT_EQ(start->geometry().left(), 0);
    EXPECT_EQ(end->geometry().right(), view->width() - 1);

    // Grabbed off its edge, the grip keeps the distance: the trim ends where the edge is dropped.
    QPoint grab = start->geometry().center();
    drag(grab, grab + QPoint(80, 0));
    ASSERT_EQ(cuts.size(), 1u);
    EXPECT_EQ(cuts[0].start, 0);
    EXPECT_NEAR(cuts[0].end, 8, 0.05);
    EXPECT_EQ(edits, 1) << "one drag, one edit";
    EXPECT_EQ(start->geometry().left(), 80) << "the grip stands where the kept time begins";
    EXPECT_EQ(start->accessibleDescription(), "The movie starts at 0:08.0");

    grab = end->geometry().center();
    drag(grab, grab - QPoint(100, 0));
    ASSERT_EQ(cuts.size(), 2u);
    EXPECT_NEAR(cuts[1].start, 50, 0.05);
    EXPECT_EQ(cuts[1].end, 60);

    start->setFocus();
    QTest::keyClick(start, Qt::Key_Left);
    test::settle();
    EXPECT_NEAR(cuts[0].end, 7.9, 0.06);
    QTest::keyClick(start, Qt::Key_Right, Qt::ShiftModifier);
    test::settle();
    EXPECT_NEAR(cuts[0].end, 8.9, 0.06);
    EXPECT_EQ(edits, 4);

    // Dragging the end grip over everything that is left is refused, with the reason.
    grab = end->geometry().center();
    drag(grab, {5, grab.y()}, 12);
    EXPECT_EQ(refusals, std::vector<std::string>{std::string(kEverythingCutMessage)});
    EXPECT_FALSE(KeptTime(cuts, 60).isEmpty());
}

} // namespace
} // namespace tarnix
