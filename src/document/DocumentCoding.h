#pragma once

#include <nlohmann/json.hpp>

#include <string>
#include <string_view>

#include "document/JsonReader.h"
#include "document/LookSettings.h"
#include "document/RecordingTimeline.h"

// The document's JSON form. Keys equal the field names and keep declaration order; file URLs are
// absolute "file://" strings; dates are seconds since 2001-01-01 UTC; UUIDs upper-case; points
// [x, y]; rectangles [[x, y], [w, h]]; enumerations their raw strings. Only the URL keys and
// "imagePath" are optional among the original keys; every other one of them is required, and
// nothing gets a default when read. The later keys are optional and written only when they differ
// from what their absence means, so an unedited document encodes exactly as before and older
// readers still read it: "cutRegions" (no cuts), the background's "aspect" ("source"), the cursor
// overlay's "smoothsMovement" (false) and "smoothingStrength" (0.5), "captureFrameSamples" (the
// recorded window never moved or changed size; its samples come in time order), "keyEvents"
// (no keys), "textRegions" (no text boxes)
// and "speedRegions" (everything plays at its own speed; the regions never overlap).
// Decoding raises DecodingError naming the path that failed.

namespace tarnix {

using OrderedJson = nlohmann::ordered_json;

OrderedJson toJson(const CodableColor& value);
OrderedJson toJson(const CameraOverlaySettings& value);
OrderedJson toJson(const BackgroundSettings& value);
OrderedJson toJson(const CursorOverlaySettings& value);
OrderedJson toJson(const KeystrokeOverlaySettings& value);
OrderedJson toJson(const AudioTrackSettings& value);
OrderedJson toJson(const CursorSample& value);
OrderedJson toJson(const ClickEvent& value);
OrderedJson toJson(const FocusedElementSample& value);
OrderedJson toJson(const CaptureFrameSample& value);
OrderedJson toJson(const ZoomRegion& value);
OrderedJson toJson(const RedactRegion& value);
OrderedJson toJson(const CutRegion& value);
OrderedJson toJson(const TextRegion& value);
OrderedJson toJson(const SpeedRegion& value);
OrderedJson toJson(const KeyEvent& value);
OrderedJson toJson(const RecordingTimeline& value);
OrderedJson toJson(Point value);
OrderedJson toJson(const Rect& value);

CodableColor decodeCodableColor(const JsonReader& in);
CameraOverlaySettings decodeCameraOverlaySettings(const JsonReader& in);
BackgroundSettings decodeBackgroundSettings(const JsonReader& in);
CursorOverlaySettings decodeCursorOverlaySettings(const JsonReader& in);
KeystrokeOverlaySettings decodeKeystrokeOverlaySettings(const JsonReader& in);
AudioTrackSettings decodeAudioTrackSettings(const JsonReader& in);
CursorSample decodeCursorSample(const JsonReader& in);
ClickEvent decodeClickEvent(const JsonReader& in);
FocusedElementSample decodeFocusedElementSample(const JsonReader& in);
CaptureFrameSample decodeCaptureFrameSample(const JsonReader& in);
ZoomRegion decodeZoomRegion(const JsonReader& in);
RedactRegion decodeRedactRegion(const JsonReader& in);
CutRegion decodeCutRegion(const JsonReader& in);
TextRegion decodeTextRegion(const JsonReader& in);
// Also checks the speed (one of kSpeedFactors) and that the region ends after it starts.
SpeedRegion decodeSpeedRegion(const JsonReader& in);
KeyEvent decodeKeyEvent(const JsonReader& in);
RecordingTimeline decodeRecordingTimeline(const JsonReader& in);

// Whole documents as text. indent < 0 (the default) writes one line, the form documents are
// saved in: a long recording's file is then about half the size. Readers take either.
std::string encodeRecordingTimeline(const RecordingTimeline& timeline, int indent = -1);
RecordingTimeline decodeRecordingTimeline(std::string_view json);

} // namespace tarnix
