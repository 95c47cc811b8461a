#pragma once

#include <QRectF>

#include <optional>
#include <string>
#include <vector>

#include "document/LookSettings.h"
#include "document/RecordingTimeline.h"
#include "graphics/Canvas.h"

// Keystrokes on screen: the key pressed last, as a rounded pill near the bottom (or top) of the
// canvas ("Ctrl + Shift + S"), shown from the press for kShownSeconds with a short fade. A new
// press replaces the pill at once; the same combination pressed again while its pill is shown
// counts up ("Ctrl + Z ×3"). The pill belongs to the canvas, not to the screen picture: it is not
// zoomed, and its size follows the output's width. Pure; any thread that may draw text (a
// QGuiApplication exists; without one nothing is drawn).

namespace tarnix::KeystrokeRenderer {

inline constexpr double kShownSeconds = 1.2;
inline constexpr double kFadeSeconds = 0.15;

// One press ready to draw: its label and how many times in a row it was pressed.
struct Keystroke {
    double time = 0; // seconds on the clock it is drawn by (the movie's)
    std::string label;
    int count = 1;
    // Pressed while the previous pill was still shown: it takes its place without fading in.
    bool replacesShown = false;
    bool operator==(const Keystroke&) const = default;
};

// "Ctrl + Alt + Shift + Super + KEY": each modifier once, in that order, then the key under a
// readable name ("Return" -> "Enter", "space" -> "Space").
std::string label(const KeyEvent& event);

// The presses in time order with their labels and repeat counts.
std::vector<Keystroke> prepare(const std::vector<KeyEvent>& events);

// The text drawn for a press: its label, then " ×N" from the second repeat on.
std::string text(const Keystroke& keystroke);

// The opacity of a press's pill `age` seconds after it (0 outside 0...kShownSeconds).
double opacity(const Keystroke& keystroke, double age);

// The band of image rows (top-left origin, the canvas's whole width) the pill shown at `time`
// lies in; nothing when no pill is shown then.
std::optional<QRectF> band(QSizeF canvasSize, double time, double overlayWidth,
                           const std::vector<Keystroke>& keystrokes,
                           const KeystrokeOverlaySettings& settings);

// Draws the pill of the last press at or before `time` while it is shown. `overlayWidth` is the
// width the size refers to (the recording-shaped frame on a canvas of another aspect).
void draw(graphics::Canvas& canvas, double time, double overlayWidth,
          const std::vector<Keystroke>& keystrokes, const KeystrokeOverlaySettings& settings);

} // namespace tarnix::KeystrokeRenderer
