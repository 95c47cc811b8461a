#include "cli/DemoRecording.h"

#include <QLinearGradient>
#include <QPainter>

#include <cmath>
#include <numbers>

#include "app/TimelineAssembly.h"
#include "files/AtomicFile.h"
#include "media/MovieWriter.h"
#include "zoom/ZoomPanEngine.h"

namespace tarnix::cli {

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr double kFps = 30;
constexpr double kDuration = 8;
constexpr int kAudioRate = 48000;

// The form in the demo window, in pixels (top-left origin).
const QRect kNameField(300, 250, 520, 44);
const QRect kSecretField(300, 330, 520, 44);
const QRect kButton(300, 410, 170, 48);

// When each control is typed into or pressed, seconds.
struct Step {
    QRect target;
    double click;    // the click that focuses it
    double typeFrom; // typing starts
    double typeTo;   // typing ends
};
const Step kSteps[] = {
    {kNameField, 0.6, 0.8, 2.6},
    {kSecretField, 3.0, 3.2, 5.0},
    {kButton, 5.8, 99, 99},
};

double smooth(double x)
{
    x = std::clamp(x, 0.0, 1.0);
    return x * x * (3 - 2 * x);
}

// Cursor position in pixels: glides to each control before its click, rests, then drifts.
QPointF cursorAt(double t)
{
    QPointF from(1000, 620);
    double leave = 0;
    for (const Step& step : kSteps) {
        QPointF to = QRectF(step.target).center() + QPointF(-step.target.width() * 0.3, 4);
        double arrive = step.click - 0.15;
        double start = std::max(leave, arrive - 0.7);
        if (t < arrive)
            return from + (to - from) * smooth((t - start) / (arrive - start));
        from = to;
        leave = step.click + 0.3;
    }
    return from + QPointF(120 * smooth((t - leave) / 1.5), -60 * smooth((t - leave) / 1.5));
}

int typedCount(const Step& step, double t)
{
    if (t < step.typeFrom)
        return 0;
    return int(std::min(t, step.typeTo) * 9 - step.typeFrom * 9);
}

void drawField(QPainter& p, const QRect& field, int characters, bool dots, bool focused)
{
    p.setPen(QPen(focused ? QColor(80, 140, 255) : QColor(200, 204, 212), focused ? 3 : 1));
    p.setBrush(Qt::white);
    p.drawRoundedRect(field, 6, 6);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 44, 52));
    for (int i = 0; i < characters && 14 + i * 13 < field.width() - 10; ++i) {
        QRectF glyph(field.x() + 14 + i * 13, field.y() + 12, 9, 20);
        if (dots)
            p.drawEllipse(QRectF(glyph.x(), glyph.y() + 6, 9, 9));
        else
            p.drawRect(glyph.adjusted(0, 5 * ((i * 7) % 3 == 0), 0, 0));
    }
}

QImage screenFrame(double t)
{
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient desk(0, 0, kWidth, kHeight);
    desk.setColorAt(0, QColor(38, 50, 72));
    desk.setColorAt(1, QColor(22, 26, 38));
    p.fillRect(image.rect(), desk);

    // The window, its title bar and a sidebar whose highlight moves on its own.
    QRect window(180, 120, 920, 500);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(246, 247, 250));
    p.drawRoundedRect(window, 12, 12);
    p.setBrush(QColor(226, 229, 235));
    p.drawRoundedRect(QRect(window.x(), window.y(), window.width(), 40), 12, 12);
    const QColor lights[] = {QColor(255, 95, 86), QColor(255, 189, 46), QColor(39, 201, 63)};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(lights[i]);
        p.drawEllipse(QPointF(window.x() + 22 + i * 22, window.y() + 20), 7, 7);
    }
    p.setBrush(QColor(233, 236, 242));
    p.drawRect(QRect(window.x(), window.y() + 40, 90, window.height() - 52));
    double phase = std::fmod(t / 2.0, 1.0);
    p.setBrush(QColor(80, 140, 255, 90));
    p.drawRoundedRect(QRectF(window.x() + 8, window.y() + 60 + phase * 380, 74, 30), 6, 6);

    int focused = -1;
    for (int i = 0; i < 3; ++i)
        if (t >= kSteps[i].click)
            focused = i;
    drawField(p, kNameField, typedCount(kSteps[0], t), false, focused == 0);
    drawField(p, kSecretField, typedCount(kSteps[1], t), true, focused == 1);
    bool flash = t >= kSteps[2].click && t < kSteps[2].click + 0.25;
    p.setBrush(flash ? QColor(30, 90, 210) : QColor(60, 120, 240));
    p.drawRoundedRect(kButton, 8, 8);
    // A spinner in the window's corner: the picture changes in every frame.
    p.setPen(QPen(QColor(60, 120, 240), 5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(window.right() - 70, window.bottom() - 70, 40, 40), int(-t * 360 * 16),
              270 * 16);
    return image;
}

QImage cameraFrame(double t)
{
    QImage image(320, 240, QImage::Format_ARGB32_Premultiplied);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient wall(0, 0, 0, 240);
    wall.setColorAt(0, QColor(120, 150, 170));
    wall.setColorAt(1, QColor(80, 100, 120));
    p.fillRect(image.rect(), wall);
    double sway = 8 * std::sin(t * 1.7);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 70, 90));
    p.drawEllipse(QPointF(160 + sway * 0.5, 250), 110, 70);
    p.setBrush(QColor(226, 188, 160));
    p.drawEllipse(QPointF(160 + sway, 115 + 3 * std::sin(t * 3.1)), 52, 62);
    return image;
}

// A soft chime after each click, into the screen movie's system audio.
float systemSample(double t)
{
    float value = 0;
    for (const Step& step : kSteps) {
        double dt = t - step.click;
        if (dt >= 0 && dt < 0.4)
            value += float(0.2 * std::exp(-dt * 12) * std::sin(2 * std::numbers::pi * 1320 * dt));
    }
    return value;
}

// A voice-like tone with syllables, for the microphone.
float microphoneSample(double t)
{
    double envelope = std::max(0.0, std::sin(2 * std::numbers::pi * 2.5 * t));
    return float(0.3 * envelope * std::sin(2 * std::numbers::pi * (180 + 20 * std::sin(t)) * t));
}

media::MovieVideoSettings demoVideo(int width, int height)
{
    media::MovieVideoSettings video;
    video.width = width;
    video.height = height;
    video.frameRate = kFps;
    video.encoders = {"libx264"};
    video.preset = "ultrafast";
    video.quality = 20;
    return video;
}

void writeAudioFor(media::MovieWriter& writer, float (*sample)(double), int frame, int channels)
{
    const int perFrame = int(kAudioRate / kFps);
    std::vector<float> block(std::size_t(perFrame) * channels);
    for (int i = 0; i < perFrame; ++i) {
        double t = double(frame * perFrame + i) / kAudioRate;
        for (int c = 0; c < channels; ++c)
            block[std::size_t(i) * channels + c] = sample(t);
    }
    writer.writeAudio(block.data(), perFrame, double(frame * perFrame) / kAudioRate);
}

// Screen points have their origin at the bottom-left, y up.
Point toScreenPoint(QPointF pixel) { return {pixel.x(), kHeight - pixel.y()}; }
Rect toScreenRect(const QRect& r)
{
    return {double(r.x()), double(kHeight - r.y() - r.height()), double(r.width()),
            double(r.height())};
}

void addSamples(RecordingTimeline& timeline)
{
    for (double t = 0; t < kDuration; t += 1.0 / 60)
        timeline.cursorSamples.push_back({Uuid::random(), t, toScreenPoint(cursorAt(t))});
    for (const Step& step : kSteps) {
        Point at = toScreenPoint(cursorAt(step.click));
        timeline.clickEvents.push_back({Uuid::random(), step.click, at, ClickKind::leftDown});
        timeline.clickEvents.push_back({Uuid::random(), step.click + 0.12, at, ClickKind::leftUp});
    }
    // The focus tracker records an element when the focus moves to it.
    for (const Step& step : kSteps)
        timeline.focusedElementSamples.push_back(
            {Uuid::random(), step.click + 0.05, toScreenRect(step.target)});
}

} // namespace

bool demoFolderIsFree(const std::filesystem::path& folder)
{
    std::error_code ec;
    for (const char* name : {"Tarnix-demo.mp4", "Tarnix-camera-demo.mov", "Tarnix-mic-demo.m4a",
                             kDemoDocumentName, "Tarnix-demo-edited.mp4", "contact-sheet.png"})
        if (std::filesystem::exists(std::filesystem::symlink_status(folder / name, ec)))
            return false;
    return true;
}

RecordingTimeline makeDemoRecording(const std::filesystem::path& folder,
                                    const std::function<bool()>& stopRequested)
{
    const int frames = int(kDuration * kFps);
    AtomicFile screenFile(folder / "Tarnix-demo.mp4");
    AtomicFile cameraFile(folder / "Tarnix-camera-demo.mov");
    AtomicFile microphoneFile(folder / "Tarnix-mic-demo.m4a");
    {
        media::MovieWriter screen({screenFile.temporaryPath(), media::MovieLayout::faststart,
                                   demoVideo(kWidth, kHeight),
                                   media::MovieAudioSettings{kAudioRate, 2, 128000}});
        media::MovieWriter camera({cameraFile.temporaryPath(), media::MovieLayout::faststart,
                                   demoVideo(320, 240), std::nullopt});
        media::MovieWriter microphone({microphoneFile.temporaryPath(),
                                       media::MovieLayout::faststart, std::nullopt,
                                       media::MovieAudioSettings{kAudioRate, 1, 96000}});
        for (int i = 0; i < frames; ++i) {
            if (stopRequested())
                throw std::runtime_error("Stopped; the demo's files were not written.");
            double t = i / kFps;
            screen.writeVideo(screenFrame(t), t);
            writeAudioFor(screen, systemSample, i, 2);
            camera.writeVideo(cameraFrame(t), t);
            writeAudioFor(microphone, microphoneSample, i, 1);
        }
        screen.finish();
        camera.finish();
        microphone.finish();
    }
    RecordingTimeline timeline;
    timeline.videoURL = screenFile.publish();
    timeline.cameraURL = cameraFile.publish();
    timeline.microphoneURL = microphoneFile.publish();

    timeline.hasSystemAudio = true;
    timeline.startedAt = Date::now();
    timeline.captureFrame = {0, 0, double(kWidth), double(kHeight)};
    timeline.cameraOverlay.isEnabled = true;
    timeline.background.style = BackgroundStyle::gradient;
    timeline.background.gradientPresetID = GradientPreset::defaultPreset().id;
    addSamples(timeline);
    timeline.zoomRegions = TimelineAssembly::heldToMovie(
        ZoomPanEngine::makeAutomaticZoomRegions(timeline), kDuration);
    timeline.redactRegions.push_back(
        {Uuid::random(), kSteps[1].typeFrom, kDuration,
         Rect{double(kSecretField.x()) / kWidth, double(kSecretField.y()) / kHeight,
              double(kSecretField.width()) / kWidth, double(kSecretField.height()) / kHeight}});
    return timeline;
}

} // namespace tarnix::cli
