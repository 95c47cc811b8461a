#include <gtest/gtest.h>

#include "DecodeFailure.h"
#include "document/DocumentCoding.h"

using namespace tarnix;

namespace {

RecordingTimeline withoutKeys()
{
    RecordingTimeline t;
    t.videoURL = "/tmp/screen.mp4";
    t.captureFrame = {0, 0, 1280, 720};
    t.clickEvents = {{Uuid::random(), 0.8, {10, 20}, ClickKind::leftDown}};
    return t;
}

nlohmann::json withKeyJson(nlohmann::json key)
{
    RecordingTimeline t = withoutKeys();
    t.keyEvents = {{Uuid::random(), 1.5, "S", {KeyModifier::ctrl}}};
    nlohmann::json json = nlohmann::json::parse(encodeRecordingTimeline(t));
    for (auto& [name, value] : key.items())
        json["keyEvents"][0][name] = value;
    return json;
}

} // namespace

TEST(KeyEventsCoding, DocumentWithoutKeysEncodesAsBeforeAndReadsBack)
{
    const RecordingTimeline t = withoutKeys();
    const std::string text = encodeRecordingTimeline(t);
    EXPECT_EQ(text.find("keyEvents"), std::string::npos);
    EXPECT_EQ(decodeRecordingTimeline(text), t);

    // An explicit empty list or null reads as no keys and is not written back.
    nlohmann::json json = nlohmann::json::parse(text);
    json["keyEvents"] = nlohmann::json::array();
    EXPECT_EQ(decodeRecordingTimeline(json.dump()), t);
    json["keyEvents"] = nullptr;
    EXPECT_EQ(encodeRecordingTimeline(decodeRecordingTimeline(json.dump())), text);
}

TEST(KeyEventsCoding, KeysRoundTripAfterTheOtherListsInTheirFieldOrder)
{
    RecordingTimeline t = withoutKeys();
    t.keyEvents = {{Uuid::random(), 0, "Return", {}},
                   {Uuid::random(), 2.25, "S", {KeyModifier::ctrl, KeyModifier::shift}},
                   {Uuid::random(), 3, "F5", {KeyModifier::ctrl, KeyModifier::alt, KeyModifier::shift,
                                              KeyModifier::super}},
                   {Uuid::random(), 4, "ü", {KeyModifier::alt}}};
    const std::string text = encodeRecordingTimeline(t, -1);
    EXPECT_EQ(decodeRecordingTimeline(text), t);
    EXPECT_LT(text.find("\"redactRegions\""), text.find("\"keyEvents\""));
    EXPECT_NE(text.find(R"({"id":")" + t.keyEvents[1].id.toString() +
                        R"(","timestamp":2.25,"key":"S","modifiers":["ctrl","shift"]})"),
              std::string::npos)
        << text;
}

TEST(KeyEventsCoding, BadKeysFailWithTheirPath)
{
    EXPECT_EQ(decodeFailure(withKeyJson({{"modifiers", {"ctrl", "hyper"}}})),
              "keyEvents[0].modifiers[1]: unknown value \"hyper\"");
    EXPECT_NE(decodeFailure(withKeyJson({{"modifiers", {"shift", "ctrl"}}}))
                  .find("keyEvents[0].modifiers: modifiers must be listed once each"),
              std::string::npos);
    EXPECT_NE(decodeFailure(withKeyJson({{"modifiers", {"ctrl", "ctrl"}}})).find("keyEvents[0].modifiers:"),
              std::string::npos);
    EXPECT_NE(decodeFailure(withKeyJson({{"key", ""}})).find("keyEvents[0].key:"), std::string::npos);
    EXPECT_NE(decodeFailure(withKeyJson({{"key", std::string(65, 'x')}})).find("keyEvents[0].key:"),
              std::string::npos);
    EXPECT_NE(decodeFailure(withKeyJson({{"key", 5}})).find("keyEvents[0].key:"), std::string::npos);
    EXPECT_NE(decodeFailure(withKeyJson({{"timestamp", 2e7}})).find("keyEvents[0].timestamp: out of range"),
              std::string::npos);
    EXPECT_NE(decodeFailure(withKeyJson({{"modifiers", "ctrl"}})).find("keyEvents[0].modifiers:"),
              std::string::npos);

    nlohmann::json missing = withKeyJson({});
    missing["keyEvents"][0].erase("modifiers");
    EXPECT_NE(decodeFailure(missing).find("keyEvents[0].modifiers:"), std::string::npos);
    nlohmann::json notAList = withKeyJson({});
    notAList["keyEvents"] = {{"id", "x"}};
    EXPECT_NE(decodeFailure(notAList).find("keyEvents:"), std::string::npos);
}

TEST(KeyEventsCoding, PillSettingsAreWrittenOnlyWhenChangedAndReadBack)
{
    RecordingTimeline t = withoutKeys();
    t.keyEvents = {{Uuid::random(), 1.5, "S", {KeyModifier::ctrl}}};
    // Keys but untouched settings: the default look, nothing written.
    std::string text = encodeRecordingTimeline(t);
    EXPECT_EQ(text.find("keystrokeOverlay"), std::string::npos);
    EXPECT_TRUE(decodeRecordingTimeline(text).keystrokeOverlay.isEnabled);

    t.keystrokeOverlay = {false, 0.03, KeystrokePosition::top, KeystrokeStyle::light};
    text = encodeRecordingTimeline(t);
    nlohmann::json json = nlohmann::json::parse(text);
    EXPECT_EQ(json["keystrokeOverlay"],
              nlohmann::json::parse(
                  R"({"isEnabled":false,"sizeFraction":0.03,"position":"top","style":"light"})"));
    EXPECT_EQ(decodeRecordingTimeline(text), t);

    json["keystrokeOverlay"]["position"] = "middle";
    EXPECT_NE(decodeFailure(json).find("keystrokeOverlay.position"), std::string::npos);
    json["keystrokeOverlay"]["position"] = "bottom";
    json["keystrokeOverlay"]["sizeFraction"] = 0;
    EXPECT_NE(decodeFailure(json).find("keystrokeOverlay.sizeFraction"), std::string::npos);
}
