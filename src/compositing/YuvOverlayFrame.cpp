#include "compositing/YuvOverlayFrame.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

#include "compositing/CameraOverlayRenderer.h"
#include "compositing/ClickRippleRenderer.h"
#include "compositing/CursorOverlayRenderer.h"
#include "compositing/KeystrokeRenderer.h"
#include "compositing/OverlayFrame.h"
#include "compositing/RedactRenderer.h"
#include "compositing/TextRenderer.h"
#include "compositing/ZoomCrop.h"
#include "graphics/GaussianBlur.h"
#include "graphics/ImageScaler.h"
#include "media/YuvConversion.h"

namespace tarnix {

namespace {

// The fraction of pixel `p` covered by [start, end), as the scaler mixes edge pixels.
double covered(int p, double start, double end)
{
    return std::clamp(std::min(end, p + 1.0) - std::max(start, double(p)), 0.0, 1.0);
}

// The pixels a rectangle touches, within `size`.
QRect touched(const QRectF& r, QSize size)
{
    const int x0 = int(std::max(std::floor(r.left()), 0.0));
    const int y0 = int(std::max(std::floor(r.top()), 0.0));
    const int x1 = int(std::min(std::ceil(r.right()), double(size.width())));
    const int y1 = int(std::min(std::ceil(r.bottom()), double(size.height())));
    return QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1));
}

// Runs of values under 255 of a coverage map over `area`, row by row.
void addRuns(const std::vector<float>& map, const QRect& area, std::vector<YuvBackground::Run>& runs,
             std::vector<std::uint8_t>& values)
{
    for (int y = 0; y < area.height(); ++y) {
        const float* row = &map[std::size_t(y) * area.width()];
        for (int x = 0; x < area.width();) {
            auto value = [&](int i) { return std::uint8_t(std::lround(row[i] * 255)); };
            if (value(x) == 255) {
                ++x;
                continue;
            }
            YuvBackground::Run run{area.top() + y, area.left() + x, 0, values.size()};
            for (; x < area.width() && value(x) != 255; ++x)
                values.push_back(value(x));
            run.end = area.left() + x;
            runs.push_back(run);
        }
    }
}

graphics::Plane planeOf(AVFrame& frame, int p)
{
    const int shift = p == 0 ? 0 : 1;
    return {frame.data[p], frame.linesize[p], (frame.width + shift) >> shift,
            (frame.height + shift) >> shift};
}

graphics::ConstPlane planeOf(const AVFrame& frame, int p)
{
    const int shift = p == 0 ? 0 : 1;
    return {frame.data[p], frame.linesize[p], (frame.width + shift) >> shift,
            (frame.height + shift) >> shift};
}

QRectF scaled(const QRectF& r, double k)
{
    return {r.x() * k, r.y() * k, r.width() * k, r.height() * k};
}

// Copies the background's plane wherever the screen does not touch.
void copyAround(const graphics::Plane& out, const std::uint8_t* background, const QRect& screen)
{
    const int w = out.width;
    for (int y = 0; y < out.height; ++y) {
        std::uint8_t* row = out.data + y * out.stride;
        const std::uint8_t* from = background + std::size_t(y) * w;
        if (y < screen.top() || y > screen.bottom() || screen.isEmpty()) {
            std::memcpy(row, from, std::size_t(w));
            continue;
        }
        std::memcpy(row, from, std::size_t(std::max(screen.left(), 0)));
        if (screen.right() + 1 < w)
            std::memcpy(row + screen.right() + 1, from + screen.right() + 1,
                        std::size_t(w - screen.right() - 1));
    }
}

// The background mixed back in where the screen covers a sample only in part.
void mixEdges(const graphics::Plane& out, const std::uint8_t* background,
              const std::vector<YuvBackground::Run>& runs, const std::vector<std::uint8_t>& values)
{
    for (const auto& run : runs) {
        std::uint8_t* row = out.data + run.row * out.stride;
        const std::uint8_t* under = background + std::size_t(run.row) * out.width;
        const std::uint8_t* m = &values[run.coverage];
        for (int x = run.begin; x < run.end; ++x) {
            const int b = under[x], o = row[x];
            row[x] = std::uint8_t(b + ((o - b) * m[x - run.begin] + (o >= b ? 127 : -127)) / 255);
        }
    }
}

// Where the layers drawn in RGB go: under the blur (bubble, cursor, ripples) or over it (text,
// keys). The blur itself is drawn on the planes.
enum class Stage { underBlur, blur, overBlur };

struct Area {
    Stage stage;
    QRect rect; // even: whole chroma samples
};

QRect evenRect(const QRectF& r, QSize size)
{
    QRect t = touched(r, size);
    if (t.isEmpty())
        return {};
    const int x0 = t.left() & ~1, y0 = t.top() & ~1;
    const int x1 = std::min((t.right() + 2) & ~1, size.width());
    const int y1 = std::min((t.bottom() + 2) & ~1, size.height());
    return QRect(x0, y0, x1 - x0, y1 - y0);
}

std::vector<Area> areasOf(const OverlayInstruction& instruction, const OverlayFrame::Layout& at,
                          QSize output, bool hasCamera)
{
    std::vector<Area> areas;
    const double W = output.width(), H = output.height();
    Stage stage = Stage::underBlur;
    auto add = [&](const QRectF& imageRect) {
        const QRect write = evenRect(imageRect, output);
        if (!write.isEmpty())
            areas.push_back({stage, write});
    };
    // A square about a point given in canvas pixels (lower-left origin).
    auto around = [&](Point centre, double half) {
        add(QRectF(centre.x - half, H - centre.y - half, 2 * half, 2 * half));
    };
    const CameraOverlaySettings& camera = instruction.cameraSettings();
    if (hasCamera && instruction.cameraTrackID() && camera.isEnabled)
        around(CameraOverlayRenderer::bubbleCentre(at.frame, camera),
               at.frame.width * camera.sizeFraction / 2 + 2);
    // The arrow lies beside its hot spot, up to about its size (taller than wide) away.
    if (auto cursor = CursorOverlayRenderer::placed(at.placement, instruction.cursorSamples(),
                                                    at.cursor))
        around(cursor->centre, 2 * cursor->size + 2);
    if (at.cursor.showsClickRipples) {
        const auto& clicks = instruction.clickSamples();
        const double t = at.placement.time;
        const double base = W * at.cursor.sizeFraction;
        auto first = ClickRippleRenderer::firstIndex(t - ClickRippleRenderer::kDuration, clicks);
        for (std::size_t i = first.value_or(clicks.size()); i < clicks.size() && clicks[i].time <= t; ++i)
            if (auto uv = at.placement.canvasPoint(clicks[i].point))
                around({W * uv->x, H * (1 - uv->y)}, 1.3 * base + 4);
    }
    stage = Stage::blur;
    for (const QRect& r : RedactRenderer::pixelRects(OverlayFrame::blurredRects(instruction, at),
                                                     at.placement.outputSize, output))
        add(r);
    stage = Stage::overBlur;
    for (const TextRegion& region : instruction.edits().textRegions) {
        if (!(TextRenderer::opacity(region, at.movieTime) > 0))
            continue;
        const Rect box = TextRenderer::boxRect(region, QSizeF(W, H));
        add(QRectF(box.x * W - 4, box.y * H - 4, box.width * W + 8, box.height * H + 8));
    }
    const KeystrokeOverlay& keys = instruction.keystrokes();
    if (auto band = KeystrokeRenderer::band(QSizeF(W, H), at.movieTime, at.frame.width,
                                            keys.keystrokes, keys.settings))
        add(*band);
    return areas;
}

// A BGRA picture of the output's size per thread, of which only the layers' areas are used.
QImage& scratch(QSize size)
{
    thread_local QImage image;
    if (image.size() != size)
        image = graphics::makeImage(size.width(), size.height());
    return image;
}

bool isPlanar420(const AVFrame& frame)
{
    return frame.format == AV_PIX_FMT_YUV420P && frame.data[0] && frame.data[1] && frame.data[2];
}

// Draws layers in RGB over the areas of one stage: those are converted to BGRA, drawn on and
// converted back; the rest of the scratch picture is left as it is and never read.
template <typename Draw>
bool drawInRgb(AVFrame& output, Stage stage, const std::vector<Area>& areas, Draw draw)
{
    std::vector<QRect> rects;
    for (const Area& area : areas)
        if (area.stage == stage)
            rects.push_back(area.rect);
    if (rects.empty())
        return true;
    QImage& picture = scratch(QSize(output.width, output.height));
    if (picture.isNull())
        return false;
    auto bgraAt = [&](const QRect& r) {
        return picture.bits() + r.top() * picture.bytesPerLine() + r.left() * 4;
    };
    for (const QRect& r : rects)
        media::convertYuv420ToBgra(media::planesAt(output, r.left(), r.top()), bgraAt(r),
                                   picture.bytesPerLine(), r.width(), r.height());
    {
        graphics::Canvas canvas(picture);
        draw(canvas);
    }
    for (const QRect& r : rects)
        media::convertBgraToYuv420(bgraAt(r), picture.bytesPerLine(), r.width(), r.height(),
                                   media::planesAt(output, r.left(), r.top()));
    return true;
}

// The redaction drawn straight on the planes: chroma at half the size with half the blur.
void blurPlanes(AVFrame& output, const OverlayInstruction& instruction,
                const OverlayFrame::Layout& at)
{
    const QSize size(output.width, output.height);
    const std::vector<QRect> rects = RedactRenderer::pixelRects(
        OverlayFrame::blurredRects(instruction, at), at.placement.outputSize, size);
    if (rects.empty())
        return;
    const double sigma = RedactRenderer::blurRadius({at.frame.width, at.frame.height});
    graphics::blurPlaneRects(planeOf(output, 0), rects, sigma);
    std::vector<QRect> halves;
    for (const QRect& r : rects) // every chroma sample the rectangle touches
        halves.push_back(QRect(QPoint(r.left() / 2, r.top() / 2), QPoint(r.right() / 2, r.bottom() / 2)));
    graphics::blurPlaneRects(planeOf(output, 1), halves, sigma / 2);
    graphics::blurPlaneRects(planeOf(output, 2), halves, sigma / 2);
}

} // namespace

std::optional<YuvBackground> YuvBackground::make(const BackgroundFrame* frame, QSize size)
{
    if (size.isEmpty() || size.width() % 2 || size.height() % 2)
        return std::nullopt;
    YuvBackground out;
    out.width = size.width();
    out.height = size.height();
    out.content = QRectF(0, 0, size.width(), size.height());
    if (!frame)
        return out;
    const QImage& picture = frame->backgroundWithShadow;
    if (picture.size() != size || picture.format() != graphics::kPixelFormat)
        return std::nullopt;
    const std::size_t lumaBytes = std::size_t(size.width()) * size.height();
    out.planes[0].resize(lumaBytes);
    out.planes[1].resize(lumaBytes / 4);
    out.planes[2].resize(lumaBytes / 4);
    media::YuvPlanes planes;
    for (int p = 0; p < 3; ++p) {
        planes.data[p] = out.planes[p].data();
        planes.stride[p] = p == 0 ? size.width() : size.width() / 2;
    }
    media::convertBgraToYuv420(picture.constBits(), picture.bytesPerLine(), size.width(),
                               size.height(), planes);

    out.content = graphics::toImageRect(frame->contentRect(), size.height());
    const QRectF& c = out.content;
    // Coverage of each luma sample: the content's fractional edges times the rounded mask, whose
    // origin is rounded as the BGRA path rounds it.
    const QRect luma = touched(c, size);
    const QPoint maskOrigin(int(std::lround(c.left())), int(std::lround(c.top())));
    const QImage& mask = frame->mask;
    auto coverageAt = [&](int x, int y) -> float {
        if (!luma.contains(x, y))
            return 0;
        const int mx = x - maskOrigin.x(), my = y - maskOrigin.y();
        const bool inMask = mx >= 0 && my >= 0 && mx < mask.width() && my < mask.height();
        const double m = mask.isNull() ? 1 : inMask ? mask.constScanLine(my)[mx] / 255.0 : 0;
        return float(covered(x, c.left(), c.right()) * covered(y, c.top(), c.bottom()) * m);
    };
    std::vector<float> map(std::size_t(luma.width()) * luma.height());
    for (int y = 0; y < luma.height(); ++y)
        for (int x = 0; x < luma.width(); ++x)
            map[std::size_t(y) * luma.width() + x] = coverageAt(luma.left() + x, luma.top() + y);
    addRuns(map, luma, out.runs[0], out.coverages[0]);
    // A chroma sample covers 2 × 2 luma samples: their mean coverage.
    const QRect chroma = touched(scaled(c, 0.5), size / 2);
    map.assign(std::size_t(chroma.width()) * chroma.height(), 0);
    for (int y = 0; y < chroma.height(); ++y)
        for (int x = 0; x < chroma.width(); ++x) {
            const int lx = 2 * (chroma.left() + x), ly = 2 * (chroma.top() + y);
            map[std::size_t(y) * chroma.width() + x] =
                (coverageAt(lx, ly) + coverageAt(lx + 1, ly) + coverageAt(lx, ly + 1) +
                 coverageAt(lx + 1, ly + 1)) / 4;
        }
    addRuns(map, chroma, out.runs[1], out.coverages[1]);
    return out;
}

namespace YuvOverlayFrame {

std::vector<QRect> layerAreas(const OverlayInstruction& instruction, double time, QSize output,
                              const BackgroundFrame* background)
{
    const Size size{double(output.width()), double(output.height())};
    std::vector<QRect> writes;
    for (const Area& area :
         areasOf(instruction, OverlayFrame::layout(instruction, time, size, background), output, true))
        writes.push_back(area.rect);
    return writes;
}

bool draw(AVFrame& output, const OverlayInstruction& instruction, double time,
          const AVFrame& screen, const QImage& camera, const BackgroundFrame* background,
          const YuvBackground& yuvBackground)
{
    const QSize size(output.width, output.height);
    if (!isPlanar420(output) || !isPlanar420(screen) || screen.width < 2 || screen.height < 2 ||
        size != QSize(yuvBackground.width, yuvBackground.height))
        return false;
    const Size canvasSize{double(size.width()), double(size.height())};
    const OverlayFrame::Layout at = OverlayFrame::layout(instruction, time, canvasSize, background);
    const QRectF crop =
        ZoomCompositor::cropRect(at.placement.zoom, QSizeF(screen.width, screen.height));
    const bool hasBackground = !yuvBackground.planes[0].empty();
    for (int p = 0; p < 3; ++p) {
        const double k = p == 0 ? 1 : 0.5;
        const graphics::Plane out = planeOf(output, p);
        const QRectF content = scaled(yuvBackground.content, k);
        if (hasBackground)
            copyAround(out, yuvBackground.planes[p].data(),
                       touched(content, QSize(out.width, out.height)));
        if (!graphics::scalePlaneInto(out, content, planeOf(screen, p), scaled(crop, k)))
            return false;
        if (hasBackground)
            mixEdges(out, yuvBackground.planes[p].data(), yuvBackground.runs[p == 0 ? 0 : 1],
                     yuvBackground.coverages[p == 0 ? 0 : 1]);
    }

    const std::vector<Area> areas = areasOf(instruction, at, size, !camera.isNull());
    if (!drawInRgb(output, Stage::underBlur, areas, [&](graphics::Canvas& canvas) {
            OverlayFrame::drawLayersUnderBlur(canvas, instruction, at, camera);
        }))
        return false;
    blurPlanes(output, instruction, at);
    return drawInRgb(output, Stage::overBlur, areas, [&](graphics::Canvas& canvas) {
        OverlayFrame::drawLayersOverBlur(canvas, instruction, at);
    });
}

} // namespace YuvOverlayFrame

} // namespace tarnix
