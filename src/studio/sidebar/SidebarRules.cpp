#include "studio/sidebar/SidebarRules.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

#include "document/EnumNames.h"
#include "studio/NewRegions.h"
#include "studio/timeline/TimelineRules.h"

namespace tarnix::SidebarRules {

QString formatTime(double seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return QStringLiteral("0:00");
    auto whole = (long long)seconds;
    return QString::asprintf("%lld:%02lld", whole / 60, whole % 60);
}

QString spanText(double start, double end)
{
    return formatTime(start) + QChar(0x2013) + formatTime(end);
}

QString levelText(double level)
{
    return QString::asprintf("%.1f", level) + QChar(0x00D7);
}

QString percentText(double fraction)
{
    return QString::number(std::lround(fraction * 100)) + QLatin1Char('%');
}

QString zoomCountText(int count)
{
    return count == 1 ? QCoreApplication::translate("tarnix::SidebarRules", "1 zoom")
                      : QCoreApplication::translate("tarnix::SidebarRules", "%1 zooms").arg(count);
}

bool updateZoomLevel(std::vector<ZoomRegion>& regions, double level, const Uuid& id)
{
    ZoomRegion* region = findByID(regions, id);
    if (!region)
        return false;
    region->rect = TimelineRules::squareAround(region->rect, 1 / level);
    return true;
}

RedactRegion newRedactRegionAtPlayhead(double currentTime, double duration)
{
    return NewRegions::redactRegion(currentTime, std::min(currentTime + 2.5, duration));
}

void setStartToPlayhead(RedactRegion& region, double currentTime)
{
    region.start = std::min(currentTime, region.end - 0.2);
}

void setEndToPlayhead(RedactRegion& region, double currentTime)
{
    region.end = std::max(currentTime, region.start + 0.2);
}

Rect resizedRedactRect(const Rect& rect, std::optional<double> width, std::optional<double> height)
{
    double w = width.value_or(rect.width);
    double h = height.value_or(rect.height);
    double x = std::min(1 - w, std::max(0.0, rect.midX() - w / 2));
    double y = std::min(1 - h, std::max(0.0, rect.midY() - h / 2));
    return {x, y, w, h};
}

QString aspectTitle(CanvasAspect aspect)
{
    if (aspect == CanvasAspect::source)
        return QCoreApplication::translate("tarnix::SidebarRules", "Source");
    return QString::fromUtf8(rawValue(aspect).data(), int(rawValue(aspect).size()));
}

QSizeF aspectGlyphSize(CanvasAspect aspect, double box)
{
    const double ratio = aspectRatio(aspect).value_or(16.0 / 10.0);
    return ratio >= 1 ? QSizeF(box, box / ratio) : QSizeF(box * ratio, box);
}

BackgroundSettings withBackgroundStyle(BackgroundSettings settings, BackgroundStyle style)
{
    settings.style = style;
    if (style == BackgroundStyle::none)
        settings.aspect = CanvasAspect::source;
    return settings;
}

bool canSmoothCursor(const CursorOverlaySettings& settings)
{
    return settings.isEnabled;
}

bool canSetSmoothingStrength(const CursorOverlaySettings& settings)
{
    return settings.isEnabled && settings.smoothsMovement;
}

QString keystrokeSizeText(double sizeFraction)
{
    return percentText(sizeFraction / KeystrokeOverlaySettings{}.sizeFraction);
}

bool canShowKeystrokes(bool hasKeyEvents) { return hasKeyEvents; }

bool canStyleKeystrokes(bool hasKeyEvents, const KeystrokeOverlaySettings& settings)
{
    return hasKeyEvents && settings.isEnabled;
}

bool canReduceNoise(const AudioTrackSettings& settings)
{
    return settings.isEnabled;
}

bool canSetNoiseReductionStrength(const AudioTrackSettings& settings)
{
    return settings.isEnabled && settings.reducesNoise;
}

CodableColor codableColor(const QColor& color)
{
    QColor rgb = color.toRgb();
    if (!rgb.isValid())
        rgb = color;
    return {rgb.redF(), rgb.greenF(), rgb.blueF(), rgb.alphaF()};
}

QColor displayColor(const CodableColor& color)
{
    auto unit = [](double v) { return float(std::clamp(v, 0.0, 1.0)); };
    return QColor::fromRgbF(unit(color.red), unit(color.green), unit(color.blue), unit(color.alpha));
}

} // namespace tarnix::SidebarRules
