#pragma once

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "document/Date.h"
#include "document/Geometry.h"
#include "document/LookSettings.h"
#include "document/Uuid.h"

// The recording document: media files, sampled cursor/click/focus data, capture geometry and the
// edits (RecordingEdits).
//
// Times are seconds on the screen movie's time line (0 = first captured frame). Sample points and
// rectangles and captureFrame are screen points with the origin at the bottom-left of the primary
// screen, y up. Region rectangles are normalised to the captured frame: 0...1, origin top-left,
// y down.

namespace tarnix {

enum class ClickKind { leftDown, leftUp, rightDown, rightUp };

inline bool isButtonDown(ClickKind kind)
{
    return kind == ClickKind::leftDown || kind == ClickKind::rightDown;
}

enum class EasingCurve { linear, easeIn, easeOut, easeInOut };

// Eased progress for linear progress t; t is clamped to 0...1 first.
double interpolate(EasingCurve curve, double t);

struct CursorSample {
    Uuid id = Uuid::random();
    double timestamp = 0;
    Point point;
    bool operator==(const CursorSample&) const = default;
};

struct ClickEvent {
    Uuid id = Uuid::random();
    double timestamp = 0;
    Point point;
    ClickKind kind = ClickKind::leftDown;
    bool operator==(const ClickEvent&) const = default;
};

struct FocusedElementSample {
    Uuid id = Uuid::random();
    double timestamp = 0;
    Rect rect;
    bool operator==(const FocusedElementSample&) const = default;
};

// Where a recorded window was from `timestamp` on, in screen points: a window recording follows its
// window when it moves or changes size.
struct CaptureFrameSample {
    Uuid id = Uuid::random();
    double timestamp = 0;
    Rect rect;
    bool operator==(const CaptureFrameSample&) const = default;
};

// A modifier held down with a key.
enum class KeyModifier { ctrl, alt, shift, super };

// A key pressed while recording. `key` is the name the keyboard layout gives the key ("S",
// "Return", "F5"); modifiers are listed in the order ctrl, alt, shift, super, each once.
struct KeyEvent {
    Uuid id = Uuid::random();
    double timestamp = 0;
    std::string key;
    std::vector<KeyModifier> modifiers;
    bool operator==(const KeyEvent&) const = default;
};

struct ZoomRegion {
    Uuid id = Uuid::random();
    double start = 0;
    double end = 0;
    Rect rect;
    EasingCurve easing = EasingCurve::easeInOut;
    bool operator==(const ZoomRegion&) const = default;
};

struct RedactRegion {
    Uuid id = Uuid::random();
    double start = 0;
    double end = 0;
    Rect rect;
    bool operator==(const RedactRegion&) const = default;
};

// A line of text shown over the picture from `start` to `end` (movie seconds). It sits on the
// canvas, not on the screen content: zoom does not move it. `position` is the centre of the box,
// normalised to the canvas (0...1, origin top-left, y down); `size` is the height of a line as a
// fraction of the canvas height, so a preview and an export of any size look alike. An empty
// text draws nothing.
struct TextRegion {
    Uuid id = Uuid::random();
    double start = 0;
    double end = 0;
    std::string text;
    Point position{0.5, 0.85};
    double size = 0.06;
    CodableColor color{1, 1, 1, 1};
    bool background = true; // a rounded pill behind the text
    bool operator==(const TextRegion&) const = default;
};

// A span of the recording left out of the output (picture and every audio track). Trimming the
// start or the end is a cut that touches 0 or the duration. Editing helpers: document/CutRegions.h.
struct CutRegion {
    Uuid id = Uuid::random();
    double start = 0; // seconds, source time
    double end = 0;
    bool operator==(const CutRegion&) const = default;
};

// A span of the recording played faster or slower than it was recorded: `speed` times as fast
// (one of kSpeedFactors, document/SpeedRegions.h). Spans never overlap. Cuts inside it still
// leave their time out.
struct SpeedRegion {
    Uuid id = Uuid::random();
    double start = 0; // seconds, source time
    double end = 0;
    double speed = 1;
    bool operator==(const SpeedRegion&) const = default;
};

// What an editor changes about a recording: its zoom, blur and cut regions and its look. The
// recording carries its own (the settings it was made with, or the last saved edit); an editor
// keeps copies of this part alone, so its undo steps never copy the sampled data.
struct RecordingEdits {
    std::vector<ZoomRegion> zoomRegions;
    std::vector<RedactRegion> redactRegions;
    std::vector<CutRegion> cutRegions; // optional in JSON: written only when there are cuts
    std::vector<TextRegion> textRegions; // optional in JSON: written only when there are some
    std::vector<SpeedRegion> speedRegions; // optional in JSON: written only when there are some
    CameraOverlaySettings cameraOverlay;
    BackgroundSettings background;
    AudioTrackSettings systemAudio;
    AudioTrackSettings microphoneAudio;
    CursorOverlaySettings cursorOverlay;
    // Optional in JSON: written only when it differs from the defaults.
    KeystrokeOverlaySettings keystrokeOverlay;

    bool operator==(const RecordingEdits&) const = default;
};

// The element of `list` (regions, samples, events) with identifier `id`: the first, if several
// share it; null when there is none or no identifier is given.
template <class Item>
Item* findByID(std::vector<Item>& list, const std::optional<Uuid>& id)
{
    auto it = std::find_if(list.begin(), list.end(), [&](const Item& item) { return item.id == id; });
    return it == list.end() ? nullptr : &*it;
}

template <class Item>
const Item* findByID(const std::vector<Item>& list, const std::optional<Uuid>& id)
{
    return findByID(const_cast<std::vector<Item>&>(list), id);
}

// A recording with its edits applied: the edits are the values of its RecordingEdits part.
struct RecordingTimeline : RecordingEdits {
    std::optional<std::filesystem::path> videoURL;
    std::optional<std::filesystem::path> cameraURL;
    std::optional<std::filesystem::path> microphoneURL;
    bool hasSystemAudio = false;
    Date startedAt;
    Rect captureFrame;
    std::vector<CursorSample> cursorSamples;
    std::vector<ClickEvent> clickEvents;
    std::vector<FocusedElementSample> focusedElementSamples;
    // The recorded window's frame after it moved or changed size, in time order; before the
    // first one (and when there is none) the frame is captureFrame. Optional in JSON: written
    // only when there are some.
    std::vector<CaptureFrameSample> captureFrameSamples;
    std::vector<KeyEvent> keyEvents;   // optional in JSON: written only when there are keys

    // A screen point as a normalised point of the captured frame; (0.5, 0.5) when the frame is
    // empty.
    Point normalizedPoint(Point point) const;

    // The captured area in force at movie time t: the latest captureFrameSample at or before t,
    // else captureFrame.
    const Rect& captureFrameAt(double timestamp) const;
    // Where the picture of that area lies in the movie, normalised. The movie keeps the size of
    // captureFrame; a window of another size is scaled into it, aspect kept and centred. The
    // whole frame while the size is captureFrame's.
    Rect pictureRectAt(double timestamp) const;
    // A screen point sampled at movie time t as a normalised point of the movie: normalised
    // against the area in force then (clamped to it), placed where its picture lies.
    Point normalizedPoint(Point point, double timestamp) const;

    bool operator==(const RecordingTimeline&) const = default;
};

// The same mapping as RecordingTimeline::normalizedPoint, for any frame.
Point normalizedPoint(Point point, const Rect& captureFrame);

// A rectangle normalised to a picture (0...1) as the same rectangle in the movie, where the
// picture lies at `picture` (normalised, from pictureRectAt).
Rect placedInPicture(const Rect& rect, const Rect& picture);

} // namespace tarnix
