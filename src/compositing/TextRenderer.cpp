#include "compositing/TextRenderer.h"

#include <QCoreApplication>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace tarnix::TextRenderer {

namespace {

// The pill's margins around the text, in lines of text.
constexpr double kPadX = 0.45;
constexpr double kPadY = 0.2;
constexpr int kTextFlags = Qt::AlignCenter | Qt::TextDontClip;

bool canDrawText()
{
    // Fonts come from the platform integration a QGuiApplication loads.
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
}

QFont fontFor(const TextRegion& region, double canvasHeight)
{
    QFont font;
    font.setPixelSize(std::max(1, int(std::lround(region.size * canvasHeight))));
    font.setWeight(QFont::DemiBold);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

QColor colorOf(const CodableColor& c, double opacity)
{
    return QColor::fromRgbF(float(c.red), float(c.green), float(c.blue),
                            float(std::clamp(c.alpha * opacity, 0.0, 1.0)));
}

// Dark behind light text, light behind dark text.
QColor pillColor(const CodableColor& text, double opacity)
{
    const double luminance = 0.2126 * text.red + 0.7152 * text.green + 0.0722 * text.blue;
    const double shade = luminance > 0.5 ? 0.0 : 1.0;
    return QColor::fromRgbF(float(shade), float(shade), float(shade), float(0.62 * opacity));
}

// The box in pixels of a canvas of `size` (top-left origin), kept on the canvas where it fits.
QRectF pixelBox(const TextRegion& region, QSizeF size, const QFont& font)
{
    const QFontMetricsF metrics(font);
    const QString text = QString::fromStdString(region.text);
    const QRectF textRect = metrics.boundingRect(QRectF(), kTextFlags, text);
    const double line = metrics.height();
    QRectF box(0, 0, textRect.width() + 2 * kPadX * line, textRect.height() + 2 * kPadY * line);
    box.moveCenter({region.position.x * size.width(), region.position.y * size.height()});
    const double dx = std::max(0.0, -box.left()) - std::max(0.0, box.right() - size.width());
    const double dy = std::max(0.0, -box.top()) - std::max(0.0, box.bottom() - size.height());
    if (box.width() <= size.width())
        box.translate(dx, 0);
    if (box.height() <= size.height())
        box.translate(0, dy);
    return box;
}

} // namespace

double opacity(const TextRegion& region, double time)
{
    if (!(region.start <= time && time <= region.end))
        return 0;
    const double fade = std::min(kFadeSeconds, (region.end - region.start) / 2);
    if (!(fade > 0))
        return 1;
    return std::clamp(std::min(time - region.start, region.end - time) / fade, 0.0, 1.0);
}

Rect boxRect(const TextRegion& region, QSizeF canvasSize)
{
    if (region.text.empty() || canvasSize.isEmpty() || !canDrawText())
        return {};
    const QRectF box = pixelBox(region, canvasSize, fontFor(region, canvasSize.height()));
    return {box.x() / canvasSize.width(), box.y() / canvasSize.height(),
            box.width() / canvasSize.width(), box.height() / canvasSize.height()};
}

void draw(graphics::Canvas& canvas, const std::vector<TextRegion>& regions, double time)
{
    const QSizeF size(canvas.width(), canvas.height());
    if (size.isEmpty() || !canDrawText())
        return;
    QPainter& painter = canvas.painter();
    for (const TextRegion& region : regions) {
        const double alpha = opacity(region, time);
        if (!(alpha > 0) || region.text.empty())
            continue;
        const QFont font = fontFor(region, size.height());
        const QRectF box = pixelBox(region, size, font);
        painter.save();
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        if (region.background) {
            const double radius = std::min(box.height(), QFontMetricsF(font).height() * 1.4) / 2;
            painter.setPen(Qt::NoPen);
            painter.setBrush(pillColor(region.color, alpha));
            painter.drawRoundedRect(box, radius, radius);
        }
        painter.setFont(font);
        painter.setPen(colorOf(region.color, alpha));
        painter.drawText(box, kTextFlags, QString::fromStdString(region.text));
        painter.restore();
    }
}

} // namespace tarnix::TextRenderer
