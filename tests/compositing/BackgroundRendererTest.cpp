#include <gtest/gtest.h>

#include <QDir>
#include <QPainter>
#include <QPainterPath>
#include <QTemporaryDir>

#include <algorithm>

#include "CompositingTestSupport.h"
#include "compositing/BackgroundRenderer.h"
#include "graphics/GaussianBlur.h"

using namespace tarnix;
using test::near;

namespace {

BackgroundSettings solidBackground(CodableColor color, double padding)
{
    BackgroundSettings settings;
    settings.style = BackgroundStyle::solid;
    settings.solidColor = color;
    settings.padding = padding;
    return settings;
}

const QRgb kBlue = qRgb(0, 0, 255);
const QRgb kWhite = qRgb(255, 255, 255);

} // namespace

TEST(BackgroundFrame, CentresTheContentInsideThePadding)
{
    auto frame = BackgroundRenderer::makeFrame({1920, 1080}, solidBackground({0, 0, 1, 1}, 0.05));
    ASSERT_TRUE(frame);
    EXPECT_NEAR(frame->contentSize.width, 1728, 1e-9);
    EXPECT_NEAR(frame->contentSize.height, 972, 1e-9);
    EXPECT_NEAR(frame->contentOrigin.x, 96, 1e-9);
    EXPECT_NEAR(frame->contentOrigin.y, 54, 1e-9);
    EXPECT_EQ(frame->backgroundWithShadow.size(), QSize(1920, 1080));
    EXPECT_EQ(frame->mask.size(), QSize(1728, 972));

    auto full = BackgroundRenderer::makeFrame({1920, 1080}, solidBackground({0, 0, 1, 1}, 0));
    ASSERT_TRUE(full);
    EXPECT_EQ(full->contentRect(), (Rect{0, 0, 1920, 1080}));
}

TEST(BackgroundFrame, NoFrameWithoutAStyleOrWithoutRoomForTheContent)
{
    BackgroundSettings none;
    EXPECT_FALSE(BackgroundRenderer::makeFrame({1920, 1080}, none));
    for (double padding : {0.5, 0.7, std::nan("")})
        EXPECT_FALSE(BackgroundRenderer::makeFrame({1920, 1080}, solidBackground({}, padding)))
            << padding;
    EXPECT_FALSE(BackgroundRenderer::makeFrame({1, 1}, solidBackground({}, 0.1)));
    EXPECT_FALSE(BackgroundRenderer::makeFrame({std::nan(""), 1080}, solidBackground({}, 0.1)));
    EXPECT_FALSE(BackgroundRenderer::makeFrame({1e12, 1e12}, solidBackground({}, 0.1)));
}

TEST(BackgroundImage, SolidColoursAreOpaqueWhateverTheirAlpha)
{
    QImage image = BackgroundRenderer::makeBackgroundImage(
        {64, 32}, solidBackground({0.2, 0.4, 0.6, 0}, 0.1));
    ASSERT_EQ(image.size(), QSize(64, 32));
    EXPECT_PIXEL_NEAR(image, 3, 3, qRgb(51, 102, 153), 1);
    EXPECT_PIXEL_NEAR(image, 63, 31, qRgb(51, 102, 153), 1);
}

TEST(BackgroundImage, GradientRunsFromTheTopLeftToTheBottomRight)
{
    GradientPreset preset{"test", {{1, 0, 0, 1}, {0, 0, 1, 1}, {0, 1, 0, 1}}};
    QImage image = BackgroundRenderer::gradientImage({400, 200}, preset);
    EXPECT_PIXEL_NEAR(image, 0, 0, qRgb(255, 0, 0), 6);
    EXPECT_PIXEL_NEAR(image, 399, 199, kBlue, 6);
    // Halfway along the diagonal both colours mix; the third colour is not used.
    QRgb middle = image.pixel(200, 100);
    EXPECT_NEAR(qRed(middle), 128, 8);
    EXPECT_NEAR(qBlue(middle), 128, 8);
    EXPECT_EQ(qGreen(middle), 0);
}

TEST(BackgroundImage, GradientWithOneOrNoColourIsFlat)
{
    QImage one = BackgroundRenderer::gradientImage({50, 50}, {"one", {{0, 1, 0, 1}}});
    EXPECT_PIXEL_NEAR(one, 0, 0, qRgb(0, 255, 0), 0);
    EXPECT_PIXEL_NEAR(one, 49, 49, qRgb(0, 255, 0), 0);
    QImage none = BackgroundRenderer::gradientImage({50, 50}, {"none", {}});
    EXPECT_PIXEL_NEAR(none, 25, 25, qRgb(26, 26, 31), 1);
}

TEST(BackgroundImage, UnknownPresetsAndMissingPicturesUseTheDefaultGradient)
{
    QImage expected = BackgroundRenderer::gradientImage({80, 40}, GradientPreset::defaultPreset());
    BackgroundSettings settings;
    settings.style = BackgroundStyle::gradient;
    settings.gradientPresetID = "no-such-preset";
    EXPECT_EQ(BackgroundRenderer::makeBackgroundImage({80, 40}, settings), expected);

    settings.style = BackgroundStyle::image;
    settings.imagePath = "/nonexistent/picture.png";
    EXPECT_EQ(BackgroundRenderer::makeBackgroundImage({80, 40}, settings), expected);
    settings.imagePath.reset();
    EXPECT_EQ(BackgroundRenderer::makeBackgroundImage({80, 40}, settings), expected);
}

TEST(BackgroundImage, ATallPictureFillsAWideCanvasCroppedEquallyTopAndBottom)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Three bands: red, green, blue from the top.
    QImage tall = test::solid(100, 300, Qt::red);
    for (int y = 100; y < 300; ++y)
        for (int x = 0; x < 100; ++x)
            tall.setPixel(x, y, y < 200 ? qRgb(0, 255, 0) : kBlue);
    QString path = dir.filePath("tall.png");
    ASSERT_TRUE(tall.save(path));

    BackgroundSettings settings;
    settings.style = BackgroundStyle::image;
    settings.imagePath = path.toStdString();
    // Scaled by 4 to the canvas width: 1200 rows, of which the middle 100 show (the green band).
    QImage image = BackgroundRenderer::makeBackgroundImage({400, 100}, settings);
    ASSERT_EQ(image.size(), QSize(400, 100));
    EXPECT_PIXEL_NEAR(image, 200, 0, qRgb(0, 255, 0), 2);
    EXPECT_PIXEL_NEAR(image, 0, 99, qRgb(0, 255, 0), 2);

    // A file that is not a picture falls back like a missing one.
    QString broken = dir.filePath("broken.png");
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("not a picture");
    file.close();
    settings.imagePath = broken.toStdString();
    EXPECT_EQ(BackgroundRenderer::makeBackgroundImage({80, 40}, settings),
              BackgroundRenderer::gradientImage({80, 40}, GradientPreset::defaultPreset()));
}

TEST(BackgroundMask, IsWhiteInsideTheRoundedRectangleAndBlackInItsCorners)
{
    QImage mask = BackgroundRenderer::makeMask({200, 100}, 20);
    ASSERT_EQ(mask.format(), QImage::Format_Grayscale8);
    EXPECT_EQ(qGray(mask.pixel(100, 50)), 255);
    EXPECT_EQ(qGray(mask.pixel(100, 0)), 255); // the straight edges reach the border
    EXPECT_EQ(qGray(mask.pixel(0, 0)), 0);
    EXPECT_EQ(qGray(mask.pixel(199, 99)), 0);
    EXPECT_EQ(qGray(mask.pixel(4, 4)), 0);
    EXPECT_EQ(qGray(mask.pixel(12, 12)), 255);
}

TEST(BackgroundMask, ARadiusBeyondHalfTheShortSideMakesSemicircles)
{
    QImage mask = BackgroundRenderer::makeMask({200, 100}, 500);
    // Left end: a semicircle of radius 50 around (50, 50).
    EXPECT_EQ(qGray(mask.pixel(2, 50)), 255);
    EXPECT_EQ(qGray(mask.pixel(10, 15)), 0);
    EXPECT_EQ(qGray(mask.pixel(100, 1)), 255);
}

TEST(BackgroundShadow, DarkensAroundTheContentFadingWithDistance)
{
    BackgroundSettings settings = solidBackground({1, 1, 1, 1}, 0.1);
    settings.shadowOpacity = 0.55;
    settings.cornerRadius = 10;
    Rect content{40, 20, 320, 160}; // bottom-left origin; image rows 20 ... 179
    QImage layer = BackgroundRenderer::makeShadowLayer({400, 200}, content, settings);
    ASSERT_EQ(layer.size(), QSize(400, 200));
    int nearEdge = qAlpha(layer.pixel(200, 18));
    int further = qAlpha(layer.pixel(200, 12));
    int far = qAlpha(layer.pixel(200, 2));
    EXPECT_GT(nearEdge, 40);
    EXPECT_LT(nearEdge, int(0.55 * 255) + 2);
    EXPECT_GT(nearEdge, further);
    EXPECT_GT(further, far);
    // Black only, and nothing inside the content.
    EXPECT_EQ(qRed(layer.pixel(200, 18)), 0);
    EXPECT_EQ(qAlpha(layer.pixel(200, 100)), 0);
    EXPECT_EQ(qAlpha(layer.pixel(60, 40)), 0);

    settings.shadowOpacity = 0;
    QImage none = BackgroundRenderer::makeShadowLayer({400, 200}, content, settings);
    EXPECT_EQ(qAlpha(none.pixel(200, 18)), 0);
}

// The halo drawn the slow, obvious way: the rounded rectangle filled at the shadow's opacity,
// the whole canvas blurred with a standard deviation of half the blur size (2 % of the width),
// the rectangle cleared again.
QImage referenceShadow(QSize canvas, const QRectF& contentInImage, double radius, double opacity)
{
    QImage layer = graphics::makeImage(canvas.width(), canvas.height());
    QPainterPath path;
    path.addRoundedRect(contentInImage, radius, radius);
    QPainter painter(&layer);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, QColor::fromRgbF(0, 0, 0, float(opacity)));
    painter.end();
    const double blurSize = canvas.width() * 0.02;
    layer = graphics::blurred(layer, blurSize * 0.5);
    painter.begin(&layer);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path, Qt::black);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.fillPath(path, Qt::black);
    return layer;
}

TEST(BackgroundShadow, MatchesAWholeCanvasBlurForSmallAndLargeCornerRadii)
{
    // A 400-pixel capture with a corner radius of 80 puts the corners of the content's inner
    // rectangle outside the rounded shape; a 1280-pixel one with the default radius does not.
    struct Case {
        QSize canvas;
        double padding, radius;
    };
    for (Case c : {Case{{400, 300}, 0.08, 80}, Case{{400, 300}, 0.08, 200},
                   Case{{1280, 720}, 0.08, 22}, Case{{640, 360}, 0, 60}}) {
        SCOPED_TRACE("canvas " + std::to_string(c.canvas.width()) + ", radius " +
                     std::to_string(c.radius));
        BackgroundSettings settings = solidBackground({1, 1, 1, 1}, c.padding);
        settings.shadowOpacity = 0.55;
        settings.cornerRadius = c.radius;
        const double W = c.canvas.width(), H = c.canvas.height();
        const double cw = W * (1 - 2 * c.padding), ch = H * (1 - 2 * c.padding);
        const Rect content{(W - cw) / 2, (H - ch) / 2, cw, ch};
        QImage layer = BackgroundRenderer::makeShadowLayer({W, H}, content, settings);
        const double r = std::min({c.radius, cw / 2, ch / 2});
        QImage reference = referenceShadow(c.canvas, graphics::toImageRect(content, int(H)), r, 0.55);
        ASSERT_EQ(layer.size(), reference.size());
        int worst = 0;
        QPoint where;
        for (int y = 0; y < layer.height(); ++y)
            for (int x = 0; x < layer.width(); ++x) {
                int d = std::abs(qAlpha(layer.pixel(x, y)) - qAlpha(reference.pixel(x, y)));
                if (d > worst) {
                    worst = d;
                    where = {x, y};
                }
            }
        EXPECT_LE(worst, 2) << "at (" << where.x() << ", " << where.y() << ")";
    }
}

TEST(BackgroundCompose, LaysTheScreenIntoTheRoundedContentOverTheBackground)
{
    BackgroundSettings settings = solidBackground({0, 0, 1, 1}, 0.1);
    settings.shadowOpacity = 0;
    settings.cornerRadius = 20;
    auto frame = BackgroundRenderer::makeFrame({400, 200}, settings);
    ASSERT_TRUE(frame);
    QImage screen = test::solid(800, 400, Qt::white);
    QImage out = BackgroundRenderer::compose(graphics::wholeImage(screen), *frame);
    ASSERT_EQ(out.size(), QSize(400, 200));
    EXPECT_PIXEL_NEAR(out, 5, 5, kBlue, 0);        // padding
    EXPECT_PIXEL_NEAR(out, 200, 100, kWhite, 0);   // content, scaled down to fit
    EXPECT_PIXEL_NEAR(out, 200, 21, kWhite, 0);    // just inside the top edge
    EXPECT_PIXEL_NEAR(out, 41, 21, kBlue, 0);      // the rounded corner shows the background
    EXPECT_PIXEL_NEAR(out, 358, 178, kBlue, 0);
    EXPECT_PIXEL_NEAR(out, 60, 40, kWhite, 0);
    // Along the corner's diagonal the picture fades in smoothly over the curve.
    bool mixed = false;
    for (int k = 0; k < 20; ++k) {
        int red = qRed(out.pixel(41 + k, 21 + k));
        EXPECT_LE(red, qRed(out.pixel(42 + k, 22 + k)));
        mixed = mixed || (red > 0 && red < 255);
    }
    EXPECT_TRUE(mixed);
}

TEST(BackgroundCompose, WithoutPaddingTheBackgroundShowsOnlyInTheCorners)
{
    BackgroundSettings settings = solidBackground({0, 0, 1, 1}, 0);
    settings.cornerRadius = 30;
    auto frame = BackgroundRenderer::makeFrame({300, 200}, settings);
    ASSERT_TRUE(frame);
    QImage out = BackgroundRenderer::compose(graphics::wholeImage(test::solid(300, 200, Qt::white)),
                                             *frame);
    EXPECT_PIXEL_NEAR(out, 0, 0, kBlue, 0);
    EXPECT_PIXEL_NEAR(out, 299, 199, kBlue, 0);
    EXPECT_PIXEL_NEAR(out, 150, 0, kWhite, 0);
    EXPECT_PIXEL_NEAR(out, 0, 100, kWhite, 0);
}

TEST(BackgroundCompose, AnEmptyScreenGivesTheBackgroundAlone)
{
    auto frame = BackgroundRenderer::makeFrame({100, 100}, solidBackground({0, 0, 1, 1}, 0.1));
    ASSERT_TRUE(frame);
    graphics::ImageSlice empty{QImage(), QRectF(), Size{0, 0}};
    QImage out = BackgroundRenderer::compose(empty, *frame);
    EXPECT_EQ(out, frame->backgroundWithShadow);
}

TEST(BackgroundCompose, AFrameMadeForAnotherCanvasSizeIsStretchedToTheCanvas)
{
    BackgroundSettings settings = solidBackground({0, 0, 1, 1}, 0.1);
    settings.shadowOpacity = 0;
    auto frame = BackgroundRenderer::makeFrame({200, 100}, settings);
    ASSERT_TRUE(frame);
    QImage out = test::solid(400, 200, Qt::black);
    graphics::Canvas canvas(out);
    BackgroundRenderer::drawOnto(canvas, graphics::wholeImage(test::solid(64, 32, Qt::white)),
                                 *frame);
    EXPECT_PIXEL_NEAR(out, 399, 199, kBlue, 0);
    EXPECT_PIXEL_NEAR(out, 100, 50, kWhite, 0);
    EXPECT_PIXEL_NEAR(out, 21, 11, kBlue, 0); // the rounded corner of the content is masked out
}
