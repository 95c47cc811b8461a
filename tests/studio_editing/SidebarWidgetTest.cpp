// The rail and the six settings panels driven with the mouse and keyboard: each control changes
// the edit state and commits as it should (sliders on release only).

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QWindow>

#include <functional>
#include <tuple>

#include "EditingTestSupport.h"
#include "media/MediaTestSupport.h"
#include "studio/sidebar/SidebarControls.h"
#include "studio/sidebar/SidebarRules.h"
#include "studio/sidebar/StudioIconRail.h"
#include "studio/sidebar/StudioSidebarView.h"
#include "studio/timeline/TimelineRules.h"

namespace tarnix {
namespace {

class SidebarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::application();
        sidebar = std::make_unique<StudioSidebarView>();
        sidebar->regions = Binding<std::vector<ZoomRegion>>::to(&regions);
        sidebar->selectedRegionID = Binding<std::optional<Uuid>>::to(&selectedZoom);
        sidebar->cameraOverlay = Binding<CameraOverlaySettings>::to(&camera);
        sidebar->background = Binding<BackgroundSettings>::to(&background);
        sidebar->systemAudio = Binding<AudioTrackSettings>::to(&systemAudio);
        sidebar->microphoneAudio = Binding<AudioTrackSettings>::to(&microphone);
        sidebar->cursorOverlay = Binding<CursorOverlaySettings>::to(&cursor);
        sidebar->redactRegions = Binding<std::vector<RedactRegion>>::to(&redacts);
        sidebar->selectedRedactID = Binding<std::optional<Uuid>>::to(&selectedBlur);
        sidebar->keystrokeOverlay = Binding<KeystrokeOverlaySettings>::to(&keys);
        sidebar->onChanged = [this] { ++commits; };
        sidebar->onClose = [this] { closed = true; };
        sidebar->wallpaperSource = [] { return std::vector<SystemWallpaper>{}; };
        sidebar->setRecordingFacts(true, true, true);
        sidebar->setDuration(30);
        sidebar->setCurrentTime(10);
        test::show(*sidebar);
    }

    void open(StudioTab tab)
    {
        sidebar->setTab(tab);
        test::settle();
    }

    template <class W = QWidget>
    W* control(const QString& name, int index = 0)
    {
        test::settle();
        W* w = test::byName<W>(sidebar.get(), name, index);
        EXPECT_NE(w, nullptr) << "no control named " << name.toStdString();
        return w;
    }

    // Pointer events enter through the sidebar's window and reach the control under them.
    QPoint inWindow(QWidget* widget, QPoint p) { return widget->mapTo(sidebar.get(), p); }

    void click(QWidget* widget)
    {
        ASSERT_NE(widget, nullptr);
        sidebar->revealControl(widget);
        QTest::mouseClick(sidebar->windowHandle(), Qt::LeftButton, {}, inWindow(widget, widget->rect().center()));
        test::settle();
    }

    // Drags a slider's handle `dx` points in steps; returns the commits made before the release.
    int dragSlider(const QString& name, int dx)
    {
        auto* slider = control<QSlider>(name);
        if (!slider)
            return -1;
        sidebar->revealControl(slider);
        QWindow* window = sidebar->windowHandle();
        int before = commits;
        QPoint from = inWindow(slider, test::handleCentre(slider));
        QTest::mousePress(window, Qt::LeftButton, {}, from);
        EXPECT_TRUE(slider->isSliderDown()) << "pressed beside the handle of " << name.toStdString();
        for (int i = 1; i <= 5; ++i)
            QTest::mouseMove(window, from + QPoint(dx * i / 5, 0));
        int during = commits - before;
        QTest::mouseRelease(window, Qt::LeftButton, {}, from + QPoint(dx, 0));
        test::settle();
        return during;
    }

    std::vector<ZoomRegion> regions;
    std::optional<Uuid> selectedZoom, selectedBlur;
    CameraOverlaySettings camera{true};
    BackgroundSettings background;
    AudioTrackSettings systemAudio, microphone;
    CursorOverlaySettings cursor;
    KeystrokeOverlaySettings keys;
    std::vector<RedactRegion> redacts;
    int commits = 0;
    bool closed = false;
    std::unique_ptr<StudioSidebarView> sidebar;
};

QLabel* labelWithText(QWidget* root, const QString& text)
{
    for (auto* label : root->findChildren<QLabel*>())
        if (label->text() == text && label->isVisibleTo(root))
            return label;
    return nullptr;
}

// What a screen reader's "activate" does to a control: the first action of Qt's accessibility
// interface for it (a press, or a toggle for a checkable button).
void accessibilityAction(QWidget* widget)
{
    ASSERT_NE(widget, nullptr);
    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
    ASSERT_TRUE(accessible && accessible->actionInterface());
    const QStringList actions = accessible->actionInterface()->actionNames();
    ASSERT_FALSE(actions.isEmpty());
    accessible->actionInterface()->doAction(actions.front());
    test::settle();
}

TEST(StudioIconRail, OpensSwitchesAndClosesPanels)
{
    test::application();
    std::optional<StudioTab> tab;
    StudioIconRail rail;
    rail.selectedTab = Binding<std::optional<StudioTab>>::to(&tab);
    test::show(rail);
    QTest::mouseClick(rail.button(StudioTab::camera), Qt::LeftButton);
    EXPECT_EQ(tab, StudioTab::camera);
    EXPECT_TRUE(rail.button(StudioTab::camera)->isChecked());
    QTest::mouseClick(rail.button(StudioTab::redact), Qt::LeftButton);
    EXPECT_EQ(tab, StudioTab::redact);
    EXPECT_FALSE(rail.button(StudioTab::camera)->isChecked());
    QTest::mouseClick(rail.button(StudioTab::redact), Qt::LeftButton);
    EXPECT_FALSE(tab);
    // A screen reader's action does what a click does.
    accessibilityAction(rail.button(StudioTab::background));
    EXPECT_EQ(tab, StudioTab::background);
    accessibilityAction(rail.button(StudioTab::audio));
    EXPECT_EQ(tab, StudioTab::audio);
    EXPECT_FALSE(rail.button(StudioTab::background)->isChecked());
    accessibilityAction(rail.button(StudioTab::audio));
    EXPECT_FALSE(tab);
    for (StudioTab t : kAllStudioTabs) {
        EXPECT_EQ(rail.button(t)->accessibleName(), title(t));
        EXPECT_EQ(rail.button(t)->toolTip(), title(t));
    }
    EXPECT_EQ(title(StudioTab::redact), "Privacy");
}

TEST_F(SidebarTest, TheHeaderNamesTheTabAndCloses)
{
    open(StudioTab::background);
    EXPECT_NE(labelWithText(sidebar.get(), "Background"), nullptr);
    EXPECT_EQ(sidebar->size(), QSize(280, 440));
    click(control("Close"));
    EXPECT_TRUE(closed);
    EXPECT_EQ(commits, 0);
}

TEST_F(SidebarTest, ZoomPanelListsSelectsLevelsAndDeletes)
{
    ZoomRegion late, early;
    late.start = 12;
    late.end = 15;
    late.rect = {0.25, 0.25, 0.5, 0.5};
    early.start = 2;
    early.end = 4.5;
    early.rect = {0.1, 0.1, 0.4, 0.4};
    regions = {late, early};
    open(StudioTab::zoom); // already the open tab: re-reads the regions
    EXPECT_NE(labelWithText(sidebar.get(), "2 zooms"), nullptr);
    QList<QPushButton*> rows;
    for (auto* b : sidebar->findChildren<QPushButton*>())
        if (b->objectName() == "row")
            rows.push_back(b);
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0]->accessibleName(), QString::fromUtf8("0:02–0:04, 2.5×")) << "sorted by start";
    EXPECT_EQ(rows[1]->accessibleName(), QString::fromUtf8("0:12–0:15, 2.0×"));
    EXPECT_EQ(test::byName<QSlider>(sidebar.get(), "Zoom level"), nullptr) << "nothing selected yet";

    click(rows[1]);
    EXPECT_EQ(selectedZoom, late.id);
    EXPECT_EQ(commits, 0) << "selecting is not an edit";

    int during = dragSlider("Zoom level", 60);
    EXPECT_EQ(during, 0) << "a slider commits only when released";
    EXPECT_EQ(commits, 1);
    double level = TimelineRules::zoomLevel(regions[0].rect);
    EXPECT_GT(level, 2.1);
    EXPECT_NEAR(regions[0].rect.width, regions[0].rect.height, 1e-12);
    EXPECT_NEAR(regions[0].rect.midX(), 0.5, 1e-9) << "around the same centre";

    click(control("Delete Zoom"));
    EXPECT_EQ(commits, 2);
    ASSERT_EQ(regions.size(), 1u);
    EXPECT_EQ(regions[0].id, early.id);
    EXPECT_FALSE(selectedZoom);
}

TEST_F(SidebarTest, CameraPanelTogglesShapesSizesAndCorners)
{
    open(StudioTab::camera);
    click(control("Mirror"));
    EXPECT_FALSE(camera.mirrored);
    EXPECT_EQ(commits, 1) << "a switch commits at once";
    click(control("Show Camera"));
    EXPECT_FALSE(camera.isEnabled);
    EXPECT_EQ(commits, 2);

    EXPECT_NE(test::byName<QSlider>(sidebar.get(), "Corner Radius"), nullptr);
    click(control("Circle"));
    EXPECT_EQ(camera.shape, CameraBubbleShape::circle);
    EXPECT_EQ(commits, 3);
    test::settle();
    EXPECT_EQ(test::byName<QSlider>(sidebar.get(), "Corner Radius"), nullptr) << "rounded shape only";

    EXPECT_EQ(dragSlider("Size", 80), 0);
    EXPECT_EQ(commits, 4);
    EXPECT_GT(camera.sizeFraction, 0.22);
    EXPECT_LE(camera.sizeFraction, 0.4);

    auto* corner = control<QPushButton>("Choose Corner");
    ASSERT_NE(corner, nullptr);
    QMenu* menu = corner->menu();
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (QAction* a : menu->actions())
        items << a->text();
    EXPECT_EQ(items, (QStringList{"Top Left", "Top Right", "Bottom Left", "Bottom Right"}));
    menu->actions()[0]->trigger();
    EXPECT_EQ(camera.position, (Point{0.16, 0.18}));
    EXPECT_EQ(commits, 5);

    sidebar->setRecordingFacts(false, true, true);
    test::settle();
    EXPECT_EQ(test::byName(sidebar.get(), "Show Camera"), nullptr) << "no camera, no controls";
}

TEST_F(SidebarTest, BackgroundPanelStylesColoursGradientsImagesAndWallpapers)
{
    media::test::TempFolder folder;
    for (const char* name : {"Dunes", "Harbour"}) {
        QImage picture(1600, 900, QImage::Format_RGB32);
        picture.fill(name[0] == 'D' ? QColor(220, 170, 90) : QColor(40, 90, 160));
        ASSERT_TRUE(picture.save(QString::fromStdString((folder / (std::string(name) + ".jpg")).string())));
    }
    auto root = folder.path();
    sidebar->wallpaperSource = [root] { return SystemWallpaperCatalog::discover({root}); };
    QColor picked = QColor::fromRgbF(0.2f, 0.4f, 0.6f, 0.5f);
    sidebar->chooseColor = [picked](const QColor&) { return std::optional<QColor>(picked); };
    std::string chosenImage = (folder / "Harbour.jpg").string();
    sidebar->chooseImageFile = [chosenImage] { return std::optional<QString>(QString::fromStdString(chosenImage)); };
    open(StudioTab::background);
    EXPECT_EQ(test::byName<QSlider>(sidebar.get(), "Padding"), nullptr) << "no frame without a background";

    click(control<QPushButton>("Color"));
    EXPECT_EQ(background.style, BackgroundStyle::solid);
    EXPECT_EQ(commits, 1);
    click(control<ColorWell>("Color"));
    EXPECT_NEAR(background.solidColor.blue, 0.6, 1e-3);
    EXPECT_NEAR(background.solidColor.alpha, 0.5, 1e-3);
    EXPECT_EQ(commits, 2);

    click(control("Gradient"));
    EXPECT_EQ(background.style, BackgroundStyle::gradient);
    click(control("Sunset"));
    EXPECT_EQ(background.gradientPresetID, "sunset");
    EXPECT_EQ(commits, 4);

    EXPECT_EQ(dragSlider("Padding", 50), 0);
    EXPECT_GT(background.padding, 0.08);
    EXPECT_EQ(commits, 5);

    click(control("Image"));
    click(control("Choose Image…"));
    EXPECT_EQ(background.imagePath, chosenImage);
    EXPECT_EQ(commits, 7);
    // The thumbnail and the wallpapers arrive from worker threads.
    ASSERT_TRUE(test::waitFor([&] {
        for (auto* label : sidebar->findChildren<QLabel*>())
            if (label->objectName() == "thumbnail" && !label->pixmap().isNull())
                return true;
        return false;
    }));
    ASSERT_TRUE(test::waitFor([&] { return test::byName(sidebar.get(), "Dunes") != nullptr; }));
    click(control("Dunes"));
    EXPECT_EQ(background.imagePath, (folder / "Dunes.jpg").string());
    EXPECT_EQ(commits, 8);
    EXPECT_TRUE(test::unnamedControls(sidebar.get()).empty());

    click(control("None"));
    EXPECT_EQ(background.style, BackgroundStyle::none);
    EXPECT_EQ(background.imagePath, (folder / "Dunes.jpg").string()) << "the choice is kept";
}

TEST_F(SidebarTest, AspectTilesShapeTheCanvasAndTurnTheBackgroundOn)
{
    open(StudioTab::background);
    ASSERT_EQ(background.style, BackgroundStyle::none);
    EXPECT_TRUE(control<QAbstractButton>("Source")->isChecked());

    click(control("9:16"));
    EXPECT_EQ(background.aspect, CanvasAspect::tall9x16);
    EXPECT_EQ(background.style, BackgroundStyle::gradient) << "the canvas needs a background";
    EXPECT_EQ(commits, 1);
    EXPECT_TRUE(control<QAbstractButton>("9:16")->isChecked());
    EXPECT_TRUE(control<QAbstractButton>("Gradient")->isChecked());
    EXPECT_NE(control<QSlider>("Padding"), nullptr);

    click(control("Color"));
    click(control("1:1"));
    EXPECT_EQ(background.aspect, CanvasAspect::square1x1);
    EXPECT_EQ(background.style, BackgroundStyle::solid) << "a chosen background stays";
    click(control("Source"));
    EXPECT_EQ(background.aspect, CanvasAspect::source);
    EXPECT_EQ(background.style, BackgroundStyle::solid);

    click(control("4:5"));
    click(control("None"));
    EXPECT_EQ(background.style, BackgroundStyle::none);
    EXPECT_EQ(background.aspect, CanvasAspect::source);
    EXPECT_TRUE(control<QAbstractButton>("Source")->isChecked());
    EXPECT_EQ(commits, 6);

    // All six tiles, each at least as wide as its title, fit the panel's width.
    for (CanvasAspect aspect : kAllCanvasAspects) {
        auto* tile = control(SidebarRules::aspectTitle(aspect));
        ASSERT_NE(tile, nullptr);
        const QRect inPanel(tile->mapTo(sidebar.get(), QPoint()), tile->size());
        EXPECT_TRUE(sidebar->rect().adjusted(8, 0, -8, 0).contains(inPanel))
            << tile->accessibleName().toStdString();
    }
}

TEST_F(SidebarTest, AudioPanelShowsTheTracksTheRecordingHas)
{
    open(StudioTab::audio);
    click(control("Microphone"));
    EXPECT_FALSE(microphone.isEnabled);
    click(control("System Audio"));
    EXPECT_FALSE(systemAudio.isEnabled);
    EXPECT_EQ(commits, 2);
    sidebar->setRecordingFacts(true, false, false);
    test::settle();
    EXPECT_EQ(test::byName(sidebar.get(), "System Audio"), nullptr);
    EXPECT_EQ(test::byName(sidebar.get(), "Microphone"), nullptr);
}

TEST_F(SidebarTest, MicrophoneNoiseReductionSwitchAndStrength)
{
    open(StudioTab::audio);
    EXPECT_FALSE(control<QSlider>("Noise reduction strength")->isEnabled()) << "off by default";
    click(control("Reduce Noise"));
    EXPECT_TRUE(microphone.reducesNoise);
    EXPECT_EQ(commits, 1);

    // The strength commits on release, once.
    EXPECT_EQ(dragSlider("Noise reduction strength", 40), 0);
    EXPECT_EQ(commits, 2);
    EXPECT_GT(microphone.noiseReductionStrength, 0.5);
    const double strength = microphone.noiseReductionStrength;

    // The microphone switched off and on keeps its noise reduction; while off, none can be set.
    click(control("Microphone"));
    EXPECT_FALSE(microphone.isEnabled);
    EXPECT_FALSE(control("Reduce Noise")->isEnabled());
    EXPECT_FALSE(control<QSlider>("Noise reduction strength")->isEnabled());
    click(control("Microphone"));
    EXPECT_TRUE(microphone.reducesNoise);
    EXPECT_EQ(microphone.noiseReductionStrength, strength);
    EXPECT_TRUE(control<QSlider>("Noise reduction strength")->isEnabled());

    // A recording without a microphone has nothing to reduce.
    sidebar->setRecordingFacts(true, true, false);
    test::settle();
    EXPECT_EQ(test::byName(sidebar.get(), "Reduce Noise"), nullptr);
}

TEST_F(SidebarTest, CursorPanelDisablesStyleAndSizeWhileTheCursorIsOff)
{
    open(StudioTab::cursor);
    click(control("Ring"));
    EXPECT_EQ(cursor.style, CursorStyle::ring);
    click(control("Click Ripples"));
    EXPECT_FALSE(cursor.showsClickRipples);
    click(control("Show Cursor"));
    EXPECT_FALSE(cursor.isEnabled);
    EXPECT_EQ(commits, 3);
    test::settle();
    EXPECT_FALSE(control("Dot")->isEnabled());
    EXPECT_FALSE(control<QSlider>("Size")->isEnabled());
    EXPECT_TRUE(control("Click Ripples")->isEnabled());
}

TEST_F(SidebarTest, KeysPanelWaitsForKeysThenEditsThePill)
{
    const QString noKeys = QString::fromUtf8(
        "No keys were recorded. Turn on \u201cRecord Keystrokes\u201d in the recorder's menu to show them.");
    open(StudioTab::keys);
    // Without key presses: a line says why, and nothing can be changed.
    EXPECT_NE(labelWithText(sidebar.get(), noKeys),
              nullptr);
    EXPECT_FALSE(control("Show Keystrokes")->isEnabled());
    EXPECT_FALSE(control("Top")->isEnabled());

    sidebar->setHasKeyEvents(true);
    test::settle();
    EXPECT_EQ(labelWithText(sidebar.get(), noKeys),
              nullptr);
    click(control("Top"));
    click(control("Light"));
    EXPECT_EQ(keys.position, KeystrokePosition::top);
    EXPECT_EQ(keys.style, KeystrokeStyle::light);
    EXPECT_EQ(commits, 2);
    EXPECT_EQ(dragSlider("Size", 40), 0) << "the size commits on release only";
    EXPECT_EQ(commits, 3);
    EXPECT_GT(keys.sizeFraction, KeystrokeOverlaySettings{}.sizeFraction);

    // Hidden, the pill's other settings wait for it to be shown again.
    click(control("Show Keystrokes"));
    EXPECT_FALSE(keys.isEnabled);
    EXPECT_EQ(commits, 4);
    EXPECT_FALSE(control("Bottom")->isEnabled());
    EXPECT_FALSE(control<QSlider>("Size")->isEnabled());
    EXPECT_EQ(SidebarRules::keystrokeSizeText(KeystrokeOverlaySettings{}.sizeFraction), "100%");
}

TEST_F(SidebarTest, SegmentsAndSwitchesCommitOnTheAccessibilityActionAsOnAClick)
{
    const std::vector<std::tuple<StudioTab, QString, std::function<bool()>>> cases = {
        {StudioTab::cursor, "Dot", [&] { return cursor.style == CursorStyle::dot; }},
        {StudioTab::cursor, "Click Ripples", [&] { return !cursor.showsClickRipples; }},
        {StudioTab::background, "Gradient", [&] { return background.style == BackgroundStyle::gradient; }},
    };
    int expectedCommits = 0;
    for (const auto& [tab, name, applied] : cases) {
        open(tab);
        accessibilityAction(control(name));
        EXPECT_TRUE(applied()) << name.toStdString();
        EXPECT_EQ(commits, ++expectedCommits) << name.toStdString();
    }
}

TEST_F(SidebarTest, SmoothMovementSwitchesItsStrengthOnAndTheStrengthCommitsOnRelease)
{
    open(StudioTab::cursor);
    EXPECT_FALSE(control<QSlider>("Smoothing strength")->isEnabled());
    click(control("Smooth movement"));
    EXPECT_TRUE(cursor.smoothsMovement);
    EXPECT_EQ(commits, 1);
    ASSERT_TRUE(control<QSlider>("Smoothing strength")->isEnabled());

    EXPECT_EQ(dragSlider("Smoothing strength", 40), 0) << "nothing is committed while dragging";
    EXPECT_GT(cursor.smoothingStrength, 0.55);
    EXPECT_LE(cursor.smoothingStrength, 1.0);
    EXPECT_EQ(commits, 2);
    EXPECT_NE(labelWithText(sidebar.get(), SidebarRules::percentText(cursor.smoothingStrength)), nullptr)
        << "the read-out shows the strength";

    click(control("Show Cursor"));
    EXPECT_FALSE(control("Smooth movement")->isEnabled());
    EXPECT_FALSE(control<QSlider>("Smoothing strength")->isEnabled());
    EXPECT_TRUE(cursor.smoothsMovement) << "hiding the cursor keeps its smoothing for later";
}

TEST_F(SidebarTest, PrivacyPanelAddsTimesResizesAndDeletesBlurs)
{
    open(StudioTab::redact);
    click(control("Add Blur at Playhead"));
    ASSERT_EQ(redacts.size(), 1u);
    EXPECT_DOUBLE_EQ(redacts[0].start, 10);
    EXPECT_DOUBLE_EQ(redacts[0].end, 12.5);
    EXPECT_EQ(redacts[0].rect, (Rect{0.38, 0.44, 0.24, 0.12}));
    EXPECT_EQ(selectedBlur, redacts[0].id);
    EXPECT_EQ(commits, 1);

    sidebar->setCurrentTime(20); // after the end: the start stops 0.2 s before it
    click(sidebar->findChild<QPushButton*>("setStartToPlayhead"));
    EXPECT_NEAR(redacts[0].start, 12.3, 1e-9);
    sidebar->setCurrentTime(25);
    click(sidebar->findChild<QPushButton*>("setEndToPlayhead"));
    EXPECT_DOUBLE_EQ(redacts[0].end, 25);
    EXPECT_EQ(commits, 3);

    EXPECT_EQ(dragSlider("Width", 60), 0);
    EXPECT_EQ(commits, 4);
    EXPECT_GT(redacts[0].rect.width, 0.24);
    EXPECT_NEAR(redacts[0].rect.x + redacts[0].rect.width / 2, 0.5, 1e-9) << "around its centre";
    // A keyboard step has no release: it commits at once.
    auto* height = control<QSlider>("Height");
    height->setFocus();
    QTest::keyClick(height, Qt::Key_Right);
    EXPECT_NEAR(redacts[0].rect.height, 0.13, 1e-9);
    EXPECT_EQ(commits, 5);

    click(control("Delete Blur"));
    EXPECT_TRUE(redacts.empty());
    EXPECT_FALSE(selectedBlur);
    EXPECT_EQ(commits, 6);

    sidebar->setDuration(0);
    test::settle();
    EXPECT_FALSE(control("Add Blur at Playhead")->isEnabled());
}

TEST_F(SidebarTest, EveryControlOfEveryPanelHasAnAccessibleName)
{
    ZoomRegion zoom;
    zoom.end = 2;
    zoom.rect = {0, 0, 0.5, 0.5};
    regions = {zoom};
    selectedZoom = zoom.id;
    RedactRegion blur;
    blur.end = 2;
    redacts = {blur};
    selectedBlur = blur.id;
    for (StudioTab tab : kAllStudioTabs) {
        open(tab);
        EXPECT_TRUE(test::unnamedControls(sidebar.get()).empty()) << rawValue(tab);
    }
}

} // namespace
} // namespace tarnix
