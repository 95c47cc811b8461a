// One full overlay frame (zoom ramp in progress, gradient background with padding and shadow,
// camera bubble, system cursor, two click ripples, one active redaction) at 1080p and 4K, on one
// and two threads; then the ffmpeg tool on comparable work, and the ratio of frame rates.

#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "compositing/BackgroundRenderer.h"
#include "compositing/CameraOverlayRenderer.h"
#include "compositing/ClickRippleRenderer.h"
#include "compositing/CursorOverlayRenderer.h"
#include "compositing/RedactRenderer.h"
#include "compositing/ZoomCrop.h"
#include "zoom/ZoomCompositor.h"
#include "compositing/OverlayInstruction.h"
#include "compositing/OverlayFrame.h"
#include "compositing/OverlayVideoCompositor.h"
#include "graphics/Image.h"
#include "media/EncoderFrames.h"
#include "media/YuvConversion.h"

extern "C" {
#include <libavutil/frame.h>
#include <libswscale/swscale.h>
}

using namespace tarnix;

namespace {

constexpr double kFrameTime = 1.7; // halfway into the zoom region's ramp

QImage makeScreen(int w, int h)
{
    QImage image = graphics::makeImage(w, h, QColor(236, 236, 240));
    QPainter painter(&image);
    for (int i = 0; i < 60; ++i) {
        painter.fillRect(QRect((i * 97) % w, (i * 53) % h, w / 7, h / 11),
                         QColor::fromHsv((i * 37) % 360, 120, 230));
        painter.drawLine(QPoint((i * 131) % w, (i * 71) % h), QPoint((i * 71) % w, (i * 131) % h));
    }
    return image;
}

std::shared_ptr<const OverlayInstruction> makeInstruction(int w, int h)
{
    ZoomRegion zoom;
    zoom.start = 2;
    zoom.end = 5;
    zoom.rect = {0.2, 0.2, 0.5, 0.5};
    BackgroundSettings background;
    background.style = BackgroundStyle::gradient;
    background.padding = 0.08;
    CameraOverlaySettings camera;
    camera.isEnabled = true;
    CursorOverlaySettings cursor;
    std::vector<NormalizedCursorSample> cursorSamples{{1.0, {0.4, 0.4}}, {2.0, {0.5, 0.45}}};
    std::vector<NormalizedClickSample> clicks{{kFrameTime - 0.3, {0.45, 0.42}},
                                              {kFrameTime - 0.1, {0.47, 0.43}}};
    RedactRegion redact;
    redact.start = 0;
    redact.end = 10;
    redact.rect = {0.3, 0.3, 0.2, 0.1};
    return std::make_shared<OverlayInstruction>(
        media::TimeRange{0, 10}, 1, 2, std::vector<ZoomRegion>{zoom}, camera,
        BackgroundRenderer::makeFrame({double(w), double(h)}, background), cursorSamples, cursor,
        clicks, std::vector<RedactRegion>{redact});
}

// Hands out output buffers from a pool, as the media engine does: a frame's memory is reused
// once its image is gone, so the benchmark does not time the kernel zeroing fresh pages.
class Context final : public media::RenderContext {
public:
    explicit Context(QSize size) : size_(size) {}
    ~Context() override
    {
        for (uchar* buffer : free_)
            delete[] buffer;
    }
    QSize size() const override { return size_; }
    QImage newPixelBuffer() override
    {
        uchar* buffer = nullptr;
        {
            std::lock_guard lock(mutex_);
            if (!free_.empty()) {
                buffer = free_.back();
                free_.pop_back();
            }
        }
        if (!buffer)
            buffer = new uchar[std::size_t(size_.width()) * size_.height() * 4];
        return QImage(buffer, size_.width(), size_.height(), size_.width() * 4,
                      graphics::kPixelFormat, &Context::release, new Slot{this, buffer});
    }

private:
    struct Slot {
        Context* context;
        uchar* buffer;
    };
    // Called when the last image on a buffer is gone.
    static void release(void* info)
    {
        auto* slot = static_cast<Slot*>(info);
        {
            std::lock_guard lock(slot->context->mutex_);
            slot->context->free_.push_back(slot->buffer);
        }
        delete slot;
    }
    QSize size_;
    std::mutex mutex_;
    std::vector<uchar*> free_;
};

class Request final : public media::CompositionRequest {
public:
    Request(std::shared_ptr<const OverlayInstruction> instruction, const QImage& screen,
            const QImage& camera)
        : instruction_(std::move(instruction)), screen_(screen), camera_(camera)
    {
    }
    double compositionTime() const override { return kFrameTime; }
    std::shared_ptr<const media::VideoCompositionInstruction> videoCompositionInstruction() const override
    {
        return instruction_;
    }
    QImage sourceFrameByTrackID(media::TrackID id) const override
    {
        return id == 1 ? screen_ : id == 2 ? camera_ : QImage();
    }
    void finishWithComposedVideoFrame(QImage frame) override { frame_ = std::move(frame); }
    void finishWithError(const media::MediaError& error) override
    {
        std::fprintf(stderr, "frame failed: %s\n", error.description.c_str());
        std::abort();
    }

private:
    std::shared_ptr<const OverlayInstruction> instruction_;
    QImage screen_, camera_, frame_;
};

struct Scene {
    // A w × h recording composed at its own size, or at `output` (the preview's size).
    explicit Scene(int w, int h, QSize output = {})
        : instruction(makeInstruction(w, h)), screen(makeScreen(w, h)),
          camera(makeScreen(1280, 720)), outputs(output.isEmpty() ? QSize(w, h) : output)
    {
        compositor.renderContextChanged(
            std::make_shared<Context>(output.isEmpty() ? QSize(w, h) : output));
    }
    void renderFrame()
    {
        Request request(instruction, screen, camera);
        compositor.startRequest(request);
    }
    // The export's way: the screen as the decoder gives it, the frame in the encoder's planes.
    void renderFrameYuv() { renderFrameYuv(camera); }
    void renderFrameYuv(const QImage& cameraPicture)
    {
        std::shared_ptr<AVFrame> output = outputs.frame();
        if (!output || !compositor.composeYuv(kFrameTime, instruction, {{2, cameraPicture}},
                                              {{1, screenYuv}}, *output)) {
            std::fprintf(stderr, "the frame could not be composed in YUV\n");
            std::abort();
        }
    }
    std::shared_ptr<const OverlayInstruction> instruction;
    QImage screen, camera;
    OverlayVideoCompositor compositor;
    media::EncoderFramePool outputs; // the export's frames, at the output size
    media::YuvPicture screenYuv = toYuv(screen);

    static media::YuvPicture toYuv(const QImage& image)
    {
        std::shared_ptr<AVFrame> frame = media::EncoderFramePool(image.size()).frame();
        frame->colorspace = AVCOL_SPC_BT709;
        frame->color_range = AVCOL_RANGE_MPEG;
        media::convertBgraToYuv420(image, *frame);
        return frame;
    }
};

Scene& sceneFor(int w)
{
    static Scene hd(1920, 1080), uhd(3840, 2160);
    return w == 1920 ? hd : uhd;
}

void BM_OverlayFrame(benchmark::State& state)
{
    Scene& scene = sceneFor(int(state.range(0)));
    for (auto _ : state)
        scene.renderFrame();
    state.SetItemsProcessed(state.iterations());
}
// Whole frames at 1080p and 4K, on one and two threads, in CPU time.
void wholeFrames(benchmark::internal::Benchmark* b)
{
    b->Args({1920, 1080})
        ->Args({3840, 2160})
        ->Threads(1)
        ->Threads(2)
        ->MeasureProcessCPUTime()
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_OverlayFrame)->Apply(wholeFrames);

// The same frame composed in 4:2:0 planes from the decoder's planes, as the export does; it saves
// the conversion to the encoder's YUV too (BM_YuvConversion).
void BM_OverlayFrameYuv(benchmark::State& state)
{
    Scene& scene = sceneFor(int(state.range(0)));
    for (auto _ : state)
        scene.renderFrameYuv();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OverlayFrameYuv)->Apply(wholeFrames);

// The same with a new camera picture every frame, as a live camera gives: the bubble is scaled
// and cut every time instead of kept.
void BM_OverlayFrameYuvNewCamera(benchmark::State& state)
{
    Scene& scene = sceneFor(int(state.range(0)));
    const QImage cameras[2] = {scene.camera.copy(), scene.camera.copy()};
    int i = 0;
    for (auto _ : state)
        scene.renderFrameYuv(cameras[i++ % 2]);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OverlayFrameYuvNewCamera)->Apply(wholeFrames);

// What the BGRA path adds per exported frame: the composed frame converted to the encoder's YUV.
void BM_YuvConversion(benchmark::State& state)
{
    Scene& scene = sceneFor(int(state.range(0)));
    media::EncoderFramePool frames(scene.screen.size());
    for (auto _ : state) {
        std::shared_ptr<AVFrame> frame = frames.frame();
        media::convertBgraToYuv420(scene.screen, *frame);
    }
}
BENCHMARK(BM_YuvConversion)
    ->Arg(1920)
    ->Arg(3840)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The 4K export of a 1080p recording: the frame composed in the planes straight at 3840 × 2160
// (the render context keeps the render size, as in the export)...
void BM_UpscaledFrameYuv(benchmark::State& state)
{
    static Scene upscaled(1920, 1080, QSize(3840, 2160));
    upscaled.compositor.renderContextChanged(std::make_shared<Context>(QSize(1920, 1080)));
    for (auto _ : state)
        upscaled.renderFrameYuv();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UpscaledFrameYuv)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// ... against composing it in BGRA at 1080p, then scaling and converting it into the encoder's
// 4K planes with libswscale as the BGRA path does (the decoder's conversion of the screen to BGRA
// not counted).
void BM_UpscaledFrameBgra(benchmark::State& state)
{
    Scene& scene = sceneFor(1920);
    media::EncoderFramePool frames(QSize(3840, 2160));
    media::EncoderFrameConverter converter(SWS_FULL_CHR_H_INP | SWS_BICUBIC);
    QImage frame(1920, 1080, graphics::kPixelFormat);
    for (auto _ : state) {
        OverlayFrame::draw(frame, *scene.instruction, kFrameTime, scene.screen, scene.camera);
        std::shared_ptr<AVFrame> yuv = frames.frame();
        if (!yuv || !converter.convert(frame, *yuv))
            std::abort();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_UpscaledFrameBgra)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// The same 1080p frame composed straight at a 1280 × 720 preview's size, as the Studio does.
void BM_PreviewFrame(benchmark::State& state)
{
    static Scene preview(1920, 1080, QSize(1280, 720));
    for (auto _ : state)
        preview.renderFrame();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PreviewFrame)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMillisecond);

// For contrast: composed at 1080p and then scaled down to the preview's size.
void BM_PreviewFrameScaledDown(benchmark::State& state)
{
    Scene& scene = sceneFor(1920);
    QImage frame(1920, 1080, graphics::kPixelFormat);
    for (auto _ : state) {
        OverlayFrame::draw(frame, *scene.instruction, kFrameTime, scene.screen, scene.camera);
        benchmark::DoNotOptimize(
            frame.scaled(1280, 720, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PreviewFrameScaledDown)
    ->MeasureProcessCPUTime()
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

// The stages of the same frame one by one, to see where the time goes: 0 the zoomed screen alone,
// 1 the screen in the background, 2 the camera bubble, 3 cursor and ripples, 4 the redaction.
void BM_Stage(benchmark::State& state)
{
    const int w = int(state.range(1)), h = w * 9 / 16;
    Scene& scene = sceneFor(w);
    const OverlayInstruction& in = *scene.instruction;
    QImage output(w, h, graphics::kPixelFormat);
    graphics::Canvas canvas(output);
    Size size{double(w), double(h)};
    OverlayPlacement placement{kFrameTime, ZoomCompositor::rect(kFrameTime, in.regions()),
                               &*in.backgroundFrame(), size};
    auto zoomed = ZoomCompositor::crop(placement.zoom, scene.screen, size);
    for (auto _ : state) {
        switch (state.range(0)) {
        case 0:
            canvas.drawSlice({0, 0, size.width, size.height}, zoomed,
                             QPainter::CompositionMode_Source);
            break;
        case 1:
            BackgroundRenderer::drawOnto(canvas, zoomed, *in.backgroundFrame());
            break;
        case 2:
            CameraOverlayRenderer::compose(scene.camera, canvas, size, in.cameraSettings());
            break;
        case 3:
            CursorOverlayRenderer::draw(canvas, placement, in.cursorSamples(), in.cursorSettings());
            ClickRippleRenderer::draw(canvas, placement, in.clickSamples(), in.cursorSettings());
            break;
        case 4:
            RedactRenderer::draw(canvas, placement, in.redactRegions());
            break;
        }
    }
}
BENCHMARK(BM_Stage)
    ->ArgsProduct({{0, 1, 2, 3, 4}, {1920, 3840}})
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();

// Frames per second of `threads` threads rendering 1080p frames for about `seconds`.
double ourFps(int threads, double seconds, bool inYuv = false)
{
    Scene& scene = sceneFor(1920);
    std::atomic<long> frames{0};
    auto start = std::chrono::steady_clock::now();
    auto until = start + std::chrono::duration<double>(seconds);
    std::vector<std::thread> workers;
    for (int i = 0; i < threads; ++i)
        workers.emplace_back([&] {
            while (std::chrono::steady_clock::now() < until) {
                if (inYuv)
                    scene.renderFrameYuv();
                else
                    scene.renderFrame();
                ++frames;
            }
        });
    for (auto& worker : workers)
        worker.join();
    double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return frames / elapsed;
}

double timeCommand(const std::string& command)
{
    auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0)
        return -1;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void compareWithFfmpeg()
{
    constexpr int kFrames = 240;
    const std::string source = "-f lavfi -i testsrc2=size=1920x1080:rate=60,format=bgra ";
    const std::string bubble = "-f lavfi -i color=c=red:size=320x320,format=bgra ";
    const std::string graph =
        "-filter_complex \"[0:v]crop=1344:756:288:162,scale=1920:1080,gblur=sigma=16,"
        "scale=1766:994,pad=1920:1080:77:43[c];[c][1:v]overlay=1500:700\" ";
    const std::string tail = "-frames:v " + std::to_string(kFrames) + " -f null - ";
    const std::string ffmpeg = "ffmpeg -hide_banner -loglevel error -nostdin ";
    double withGraph = timeCommand(ffmpeg + source + bubble + graph + tail);
    double sourceOnly = timeCommand(ffmpeg + source + tail);
    if (withGraph <= 0 || sourceOnly <= 0) {
        std::printf("ffmpeg comparison skipped: the ffmpeg tool did not run\n");
        return;
    }
    double ffmpegFps = kFrames / withGraph;
    double graphOnlyFps = withGraph > sourceOnly ? kFrames / (withGraph - sourceOnly) : ffmpegFps;
    double one = ourFps(1, 3), two = ourFps(2, 3);
    std::printf("\n1080p full frame: ours %.1f fps on 1 thread, %.1f fps on 2 threads\n", one, two);
    std::printf("ffmpeg graph (crop+scale, gblur sigma 16, scale+pad, overlay 320x320): %.1f fps"
                " (%.1f fps without its test source)\n",
                ffmpegFps, graphOnlyFps);
    std::printf("ratio ours/ffmpeg: %.2fx (1 thread), %.2fx (2 threads); without ffmpeg's source: "
                "%.2fx, %.2fx\n",
                one / ffmpegFps, two / ffmpegFps, one / graphOnlyFps, two / graphOnlyFps);
    double oneYuv = ourFps(1, 3, true), twoYuv = ourFps(2, 3, true);
    std::printf("composed in YUV 4:2:0 (the export): ours %.1f fps on 1 thread, %.1f fps on 2; "
                "ratio %.2fx, %.2fx (target: at least 15x on 1 thread)\n",
                oneYuv, twoYuv, oneYuv / ffmpegFps, twoYuv / ffmpegFps);
}

} // namespace

int main(int argc, char** argv)
{
    // A run with arguments (a filter, say) looks at single cases: no comparison then.
    const bool compare = argc == 1;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (compare)
        compareWithFfmpeg();
    return 0;
}
