#include "document/DocumentCoding.h"

#include <cmath>

#include "document/EnumNames.h"
#include "document/FileUrl.h"
#include "document/SpeedRegions.h"

namespace tarnix {

// ---- encoding

OrderedJson toJson(Point value)
{
    return OrderedJson::array({value.x, value.y});
}

OrderedJson toJson(const Rect& value)
{
    return OrderedJson::array({OrderedJson::array({value.x, value.y}),
                               OrderedJson::array({value.width, value.height})});
}

template <class E>
static OrderedJson enumJson(E value)
{
    return std::string(rawValue(value));
}

OrderedJson toJson(const CodableColor& value)
{
    return {{"red", value.red}, {"green", value.green}, {"blue", value.blue},
            {"alpha", value.alpha}};
}

OrderedJson toJson(const CameraOverlaySettings& value)
{
    return {{"isEnabled", value.isEnabled},       {"shape", enumJson(value.shape)},
            {"cornerRadius", value.cornerRadius}, {"sizeFraction", value.sizeFraction},
            {"position", toJson(value.position)}, {"mirrored", value.mirrored}};
}

OrderedJson toJson(const BackgroundSettings& value)
{
    OrderedJson out{{"style", enumJson(value.style)},
                    {"solidColor", toJson(value.solidColor)},
                    {"gradientPresetID", value.gradientPresetID}};
    if (value.imagePath)
        out["imagePath"] = *value.imagePath;
    out["padding"] = value.padding;
    out["cornerRadius"] = value.cornerRadius;
    out["shadowOpacity"] = value.shadowOpacity;
    if (value.aspect != CanvasAspect::source)
        out["aspect"] = enumJson(value.aspect);
    return out;
}

namespace {

template <typename T>
struct KeyedValue {
    const char* key;
    T value;
    T absent; // what a document without the key means
};

// An optional switch and its strength: written together, and only when either differs from what
// their absence means, so that documents which never used them encode as they always did.
void addSwitchWithStrength(OrderedJson& out, KeyedValue<bool> on, KeyedValue<double> strength)
{
    if (on.value == on.absent && strength.value == strength.absent)
        return;
    out[on.key] = on.value;
    out[strength.key] = strength.value;
}

} // namespace

OrderedJson toJson(const CursorOverlaySettings& value)
{
    OrderedJson out{{"isEnabled", value.isEnabled},
                    {"sizeFraction", value.sizeFraction},
                    {"style", enumJson(value.style)},
                    {"showsClickRipples", value.showsClickRipples}};
    const CursorOverlaySettings defaults;
    addSwitchWithStrength(out, {"smoothsMovement", value.smoothsMovement, defaults.smoothsMovement},
                          {"smoothingStrength", value.smoothingStrength,
                           defaults.smoothingStrength});
    return out;
}

OrderedJson toJson(const KeystrokeOverlaySettings& value)
{
    return {{"isEnabled", value.isEnabled},
            {"sizeFraction", value.sizeFraction},
            {"position", enumJson(value.position)},
            {"style", enumJson(value.style)}};
}

OrderedJson toJson(const AudioTrackSettings& value)
{
    OrderedJson out = {{"isEnabled", value.isEnabled}};
    const AudioTrackSettings defaults;
    addSwitchWithStrength(out, {"reducesNoise", value.reducesNoise, defaults.reducesNoise},
                          {"noiseReductionStrength", value.noiseReductionStrength,
                           defaults.noiseReductionStrength});
    return out;
}

OrderedJson toJson(const CursorSample& value)
{
    return {{"id", value.id.toString()},
            {"timestamp", value.timestamp},
            {"point", toJson(value.point)}};
}

OrderedJson toJson(const ClickEvent& value)
{
    return {{"id", value.id.toString()},
            {"timestamp", value.timestamp},
            {"point", toJson(value.point)},
            {"kind", enumJson(value.kind)}};
}

namespace {

// A focused element's frame and a recorded window's frame are written alike.
template <class Sample>
OrderedJson rectSampleJson(const Sample& value)
{
    return {{"id", value.id.toString()},
            {"timestamp", value.timestamp},
            {"rect", toJson(value.rect)}};
}

} // namespace

OrderedJson toJson(const FocusedElementSample& value) { return rectSampleJson(value); }
OrderedJson toJson(const CaptureFrameSample& value) { return rectSampleJson(value); }

OrderedJson toJson(const ZoomRegion& value)
{
    return {{"id", value.id.toString()}, {"start", value.start},         {"end", value.end},
            {"rect", toJson(value.rect)}, {"easing", enumJson(value.easing)}};
}

OrderedJson toJson(const RedactRegion& value)
{
    return {{"id", value.id.toString()},
            {"start", value.start},
            {"end", value.end},
            {"rect", toJson(value.rect)}};
}

OrderedJson toJson(const TextRegion& value)
{
    return {{"id", value.id.toString()},       {"start", value.start},
            {"end", value.end},                {"text", value.text},
            {"position", toJson(value.position)}, {"size", value.size},
            {"color", toJson(value.color)},    {"background", value.background}};
}

OrderedJson toJson(const CutRegion& value)
{
    return {{"id", value.id.toString()}, {"start", value.start}, {"end", value.end}};
}

OrderedJson toJson(const SpeedRegion& value)
{
    return {{"id", value.id.toString()},
            {"start", value.start},
            {"end", value.end},
            {"speed", value.speed}};
}

OrderedJson toJson(const KeyEvent& value)
{
    OrderedJson modifiers = OrderedJson::array();
    for (KeyModifier modifier : value.modifiers)
        modifiers.push_back(enumJson(modifier));
    return {{"id", value.id.toString()},
            {"timestamp", value.timestamp},
            {"key", value.key},
            {"modifiers", std::move(modifiers)}};
}

template <class T>
static OrderedJson listJson(const std::vector<T>& values)
{
    OrderedJson out = OrderedJson::array();
    for (const auto& v : values)
        out.push_back(toJson(v));
    return out;
}

// The document's keys in their order, each with its value: visitor.field(key, json) for a single
// value, visitor.list(key, records) for a list of records. The one place that says what a
// document holds; both encoders below follow it.
template <class Visitor>
static void visitDocument(const RecordingTimeline& value, Visitor&& visitor)
{
    if (value.videoURL)
        visitor.field("videoURL", fileURLString(*value.videoURL));
    if (value.cameraURL)
        visitor.field("cameraURL", fileURLString(*value.cameraURL));
    if (value.microphoneURL)
        visitor.field("microphoneURL", fileURLString(*value.microphoneURL));
    visitor.field("hasSystemAudio", value.hasSystemAudio);
    visitor.field("cameraOverlay", toJson(value.cameraOverlay));
    visitor.field("background", toJson(value.background));
    visitor.field("systemAudio", toJson(value.systemAudio));
    visitor.field("microphoneAudio", toJson(value.microphoneAudio));
    visitor.field("cursorOverlay", toJson(value.cursorOverlay));
    if (value.keystrokeOverlay != KeystrokeOverlaySettings{})
        visitor.field("keystrokeOverlay", toJson(value.keystrokeOverlay));
    visitor.field("startedAt", value.startedAt.timeIntervalSinceReferenceDate);
    visitor.field("captureFrame", toJson(value.captureFrame));
    visitor.list("cursorSamples", value.cursorSamples);
    visitor.list("clickEvents", value.clickEvents);
    visitor.list("focusedElementSamples", value.focusedElementSamples);
    visitor.list("zoomRegions", value.zoomRegions);
    visitor.list("redactRegions", value.redactRegions);
    if (!value.cutRegions.empty())
        visitor.list("cutRegions", value.cutRegions);
    if (!value.speedRegions.empty())
        visitor.list("speedRegions", value.speedRegions);
    if (!value.captureFrameSamples.empty())
        visitor.list("captureFrameSamples", value.captureFrameSamples);
    if (!value.keyEvents.empty())
        visitor.list("keyEvents", value.keyEvents);
    if (!value.textRegions.empty())
        visitor.list("textRegions", value.textRegions);
}

namespace {

struct TreeBuilder {
    OrderedJson out = OrderedJson::object();
    void field(const char* key, OrderedJson json) { out[key] = std::move(json); }
    template <class T>
    void list(const char* key, const std::vector<T>& records)
    {
        out[key] = listJson(records);
    }
};

// One line, written as it goes: a long recording's million samples never become a tree of JSON
// values (which takes several times the memory of the text), only one record at a time does.
struct CompactWriter {
    std::string text = "{";
    void key(const char* name)
    {
        if (text.size() > 1)
            text += ',';
        text += '"';
        text += name;
        text += "\":";
    }
    void field(const char* name, const OrderedJson& json)
    {
        key(name);
        text += json.dump();
    }
    template <class T>
    void list(const char* name, const std::vector<T>& records)
    {
        key(name);
        text += '[';
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (i > 0)
                text += ',';
            text += toJson(records[i]).dump();
        }
        text += ']';
    }
};

} // namespace

OrderedJson toJson(const RecordingTimeline& value)
{
    TreeBuilder builder;
    visitDocument(value, builder);
    return std::move(builder.out);
}

std::string encodeRecordingTimeline(const RecordingTimeline& timeline, int indent)
{
    if (indent >= 0)
        return toJson(timeline).dump(indent);
    CompactWriter writer;
    visitDocument(timeline, writer);
    writer.text += '}';
    return std::move(writer.text);
}

// ---- decoding

// Values that no editor control produces and no renderer can draw sensibly are refused with the
// value's path, like malformed ones. The bounds are wide: they catch nonsense, not taste.
namespace {

constexpr double kMaxCornerRadius = 10000;   // points
constexpr double kMaxFrameCoordinate = 1e6; // points: far beyond any screen
constexpr double kUnitSlack = 1e-9;         // rounding of normalised rectangles
constexpr double kMaxMovieTime = 1e7;       // seconds, about 115 days: beyond any recording
constexpr std::size_t kMaxTextBytes = 2000; // a caption, not a page
constexpr double kMaxTextSize = 0.5;        // a line half the canvas high

std::string numberText(double value) { return nlohmann::json(value).dump(); }

double numberWithin(const JsonReader& in, double low, double high)
{
    const double value = in.number();
    if (!(value >= low && value <= high))
        in.fail("out of range: " + numberText(value) + " is not within " + numberText(low) +
                "..." + numberText(high));
    return value;
}

// A fraction of something visible: more than 0, at most `high`.
double positiveFraction(const JsonReader& in, double high)
{
    const double value = in.number();
    if (!(value > 0 && value <= high))
        in.fail("out of range: " + numberText(value) + " must be more than 0 and at most " +
                numberText(high));
    return value;
}

// A rectangle in normalised capture space: a positive size, inside 0...1.
Rect unitRect(const JsonReader& in)
{
    const Rect r = in.rect();
    if (!(r.width > 0 && r.height > 0))
        in.fail("the rectangle has no area (" + numberText(r.width) + " × " +
                numberText(r.height) + ")");
    if (!(r.x >= -kUnitSlack && r.y >= -kUnitSlack && r.x + r.width <= 1 + kUnitSlack &&
          r.y + r.height <= 1 + kUnitSlack))
        in.fail("the rectangle lies outside the picture (fractions 0...1 expected)");
    return r;
}

struct Span {
    double start;
    double end;
};

// The `start` and `end` of a region on the movie's time line: each within ±kMaxMovieTime, and the
// start not after the end.
Span regionSpan(const JsonReader& in)
{
    const double start = numberWithin(in["start"], -kMaxMovieTime, kMaxMovieTime);
    const double end = numberWithin(in["end"], -kMaxMovieTime, kMaxMovieTime);
    if (start > end)
        in["end"].fail("the region ends (" + numberText(end) + " s) before it starts (" +
                       numberText(start) + " s)");
    return {start, end};
}

Point unitPoint(const JsonReader& in)
{
    const Point p = in.point();
    if (!(p.x >= 0 && p.x <= 1 && p.y >= 0 && p.y <= 1))
        in.fail("out of range: the point must lie within 0...1 on both axes");
    return p;
}

// The optional switch and strength that addSwitchWithStrength writes; each keeps its default
// when its key is absent.
template <typename T>
struct KeyedField {
    const char* key;
    T& field;
};

void readSwitchWithStrength(const JsonReader& in, KeyedField<bool> on, KeyedField<double> strength)
{
    if (auto value = in.optional(on.key))
        on.field = value->boolean();
    if (auto value = in.optional(strength.key))
        strength.field = numberWithin(*value, 0, 1);
}

Rect captureFrameRect(const JsonReader& in)
{
    const Rect r = in.rect();
    // An empty frame is allowed (normalizedPoint gives the centre); a negative one is not.
    if (!(r.width >= 0 && r.height >= 0))
        in.fail("the capture frame has a negative size");
    for (double v : {r.x, r.y, r.width, r.height})
        if (!(std::abs(v) <= kMaxFrameCoordinate))
            in.fail("out of range: " + numberText(v) + " is beyond any screen (at most " +
                    numberText(kMaxFrameCoordinate) + " points)");
    return r;
}

} // namespace

CodableColor decodeCodableColor(const JsonReader& in)
{
    return {numberWithin(in["red"], 0, 1), numberWithin(in["green"], 0, 1),
            numberWithin(in["blue"], 0, 1), numberWithin(in["alpha"], 0, 1)};
}

CameraOverlaySettings decodeCameraOverlaySettings(const JsonReader& in)
{
    CameraOverlaySettings out;
    out.isEnabled = in["isEnabled"].boolean();
    out.shape = in["shape"].enumeration<CameraBubbleShape>();
    out.cornerRadius = numberWithin(in["cornerRadius"], 0, kMaxCornerRadius);
    out.sizeFraction = positiveFraction(in["sizeFraction"], 1);
    out.position = unitPoint(in["position"]);
    out.mirrored = in["mirrored"].boolean();
    return out;
}

BackgroundSettings decodeBackgroundSettings(const JsonReader& in)
{
    BackgroundSettings out;
    out.style = in["style"].enumeration<BackgroundStyle>();
    out.solidColor = decodeCodableColor(in["solidColor"]);
    out.gradientPresetID = in["gradientPresetID"].string();
    if (auto path = in.optional("imagePath"))
        out.imagePath = path->string();
    out.padding = numberWithin(in["padding"], 0, 0.45); // beyond it no picture is left
    out.cornerRadius = numberWithin(in["cornerRadius"], 0, kMaxCornerRadius);
    out.shadowOpacity = numberWithin(in["shadowOpacity"], 0, 1);
    if (auto aspect = in.optional("aspect"))
        out.aspect = aspect->enumeration<CanvasAspect>();
    return out;
}

CursorOverlaySettings decodeCursorOverlaySettings(const JsonReader& in)
{
    CursorOverlaySettings out;
    out.isEnabled = in["isEnabled"].boolean();
    out.sizeFraction = positiveFraction(in["sizeFraction"], 1);
    out.style = in["style"].enumeration<CursorStyle>();
    out.showsClickRipples = in["showsClickRipples"].boolean();
    readSwitchWithStrength(in, {"smoothsMovement", out.smoothsMovement}, {"smoothingStrength", out.smoothingStrength});
    return out;
}

KeystrokeOverlaySettings decodeKeystrokeOverlaySettings(const JsonReader& in)
{
    KeystrokeOverlaySettings out;
    out.isEnabled = in["isEnabled"].boolean();
    out.sizeFraction = positiveFraction(in["sizeFraction"], 1);
    out.position = in["position"].enumeration<KeystrokePosition>();
    out.style = in["style"].enumeration<KeystrokeStyle>();
    return out;
}

AudioTrackSettings decodeAudioTrackSettings(const JsonReader& in)
{
    AudioTrackSettings out;
    out.isEnabled = in["isEnabled"].boolean();
    readSwitchWithStrength(in, {"reducesNoise", out.reducesNoise},
                           {"noiseReductionStrength", out.noiseReductionStrength});
    return out;
}

CursorSample decodeCursorSample(const JsonReader& in)
{
    return {in["id"].uuid(), in["timestamp"].number(), in["point"].point()};
}

ClickEvent decodeClickEvent(const JsonReader& in)
{
    return {in["id"].uuid(), in["timestamp"].number(), in["point"].point(),
            in["kind"].enumeration<ClickKind>()};
}

FocusedElementSample decodeFocusedElementSample(const JsonReader& in)
{
    return {in["id"].uuid(), in["timestamp"].number(), in["rect"].rect()};
}

CaptureFrameSample decodeCaptureFrameSample(const JsonReader& in)
{
    return {in["id"].uuid(), numberWithin(in["timestamp"], 0, kMaxMovieTime),
            captureFrameRect(in["rect"])};
}

// The frame in force at a time is looked up by time, so the samples must come in time order.
static std::vector<CaptureFrameSample> decodeCaptureFrameSamples(const JsonReader& in)
{
    std::optional<double> previous;
    return in.list<CaptureFrameSample>([&previous](const JsonReader& element) {
        CaptureFrameSample sample = decodeCaptureFrameSample(element);
        if (previous && sample.timestamp < *previous)
            element["timestamp"].fail("out of order: " + numberText(sample.timestamp) +
                                      " comes after " + numberText(*previous));
        previous = sample.timestamp;
        return sample;
    });
}

ZoomRegion decodeZoomRegion(const JsonReader& in)
{
    const Uuid id = in["id"].uuid();
    const Span span = regionSpan(in);
    return {id, span.start, span.end, unitRect(in["rect"]), in["easing"].enumeration<EasingCurve>()};
}

RedactRegion decodeRedactRegion(const JsonReader& in)
{
    const Uuid id = in["id"].uuid();
    const Span span = regionSpan(in);
    return {id, span.start, span.end, unitRect(in["rect"])};
}

TextRegion decodeTextRegion(const JsonReader& in)
{
    TextRegion out;
    out.id = in["id"].uuid();
    const Span span = regionSpan(in);
    out.start = span.start;
    out.end = span.end;
    const JsonReader text = in["text"];
    out.text = text.string();
    if (out.text.size() > kMaxTextBytes)
        text.fail("a text box holds at most " + std::to_string(kMaxTextBytes) + " bytes");
    out.position = unitPoint(in["position"]);
    out.size = positiveFraction(in["size"], kMaxTextSize);
    out.color = decodeCodableColor(in["color"]);
    out.background = in["background"].boolean();
    return out;
}

CutRegion decodeCutRegion(const JsonReader& in)
{
    return {in["id"].uuid(), in["start"].number(), in["end"].number()};
}

SpeedRegion decodeSpeedRegion(const JsonReader& in)
{
    const Uuid id = in["id"].uuid();
    const Span span = regionSpan(in);
    if (!(span.end > span.start))
        in["end"].fail("a speed region must end after it starts");
    const double speed = in["speed"].number();
    if (!isSpeedFactor(speed))
        in["speed"].fail("the speed " + numberText(speed) + " is not one of " +
                         std::string(kSpeedFactorsText));
    return {id, span.start, span.end, speed};
}

// Speed regions never overlap: which speed would the time between play at?
static std::vector<SpeedRegion> decodeSpeedRegions(const JsonReader& in)
{
    std::vector<SpeedRegion> regions = in.list<SpeedRegion>(decodeSpeedRegion);
    if (auto overlap = overlappingSpeedRegions(regions))
        in.fail("the speed regions at " + numberText(overlap->first.start) + " s and " +
                numberText(overlap->second.start) + " s overlap");
    return regions;
}

KeyEvent decodeKeyEvent(const JsonReader& in)
{
    constexpr std::size_t kMaxKeyName = 64; // keysym names are far shorter
    KeyEvent out;
    out.id = in["id"].uuid();
    out.timestamp = numberWithin(in["timestamp"], -kMaxMovieTime, kMaxMovieTime);
    const JsonReader key = in["key"];
    out.key = key.string();
    if (out.key.empty() || out.key.size() > kMaxKeyName)
        key.fail("a key name has 1 to " + std::to_string(kMaxKeyName) + " bytes");
    const JsonReader modifiers = in["modifiers"];
    out.modifiers = modifiers.list<KeyModifier>(
        [](const JsonReader& item) { return item.enumeration<KeyModifier>(); });
    // Kept in one order, each once, so that equal combinations compare and draw alike.
    for (std::size_t i = 1; i < out.modifiers.size(); ++i)
        if (!(out.modifiers[i - 1] < out.modifiers[i]))
            modifiers.fail("modifiers must be listed once each, in the order ctrl, alt, shift, super");
    return out;
}

static std::optional<std::filesystem::path> decodeFileURL(const JsonReader& in,
                                                          std::string_view key)
{
    auto field = in.optional(key);
    if (!field)
        return std::nullopt;
    std::string text = field->string();
    auto path = pathFromFileURL(text);
    if (!path)
        field->fail("not an absolute file URL: \"" + text + "\"");
    return path;
}

namespace {

// The three sample lists, the bulk of a long recording (a million cursor samples), decoded one
// element at a time while the text is parsed: the tree of JSON values, which takes several times
// the memory of the text, never holds more than one of their elements.
class StreamedSamples {
public:
    std::vector<CursorSample> cursorSamples;
    std::vector<ClickEvent> clickEvents;
    std::vector<FocusedElementSample> focusedElementSamples;

    // A parser callback: decodes each element of the three lists at its end and leaves it out of
    // the tree, which keeps the lists themselves, empty, for the checks of the document's keys.
    bool operator()(int depth, nlohmann::json::parse_event_t event, nlohmann::json& parsed)
    {
        using Event = nlohmann::json::parse_event_t;
        if (depth == 1) {
            if (event == Event::key)
                key_ = parsed.get<std::string>();
            else if (event == Event::array_start)
                open();
            else if (event == Event::array_end)
                active_ = List::none;
            return true;
        }
        const bool elementEnds =
            event == Event::object_end || event == Event::array_end || event == Event::value;
        if (depth != 2 || active_ == List::none || !elementEnds)
            return true;
        take(parsed);
        return false;
    }

private:
    enum class List { none, cursor, clicks, focus };

    void open()
    {
        index_ = 0;
        // A repeated key replaces what came before, as it does in the tree.
        if (key_ == "cursorSamples") {
            active_ = List::cursor;
            cursorSamples.clear();
        } else if (key_ == "clickEvents") {
            active_ = List::clicks;
            clickEvents.clear();
        } else if (key_ == "focusedElementSamples") {
            active_ = List::focus;
            focusedElementSamples.clear();
        }
    }

    void take(const nlohmann::json& element)
    {
        // The element's path is only spelled out for a failure.
        const JsonReader in(element);
        try {
            if (active_ == List::cursor)
                cursorSamples.push_back(decodeCursorSample(in));
            else if (active_ == List::clicks)
                clickEvents.push_back(decodeClickEvent(in));
            else
                focusedElementSamples.push_back(decodeFocusedElementSample(in));
        } catch (const DecodingError& error) {
            std::string path = key_ + "[" + std::to_string(index_) + "]";
            if (!error.path().empty())
                path += (error.path().front() == '[' ? "" : ".") + error.path();
            throw DecodingError(path, error.reason());
        }
        ++index_;
    }

    std::string key_;
    List active_ = List::none;
    std::size_t index_ = 0;
};

} // namespace

RecordingTimeline decodeRecordingTimeline(const JsonReader& in)
{
    RecordingTimeline out;
    out.videoURL = decodeFileURL(in, "videoURL");
    out.cameraURL = decodeFileURL(in, "cameraURL");
    out.microphoneURL = decodeFileURL(in, "microphoneURL");
    out.hasSystemAudio = in["hasSystemAudio"].boolean();
    out.cameraOverlay = decodeCameraOverlaySettings(in["cameraOverlay"]);
    out.background = decodeBackgroundSettings(in["background"]);
    out.systemAudio = decodeAudioTrackSettings(in["systemAudio"]);
    out.microphoneAudio = decodeAudioTrackSettings(in["microphoneAudio"]);
    out.cursorOverlay = decodeCursorOverlaySettings(in["cursorOverlay"]);
    if (auto keystrokes = in.optional("keystrokeOverlay"))
        out.keystrokeOverlay = decodeKeystrokeOverlaySettings(*keystrokes);
    out.startedAt = Date{in["startedAt"].number()};
    out.captureFrame = captureFrameRect(in["captureFrame"]);
    out.cursorSamples = in["cursorSamples"].list<CursorSample>(decodeCursorSample);
    out.clickEvents = in["clickEvents"].list<ClickEvent>(decodeClickEvent);
    out.focusedElementSamples =
        in["focusedElementSamples"].list<FocusedElementSample>(decodeFocusedElementSample);
    out.zoomRegions = in["zoomRegions"].list<ZoomRegion>(decodeZoomRegion);
    out.redactRegions = in["redactRegions"].list<RedactRegion>(decodeRedactRegion);
    if (auto cuts = in.optional("cutRegions"))
        out.cutRegions = cuts->list<CutRegion>(decodeCutRegion);
    if (auto speeds = in.optional("speedRegions"))
        out.speedRegions = decodeSpeedRegions(*speeds);
    if (auto frames = in.optional("captureFrameSamples"))
        out.captureFrameSamples = decodeCaptureFrameSamples(*frames);
    if (auto keys = in.optional("keyEvents"))
        out.keyEvents = keys->list<KeyEvent>(decodeKeyEvent);
    if (auto texts = in.optional("textRegions"))
        out.textRegions = texts->list<TextRegion>(decodeTextRegion);
    return out;
}

RecordingTimeline decodeRecordingTimeline(std::string_view json)
{
    StreamedSamples samples;
    nlohmann::json root = parseJson(json, std::ref(samples));
    // The lists in the tree are empty (or, when the key holds no list, fail as they should).
    RecordingTimeline out = decodeRecordingTimeline(JsonReader(root));
    out.cursorSamples = std::move(samples.cursorSamples);
    out.clickEvents = std::move(samples.clickEvents);
    out.focusedElementSamples = std::move(samples.focusedElementSamples);
    return out;
}

} // namespace tarnix
