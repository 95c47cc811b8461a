#include <gtest/gtest.h>

#include <QGuiApplication>

#include <memory>

#include "CompositingTestSupport.h"
#include "compositing/CompositionBuilder.h"
#include "compositing/KeystrokeRenderer.h"
#include "compositing/OverlayFrame.h"
#include "media/MediaTestSupport.h"

using namespace tarnix;
using KeystrokeRenderer::Keystroke;

namespace {

KeyEvent key(double time, std::string name, std::vector<KeyModifier> modifiers = {})
{
    KeyEvent event;
    event.timestamp = time;
    event.key = std::move(name);
    event.modifiers = std::move(modifiers);
    return event;
}

// The horizontal and vertical extent of the pixels that differ from the plain screen.
struct Extent {
    int left = -1, right = -1, top = -1, bottom = -1;
    bool empty() const { return left < 0; }
    int width() const { return empty() ? 0 : right - left + 1; }
};

constexpr QRgb kScreen = qRgb(120, 120, 120);

Extent changed(const QImage& frame)
{
    Extent e;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x)
            if (!test::near(frame.pixel(x, y), kScreen, 6)) {
                if (e.empty())
                    e = {x, x, y, y};
                e.left = std::min(e.left, x);
                e.right = std::max(e.right, x);
                e.top = std::min(e.top, y);
                e.bottom = std::max(e.bottom, y);
            }
    return e;
}

class KeystrokePill : public ::testing::Test {
protected:
    // Text needs a font database, which comes with a GUI application (offscreen here).
    static void SetUpTestSuite()
    {
        static int argc = 1;
        static char name[] = "keystroke-test";
        static char* argv[] = {name, nullptr};
        app_ = new QGuiApplication(argc, argv);
    }
    static void TearDownTestSuite()
    {
        delete app_;
        app_ = nullptr;
    }

    // The frame at `time` of a plain grey recording with these keys, at the given size.
    static QImage frame(const std::vector<KeyEvent>& keys, double time,
                        KeystrokeOverlaySettings settings = {}, QSize size = {640, 360},
                        std::vector<ZoomRegion> zoom = {})
    {
        CursorOverlaySettings cursor;
        cursor.isEnabled = false;
        cursor.showsClickRipples = false;
        OverlayInstruction instruction(media::TimeRange{0, 10}, 1, std::nullopt, std::move(zoom),
                                       {}, std::nullopt, {}, cursor, {}, {}, {},
                                       KeystrokeOverlay{KeystrokeRenderer::prepare(keys), settings});
        QImage out(size, graphics::kPixelFormat);
        OverlayFrame::draw(out, instruction, time, test::solid(640, 360, kScreen), {});
        return out;
    }

    static inline QGuiApplication* app_ = nullptr;
};

} // namespace

TEST(KeystrokeLabels, ModifiersInOneOrderKeysReadablyAndRepeatsCounted)
{
    using enum KeyModifier;
    EXPECT_EQ(KeystrokeRenderer::label(key(0, "S", {super, shift, ctrl, shift})),
              "Ctrl + Shift + Super + S");
    EXPECT_EQ(KeystrokeRenderer::label(key(0, "Return", {alt})), "Alt + Enter");
    EXPECT_EQ(KeystrokeRenderer::label(key(0, "space")), "Space");
    EXPECT_EQ(KeystrokeRenderer::label(key(0, "F5")), "F5");

    // Out of order on input; a fourth Ctrl+Z after its pill went away starts again at 1; another
    // combination in between breaks the run.
    auto prepared = KeystrokeRenderer::prepare({key(1.5, "Z", {ctrl}), key(1.0, "Z", {ctrl}),
                                                key(2.0, "Z", {ctrl}), key(4.0, "Z", {ctrl}),
                                                key(4.5, "Y", {ctrl}), key(5.0, "Z", {ctrl})});
    ASSERT_EQ(prepared.size(), 6u);
    std::vector<int> counts;
    for (const auto& k : prepared)
        counts.push_back(k.count);
    EXPECT_EQ(counts, (std::vector<int>{1, 2, 3, 1, 1, 1}));
    EXPECT_EQ(KeystrokeRenderer::text(prepared[2]), "Ctrl + Z ×3");
    EXPECT_EQ(KeystrokeRenderer::text(prepared[3]), "Ctrl + Z");
    EXPECT_FALSE(prepared[0].replacesShown);
    EXPECT_TRUE(prepared[1].replacesShown);
    EXPECT_FALSE(prepared[3].replacesShown);
}

TEST(KeystrokeLabels, FadesInUnlessReplacingAndFadesOutAtTheEnd)
{
    Keystroke first{1.0, "A"};
    Keystroke replacing{1.0, "B", 1, true};
    EXPECT_DOUBLE_EQ(KeystrokeRenderer::opacity(first, 0), 0);
    EXPECT_DOUBLE_EQ(KeystrokeRenderer::opacity(replacing, 0), 1);
    EXPECT_DOUBLE_EQ(KeystrokeRenderer::opacity(first, 0.6), 1);
    EXPECT_GT(KeystrokeRenderer::opacity(first, 1.1), 0);
    EXPECT_LT(KeystrokeRenderer::opacity(first, 1.1), 1);
    EXPECT_DOUBLE_EQ(KeystrokeRenderer::opacity(first, 1.2), 0);
    EXPECT_DOUBLE_EQ(KeystrokeRenderer::opacity(first, -0.1), 0);
}

TEST_F(KeystrokePill, ShownAfterThePressNearTheBottomAndGoneTwoSecondsLater)
{
    using enum KeyModifier;
    std::vector<KeyEvent> keys{key(1.0, "S", {ctrl, shift})};
    EXPECT_TRUE(changed(frame(keys, 0.9)).empty());
    Extent shown = changed(frame(keys, 1.3));
    ASSERT_FALSE(shown.empty());
    EXPECT_GT(shown.top, 360 / 2) << "in the lower half";
    EXPECT_NEAR((shown.left + shown.right) / 2.0, 320, 2) << "centred";
    // The dark pill's middle is darker than the screen, its text lighter.
    QImage picture = frame(keys, 1.3);
    EXPECT_LT(qRed(picture.pixel(shown.left + 4, (shown.top + shown.bottom) / 2)), 60);
    EXPECT_TRUE(changed(frame(keys, 3.0)).empty());

    KeystrokeOverlaySettings top;
    top.position = KeystrokePosition::top;
    EXPECT_LT(changed(frame(keys, 1.3, top)).bottom, 360 / 2);
    KeystrokeOverlaySettings off;
    off.isEnabled = false;
    EXPECT_TRUE(changed(frame(keys, 1.3, off)).empty());
    KeystrokeOverlaySettings light;
    light.style = KeystrokeStyle::light;
    QImage lit = frame(keys, 1.3, light);
    Extent l = changed(lit);
    EXPECT_GT(qRed(lit.pixel(l.left + 4, (l.top + l.bottom) / 2)), 200);
}

TEST_F(KeystrokePill, WidthFollowsTheTextAndTheOutputNotTheZoom)
{
    using enum KeyModifier;
    const int single = changed(frame({key(1, "S")}, 1.3)).width();
    const int combo = changed(frame({key(1, "S", {ctrl, shift})}, 1.3)).width();
    EXPECT_GT(combo, single + 40);

    // Three Ctrl+Z in a row: the third pill carries "×3" and is wider than the first.
    std::vector<KeyEvent> undo{key(1.0, "Z", {ctrl}), key(1.3, "Z", {ctrl}), key(1.6, "Z", {ctrl})};
    const int once = changed(frame(undo, 1.25)).width();
    const int thrice = changed(frame(undo, 1.7)).width();
    EXPECT_GT(thrice, once + 15);

    // Drawn on the canvas: a zoom leaves it as it is; twice the output, twice the pill.
    ZoomRegion zoom;
    zoom.start = 0;
    zoom.end = 5;
    zoom.rect = {0.25, 0.25, 0.5, 0.5};
    QImage zoomed = frame({key(1, "S", {ctrl, shift})}, 1.3, {}, {640, 360}, {zoom});
    EXPECT_NEAR(changed(zoomed).width(), combo, 2);
    Extent big = changed(frame({key(1, "S", {ctrl, shift})}, 1.3, {}, {1280, 720}));
    EXPECT_NEAR(big.width(), 2 * combo, 8);
}

TEST_F(KeystrokePill, InASpedUpSpanThePillStaysUpAsLongOnScreenInPreviewAndExport)
{
    // A 12 s recording with 8 s of it at 4× and Ctrl+S pressed in the middle of that span, built
    // as the Studio and the exporter build it; frames composed at movie times.
    media::test::TempFolder folder;
    RecordingTimeline timeline;
    timeline.videoURL = media::test::makeMovie(folder / "screen.mp4", 12, 160, 90, false);
    timeline.cursorOverlay.isEnabled = false;
    timeline.cursorOverlay.showsClickRipples = false;
    timeline.speedRegions = {{Uuid::random(), 2, 10, 4}};
    using enum KeyModifier;
    timeline.keyEvents = {key(4, "S", {ctrl})}; // movie time 2 + 2 / 4 = 2.5
    auto built = CompositionBuilder::build(timeline);
    ASSERT_TRUE(built.instruction);
    auto shownAt = [&](double movieTime) {
        QImage out(640, 360, graphics::kPixelFormat);
        OverlayFrame::draw(out, *built.instruction, movieTime, test::solid(640, 360, kScreen), {});
        return !changed(out).empty();
    };
    EXPECT_FALSE(shownAt(2.45));
    EXPECT_TRUE(shownAt(2.6));
    // 1.2 s on screen, though that is 4.8 s of the recording.
    EXPECT_TRUE(shownAt(3.6)) << "still up 1.1 s after the press";
    EXPECT_FALSE(shownAt(3.75)) << "gone after 1.2 s";

    // Text boxes go by the same clock, so their fades keep their length too.
    TextRegion box;
    box.start = 4;
    box.end = 8;
    box.text = "Saved";
    timeline.textRegions = {box};
    const auto rebuilt = CompositionBuilder::build(timeline);
    ASSERT_TRUE(rebuilt.instruction);
    const auto& text = rebuilt.instruction->edits().textRegions;
    ASSERT_EQ(text.size(), 1u);
    EXPECT_DOUBLE_EQ(text[0].start, 2.5);
    EXPECT_DOUBLE_EQ(text[0].end, 3.5);
}
