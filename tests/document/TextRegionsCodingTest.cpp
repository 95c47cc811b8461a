#include <gtest/gtest.h>

#include "DecodeFailure.h"
#include "document/DocumentCoding.h"

using namespace tarnix;

namespace {

RecordingTimeline withoutText()
{
    RecordingTimeline t;
    t.videoURL = "/tmp/screen.mp4";
    t.captureFrame = {0, 0, 1280, 720};
    t.redactRegions = {{Uuid::random(), 1, 2, {0.1, 0.1, 0.2, 0.2}}};
    return t;
}

TextRegion caption()
{
    TextRegion text;
    text.start = 1.5;
    text.end = 4;
    text.text = "Déjà vu — ñandú";
    text.position = {0.25, 0.1};
    text.size = 0.08;
    text.color = {1, 0.5, 0, 1};
    text.background = false;
    return text;
}

} // namespace

TEST(TextRegionsCoding, DocumentWithoutTextEncodesAsBeforeAndReadsBack)
{
    const RecordingTimeline t = withoutText();
    const std::string text = encodeRecordingTimeline(t);
    EXPECT_EQ(text.find("textRegions"), std::string::npos);
    EXPECT_EQ(decodeRecordingTimeline(text), t);

    nlohmann::json json = nlohmann::json::parse(text);
    json["textRegions"] = nlohmann::json::array();
    EXPECT_EQ(encodeRecordingTimeline(decodeRecordingTimeline(json.dump())), text)
        << "an empty list reads as none and is not written back";
}

TEST(TextRegionsCoding, TextBoxesRoundTripWithEveryField)
{
    RecordingTimeline t = withoutText();
    t.textRegions = {caption(), TextRegion{}};
    t.textRegions[1].text = "字幕";
    const std::string text = encodeRecordingTimeline(t);
    EXPECT_EQ(decodeRecordingTimeline(text), t);
    EXPECT_EQ(decodeRecordingTimeline(encodeRecordingTimeline(t, 2)), t);

    const auto json = OrderedJson::parse(text);
    EXPECT_EQ(std::prev(json.end()).key(), "textRegions") << "after the older keys";
    const auto& box = json["textRegions"][0];
    std::vector<std::string> keys;
    for (auto it = box.begin(); it != box.end(); ++it)
        keys.push_back(it.key());
    EXPECT_EQ(keys, (std::vector<std::string>{"id", "start", "end", "text", "position", "size",
                                              "color", "background"}));
    EXPECT_EQ(box["text"], "Déjà vu — ñandú") << "UTF-8 kept as it is";
    EXPECT_EQ(box["position"], OrderedJson::parse("[0.25, 0.1]"));
    EXPECT_EQ(box["color"]["green"], 0.5);
}

TEST(TextRegionsCoding, BadBoxesAreRejectedWithThePath)
{
    RecordingTimeline t = withoutText();
    t.textRegions = {caption()};
    const nlohmann::json good = nlohmann::json::parse(encodeRecordingTimeline(t));
    struct Case {
        const char* pointer;
        nlohmann::json value;
        const char* message;
    };
    const Case cases[] = {
        {"/textRegions/0/end", 1, "textRegions[0].end: the region ends (1.0 s) before it starts (1.5 s)"},
        {"/textRegions/0/text", 5, "textRegions[0].text: expected a string, found number"},
        {"/textRegions/0/text", std::string(2001, 'a'), "textRegions[0].text: a text box holds at most 2000 bytes"},
        {"/textRegions/0/position/1", 1.5, "textRegions[0].position: out of range: the point must lie within 0...1 on both axes"},
        {"/textRegions/0/size", 0, "textRegions[0].size: out of range: 0.0 must be more than 0 and at most 0.5"},
        {"/textRegions/0/color/alpha", -1, "textRegions[0].color.alpha: out of range: -1.0 is not within 0.0...1.0"},
        {"/textRegions/0/background", "yes", "textRegions[0].background: expected a boolean, found string"},
        {"/textRegions", "none", "textRegions: expected an array, found string"},
    };
    for (const auto& c : cases) {
        nlohmann::json json = good;
        json[nlohmann::json::json_pointer(c.pointer)] = c.value;
        EXPECT_EQ(decodeFailure(json), c.message) << c.pointer;
    }
    nlohmann::json missing = good;
    missing["textRegions"][0].erase("size");
    EXPECT_EQ(decodeFailure(missing), "textRegions[0].size: missing key");
}
