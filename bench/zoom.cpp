// Automatic zoom on a long recording's worth of samples, and the per-frame zoom rectangle.

#include <benchmark/benchmark.h>

#include <random>

#include "zoom/ZoomCompositor.h"
#include "zoom/ZoomPanEngine.h"

using namespace tarnix;

namespace {

RecordingTimeline makeTimeline(std::size_t clicks, std::size_t focusSamples)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> x(0, 1920), y(0, 1080), jitter(0.05, 2.0);
    RecordingTimeline timeline;
    timeline.captureFrame = {0, 0, 1920, 1080};
    double t = 0;
    for (std::size_t i = 0; i < clicks; ++i) {
        t += jitter(random);
        auto kind = i % 2 ? ClickKind::leftUp : ClickKind::leftDown;
        timeline.clickEvents.push_back({Uuid::random(), t, {x(random), y(random)}, kind});
    }
    t = 0;
    for (std::size_t i = 0; i < focusSamples; ++i) {
        t += jitter(random);
        timeline.focusedElementSamples.push_back(
            {Uuid::random(), t, {x(random), y(random), 240, 32}});
    }
    return timeline;
}

void BM_ClickBasedRegions(benchmark::State& state)
{
    auto timeline = makeTimeline(100'000, 0);
    for (auto _ : state)
        benchmark::DoNotOptimize(ZoomPanEngine::makeClickBasedZoomRegions(timeline));
}
BENCHMARK(BM_ClickBasedRegions)->Unit(benchmark::kMillisecond);

void BM_ElementBasedRegions(benchmark::State& state)
{
    auto timeline = makeTimeline(0, 20'000);
    for (auto _ : state)
        benchmark::DoNotOptimize(ZoomPanEngine::makeElementBasedZoomRegions(timeline));
}
BENCHMARK(BM_ElementBasedRegions)->Unit(benchmark::kMillisecond);

void BM_ZoomRectAt(benchmark::State& state)
{
    std::vector<ZoomRegion> regions;
    for (int i = 0; i < 200; ++i) // 3 s regions with 1 s gaps, listed out of order
        regions.push_back({Uuid::random(), (i * 7 % 200) * 4.0, (i * 7 % 200) * 4.0 + 3,
                           {0.2, 0.2, 0.5, 0.5}, EasingCurve::easeInOut});
    double end = 200 * 4.0;
    double t = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ZoomCompositor::rect(t, regions));
        t += 1.0 / 30;
        if (t > end)
            t = 0;
    }
    state.counters["regions"] = static_cast<double>(regions.size());
}
BENCHMARK(BM_ZoomRectAt)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
