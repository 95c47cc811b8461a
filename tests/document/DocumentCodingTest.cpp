#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "DecodeFailure.h"
#include "document/DocumentCoding.h"
#include "document/FileUrl.h"

using namespace tarnix;

namespace {

RecordingTimeline sampleTimeline()
{
    RecordingTimeline t;
    t.videoURL = "/home/ana/Videos/Tarnix-2026-12-05T14-03-07Z.mp4";
    t.microphoneURL = "/tmp/my recordings/mic ü.m4a";
    t.hasSystemAudio = true;
    t.cameraOverlay.isEnabled = true;
    t.background.style = BackgroundStyle::gradient;
    t.background.gradientPresetID = "ocean";
    t.background.imagePath = "/usr/share/backgrounds/a.png";
    t.cursorOverlay.style = CursorStyle::ring;
    t.startedAt = Date{818172187.25};
    t.captureFrame = {0, 0, 1920, 1080};
    t.cursorSamples = {{Uuid::random(), 0.5, {10, 20}}, {Uuid::random(), 0.75, {11.5, 20.25}}};
    t.clickEvents = {{Uuid::random(), 0.8, {11.5, 20.25}, ClickKind::rightDown}};
    t.focusedElementSamples = {{Uuid::random(), 1.0, {100, 300, 200, 50}}};
    t.zoomRegions = {{Uuid::random(), 1, 3, {0.1, 0.2, 0.5, 0.5}, EasingCurve::easeIn}};
    t.redactRegions = {{Uuid::random(), 2, 4, {0.3, 0.3, 0.2, 0.1}}};
    return t;
}

// Decodes text that must fail and returns the error message.
nlohmann::json sampleJson()
{
    return nlohmann::json::parse(encodeRecordingTimeline(sampleTimeline()));
}

} // namespace

TEST(DocumentRoundTrip, EncodedDocumentReadsBackEqual)
{
    auto timeline = sampleTimeline();
    EXPECT_EQ(decodeRecordingTimeline(encodeRecordingTimeline(timeline)), timeline);
    EXPECT_EQ(decodeRecordingTimeline(encodeRecordingTimeline(timeline, 2)), timeline)
        << "indented documents, as earlier versions saved them, still read";
}

TEST(DocumentRoundTrip, DocumentsAreSavedOnOneLineWithTheTreesOwnText)
{
    auto timeline = sampleTimeline();
    const std::string text = encodeRecordingTimeline(timeline);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(text, toJson(timeline).dump()) << "written as it goes, yet the same text";
}

TEST(DocumentRoundTrip, KeysFollowDeclarationOrderAndUrlsAreFileUrls)
{
    auto json = OrderedJson::parse(encodeRecordingTimeline(sampleTimeline()));
    std::vector<std::string> keys;
    for (auto it = json.begin(); it != json.end(); ++it)
        keys.push_back(it.key());
    std::vector<std::string> expected{
        "videoURL",    "microphoneURL",   "hasSystemAudio", "cameraOverlay",
        "background",  "systemAudio",     "microphoneAudio", "cursorOverlay",
        "startedAt",   "captureFrame",    "cursorSamples",   "clickEvents",
        "focusedElementSamples",          "zoomRegions",     "redactRegions"};
    EXPECT_EQ(keys, expected);
    EXPECT_EQ(json["videoURL"], "file:///home/ana/Videos/Tarnix-2026-12-05T14-03-07Z.mp4");
    EXPECT_EQ(json["microphoneURL"], "file:///tmp/my%20recordings/mic%20%C3%BC.m4a");
    EXPECT_EQ(json["startedAt"], 818172187.25);
    EXPECT_EQ(json["captureFrame"], OrderedJson::parse("[[0.0,0.0],[1920.0,1080.0]]"));
    EXPECT_EQ(json["clickEvents"][0]["kind"], "rightDown");
    EXPECT_EQ(json["zoomRegions"][0]["easing"], "easeIn");
    std::string id = json["cursorSamples"][0]["id"];
    EXPECT_EQ(id.size(), 36u);
    EXPECT_EQ(id.find_first_of("abcdef"), std::string::npos) << id;
}

TEST(DocumentRoundTrip, LookSettingsUseTheirFieldNames)
{
    auto json = sampleJson();
    EXPECT_EQ(json["cameraOverlay"]["position"], nlohmann::json::parse("[0.84, 0.82]"));
    EXPECT_EQ(json["cameraOverlay"]["shape"], "rounded");
    EXPECT_EQ(json["background"]["solidColor"]["red"], 0.09);
    EXPECT_EQ(json["background"]["imagePath"], "/usr/share/backgrounds/a.png");
    EXPECT_EQ(json["cursorOverlay"]["showsClickRipples"], true);
    EXPECT_EQ(json["systemAudio"], nlohmann::json::parse(R"({"isEnabled": true})"));
}

TEST(DocumentRoundTrip, BackgroundWithoutImagePathHasNoKeyAndReadsBackEqual)
{
    OrderedJson json = toJson(BackgroundSettings::disabled);
    EXPECT_FALSE(json.contains("imagePath"));
    nlohmann::json parsed = nlohmann::json::parse(json.dump());
    EXPECT_EQ(decodeBackgroundSettings(JsonReader(parsed)), BackgroundSettings::disabled);
}

TEST(DocumentOptionalKeys, MissingOrNullUrlsDecodeAsAbsent)
{
    auto json = sampleJson();
    json.erase("videoURL");
    json["microphoneURL"] = nullptr;
    auto timeline = decodeRecordingTimeline(json.dump());
    EXPECT_FALSE(timeline.videoURL);
    EXPECT_FALSE(timeline.cameraURL);
    EXPECT_FALSE(timeline.microphoneURL);
}

TEST(DocumentRequiredKeys, EveryOtherKeyIsRequired)
{
    for (const char* key : {"hasSystemAudio", "cameraOverlay", "background", "systemAudio",
                            "microphoneAudio", "cursorOverlay", "startedAt", "captureFrame",
                            "cursorSamples", "clickEvents", "focusedElementSamples", "zoomRegions",
                            "redactRegions"}) {
        auto json = sampleJson();
        json.erase(key);
        EXPECT_EQ(decodeFailure(json.dump()), std::string(key) + ": missing key");
    }
}

TEST(DocumentRequiredKeys, NestedMissingKeysAndUnknownRawValuesNameTheirPath)
{
    struct Case {
        const char* pointer;
        std::optional<nlohmann::json> value; // none: the key is removed
        const char* message;
    };
    const Case cases[] = {
        {"/zoomRegions/0/easing", {}, "zoomRegions[0].easing: missing key"},
        {"/background/solidColor/alpha", {}, "background.solidColor.alpha: missing key"},
        {"/cursorOverlay/sizeFraction", {}, "cursorOverlay.sizeFraction: missing key"},
        {"/cursorOverlay/style", "arrow", "cursorOverlay.style: unknown value \"arrow\""},
        // Raw values are case-sensitive.
        {"/clickEvents/0/kind", "LeftDown", "clickEvents[0].kind: unknown value \"LeftDown\""},
        {"/background/style", "blur", "background.style: unknown value \"blur\""},
    };
    for (const auto& c : cases) {
        auto json = sampleJson();
        const nlohmann::json::json_pointer pointer(c.pointer);
        if (c.value)
            json[pointer] = *c.value;
        else
            json[pointer.parent_pointer()].erase(pointer.back());
        EXPECT_EQ(decodeFailure(json.dump()), c.message) << c.pointer;
    }
    // A later element of a list is named by its own index.
    auto json = sampleJson();
    json["zoomRegions"].push_back(json["zoomRegions"][0]);
    json["zoomRegions"].push_back(json["zoomRegions"][0]);
    json["zoomRegions"][2]["easing"] = "bounce";
    EXPECT_EQ(decodeFailure(json.dump()), "zoomRegions[2].easing: unknown value \"bounce\"");
}

TEST(DocumentTypes, WrongTypesAreRejectedWithThePath)
{
    struct Case {
        const char* pointer;
        nlohmann::json value;
        const char* message;
    };
    const Case cases[] = {
        {"/hasSystemAudio", 1, "hasSystemAudio: expected a boolean, found number"},
        {"/startedAt", "2026-12-05", "startedAt: expected a number, found string"},
        {"/captureFrame", nlohmann::json::parse("[0, 0, 10, 10]"),
         "captureFrame: expected an array of 2 elements, found 4"},
        {"/captureFrame/1/0", "wide", "captureFrame[1][0]: expected a number, found string"},
        {"/cursorSamples", nlohmann::json::object(),
         "cursorSamples: expected an array, found object"},
        {"/cursorSamples/1/point", nlohmann::json::parse("[1]"),
         "cursorSamples[1].point: expected an array of 2 elements, found 1"},
        {"/cursorSamples/0/id", "not-a-uuid", "cursorSamples[0].id: not a UUID: \"not-a-uuid\""},
        {"/cursorSamples/1", 7, "cursorSamples[1]: expected an object, found number"},
        {"/focusedElementSamples/0/rect/0", nlohmann::json::parse("[[1, 2]]"),
         "focusedElementSamples[0].rect[0]: expected an array of 2 elements, found 1"},
        {"/clickEvents", "none", "clickEvents: expected an array, found string"},
        {"/cameraOverlay/mirrored", nullptr, "cameraOverlay.mirrored: expected a boolean, found null"},
        {"/videoURL", 5, "videoURL: expected a string, found number"},
        {"/videoURL", "https://example.org/a.mp4",
         "videoURL: not an absolute file URL: \"https://example.org/a.mp4\""},
        {"/videoURL", "file://relative/a.mp4",
         "videoURL: not an absolute file URL: \"file://relative/a.mp4\""},
        {"/videoURL", "file:///a%2", "videoURL: not an absolute file URL: \"file:///a%2\""},
    };
    for (const auto& c : cases) {
        auto json = sampleJson();
        json[nlohmann::json::json_pointer(c.pointer)] = c.value;
        EXPECT_EQ(decodeFailure(json.dump()), c.message) << c.pointer;
    }
}

TEST(DocumentRanges, ValuesNoRendererCanDrawAreRejectedWithThePath)
{
    struct Case {
        const char* pointer;
        nlohmann::json value;
        const char* message;
    };
    const Case cases[] = {
        {"/background/padding", -0.1, "background.padding: out of range: -0.1 is not within 0.0...0.45"},
        {"/background/shadowOpacity", 1.5, "background.shadowOpacity: out of range: 1.5 is not within 0.0...1.0"},
        {"/background/cornerRadius", -1, "background.cornerRadius: out of range: -1.0 is not within 0.0...10000.0"},
        {"/background/solidColor/red", 2, "background.solidColor.red: out of range: 2.0 is not within 0.0...1.0"},
        {"/cameraOverlay/sizeFraction", 0, "cameraOverlay.sizeFraction: out of range: 0.0 must be more than 0 and at most 1.0"},
        {"/cursorOverlay/sizeFraction", 7, "cursorOverlay.sizeFraction: out of range: 7.0 must be more than 0 and at most 1.0"},
        {"/cursorOverlay/smoothingStrength", 1.2, "cursorOverlay.smoothingStrength: out of range: 1.2 is not within 0.0...1.0"},
        {"/microphoneAudio/noiseReductionStrength", -0.5, "microphoneAudio.noiseReductionStrength: out of range: -0.5 is not within 0.0...1.0"},
        {"/microphoneAudio/reducesNoise", 1, "microphoneAudio.reducesNoise: expected a boolean, found number"},
        {"/cameraOverlay/position/0", -3, "cameraOverlay.position: out of range: the point must lie within 0...1 on both axes"},
        {"/captureFrame/1/0", 1e300, "captureFrame: out of range: 1e+300 is beyond any screen (at most 1000000.0 points)"},
        {"/captureFrame/1/1", -1, "captureFrame: the capture frame has a negative size"},
        {"/zoomRegions/0/rect/1/0", 0, "zoomRegions[0].rect: the rectangle has no area (0.0 × 0.5)"},
        {"/zoomRegions/0/rect/0/0", 0.8, "zoomRegions[0].rect: the rectangle lies outside the picture (fractions 0...1 expected)"},
        {"/redactRegions/0/rect/1/1", -0.1, "redactRegions[0].rect: the rectangle has no area (0.2 × -0.1)"},
        {"/redactRegions/0/rect/0/1", -0.5, "redactRegions[0].rect: the rectangle lies outside the picture (fractions 0...1 expected)"},
        // Region times: in order, and within any recording (the zoom runs 1...3 s, the blur 2...4 s).
        {"/zoomRegions/0/start", 4, "zoomRegions[0].end: the region ends (3.0 s) before it starts (4.0 s)"},
        {"/zoomRegions/0/end", 1e300, "zoomRegions[0].end: out of range: 1e+300 is not within -10000000.0...10000000.0"},
        {"/redactRegions/0/end", 1.5, "redactRegions[0].end: the region ends (1.5 s) before it starts (2.0 s)"},
        {"/redactRegions/0/start", -1e300, "redactRegions[0].start: out of range: -1e+300 is not within -10000000.0...10000000.0"},
    };
    for (const auto& c : cases) {
        auto json = sampleJson();
        json[nlohmann::json::json_pointer(c.pointer)] = c.value;
        EXPECT_EQ(decodeFailure(json.dump()), c.message) << c.pointer;
    }
    // The edges themselves are fine: a region over the whole picture, no padding, opaque shadow,
    // regions of no length.
    auto json = sampleJson();
    json["zoomRegions"][0]["rect"] = nlohmann::json::parse("[[0, 0], [1, 1]]");
    json["zoomRegions"][0]["end"] = 1;
    json["redactRegions"][0]["start"] = 4;
    json["background"]["padding"] = 0;
    json["background"]["shadowOpacity"] = 1;
    json["cursorOverlay"]["smoothingStrength"] = 0;
    EXPECT_NO_THROW(decodeRecordingTimeline(json.dump()));
}

TEST(DocumentTypes, RootMustBeAnObject)
{
    EXPECT_EQ(decodeFailure("[]"), "(document): expected an object, found array");
    EXPECT_EQ(decodeFailure("null"), "(document): expected an object, found null");
}

TEST(DocumentMalformedInput, BrokenJsonAndNonFiniteNumbersFailCleanly)
{
    EXPECT_NE(decodeFailure("").find("malformed JSON"), std::string::npos);
    EXPECT_NE(decodeFailure("{\"videoURL\": ").find("malformed JSON"), std::string::npos);
    EXPECT_NE(decodeFailure("{\"a\": NaN}").find("malformed JSON"), std::string::npos);

    std::string text = sampleJson().dump();
    auto at = text.find("\"startedAt\":") + std::string("\"startedAt\":").size();
    text.insert(at, "1e999,\"x\":"); // does not fit a double
    EXPECT_NE(decodeFailure(text).find("1e999"), std::string::npos);
}

TEST(DocumentMalformedInput, DeepNestingDoesNotCrash)
{
    std::string deep(100000, '[');
    EXPECT_FALSE(decodeFailure(deep).empty());
    std::string closed = std::string(20000, '[') + std::string(20000, ']');
    EXPECT_EQ(decodeFailure(closed), "(document): expected an object, found array");
}

TEST(FileUrls, PathsRoundTripThroughPercentEncoding)
{
    for (const char* path : {"/a/b.mp4", "/tmp/with space/x#1?.mov", "/ü/日本/é.m4a",
                             "/100%/a+b=c;d@e:f.mp4"}) {
        auto url = fileURLString(path);
        EXPECT_EQ(url.find(' '), std::string::npos);
        auto back = pathFromFileURL(url);
        ASSERT_TRUE(back) << url;
        EXPECT_EQ(back->string(), path);
    }
    EXPECT_EQ(pathFromFileURL("file://localhost/x/y")->string(), "/x/y");
    EXPECT_EQ(pathFromFileURL("FILE:///x")->string(), "/x");
    EXPECT_FALSE(pathFromFileURL("file:///a%00b")); // a NUL would truncate the path
    EXPECT_FALSE(pathFromFileURL("/plain/path"));
}
