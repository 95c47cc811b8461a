#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "compositing/CursorSmoothing.h"
#include "compositing/CursorTrack.h"

namespace tarnix {
namespace {

// A cursor crossing the frame over two seconds at 120 samples a second, trembling by up to half
// a per cent, with a sudden jump at 1.3 s.
std::vector<NormalizedCursorSample> jitteryPath()
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> tremble(-0.005, 0.005);
    std::vector<NormalizedCursorSample> samples;
    for (int i = 0; i <= 240; ++i) {
        double t = i / 120.0;
        double x = 0.1 + 0.3 * t + (t >= 1.3 ? 0.25 : 0);
        samples.push_back({t, {x + tremble(random), 0.5 + tremble(random)}});
    }
    return samples;
}

double distance(Point a, Point b) { return std::hypot(a.x - b.x, a.y - b.y); }

// Mean size of the second difference of y over a regular grid: how much the path shakes.
double shake(const std::vector<NormalizedCursorSample>& path)
{
    double sum = 0;
    int n = 0;
    for (double t = 0.02; t < 1.98; t += 1 / 120.0, ++n) {
        double a = CursorTrack::position(t - 1 / 120.0, path)->y;
        double b = CursorTrack::position(t, path)->y;
        double c = CursorTrack::position(t + 1 / 120.0, path)->y;
        sum += std::abs(a - 2 * b + c);
    }
    return sum / n;
}

TEST(CursorSmoothing, PassesThroughEveryPressAndStaysNearTheRecordedPath)
{
    std::vector<NormalizedCursorSample> raw = jitteryPath();
    // Presses on the path, two of them 20 ms apart, one right after the jump.
    std::vector<NormalizedClickSample> presses;
    for (double t : {0.25, 0.9, 0.92, 1.31, 1.755})
        presses.push_back({t, *CursorTrack::position(t, raw)});
    for (double strength : {0.0, 0.5, 1.0}) {
        SCOPED_TRACE(strength);
        std::vector<NormalizedCursorSample> smooth = CursorSmoothing::smooth(raw, presses, strength);
        for (const auto& press : presses)
            EXPECT_LT(distance(*CursorTrack::position(press.time, smooth), press.point), 1e-12)
                << "press at " << press.time;
        double bound = CursorSmoothing::maxDeviation(strength);
        for (const auto& s : smooth)
            ASSERT_LE(distance(s.point, *CursorTrack::position(s.time, raw)), bound + 1e-12)
                << "at " << s.time;
        EXPECT_LT(shake(smooth), shake(raw) * 0.5);
        EXPECT_DOUBLE_EQ(smooth.front().time, raw.front().time);
        EXPECT_DOUBLE_EQ(smooth.back().time, raw.back().time);
    }
}

TEST(CursorSmoothing, AFastMoveGlidesAndStrongerSmoothingGlidesLonger)
{
    std::vector<NormalizedCursorSample> raw = jitteryPath();
    auto gentle = CursorSmoothing::smooth(raw, {}, 0.2);
    auto strong = CursorSmoothing::smooth(raw, {}, 1.0);
    // 30 ms after the jump the raw cursor is already there; the smoothed one is on its way.
    double target = CursorTrack::position(1.33, raw)->x;
    double gentleGap = target - CursorTrack::position(1.33, gentle)->x;
    double strongGap = target - CursorTrack::position(1.33, strong)->x;
    EXPECT_GT(gentleGap, 0.01);
    EXPECT_GT(strongGap, gentleGap);
}

TEST(CursorSmoothing, ShortOrEmptyPathsComeBackUnchanged)
{
    std::vector<NormalizedCursorSample> one = {{1.0, {0.3, 0.4}}};
    EXPECT_EQ(CursorSmoothing::smooth(one, {{1.0, {0.3, 0.4}}}, 0.5), one);
    EXPECT_TRUE(CursorSmoothing::smooth({}, {}, 0.5).empty());
}

} // namespace
} // namespace tarnix
