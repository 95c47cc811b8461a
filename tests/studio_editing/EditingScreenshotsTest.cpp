// The editing views together as the Studio lays them out, over a frame drawn by the real
// compositor: one screenshot per open panel, for looking at.

#include <QLabel>
#include <QPainter>
#include <QVariantAnimation>

#include "EditingTestSupport.h"
#include "compositing/CompositionBuilder.h"
#include "media/CompositionFrameRenderer.h"
#include "media/MediaTestSupport.h"
#include "studio/EditingTheme.h"
#include "studio/handles/PreviewHandle.h"
#include "studio/sidebar/StudioIconRail.h"
#include "studio/sidebar/StudioSidebarView.h"
#include "studio/timeline/TimelineView.h"

namespace tarnix {
namespace {

namespace Builder = CompositionBuilder;

ZoomRegion zoom(double start, double end, double level)
{
    ZoomRegion r;
    r.start = start;
    r.end = end;
    r.rect = {0.3, 0.25, 1 / level, 1 / level};
    return r;
}

TEST(EditingScreenshots, EveryPanelOverThePreviewWithTheTimeline)
{
    test::application();
    media::test::TempFolder folder;
    media::test::makeMovie(folder / "screen.mp4", 2, 1280, 720, false);
    ASSERT_TRUE(media::test::runFfmpeg(
        "-f lavfi -i \"gradients=s=480x360:c0=0xf0a060:c1=0x604030:d=2:speed=0.01\" -c:v libx264 -preset "
        "ultrafast -pix_fmt yuv420p \"" + (folder / "camera.mov").string() + "\""));

    RecordingTimeline document;
    document.videoURL = folder / "screen.mp4";
    document.cameraURL = folder / "camera.mov";
    document.hasSystemAudio = true;
    document.microphoneURL = folder / "mic.m4a";
    std::vector<ZoomRegion> regions = {zoom(2.5, 7, 1.8), zoom(10.5, 16, 2.4), zoom(23, 26.5, 1.6),
                                       zoom(31, 35, 2.0)};
    std::optional<Uuid> selectedZoom = regions[1].id;
    RedactRegion blur;
    blur.start = 18;
    blur.end = 29;
    blur.rect = {0.62, 0.12, 0.24, 0.12};
    std::vector<RedactRegion> redacts = {blur};
    std::optional<Uuid> selectedBlur = blur.id;
    TextRegion caption;
    caption.start = 0.2;
    caption.end = 8.5;
    caption.text = "Étape 1 · Öffnen Sie die Einstellungen";
    std::vector<TextRegion> texts = {caption};
    std::optional<Uuid> selectedText = caption.id;
    CameraOverlaySettings camera;
    camera.isEnabled = true;
    BackgroundSettings background;
    background.style = BackgroundStyle::gradient;
    background.gradientPresetID = "violet";
    AudioTrackSettings systemAudio, microphone;
    CursorOverlaySettings cursor;
    std::optional<StudioTab> tab = StudioTab::zoom;

    RecordingTimeline input = document;
    input.cameraOverlay = camera;
    input.background = background;
    input.redactRegions = redacts;
    input.textRegions = texts;
    Builder::Result built = Builder::build(input);
    QImage frame = media::CompositionFrameRenderer(built.composition, built.videoComposition).frameAt(0.5);
    ASSERT_FALSE(frame.isNull());

    // The window: preview with the rail and panel over its leading edge, timeline below.
    QWidget window;
    window.setAutoFillBackground(true);
    QPalette palette = window.palette();
    palette.setColor(QPalette::Window, StudioTheme::background());
    window.setPalette(palette);
    window.resize(1180, 880);
    QRect previewArea(16, 16, 1148, 520);
    QSizeF fitted = QSizeF(frame.size()).scaled(previewArea.size(), Qt::KeepAspectRatio);
    QRectF picture(previewArea.left() + (previewArea.width() - fitted.width()) / 2, previewArea.top(),
                   fitted.width(), fitted.height());
    auto* preview = new QLabel(&window);
    preview->setGeometry(picture.toRect());
    preview->setScaledContents(true);
    preview->setPixmap(QPixmap::fromImage(frame));

    auto* rail = new StudioIconRail(&window);
    rail->selectedTab = Binding<std::optional<StudioTab>>::to(&tab);
    rail->setGeometry(QRect(QPoint(28, 28), rail->sizeHint()));
    auto* sidebar = new StudioSidebarView(&window);
    sidebar->move(92, 28);
    sidebar->regions = Binding<std::vector<ZoomRegion>>::to(&regions);
    sidebar->selectedRegionID = Binding<std::optional<Uuid>>::to(&selectedZoom);
    sidebar->cameraOverlay = Binding<CameraOverlaySettings>::to(&camera);
    sidebar->background = Binding<BackgroundSettings>::to(&background);
    sidebar->systemAudio = Binding<AudioTrackSettings>::to(&systemAudio);
    sidebar->microphoneAudio = Binding<AudioTrackSettings>::to(&microphone);
    sidebar->cursorOverlay = Binding<CursorOverlaySettings>::to(&cursor);
    sidebar->redactRegions = Binding<std::vector<RedactRegion>>::to(&redacts);
    sidebar->selectedRedactID = Binding<std::optional<Uuid>>::to(&selectedBlur);
    sidebar->textRegions = Binding<std::vector<TextRegion>>::to(&texts);
    sidebar->selectedTextID = Binding<std::optional<Uuid>>::to(&selectedText);
    sidebar->wallpaperSource = [] { return std::vector<SystemWallpaper>{}; };
    sidebar->setRecordingFacts(true, true, true);
    sidebar->setDuration(48);
    sidebar->setCurrentTime(13.4);

    auto* cameraHandle = new PreviewHandle(PreviewHandle::Kind::camera, preview);
    cameraHandle->cameraSettings = Binding<CameraOverlaySettings>::to(&camera);
    cameraHandle->setContainerRect(QRectF(QPointF(0, 0), picture.size()));
    auto* blurHandle = new PreviewHandle(PreviewHandle::Kind::redact, preview);
    blurHandle->redactRect = Binding<Rect>([&] { return redacts[0].rect; }, [&](const Rect& r) { redacts[0].rect = r; });
    blurHandle->setContainerRect(QRectF(QPointF(0, 0), picture.size()));

    auto* timeline = new TimelineView(&window);
    timeline->model().regions = Binding<std::vector<ZoomRegion>>::to(&regions);
    timeline->model().redactRegions = Binding<std::vector<RedactRegion>>::to(&redacts);
    timeline->model().selectedRegionID = Binding<std::optional<Uuid>>::to(&selectedZoom);
    timeline->model().selectedRedactID = Binding<std::optional<Uuid>>::to(&selectedBlur);
    timeline->model().textRegions = Binding<std::vector<TextRegion>>::to(&texts);
    timeline->model().selectedTextID = Binding<std::optional<Uuid>>::to(&selectedText);
    // A trimmed start and a cut in the middle, hatched on their track and dimmed across the rest.
    std::vector<CutRegion> cuts = {{Uuid::random(), 0, 1.8}, {Uuid::random(), 19.5, 23.5}};
    std::optional<Uuid> selectedCut;
    timeline->model().cutRegions = Binding<std::vector<CutRegion>>::to(&cuts);
    timeline->model().selectedCutID = Binding<std::optional<Uuid>>::to(&selectedCut);
    timeline->setGeometry(24, 560, 1132, int(TimelineRules::kTotalHeight));
    std::vector<ClickEvent> clicks;
    for (double t : {3.2, 3.9, 11.5, 12.1, 24.0, 31.7, 33.0, 40.2}) {
        ClickEvent c;
        c.timestamp = t;
        clicks.push_back(c);
    }
    timeline->setClicks(clicks);
    std::vector<float> peaks;
    for (int i = 0; i < 400; ++i)
        peaks.push_back(float(0.1 + 0.7 * std::abs(std::sin(i * 0.13)) * (0.5 + 0.5 * std::sin(i * 0.021))));
    timeline->setWaveform(peaks);
    timeline->setDuration(48);
    timeline->setCurrentTime(13.4);
    test::show(window);

    for (StudioTab t : kAllStudioTabs) {
        tab = t;
        rail->refresh();
        sidebar->setTab(t);
        cameraHandle->setVisible(t == StudioTab::camera);
        blurHandle->setVisible(t == StudioTab::redact);
        test::settle();
        test::waitFor([&] { // the rail's highlight has slid into place
            auto* slide = rail->findChild<QVariantAnimation*>();
            return !slide || slide->state() == QAbstractAnimation::Stopped;
        });
        test::saveScreenshot(window, "studio-" + QString::fromUtf8(rawValue(t).data(), int(rawValue(t).size())));
        EXPECT_TRUE(test::unnamedControls(&window).empty()) << rawValue(t);
    }
}

} // namespace
} // namespace tarnix
