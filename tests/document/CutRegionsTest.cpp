#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "document/CutRegions.h"
#include "document/DocumentCoding.h"

using namespace tarnix;

namespace {

CutRegion cut(double start, double end) { return {Uuid::random(), start, end}; }

std::string readExample()
{
    std::ifstream in(std::string(TARNIX_SOURCE_DIR) + "/examples/sample-recording.tarnix.json");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

} // namespace

TEST(EditedDocument, AnOlderDocumentReadsAsUneditedAndWritesBackWithoutTheNewKeys)
{
    std::string text = readExample();
    ASSERT_FALSE(text.empty());
    RecordingTimeline timeline = decodeRecordingTimeline(text);
    EXPECT_TRUE(timeline.cutRegions.empty());
    EXPECT_EQ(timeline.background.aspect, CanvasAspect::source);
    EXPECT_FALSE(timeline.cursorOverlay.smoothsMovement);
    EXPECT_FALSE(timeline.microphoneAudio.reducesNoise);

    // Written back, it is the document an older reader expects: the same keys, nothing added.
    nlohmann::json original = nlohmann::json::parse(text);
    nlohmann::json written = nlohmann::json::parse(encodeRecordingTimeline(timeline));
    EXPECT_EQ(written, original);
}

TEST(EditedDocument, TheNewKeysRoundTripAndUnknownAspectsFail)
{
    RecordingTimeline timeline = decodeRecordingTimeline(readExample());
    timeline.cutRegions = {cut(1, 2), cut(4.5, 6)};
    timeline.background.aspect = CanvasAspect::tall9x16;
    timeline.cursorOverlay.smoothsMovement = true;
    timeline.cursorOverlay.smoothingStrength = 0.8;
    timeline.microphoneAudio.reducesNoise = true;
    timeline.microphoneAudio.noiseReductionStrength = 0.3;
    // Switched off again, the strength chosen is kept.
    timeline.systemAudio.noiseReductionStrength = 0.9;
    std::string text = encodeRecordingTimeline(timeline);
    EXPECT_NE(text.find("\"aspect\":\"9:16\""), std::string::npos);
    EXPECT_EQ(decodeRecordingTimeline(text), timeline);

    for (CanvasAspect aspect : kAllCanvasAspects) {
        timeline.background.aspect = aspect;
        EXPECT_EQ(decodeRecordingTimeline(encodeRecordingTimeline(timeline)).background.aspect,
                  aspect);
    }

    nlohmann::json json = nlohmann::json::parse(text);
    json["background"]["aspect"] = "2:1";
    EXPECT_THROW(decodeRecordingTimeline(json.dump()), DecodingError);
    json["background"]["aspect"] = "1:1";
    json["cutRegions"][0].erase("end");
    EXPECT_THROW(decodeRecordingTimeline(json.dump()), DecodingError);
}

TEST(CutSpans, OverlappingAndTouchingCutsMergeAndAreClippedToTheRecording)
{
    std::vector<CutRegion> cuts = {cut(5, 6), cut(1, 2), cut(1.5, 3), cut(3, 4), cut(-2, 0.5),
                                   cut(9, 12), cut(7, 7), cut(8, 7.5), cut(NAN, 2)};
    std::vector<TimeSpan> merged = mergedCutSpans(cuts, 10);
    ASSERT_EQ(merged.size(), 4u);
    EXPECT_EQ(merged[0], (TimeSpan{0, 0.5}));
    EXPECT_EQ(merged[1], (TimeSpan{1, 4}));  // 1-2, 1.5-3 and the touching 3-4
    EXPECT_EQ(merged[2], (TimeSpan{5, 6}));
    EXPECT_EQ(merged[3], (TimeSpan{9, 10}));
}

TEST(CutSpans, AddingACutMergesItIntoTheListAndKeepsAnIdentity)
{
    CutRegion first = cut(1, 2), second = cut(2.5, 3), far = cut(8, 9);
    std::vector<CutRegion> cuts = addingCut({far, first, second}, 1.8, 2.5, 10);
    ASSERT_EQ(cuts.size(), 2u);
    EXPECT_EQ(cuts[0].start, 1);
    EXPECT_EQ(cuts[0].end, 3);
    EXPECT_TRUE(cuts[0].id == first.id || cuts[0].id == second.id);
    EXPECT_EQ(cuts[1], far);

    // A trim is a cut touching an end; it is clipped there.
    cuts = addingCut(cuts, -1, 0.5, 10);
    EXPECT_EQ(cuts.front().start, 0);
    cuts = addingCut(cuts, 9.5, 20, 10);
    EXPECT_EQ(cuts.back().end, 10);
    // Nothing changes for an empty span.
    EXPECT_EQ(addingCut(cuts, 4, 4, 10), cuts);

    // Cutting what is left refuses nothing here; the caller sees that nothing remains.
    cuts = addingCut(cuts, 0, 10, 10);
    ASSERT_EQ(cuts.size(), 1u);
    EXPECT_TRUE(KeptTime(cuts, 10).isEmpty());
    EXPECT_FALSE(KeptTime(addingCut({}, 0, 9.9, 10), 10).isEmpty());
}

TEST(KeptTime, MapsOutputTimeToSourceTimeAcrossCutsAtTheStartMiddleAndEnd)
{
    KeptTime kept({cut(0, 1), cut(3, 5), cut(9, 10)}, 10);
    EXPECT_TRUE(kept.hasCuts());
    EXPECT_DOUBLE_EQ(kept.duration(), 6);
    ASSERT_EQ(kept.spans().size(), 2u);
    EXPECT_DOUBLE_EQ(kept.sourceTime(0), 1);
    EXPECT_DOUBLE_EQ(kept.sourceTime(1.5), 2.5);
    EXPECT_DOUBLE_EQ(kept.sourceTime(2), 5); // the join: the frame right after the cut
    EXPECT_DOUBLE_EQ(kept.sourceTime(5.5), 8.5);
    EXPECT_DOUBLE_EQ(kept.sourceTime(7), 9); // past the end: the end of the last span

    EXPECT_DOUBLE_EQ(kept.outputTime(2.5), 1.5);
    EXPECT_DOUBLE_EQ(kept.outputTime(4), 2);  // inside a cut: just after it
    EXPECT_DOUBLE_EQ(kept.outputTime(0.5), 0);
    EXPECT_DOUBLE_EQ(kept.outputTime(9.5), 6);
    EXPECT_TRUE(kept.isCut(3));
    EXPECT_FALSE(kept.isCut(5)); // a cut's end is kept
    EXPECT_DOUBLE_EQ(kept.nextKeptSourceTime(4), 5);
    EXPECT_DOUBLE_EQ(kept.nextKeptSourceTime(9.5), 10);
    EXPECT_DOUBLE_EQ(kept.nextKeptSourceTime(2), 2);

    KeptTime uncut;
    EXPECT_FALSE(uncut.hasCuts());
    EXPECT_DOUBLE_EQ(uncut.sourceTime(3.25), 3.25);
    EXPECT_DOUBLE_EQ(KeptTime({}, 7).duration(), 7);
}

TEST(CanvasAspectChoice, AnAspectOtherThanTheRecordingsEnablesTheBackground)
{
    BackgroundSettings plain = BackgroundSettings::disabled;
    BackgroundSettings tall = withCanvasAspect(plain, CanvasAspect::tall9x16);
    EXPECT_EQ(tall.aspect, CanvasAspect::tall9x16);
    EXPECT_EQ(tall.style, BackgroundStyle::gradient);
    BackgroundSettings solid = plain;
    solid.style = BackgroundStyle::solid;
    EXPECT_EQ(withCanvasAspect(solid, CanvasAspect::square1x1).style, BackgroundStyle::solid);
    EXPECT_EQ(withCanvasAspect(plain, CanvasAspect::source), plain);
    EXPECT_DOUBLE_EQ(*aspectRatio(CanvasAspect::portrait4x5), 0.8);
    EXPECT_FALSE(aspectRatio(CanvasAspect::source));
}
