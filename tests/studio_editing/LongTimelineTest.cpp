// A ten-minute recording with 200 zoom regions on the real timeline widget: zooming with the
// wheel about the pointer, the smallest region picked and trimmed with the mouse once zoomed,
// every track scrolling together, drags scrolling at the edge, and the look at three zooms.

#include <QPointingDevice>
#include <QScrollBar>
#include <QWheelEvent>
#include <QWindow>

#include "EditingTestSupport.h"
#include "studio/timeline/TimelineClipView.h"
#include "studio/timeline/TimelineZoomControls.h"
#include "studio/timeline/TimelineView.h"

namespace tarnix {
namespace {

namespace TR = TimelineRules;
using Track = TimelineModel::Track;

constexpr int kWidth = 1000;

class LongTimelineTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::application();
        // A region every 3 s, 0.3 s to 2.2 s long; the shortest at 301.0 s.
        for (int i = 0; i < 200; ++i) {
            ZoomRegion r;
            r.start = 3.0 * i + 0.5;
            r.end = r.start + (i == 100 ? TR::kMinRegionDuration : 0.4 + 0.1 * (i % 19));
            r.rect = {0.25, 0.25, 0.5, 0.5};
            regions.push_back(r);
        }
        smallest = regions[100].id;
        CutRegion cut;
        cut.start = 301;
        cut.end = 302;
        cuts.push_back(cut);
        for (int i = 0; i < 60000; ++i)
            waveform.push_back(float(0.15 + 0.6 * std::abs(std::sin(i * 0.013)) * ((i / 700) % 3 == 0)));

        view = std::make_unique<TimelineView>();
        auto& model = view->model();
        model.regions = Binding<std::vector<ZoomRegion>>::to(&regions);
        model.redactRegions = Binding<std::vector<RedactRegion>>::to(&redacts);
        model.selectedRegionID = Binding<std::optional<Uuid>>::to(&selectedZoom);
        model.selectedRedactID = Binding<std::optional<Uuid>>::to(&selectedBlur);
        model.cutRegions = Binding<std::vector<CutRegion>>::to(&cuts);
        model.selectedCutID = Binding<std::optional<Uuid>>::to(&selectedCut);
        model.onEditEnded = [this] { ++edits; };
        model.onSeek = [](double) {};
        view->resize(kWidth, int(TR::kTotalHeight));
        view->setFrameRate(30);
        view->setDuration(600);
        view->setWaveform(waveform);
        test::show(*view);
    }

    QWindow* window() { return view->window()->windowHandle(); }

    // A wheel event where a user's lands: on the widget under the pointer, propagating upwards.
    void wheel(QPoint at, QPoint angle, Qt::KeyboardModifiers modifiers)
    {
        QWidget* target = view->childAt(at);
        if (!target)
            target = view.get();
        QPointF local = target->mapFrom(view.get(), QPointF(at));
        QWheelEvent event(local, target->mapToGlobal(local), QPoint(), angle, Qt::NoButton, modifiers,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
        test::settle();
    }
    void ctrlWheel(QPoint at, int notches) { wheel(at, {0, 120 * notches}, Qt::ControlModifier); }

    // A touchpad pinch as the platform reports it: begin, steps of relative growth, end.
    void pinch(QPoint at, const std::vector<double>& steps)
    {
        QWidget* target = view->childAt(at);
        if (!target)
            target = view.get();
        QPointF local = target->mapFrom(view.get(), QPointF(at));
        auto send = [&](Qt::NativeGestureType type, double value) {
            QNativeGestureEvent event(type, QPointingDevice::primaryPointingDevice(), 2, local, local,
                                      target->mapToGlobal(local), value, QPointF());
            QApplication::sendEvent(target, &event);
        };
        send(Qt::BeginNativeGesture, 0);
        for (double step : steps)
            send(Qt::ZoomNativeGesture, step);
        send(Qt::EndNativeGesture, 0);
        test::settle();
    }

    const TimelineViewport& viewport() { return view->model().viewport; }
    int rowY(Track track) { return int(view->trackRect(track).center().y()); }
    double clipX(const Uuid& id) { return view->clip(id)->geometry().x(); }

    std::vector<ZoomRegion> regions;
    std::vector<RedactRegion> redacts;
    std::vector<CutRegion> cuts;
    std::vector<float> waveform;
    std::optional<Uuid> selectedZoom, selectedBlur, selectedCut;
    Uuid smallest;
    int edits = 0;
    std::unique_ptr<TimelineView> view;
};

TEST_F(LongTimelineTest, APinchZoomsAboutThePointerBothWays)
{
    const QPoint at(640, rowY(Track::zoom)); // over a clip: the gesture reaches the timeline
    const double before = viewport().timeAt(at.x());
    pinch(at, {0.2, 0.3, 0.25});
    EXPECT_NEAR(viewport().zoomFactor(), 1.2 * 1.3 * 1.25, 0.01);
    // The gesture carries a screen position: the time under it stays within a pixel.
    EXPECT_NEAR(viewport().timeAt(at.x()), before, viewport().timeAt(at.x() + 1) - viewport().timeAt(at.x()));
    pinch(at, {-0.5, -0.5, -0.5});
    EXPECT_TRUE(viewport().isFit()) << "pinching in goes no further than the whole recording";
}

TEST_F(LongTimelineTest, CtrlWheelZoomsAboutThePointerAndShiftWheelScrolls)
{
    // Over a clip or the empty track alike, the time under the pointer stays where it is.
    for (QPoint at : {QPoint(503, rowY(Track::zoom)), QPoint(120, rowY(Track::cut)), QPoint(870, 10)}) {
        double before = viewport().timeAt(at.x());
        ctrlWheel(at, 3);
        EXPECT_NEAR(viewport().timeAt(at.x()), before, 1e-6) << at.x();
    }
    EXPECT_GT(viewport().zoomFactor(), 7);
    double level = TR::zoomLevel(regions[0].rect);
    EXPECT_EQ(TR::zoomLevel(regions[0].rect), level) << "Ctrl+wheel over a clip is not its level";

    double scroll = viewport().scrollX();
    wheel({500, rowY(Track::zoom)}, {0, -120}, Qt::ShiftModifier);
    EXPECT_GT(viewport().scrollX(), scroll);
    EXPECT_EQ(view->scrollBar()->value(), int(std::lround(viewport().scrollX())));

    ctrlWheel({500, rowY(Track::zoom)}, -40);
    EXPECT_TRUE(viewport().isFit());
}

TEST_F(LongTimelineTest, TheSmallestRegionIsPickedAndTrimmedWithTheMouseOnceZoomedIn)
{
    // At the whole ten minutes the 0.3 s region is the minimum sliver.
    EXPECT_LE(view->clip(smallest)->width(), int(TR::kMinClipWidth) + 1);

    // Zoom in about it until it is a comfortable target.
    while (view->clip(smallest)->width() < 120) {
        QRect clip = view->clip(smallest)->geometry();
        ctrlWheel({clip.center().x(), rowY(Track::zoom)}, 2);
    }
    QRect clip = view->clip(smallest)->geometry();
    ASSERT_TRUE(view->rect().contains(clip)) << "zooming about it kept it in view";

    QPoint middle = view->mapTo(view->window(), clip.center());
    QTest::mouseClick(window(), Qt::LeftButton, {}, middle);
    test::settle();
    EXPECT_EQ(selectedZoom, smallest);

    // Drag its trailing grip 30 points to the right: 30 points of time at this scale.
    double pps = viewport().pxPerSecond();
    QPoint grip = view->mapTo(view->window(), QPoint(clip.right() - 2, clip.center().y()));
    QTest::mousePress(window(), Qt::LeftButton, {}, grip);
    for (int dx = 5; dx <= 30; dx += 5)
        QTest::mouseMove(window(), grip + QPoint(dx, 0));
    QTest::mouseRelease(window(), Qt::LeftButton, {}, grip + QPoint(30, 0));
    test::settle();
    EXPECT_NEAR(regions[100].end - regions[100].start, TR::kMinRegionDuration + 30 / pps, 1e-6);
    EXPECT_EQ(edits, 1);
}

TEST_F(LongTimelineTest, EveryTrackScrollsTogetherAndOnlyVisibleClipsShow)
{
    view->setCurrentTime(300);
    view->setZoomFactor(20); // 30 s across
    ASSERT_NEAR(viewport().visibleSpan().upper - viewport().visibleSpan().lower, 30, 1e-6);
    EXPECT_GE(viewport().visibleSpan().upper, 300) << "zooming about the playhead keeps it in view";

    auto shown = [&] {
        int n = 0;
        for (const auto& r : regions)
            n += view->clip(r.id)->isVisible();
        return n;
    };
    EXPECT_LE(shown(), 12);

    QScrollBar* bar = view->scrollBar();
    bar->setValue(bar->value() + 500);
    test::settle();
    double x = viewport().viewX(regions[100].start);
    EXPECT_NEAR(clipX(regions[100].id), x, 1);
    EXPECT_NEAR(clipX(cuts[0].id), viewport().viewX(301), 1) << "the cut track moved with the zoom track";
    EXPECT_NEAR(viewport().scrollX(), bar->value(), 0.5);
}

TEST_F(LongTimelineTest, ADragThatReachesTheEdgeScrollsTheViewAndCarriesOn)
{
    view->setZoomFactor(10); // a minute across
    double visibleEnd = viewport().visibleSpan().upper;
    QPoint from = view->mapTo(view->window(), QPoint(600, rowY(Track::cut)));
    QPoint edge = view->mapTo(view->window(), QPoint(kWidth - 3, rowY(Track::cut)));
    QTest::mousePress(window(), Qt::LeftButton, {}, from);
    QTest::mouseMove(window(), from + QPoint(100, 0));
    QTest::mouseMove(window(), edge);
    ASSERT_TRUE(test::waitFor([&] { return viewport().visibleSpan().upper > visibleEnd + 5; }));
    QTest::mouseRelease(window(), Qt::LeftButton, {}, edge);
    test::settle();
    double scrolled = viewport().scrollX();
    test::settle();
    EXPECT_EQ(viewport().scrollX(), scrolled) << "scrolling stops with the drag";
    // The new cut reaches past what was in view when the drag began.
    auto reaching = std::find_if(cuts.begin(), cuts.end(), [&](const CutRegion& c) { return c.start < visibleEnd && c.end > visibleEnd + 4; });
    ASSERT_NE(reaching, cuts.end());
    EXPECT_NEAR(reaching->end, viewport().timeAt(kWidth - 3), 0.05);
}

TEST_F(LongTimelineTest, ScreenshotsAtThreeZoomsAndTheZoomControls)
{
    auto* frame = new QWidget;
    frame->setObjectName("timelineSection");
    frame->setAttribute(Qt::WA_StyledBackground);
    auto* controls = new TimelineZoomControls(*view, frame);
    controls->move(kWidth - controls->sizeHint().width() - 8, 4);
    view->setParent(frame);
    view->move(0, 36);
    frame->resize(kWidth, 36 + int(TR::kTotalHeight) + 8);
    view->onViewportChanged = [controls] { controls->refresh(); };
    test::show(*frame);
    view->setCurrentTime(301.5);
    selectedZoom = regions[101].id;
    view->refresh();
    EXPECT_TRUE(test::unnamedControls(frame).empty());
    test::saveScreenshot(*frame, "long-timeline-whole");

    view->setZoomFactor(20);
    controls->refresh();
    EXPECT_GT(controls->slider()->value(), 0);
    test::saveScreenshot(*frame, "long-timeline-30s");

    test::byName<QAbstractButton>(frame, "Zoom in")->click();
    for (int i = 0; i < 40; ++i)
        controls->findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
    view->setZoomFactor(300); // 2 s across
    test::settle();
    test::saveScreenshot(*frame, "long-timeline-2s");

    test::byName<QAbstractButton>(frame, "Fit")->click();
    test::settle();
    EXPECT_TRUE(viewport().isFit());
    EXPECT_EQ(controls->slider()->value(), 0);

    // The scroll bar in the tracks' dark colours, not the desktop style's light ones.
    view->setZoomFactor(8);
    test::settle();
    const QImage bar = view->scrollBar()->grab().toImage();
    test::saveScreenshot(*frame, "long-timeline-scrollbar");
    EXPECT_LT(qGray(bar.pixel(2, bar.height() / 2)), 80) << "the bar's track is dark";
    view->setParent(nullptr);
    delete frame;
}

} // namespace
} // namespace tarnix
