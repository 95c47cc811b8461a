#pragma once

#include <optional>
#include <string>
#include <vector>

#include "document/Geometry.h"

// The "look" records of a recording: camera bubble, background, audio tracks and cursor overlay.
// Plain values with field-by-field equality; serialised by document/DocumentCoding.h.

namespace tarnix {

// A colour as sRGB components and opacity, each 0...1.
struct CodableColor {
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;
    bool operator==(const CodableColor&) const = default;
};

enum class CameraBubbleShape { circle, rounded };

struct CameraOverlaySettings {
    bool isEnabled = false;
    CameraBubbleShape shape = CameraBubbleShape::rounded;
    double cornerRadius = 28;           // output pixels, for the rounded shape
    double sizeFraction = 0.22;         // bubble side as a fraction of the output width
    Point position{0.84, 0.82};         // bubble centre, normalised output frame, y down
    bool mirrored = true;
    bool operator==(const CameraOverlaySettings&) const = default;
};

enum class BackgroundStyle { none, solid, gradient, image };

// The canvas's shape: the recording's own, or a fixed aspect ratio (width:height) whose short side
// is the export's short side. Any other than `source` needs a background to fill the rest.
enum class CanvasAspect { source, wide16x9, tall9x16, square1x1, classic4x3, portrait4x5 };
inline constexpr CanvasAspect kAllCanvasAspects[] = {
    CanvasAspect::source,    CanvasAspect::wide16x9,   CanvasAspect::tall9x16,
    CanvasAspect::square1x1, CanvasAspect::classic4x3, CanvasAspect::portrait4x5};

// Width divided by height; nothing for `source`.
std::optional<double> aspectRatio(CanvasAspect aspect);

struct BackgroundSettings {
    BackgroundStyle style = BackgroundStyle::none;
    CodableColor solidColor{0.09, 0.09, 0.11, 1.0};
    std::string gradientPresetID = "midnight";
    std::optional<std::string> imagePath;
    double padding = 0.08;        // free margin on each side, fraction of the canvas
    double cornerRadius = 22;     // canvas pixels
    double shadowOpacity = 0.55;  // 0...1
    CanvasAspect aspect = CanvasAspect::source;

    // The background of every new recording; equal to a default-constructed value.
    static const BackgroundSettings disabled;

    bool operator==(const BackgroundSettings&) const = default;
};

// A named two-colour gradient from the built-in catalogue.
struct GradientPreset {
    std::string id;
    std::vector<CodableColor> colors; // first to last

    // The catalogue, in display order; made once and never changed.
    static const std::vector<GradientPreset>& all();
    // The first entry of all() ("midnight"). Named so because `default` is a C++ keyword.
    static const GradientPreset& defaultPreset();
    // The preset with this id, or nullptr.
    static const GradientPreset* find(const std::string& id);

    bool operator==(const GradientPreset&) const = default;
};

enum class CursorStyle { system, dot, ring };
inline constexpr CursorStyle kAllCursorStyles[] = {CursorStyle::system, CursorStyle::dot,
                                                   CursorStyle::ring};

struct CursorOverlaySettings {
    bool isEnabled = true;
    double sizeFraction = 0.022; // drawn cursor width as a fraction of the output width
    CursorStyle style = CursorStyle::system;
    bool showsClickRipples = true;
    // "Smooth movement": the drawn cursor follows its path through a critically damped spring;
    // strength 0...1 sets how much it glides (0 barely, 1 most).
    bool smoothsMovement = false;
    double smoothingStrength = 0.5;
    bool operator==(const CursorOverlaySettings&) const = default;
};

// The keys pressed while recording, drawn as a rounded pill ("Ctrl + Shift + S") near one edge
// of the canvas. On by default: a recording without key events simply has nothing to show.
enum class KeystrokePosition { bottom, top };
enum class KeystrokeStyle { dark, light };

struct KeystrokeOverlaySettings {
    bool isEnabled = true;
    double sizeFraction = 0.022; // the label's text height as a fraction of the output width
    KeystrokePosition position = KeystrokePosition::bottom;
    KeystrokeStyle style = KeystrokeStyle::dark;
    bool operator==(const KeystrokeOverlaySettings&) const = default;
};

struct AudioTrackSettings {
    bool isEnabled = true;
    // "Reduce noise": the track's steady background hiss and hum are lowered in preview and
    // export; strength 0...1 sets how far (0 gently, 1 most).
    bool reducesNoise = false;
    double noiseReductionStrength = 0.5;
    bool operator==(const AudioTrackSettings&) const = default;
};

} // namespace tarnix
