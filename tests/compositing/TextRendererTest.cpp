// Text boxes in composed frames: placed on the canvas, coloured, faded at their ends, drawn in
// the scripts the desktop's fonts cover.

#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QGuiApplication>

#include "CompositingTestSupport.h"
#include "compositing/OverlayFrame.h"
#include "compositing/TextRenderer.h"

using namespace tarnix;

namespace {

using test::ensureGuiApplication;

class TextBoxes : public ::testing::Test {
protected:
    void SetUp() override { ensureGuiApplication(); }
};

constexpr QSize kCanvas{320, 180};

TextRegion redBox()
{
    TextRegion box;
    box.start = 1;
    box.end = 3;
    box.text = "Hello";
    box.position = {0.25, 0.25};
    box.size = 0.15;
    box.color = {1, 0, 0, 1};
    box.background = false;
    return box;
}

// The frame at `time` of a black screen with `boxes` over it, zoomed in 2× from 0 to 10 s.
QImage composed(const std::vector<TextRegion>& boxes, double time)
{
    CursorOverlaySettings cursor;
    cursor.isEnabled = false;
    cursor.showsClickRipples = false;
    OverlayEdits edits;
    edits.textRegions = boxes;
    const std::vector<ZoomRegion> zoom = {{Uuid::random(), 0, 10, {0.5, 0.5, 0.5, 0.5}}};
    OverlayInstruction instruction({0, 10}, 1, std::nullopt, zoom, {}, std::nullopt, {}, cursor,
                                   {}, {}, edits);
    QImage output(kCanvas, graphics::kPixelFormat);
    OverlayFrame::draw(output, instruction, time, test::solid(160, 90, Qt::black), {});
    return output;
}

// Pixels within `area` (image pixels) whose colour is mostly that of `channel`.
struct Ink {
    int red = 0;
    int other = 0; // lit pixels that are not red
    int brightestRed = 0;
};

Ink inkIn(const QImage& image, QRect area)
{
    Ink ink;
    area = area.intersected(image.rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            if (qRed(p) > 40 && qGreen(p) < 20 && qBlue(p) < 20) {
                ++ink.red;
                ink.brightestRed = std::max(ink.brightestRed, qRed(p));
            } else if (qRed(p) + qGreen(p) + qBlue(p) > 60) {
                ++ink.other;
            }
        }
    return ink;
}

QRect pixelsOf(const Rect& box)
{
    return QRectF(box.x * kCanvas.width(), box.y * kCanvas.height(), box.width * kCanvas.width(),
                  box.height * kCanvas.height())
        .toAlignedRect();
}

int litPixels(const QImage& image)
{
    return inkIn(image, image.rect()).red;
}

} // namespace

TEST(TextBoxFade, OpacityRampsInAndOutAndIsZeroOutside)
{
    TextRegion box = redBox(); // 1...3 s
    EXPECT_EQ(TextRenderer::opacity(box, 0.99), 0);
    EXPECT_EQ(TextRenderer::opacity(box, 1), 0);
    EXPECT_NEAR(TextRenderer::opacity(box, 1.1), 0.5, 1e-9);
    EXPECT_EQ(TextRenderer::opacity(box, 2), 1);
    EXPECT_NEAR(TextRenderer::opacity(box, 2.95), 0.25, 1e-9);
    EXPECT_EQ(TextRenderer::opacity(box, 3.01), 0);
    box.end = 1.2; // shorter than two fades: half its length each, full in the middle
    EXPECT_NEAR(TextRenderer::opacity(box, 1.1), 1, 1e-9);
    EXPECT_NEAR(TextRenderer::opacity(box, 1.05), 0.5, 1e-9);
    box.end = 1; // no length: shown at its instant, not lost
    EXPECT_EQ(TextRenderer::opacity(box, 1), 1);
}

TEST_F(TextBoxes, BoxIsDrawnAtItsCanvasPlaceInItsColourUnmovedByZoom)
{
    const TextRegion box = redBox();
    const Rect where = TextRenderer::boxRect(box, QSizeF(kCanvas));
    ASSERT_GT(where.width, 0);
    EXPECT_NEAR(where.midX(), 0.25, 1e-6);
    EXPECT_NEAR(where.midY(), 0.25, 1e-6);
    const QImage frame = composed({box}, 2);
    frame.save(QStringLiteral(TARNIX_BINARY_DIR "/text-box-frame.png"));
    const Ink inside = inkIn(frame, pixelsOf(where));
    EXPECT_GT(inside.red, 30) << "the text's own colour inside its box";
    EXPECT_GT(inside.brightestRed, 230);
    EXPECT_EQ(litPixels(frame), inside.red) << "no text outside the box, though the picture zooms";
    EXPECT_EQ(litPixels(composed({box}, 3.5)), 0) << "nothing after the box ends";
}

TEST_F(TextBoxes, BoxFadesAtItsEnds)
{
    const TextRegion box = redBox();
    const QRect area = pixelsOf(TextRenderer::boxRect(box, QSizeF(kCanvas)));
    const Ink full = inkIn(composed({box}, 2), area);
    const Ink fadingIn = inkIn(composed({box}, 1.05), area);
    const Ink fadingOut = inkIn(composed({box}, 2.95), area);
    EXPECT_LT(fadingIn.brightestRed, full.brightestRed * 0.5);
    EXPECT_GT(fadingIn.brightestRed, 0);
    EXPECT_LT(fadingOut.brightestRed, full.brightestRed * 0.5);
}

TEST_F(TextBoxes, PillSitsBehindTheTextAndTheBoxStaysOnTheCanvas)
{
    TextRegion box = redBox();
    box.color = {1, 1, 1, 1};
    box.background = true;
    box.position = {0.98, 0.02}; // the box would stick out of the top right corner
    const Rect where = TextRenderer::boxRect(box, QSizeF(kCanvas));
    EXPECT_NEAR(where.maxX(), 1, 1e-6);
    EXPECT_NEAR(where.minY(), 0, 1e-6);
    const QImage frame = composed({box}, 2);
    const QRect area = pixelsOf(where);
    // White text on a dark pill over a black picture: the pill is dark, the text white.
    const QRgb corner = frame.pixel(area.center().x(), area.bottom() - 1);
    EXPECT_LT(qRed(corner), 40);
    int white = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            white += qGray(frame.pixel(x, y)) > 230;
    EXPECT_GT(white, 30);

    // Dark text gets a light pill.
    box.color = {0, 0, 0, 1};
    const QImage light = composed({box}, 2);
    EXPECT_GT(qGray(light.pixel(area.left() + 3, area.center().y())), 120);
}

TEST_F(TextBoxes, AccentedLatinDrawsItsAccents)
{
    TextRegion plain = redBox();
    plain.text = "EAC";
    TextRegion accented = plain;
    accented.text = "ÉÀÇ";
    const Ink plainInk = inkIn(composed({plain}, 2), QRect({0, 0}, kCanvas));
    const Ink accentedInk = inkIn(composed({accented}, 2), QRect({0, 0}, kCanvas));
    EXPECT_GT(plainInk.red, 30);
    EXPECT_GT(accentedInk.red, plainInk.red + 10) << "the accents and the cedilla add ink";
}

TEST_F(TextBoxes, ChineseDrawsWhenAFontCoversIt)
{
    if (QFontDatabase::families(QFontDatabase::SimplifiedChinese).isEmpty())
        GTEST_SKIP() << "no font on this machine draws Chinese";
    TextRegion box = redBox();
    box.text = "字幕";
    EXPECT_GT(litPixels(composed({box}, 2)), 30);
}
