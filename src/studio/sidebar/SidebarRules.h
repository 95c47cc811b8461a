#pragma once

#include <QColor>
#include <QSizeF>
#include <QString>

#include <optional>
#include <vector>

#include "document/LookSettings.h"
#include "document/RecordingTimeline.h"

// The settings panels' rules and texts, free of widgets: what a control writes into the edit
// state and how values read. Rectangles are normalised to the frame, times in seconds.

namespace tarnix::SidebarRules {

// Seconds as "m:ss" (whole seconds cut off); "0:00" for a negative or non-finite value.
QString formatTime(double seconds);
// "0:02–0:05".
QString spanText(double start, double end);
// A zoom level as "2.0×".
QString levelText(double level);
// A fraction as a whole percentage: 0.24 -> "24%".
QString percentText(double fraction);
// "1 zoom", "3 zooms".
QString zoomCountText(int count);

// Zoom panel: the selected region's level set from the slider, as a square around its centre.
// Returns false when no region has that id.
bool updateZoomLevel(std::vector<ZoomRegion>& regions, double level, const Uuid& id);

// Privacy panel.
RedactRegion newRedactRegionAtPlayhead(double currentTime, double duration);
void setStartToPlayhead(RedactRegion& region, double currentTime);
void setEndToPlayhead(RedactRegion& region, double currentTime);
// A new width and/or height around the rectangle's centre, shifted inward to stay in the frame.
Rect resizedRedactRect(const Rect& rect, std::optional<double> width, std::optional<double> height);
inline constexpr double kRedactSizeMin = 0.05;
inline constexpr double kRedactSizeMax = 0.9;

// Camera panel: the four corners of "Choose Corner".
struct CameraCorner {
    const char* title;
    Point position;
};
inline constexpr CameraCorner kCameraCorners[] = {
    {QT_TRANSLATE_NOOP("tarnix::StudioSidebarView", "Top Left"), {0.16, 0.18}},
    {QT_TRANSLATE_NOOP("tarnix::StudioSidebarView", "Top Right"), {0.84, 0.18}},
    {QT_TRANSLATE_NOOP("tarnix::StudioSidebarView", "Bottom Left"), {0.16, 0.82}},
    {QT_TRANSLATE_NOOP("tarnix::StudioSidebarView", "Bottom Right"), {0.84, 0.82}},
};

// Background panel: the canvas aspects in the order offered, with their titles ("Source", "16:9").
QString aspectTitle(CanvasAspect aspect);
// The glyph of an aspect: a rectangle of that shape fitted in a square of side `box` (the source's
// shape is not known to the panel: it is drawn as a 16:10 landscape).
QSizeF aspectGlyphSize(CanvasAspect aspect, double box);
// The background with another style. A canvas of another aspect than the recording's needs a
// background, so choosing none also returns the canvas to the recording's own shape.
BackgroundSettings withBackgroundStyle(BackgroundSettings settings, BackgroundStyle style);

// Cursor panel: the smoothing switch needs the cursor shown, the strength also the switch on.
bool canSmoothCursor(const CursorOverlaySettings& settings);
bool canSetSmoothingStrength(const CursorOverlaySettings& settings);

// Keys panel: the pill's text height as a fraction of the output width, shown against the usual
// size ("100%"); every control waits for a recording with key presses, size, position and style
// also for the pill to be shown.
inline constexpr double kKeystrokeSizeMin = 0.012;
inline constexpr double kKeystrokeSizeMax = 0.044;
QString keystrokeSizeText(double sizeFraction);
bool canShowKeystrokes(bool hasKeyEvents);
bool canStyleKeystrokes(bool hasKeyEvents, const KeystrokeOverlaySettings& settings);

// Audio panel: noise reduction needs its track on, the strength also the switch on.
bool canReduceNoise(const AudioTrackSettings& settings);
bool canSetNoiseReductionStrength(const AudioTrackSettings& settings);

// A colour from the colour picker as stored in the settings (RGB components and opacity), and the
// stored colour for display.
CodableColor codableColor(const QColor& color);
QColor displayColor(const CodableColor& color);

} // namespace tarnix::SidebarRules
