#include "studio/NewRegions.h"

#include "zoom/ZoomPanEngine.h"

namespace tarnix::NewRegions {

ZoomRegion zoomRegion(double start, double end, const RecordingTimeline& document)
{
    ZoomRegion region;
    region.start = start;
    region.end = end;
    region.rect =
        ZoomPanEngine::defaultZoomRect({start, end}, document, ZoomPanEngine::kDefaultZoomLevel);
    region.easing = EasingCurve::easeInOut;
    return region;
}

TextRegion textRegion(double start, double end, std::string text)
{
    TextRegion box;
    box.start = start;
    box.end = end;
    box.text = std::move(text);
    return box;
}

RedactRegion redactRegion(double start, double end)
{
    RedactRegion region;
    region.start = start;
    region.end = end;
    region.rect = kRedactRect;
    return region;
}

} // namespace tarnix::NewRegions
