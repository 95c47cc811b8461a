#include <QFile>
#include <QPalette>
#include <QRegularExpression>
#include <QTextStream>

#include <gtest/gtest.h>

#include "ui/PhosphorIcon.h"

using tarnix::PhosphorIcon;

namespace {

// Counts the pixels that are painted, and checks that every one of them has `color`'s hue.
struct Coverage {
    int painted = 0;
    int offColour = 0;
};

Coverage coverage(const QImage& picture, QColor color)
{
    Coverage c;
    const QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() < 128)
                continue;
            ++c.painted;
            if (std::abs(pixel.red() - color.red()) > 8 || std::abs(pixel.green() - color.green()) > 8 ||
                std::abs(pixel.blue() - color.blue()) > 8)
                ++c.offColour;
        }
    return c;
}

QStringList listedIconNames()
{
    QFile list(QStringLiteral(TARNIX_SOURCE_DIR "/resources/icons/phosphor-icons.txt"));
    EXPECT_TRUE(list.open(QIODevice::ReadOnly | QIODevice::Text));
    QStringList names;
    QTextStream in(&list);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
            names << line.split(QRegularExpression(QStringLiteral("\\s+"))).first();
    }
    return names;
}

} // namespace

TEST(PhosphorIcon, CacheKeyIsTheNameAndTheSizeWithAFraction)
{
    EXPECT_EQ(PhosphorIcon::cacheKey(QStringLiteral("refresh"), 12), QStringLiteral("refresh@12.0"));
    EXPECT_EQ(PhosphorIcon::cacheKey(QStringLiteral("refresh"), 12.5), QStringLiteral("refresh@12.5"));
}

TEST(PhosphorIcon, EachSizeIsReadOnceAndThenServedFromTheCache)
{
    const int before = PhosphorIcon::fileLoadCount();
    auto at12 = PhosphorIcon::image(QStringLiteral("mic-fill"), 12);
    auto at15 = PhosphorIcon::image(QStringLiteral("mic-fill"), 15);
    ASSERT_TRUE(at12 && at15);
    EXPECT_EQ(PhosphorIcon::fileLoadCount(), before + 2);
    EXPECT_EQ(at12->deviceIndependentSize(), QSizeF(12, 12));
    EXPECT_EQ(at15->deviceIndependentSize(), QSizeF(15, 15));

    auto again = PhosphorIcon::image(QStringLiteral("mic-fill"), 12);
    ASSERT_TRUE(again);
    EXPECT_EQ(PhosphorIcon::fileLoadCount(), before + 2);
    EXPECT_EQ(again->cacheKey(), at12->cacheKey());
}

TEST(PhosphorIcon, EveryListedIconIsInTheResourcesAndHasAShape)
{
    const QStringList names = listedIconNames();
    ASSERT_GE(names.size(), 8);
    for (const QString& name : names) {
        auto image = PhosphorIcon::image(name, 16);
        ASSERT_TRUE(image) << name.toStdString();
        const int painted = coverage(*image, Qt::black).painted;
        EXPECT_GT(painted, 8) << name.toStdString();
        EXPECT_LT(painted, image->width() * image->height()) << name.toStdString();
    }
}

TEST(PhosphorIcon, AnUnknownNameHasNoImageAndFallsBackToTheTheme)
{
    EXPECT_FALSE(PhosphorIcon::image(QStringLiteral("no-such-icon"), 12));
    EXPECT_FALSE(PhosphorIcon::image(QStringLiteral("../../etc/passwd"), 12));
    // The theme may have nothing under that name either; the call must still return quietly.
    (void)PhosphorIcon::pixmap(QStringLiteral("no-such-icon"), 12, Qt::white);
}

TEST(PhosphorIcon, TemplatesTakeTheColourTheyAreDrawnIn)
{
    const QColor red(250, 20, 40);
    const Coverage tinted = coverage(PhosphorIcon::pixmap(QStringLiteral("display"), 16, red).toImage(), red);
    EXPECT_GT(tinted.painted, 20);
    EXPECT_EQ(tinted.offColour, 0);

    // The view draws in its palette's foreground colour, like the text around it.
    PhosphorIcon view(QStringLiteral("display"), 16);
    QPalette palette = view.palette();
    const QColor green(30, 220, 90);
    palette.setColor(QPalette::WindowText, green);
    view.setPalette(palette);
    const Coverage drawn = coverage(view.grab().toImage(), green);
    EXPECT_GT(drawn.painted, 20);
    EXPECT_EQ(drawn.offColour, 0);
}
