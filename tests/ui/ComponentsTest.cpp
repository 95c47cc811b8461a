#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "ui/AppAlert.h"
#include "ui/GlassCapsule.h"
#include "ui/TactileButtonStyle.h"

using namespace tarnix;

namespace {

bool waitUntil(const std::function<bool()>& condition, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition() && timer.elapsed() < timeoutMs)
        QTest::qWait(5);
    return condition();
}

} // namespace

TEST(Spring, OvershootsAsItsDampingSaysAndSettles)
{
    for (Spring spring : {TactileButtonStyle::spring, Spring{0.3, 0.78}, Spring{0.5, 1.0}}) {
        EXPECT_EQ(spring.value(0), 0);
        double peak = 0;
        for (double t = 0; t < spring.settleSeconds(); t += 0.001)
            peak = std::max(peak, spring.value(t));
        // The first overshoot of an underdamped spring is e^(−πζ/√(1−ζ²)); none when critical.
        const double z = spring.dampingFraction;
        const double overshoot = z < 1 ? std::exp(-std::numbers::pi * z / std::sqrt(1 - z * z)) : 0;
        EXPECT_NEAR(peak, 1 + overshoot, 0.005) << z;
        EXPECT_NEAR(spring.value(spring.settleSeconds()), 1, 0.001) << z;
        EXPECT_LT(spring.settleSeconds(), 1.0);
    }
}

TEST(TactileButtonStyle, APressedButtonShrinksAndFadesThenSpringsBack)
{
    QPushButton button(QStringLiteral("Record"));
    button.resize(120, 44);
    auto* style = TactileButtonStyle::apply(&button);
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&button));
    const QImage released = button.grab().toImage();

    QTest::mousePress(&button, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !style->isAnimating(); }));
    EXPECT_NEAR(style->scale(), 0.96, 1e-6);
    EXPECT_NEAR(style->opacity(), 0.88, 1e-6);
    // Drawn smaller: the outermost column, part of the button's frame at rest, is now empty.
    QImage pressed(button.size(), QImage::Format_ARGB32_Premultiplied);
    pressed.fill(Qt::transparent);
    QPainter painter(&pressed);
    button.render(&painter);
    painter.end();
    const int y = button.height() / 2;
    EXPECT_GT(qAlpha(released.pixel(0, y)), 0);
    EXPECT_EQ(qAlpha(pressed.pixel(0, y)), 0);

    QTest::mouseRelease(&button, Qt::LeftButton);
    ASSERT_TRUE(waitUntil([&] { return !style->isAnimating(); }));
    EXPECT_NEAR(style->scale(), 1, 1e-6);
    EXPECT_NEAR(style->opacity(), 1, 1e-6);
}

TEST(GlassCapsule, APillWithAFaintInnerBorderAndNothingOutside)
{
    GlassCapsule capsule;
    capsule.resize(300, 76);
    QImage image(capsule.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    capsule.render(&painter, {}, {}, QWidget::RenderFlags());
    painter.end();

    const int m = GlassCapsule::shadowMargin();
    const int midY = capsule.height() / 2;
    const QColor centre = image.pixelColor(capsule.width() / 2, midY);
    const QColor border = image.pixelColor(capsule.width() / 2, m);
    EXPECT_GT(centre.alpha(), 200);
    EXPECT_LT(centre.lightness(), 50);
    // The inner border is lighter than the fill it lies on.
    EXPECT_GT(border.lightness(), centre.lightness() + 8);
    // The rounded ends leave the window's corners empty (a shadow at most).
    EXPECT_LT(image.pixelColor(m + 2, m + 2).alpha(), 40);
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
}

TEST(AppAlert, ATestPresenterSeesEveryAlertAndAnswersIt)
{
    std::vector<AppAlert::Request> seen;
    auto previous = AppAlert::setPresenter([&](const AppAlert::Request& request) {
        seen.push_back(request);
        return int(request.buttons.size()) - 1;
    });
    AppAlert::show(QStringLiteral("Something went wrong"), QStringLiteral("The file is gone."));
    EXPECT_EQ(AppAlert::ask(QStringLiteral("Update"), QStringLiteral("New"), {QStringLiteral("Download"), QStringLiteral("Later")}),
              1);
    AppAlert::setPresenter(std::move(previous));

    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].title, QStringLiteral("Something went wrong"));
    EXPECT_EQ(seen[0].message, QStringLiteral("The file is gone."));
    EXPECT_EQ(seen[0].buttons, QStringList{QStringLiteral("OK")});
    EXPECT_EQ(seen[1].buttons, (QStringList{QStringLiteral("Download"), QStringLiteral("Later")}));
}

TEST(AppAlert, TheDialogIsAWarningWithPlainTextAndItsButtonsInOrder)
{
    QString shownMessage;
    QStringList shownButtons;
    // Answer the modal dialog from inside its own event loop, as a user would.
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        EXPECT_EQ(box->icon(), QMessageBox::Warning);
        auto* informative = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
        ASSERT_TRUE(informative);
        EXPECT_EQ(informative->textFormat(), Qt::PlainText);
        for (QAbstractButton* button : box->buttons())
            shownButtons << button->text();
        EXPECT_EQ(box->defaultButton()->text(), QStringLiteral("Download"));
        for (QAbstractButton* button : box->buttons())
            if (button->text() == QStringLiteral("Later"))
                button->click();
    });
    const int chosen = AppAlert::ask(QStringLiteral("A new version"), QStringLiteral("<b>notes</b>"),
                                     {QStringLiteral("Download"), QStringLiteral("Later")});
    EXPECT_EQ(chosen, 1);
    EXPECT_TRUE(shownButtons.contains(QStringLiteral("Download")));
    EXPECT_TRUE(shownButtons.contains(QStringLiteral("Later")));
}
