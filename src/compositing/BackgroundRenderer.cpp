#include "compositing/BackgroundRenderer.h"

#include <QImageReader>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include "graphics/GaussianBlur.h"

namespace tarnix::BackgroundRenderer {

namespace {

using graphics::Canvas;
using graphics::makeImage;
using graphics::roundedPixels;

// Shadow blur of a canvas width, and how a shadow blur value turns into a standard deviation.
constexpr double kShadowBlurPerWidth = 0.02;
constexpr double kShadowSigmaPerBlur = 0.5;

QImage blackImage(Size canvasSize)
{
    return makeImage(roundedPixels(canvasSize.width), roundedPixels(canvasSize.height), Qt::black);
}

QPainterPath roundedRectPath(const QRectF& rect, double cornerRadius)
{
    double r = std::min({std::max(cornerRadius, 0.0), rect.width() * 0.5, rect.height() * 0.5});
    if (!(r >= 0))
        r = 0;
    QPainterPath path;
    path.addRoundedRect(rect, r, r);
    return path;
}

// The blur of the shadow only matters within its reach of the shape's outline: where the whole
// kernel lies inside the rounded rectangle the blurred value is the flat one, and that part is
// cleared anyway. The rectangle left out must therefore keep the kernel's reach from the rounded
// corners, not just from the straight edges: a corner of the inner rectangle at inset d from both
// edges lies r - √2·(r - d) inside the arc of radius r, hence d = r - (r - reach)/√2 when the
// radius exceeds the reach.
std::vector<QRect> shadowBands(const QRect& canvas, const QRectF& content, double cornerRadius,
                               double sigma)
{
    int reach = int(std::ceil(3.2 * sigma)) + 2;
    double r = std::clamp(cornerRadius, 0.0, std::min(content.width(), content.height()) * 0.5);
    double inset = r > reach ? r - (r - reach) / std::sqrt(2.0) : double(reach);
    int d = int(std::ceil(inset)) + 1;
    QRect inner = QRectF(content).adjusted(d, d, -d, -d).toAlignedRect();
    inner = inner.adjusted(1, 1, -1, -1).intersected(canvas);
    if (inner.isEmpty())
        return {canvas};
    int w = canvas.width(), h = canvas.height();
    return {QRect(0, 0, w, inner.top()), QRect(0, inner.bottom() + 1, w, h - inner.bottom() - 1),
            QRect(0, inner.top(), inner.left(), inner.height()),
            QRect(inner.right() + 1, inner.top(), w - inner.right() - 1, inner.height())};
}

const GradientPreset& presetFor(const std::string& id)
{
    const GradientPreset* preset = GradientPreset::find(id);
    return preset ? *preset : GradientPreset::defaultPreset();
}

QImage loadImage(const std::string& path)
{
    // Opening a FIFO would wait for a writer; a device never ends.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        return {};
    QImageReader reader(QString::fromStdString(path));
    reader.setAutoTransform(true);
    return graphics::inPixelFormat(reader.read());
}

void copyRows(QImage& target, const QImage& from, int top, int bottom, int left, int right)
{
    std::size_t bytes = std::size_t(std::max(right - left, 0)) * 4;
    for (int y = std::max(top, 0); y < std::min(bottom, target.height()); ++y)
        std::memcpy(target.scanLine(y) + left * 4, from.constScanLine(y) + left * 4, bytes);
}

// Copies the background wherever the screen picture will not cover whole pixels: the padding and
// the partly covered pixels along the content's edges. `content` is in image coordinates.
void copyBackground(Canvas& canvas, const QImage& background, const QRectF& content)
{
    QImage& target = canvas.image();
    if (background.size() != target.size() || background.format() != target.format()) {
        canvas.drawImage({0, 0, double(canvas.width()), double(canvas.height())}, background,
                         QRectF(background.rect()), QPainter::CompositionMode_Source);
        return;
    }
    int w = target.width(), h = target.height();
    auto clampX = [w](double v) { return int(std::clamp(v, 0.0, double(w))); };
    auto clampY = [h](double v) { return int(std::clamp(v, 0.0, double(h))); };
    int left = clampX(std::ceil(content.left())), right = clampX(std::floor(content.right()));
    int top = clampY(std::ceil(content.top())), bottom = clampY(std::floor(content.bottom()));
    if (left >= right || top >= bottom) {
        copyRows(target, background, 0, h, 0, w);
        return;
    }
    copyRows(target, background, 0, top, 0, w);
    copyRows(target, background, bottom, h, 0, w);
    copyRows(target, background, top, bottom, 0, left);
    copyRows(target, background, top, bottom, right, w);
}

// Mixes the background back in where the mask is not fully white: out = bg + (out - bg) × m.
// Because source-over is linear in the source, this equals masking the screen first and laying it
// over the background afterwards.
void applyMaskEdges(QImage& target, const BackgroundFrame& frame, const QPoint& maskOrigin)
{
    std::vector<BackgroundFrame::MaskRun> computed;
    const std::vector<BackgroundFrame::MaskRun>* runs = frame.maskEdges.get();
    if (!runs) {
        computed = findMaskEdges(frame.mask);
        runs = &computed;
    }
    const QImage& bg = frame.backgroundWithShadow; // the canvas's size (drawOnto checks)
    for (const auto& run : *runs) {
        int y = maskOrigin.y() + run.row;
        if (y < 0 || y >= target.height())
            continue;
        int begin = std::max(run.begin, -maskOrigin.x());
        int end = std::min(run.end, target.width() - maskOrigin.x());
        const std::uint8_t* m = frame.mask.constScanLine(run.row);
        std::uint8_t* out = target.scanLine(y);
        const std::uint8_t* under = bg.constScanLine(y);
        for (int i = begin; i < end; ++i) {
            int x = maskOrigin.x() + i;
            for (int c = 0; c < 4; ++c) {
                int b = under[x * 4 + c];
                int o = out[x * 4 + c];
                out[x * 4 + c] = std::uint8_t(b + ((o - b) * m[i] + (o >= b ? 127 : -127)) / 255);
            }
        }
    }
}

} // namespace

std::optional<BackgroundFrame> makeFrame(Size canvasSize, const BackgroundSettings& settings)
{
    return makeFrame(canvasSize, settings, canvasSize.width / canvasSize.height);
}

std::optional<BackgroundFrame> makeFrame(Size canvasSize, const BackgroundSettings& settings,
                                         double contentAspect)
{
    if (settings.style == BackgroundStyle::none)
        return std::nullopt;
    double W = canvasSize.width, H = canvasSize.height;
    double scale = std::max(1 - 2 * settings.padding, 0.0);
    double cw = W * scale, ch = H * scale;
    // Fitted inside the padded box; for the canvas's own aspect this keeps the box as it is.
    if (contentAspect > 0 && std::isfinite(contentAspect) &&
        std::abs(contentAspect - W / H) > 1e-9 * contentAspect) {
        if (cw / ch > contentAspect)
            cw = ch * contentAspect;
        else
            ch = cw / contentAspect;
    }
    if (!(cw > 1 && ch > 1) || !std::isfinite(cw) || !std::isfinite(ch))
        return std::nullopt;
    Point origin{(W - cw) * 0.5, (H - ch) * 0.5};

    QImage background = makeBackgroundImage(canvasSize, settings);
    if (background.isNull())
        return std::nullopt; // a canvas too large to allocate shows no background
    QImage shadow = makeShadowLayer(canvasSize, {origin.x, origin.y, cw, ch}, settings);
    if (!shadow.isNull()) {
        QPainter painter(&background);
        painter.drawImage(0, 0, shadow);
    }

    BackgroundFrame frame;
    frame.contentSize = {cw, ch};
    frame.contentOrigin = origin;
    frame.backgroundWithShadow = background;
    frame.mask = makeMask({cw, ch}, settings.cornerRadius);
    frame.cornerRadius = settings.cornerRadius;
    frame.maskEdges =
        std::make_shared<const std::vector<BackgroundFrame::MaskRun>>(findMaskEdges(frame.mask));
    return frame;
}

std::optional<BackgroundFrame> resizedFrame(const BackgroundFrame& frame, QSize canvasSize)
{
    const QImage& picture = frame.backgroundWithShadow;
    if (picture.isNull() || canvasSize.isEmpty())
        return std::nullopt;
    const double kx = double(canvasSize.width()) / picture.width();
    const double ky = double(canvasSize.height()) / picture.height();
    BackgroundFrame out;
    out.contentSize = {frame.contentSize.width * kx, frame.contentSize.height * ky};
    out.contentOrigin = {frame.contentOrigin.x * kx, frame.contentOrigin.y * ky};
    out.cornerRadius = frame.cornerRadius * std::min(kx, ky);
    if (!(out.contentSize.width > 1 && out.contentSize.height > 1))
        return std::nullopt;
    out.backgroundWithShadow = graphics::inPixelFormat(
        picture.scaled(canvasSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    if (out.backgroundWithShadow.isNull())
        return std::nullopt;
    out.mask = makeMask(out.contentSize, out.cornerRadius);
    out.maskEdges =
        std::make_shared<const std::vector<BackgroundFrame::MaskRun>>(findMaskEdges(out.mask));
    return out;
}

QImage makeBackgroundImage(Size canvasSize, const BackgroundSettings& settings)
{
    switch (settings.style) {
    case BackgroundStyle::none:
        return blackImage(canvasSize);
    case BackgroundStyle::solid:
        return makeImage(roundedPixels(canvasSize.width), roundedPixels(canvasSize.height),
                         graphics::opaqueColor(settings.solidColor));
    case BackgroundStyle::gradient:
        return gradientImage(canvasSize, presetFor(settings.gradientPresetID));
    case BackgroundStyle::image:
        if (settings.imagePath) {
            QImage image = loadImage(*settings.imagePath);
            if (!image.isNull())
                return fillCrop(image, canvasSize);
        }
        return gradientImage(canvasSize, GradientPreset::defaultPreset());
    }
    return blackImage(canvasSize);
}

QImage gradientImage(Size canvasSize, const GradientPreset& preset)
{
    QImage image = blackImage(canvasSize);
    if (image.isNull())
        return image;
    CodableColor fallback{0.1, 0.1, 0.12, 1};
    const auto& colors = preset.colors;
    CodableColor stop0 = colors.empty() ? fallback : colors[0];
    CodableColor stop1 = colors.size() < 2 ? stop0 : colors[1];

    double W = canvasSize.width, H = canvasSize.height;
    // From the top-left corner (0, H) to the bottom-right corner (W, 0).
    QLinearGradient gradient(graphics::toImagePoint({0, H}, image.height()),
                             graphics::toImagePoint({W, 0}, image.height()));
    gradient.setColorAt(0, graphics::opaqueColor(stop0));
    gradient.setColorAt(1, graphics::opaqueColor(stop1));
    QPainter painter(&image);
    painter.fillRect(image.rect(), gradient);
    return image;
}

QImage fillCrop(const QImage& image, Size canvasSize)
{
    if (image.isNull() || image.width() <= 0 || image.height() <= 0)
        return blackImage(canvasSize);
    QImage out = makeImage(roundedPixels(canvasSize.width), roundedPixels(canvasSize.height));
    if (out.isNull())
        return out;
    double W = canvasSize.width, H = canvasSize.height;
    double s = std::max(W / image.width(), H / image.height());
    // The canvas seen through the scaled picture, in the picture's own pixels: centred both ways.
    double sourceWidth = W / s, sourceHeight = H / s;
    QRectF source((image.width() - sourceWidth) * 0.5, (image.height() - sourceHeight) * 0.5,
                  sourceWidth, sourceHeight);
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(0, 0, W, H), image, source);
    return out;
}

QImage makeShadowLayer(Size canvasSize, const Rect& contentRect, const BackgroundSettings& settings)
{
    QImage layer = makeImage(roundedPixels(canvasSize.width), roundedPixels(canvasSize.height));
    if (layer.isNull() || !(settings.shadowOpacity > 0))
        return layer;
    double opacity = std::min(settings.shadowOpacity, 1.0);
    QRectF content = graphics::toImageRect(contentRect, layer.height());
    QPainterPath path = roundedRectPath(content, settings.cornerRadius);

    QPainter painter(&layer);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, QColor::fromRgbF(0, 0, 0, float(opacity)));
    painter.end();

    double sigma = canvasSize.width * kShadowBlurPerWidth * kShadowSigmaPerBlur;
    graphics::blurRects(layer, shadowBands(layer.rect(), content, settings.cornerRadius, sigma),
                       sigma);

    // The shape itself, then cleared: only the halo outside the content remains.
    painter.begin(&layer);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, Qt::black);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillPath(path, Qt::black);
    return layer;
}

QImage makeMask(Size size, double cornerRadius)
{
    int w = roundedPixels(size.width), h = roundedPixels(size.height);
    QImage mask;
    if (w >= 1 && h >= 1)
        mask = QImage(w, h, QImage::Format_Grayscale8);
    if (mask.isNull()) {
        // Keeps everything: square corners.
        mask = QImage(std::max(w, 1), std::max(h, 1), QImage::Format_Grayscale8);
        mask.fill(Qt::white);
        return mask;
    }
    mask.fill(Qt::black);
    QPainter painter(&mask);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(roundedRectPath(QRectF(0, 0, size.width, size.height), cornerRadius),
                     Qt::white);
    return mask;
}

std::vector<BackgroundFrame::MaskRun> findMaskEdges(const QImage& mask)
{
    std::vector<BackgroundFrame::MaskRun> runs;
    if (mask.format() != QImage::Format_Grayscale8)
        return runs;
    const int width = mask.width();
    for (int y = 0; y < mask.height(); ++y) {
        const std::uint8_t* row = mask.constScanLine(y);
        int x = 0;
        while (x < width) {
            if (row[x] == 255) {
                ++x;
                continue;
            }
            int begin = x;
            while (x < width && row[x] != 255)
                ++x;
            runs.push_back({y, begin, x});
        }
    }
    return runs;
}

QImage applyMask(const QImage& image, const QImage& mask)
{
    QImage out = graphics::inPixelFormat(image).copy();
    if (out.isNull() || mask.isNull())
        return out;
    QImage grey = mask.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < out.height(); ++y) {
        std::uint8_t* px = out.scanLine(y);
        const std::uint8_t* m = y < grey.height() ? grey.constScanLine(y) : nullptr;
        for (int x = 0; x < out.width(); ++x) {
            int coverage = (m && x < grey.width()) ? m[x] : 0;
            for (int c = 0; c < 4; ++c)
                px[x * 4 + c] = std::uint8_t((px[x * 4 + c] * coverage + 127) / 255);
        }
    }
    return out;
}

QImage compose(const graphics::ImageSlice& screen, const BackgroundFrame& frame)
{
    QImage out = frame.backgroundWithShadow.copy();
    if (out.isNull())
        return out;
    Canvas canvas(out);
    drawOnto(canvas, screen, frame);
    return out;
}

void drawOnto(Canvas& canvas, const graphics::ImageSlice& screen, const BackgroundFrame& frame)
{
    Rect content = frame.contentRect();
    QRectF contentInImage = canvas.toImageRect(content);
    if (!(screen.size.width > 0) || !(screen.size.height > 0) || screen.image.isNull()) {
        copyBackground(canvas, frame.backgroundWithShadow, QRectF());
        return;
    }
    if (frame.backgroundWithShadow.size() != canvas.image().size()) {
        // A frame made for another canvas size: stretched to this one, the plain way (the masked
        // picture laid over the background).
        copyBackground(canvas, frame.backgroundWithShadow, QRectF());
        if (frame.backgroundWithShadow.isNull())
            return;
        double kx = double(canvas.width()) / frame.backgroundWithShadow.width();
        double ky = double(canvas.height()) / frame.backgroundWithShadow.height();
        QImage picture = graphics::render({screen.image, screen.sourceRect, frame.contentSize});
        canvas.drawImage({content.x * kx, content.y * ky, content.width * kx, content.height * ky},
                         applyMask(picture, frame.mask));
        return;
    }
    // The screen replaces what lies under it instead of being laid over a copy of the background:
    // one pass over the content's pixels instead of two. Screen frames are opaque (decoded video
    // has no alpha), so the two give the same picture.
    copyBackground(canvas, frame.backgroundWithShadow, contentInImage);
    canvas.drawSlice(content, screen, QPainter::CompositionMode_Source);
    QPointF topLeft = contentInImage.topLeft();
    applyMaskEdges(canvas.image(), frame,
                   QPoint(int(std::lround(topLeft.x())), int(std::lround(topLeft.y()))));
}

} // namespace tarnix::BackgroundRenderer
