#pragma once

#include <optional>
#include <utility>
#include <vector>

#include "document/RecordingTimeline.h"

// Automatic zoom: turns a recording's focused-element samples and clicks into zoom regions.
// Pure functions; only the region ids are random. Times in seconds of movie time; input points
// and rectangles in screen space; output rectangles normalised to the captured frame.

namespace tarnix::ZoomPanEngine {

// How far a region zooms unless told otherwise: automatic click regions and hand-made ones.
inline constexpr double kDefaultZoomLevel = 1.7;

struct Parameters {
    double clickMergeInterval = 1.2; // s, largest step between clicks of one cluster
    double clickMergeDistance = 0.12; // normalised, largest step between clicks of one cluster
    double zoomLevel = kDefaultZoomLevel; // click regions are 1/zoomLevel of the frame per side
    double leadIn = 0.35;            // s, a region starts this long before its first event
    double holdAfter = 1.1;          // s, hold after the last click / last focus sample
    double elementPadding = 0.35;    // margin per side, fraction of the element's size
    double maxElementFraction = 0.85; // elements at least this large both ways get no region
    double minimumDwell = 0.4;       // s, an element must stay focused this long
};

// One region per focused element that stays long enough and does not already fill the frame:
// frame-shaped about the padded element, at a level held within ZoomShape's 1.2x...4x; nothing
// (not an empty list) when no sample qualifies.
std::optional<std::vector<ZoomRegion>>
makeElementBasedZoomRegions(const RecordingTimeline& timeline, const Parameters& parameters = {});

// One square region of side 1/zoomLevel per cluster of button-down clicks; possibly empty.
std::vector<ZoomRegion> makeClickBasedZoomRegions(const RecordingTimeline& timeline,
                                                  const Parameters& parameters = {});

// What a finished recording starts with: element regions, or click regions when there are none.
std::vector<ZoomRegion> makeAutomaticZoomRegions(const RecordingTimeline& timeline,
                                                 const Parameters& parameters = {});

// The rectangle of a hand-made region over [range.first, range.second]: centred on the
// button-down click nearest the range's midpoint, or on the frame's centre without clicks.
Rect defaultZoomRect(std::pair<double, double> range, const RecordingTimeline& timeline,
                     double zoomLevel);

} // namespace tarnix::ZoomPanEngine
