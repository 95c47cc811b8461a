#include "compositing/CompositionBuilder.h"

#include <QCoreApplication>
#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "compositing/BackgroundRenderer.h"
#include "compositing/CursorSmoothing.h"
#include "compositing/OverlayVideoCompositor.h"

namespace tarnix::CompositionBuilder {

using media::MediaAsset;
using media::MediaType;
using media::TrackID;

namespace {

constexpr TrackID kScreenTrack = 1;
constexpr TrackID kCameraTrack = 2;
constexpr TrackID kFirstAudioTrack = 3;

// A sentence for the Studio in the application's language, with its details in place of %1, %2
// (all at once: a "%2" in a file's name stays as it is).
std::string text(const char* source)
{
    return QCoreApplication::translate("tarnix::CompositionBuilder", source).toStdString();
}

template <class... Details>
std::string text(const char* source, const Details&... details)
{
    return QCoreApplication::translate("tarnix::CompositionBuilder", source)
        .arg(QString::fromStdString(details)...)
        .toStdString();
}

// The document library's sentence (it knows no translation), marked here for translating.
constexpr const char* kEverythingCut = QT_TRANSLATE_NOOP(
    "tarnix::CompositionBuilder", "Nothing is left to export: the cuts remove the whole recording.");
static_assert(std::string_view(kEverythingCut) == kEverythingCutMessage);

// What the Studio says of a camera or microphone file it can't use.
struct LeftOut {
    const char* holdsNothing; // %1 the file
    const char* unreadable;   // %1 the file, %2 why
};
constexpr LeftOut kCameraLeftOut{
    QT_TRANSLATE_NOOP("tarnix::CompositionBuilder",
                      "The camera file %1 holds no video; the camera bubble is left out."),
    QT_TRANSLATE_NOOP("tarnix::CompositionBuilder",
                      "The camera file %1 could not be read (%2); the camera bubble is left out.")};
constexpr LeftOut kMicrophoneLeftOut{
    QT_TRANSLATE_NOOP("tarnix::CompositionBuilder",
                      "The microphone file %1 holds no sound; the microphone's sound is left out."),
    QT_TRANSLATE_NOOP("tarnix::CompositionBuilder",
                      "The microphone file %1 could not be read (%2); the microphone's sound is left out.")};

// Why a media file the document names can't be used, in words.
std::string unreadableReason(const std::filesystem::path& path, const media::MediaException& e)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return text(QT_TRANSLATE_NOOP("tarnix::CompositionBuilder", "it does not exist"));
    if (std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) == 0)
        return text(QT_TRANSLATE_NOOP("tarnix::CompositionBuilder", "it is empty"));
    return media::describe(e.error());
}

// The file's first track of a media type, or nothing when there is no file, it cannot be read or
// it has none; the last two are added to `warnings` ("The camera file … could not be read (…);
// the camera bubble is left out."). A file whose duration can't be found still gives its track (a
// camera or microphone recording cut off by a crash), as long as the screen (`screenDuration`).
std::optional<std::pair<MediaAsset, media::AssetTrack>> firstTrackOf(
    const std::optional<std::filesystem::path>& url, MediaType type, double screenDuration,
    const LeftOut& leftOut, std::vector<std::string>& warnings)
{
    if (!url)
        return std::nullopt;
    try {
        MediaAsset asset = MediaAsset::load(*url, media::DurationNeed::optional);
        auto tracks = asset.tracks(type);
        if (tracks.empty()) {
            warnings.push_back(text(leftOut.holdsNothing, url->string()));
            return std::nullopt;
        }
        media::AssetTrack track = tracks.front();
        if (!asset.hasDuration())
            track.timeRange = {0, screenDuration};
        return std::make_pair(asset, track);
    } catch (const media::MediaException& e) {
        warnings.push_back(text(leftOut.unreadable, url->string(), unreadableReason(*url, e)));
        return std::nullopt;
    }
}

std::string secondsText(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", seconds);
    return text;
}

// How much of the screen movie can be shown. A movie cut short (its index promises more than the
// file holds) ends where its whole pictures end: the rest is left out rather than shown as a
// frozen last picture, and a warning says so. One cut short before its first picture can't be
// shown at all.
double playableDuration(const MediaAsset& screen, std::vector<std::string>& warnings)
{
    const double duration = screen.duration();
    const std::optional<double> end = screen.truncatedAt();
    if (!end || !(*end < duration))
        return duration;
    if (!(*end > 0))
        throw media::MediaException(media::MediaError{
            "Tarnix.Media", 1,
            text(QT_TRANSLATE_NOOP("tarnix::CompositionBuilder",
                                   "The screen movie “%1” is cut short before its first picture."),
                 screen.url().filename().string()),
            std::nullopt, nullptr});
    warnings.push_back(text(QT_TRANSLATE_NOOP("tarnix::CompositionBuilder",
                                              "The screen movie ends at %1 s of its %2 s (the file is cut short); "
                                              "the edited movie ends there too."),
                            secondsText(*end), secondsText(duration)));
    return *end;
}

// Places the kept spans of 0...available of the source one after another from time 0, each part
// at its speed (all of it as it is when nothing is remapped). Audio fades at every join, where the
// speed changes and at a trimmed start or end; a source that simply ends (a shorter camera or
// microphone file) does not. Returns the first insertion error.
std::optional<media::MediaError> insertKept(media::Composition& composition, TrackID id,
                                            const media::AssetTrack& source, double available,
                                            const KeptTime& kept, double recordingDuration)
{
    if (!kept.isRemapped())
        return composition.insertTimeRange(id, {0, available}, source, 0);
    std::optional<media::MediaError> firstError;
    for (const KeptTime::Piece& piece : kept.pieces()) {
        const TimeSpan& span = piece.source;
        double end = std::min(span.end, available);
        if (!(end > span.start))
            break;
        double fadeIn = span.start > 0 ? kCutFadeSeconds : 0;
        double fadeOut = end == span.end && span.end < recordingDuration ? kCutFadeSeconds : 0;
        auto error = composition.insertTimeRange(id, {span.start, end - span.start}, source,
                                                 piece.outputStart, fadeIn, fadeOut, piece.speed);
        if (error && !firstError)
            firstError = error;
    }
    return firstError;
}

// Adds the track and inserts the kept part of 0...available of the source; an insertion error
// leaves the track empty or partial. Returns whether the track was added.
bool addTrack(media::Composition& composition, MediaType type, TrackID id,
              const media::AssetTrack& source, double available, const KeptTime& kept,
              double recordingDuration)
{
    if (!composition.addMutableTrack(type, id))
        return false;
    insertKept(composition, id, source, available, kept, recordingDuration);
    return true;
}

// The largest rectangle of the recording's aspect centred in the canvas (lower-left origin).
Rect recordingShapedFrame(QSize canvas, QSize recording)
{
    double W = canvas.width(), H = canvas.height();
    double aspect = double(recording.width()) / recording.height();
    double w = W, h = W / aspect;
    if (h > H) {
        h = H;
        w = H * aspect;
    }
    return {(W - w) / 2, (H - h) / 2, w, h};
}

// The prepared background and, on a canvas of another aspect, the frame the overlays refer to.
struct CanvasLayout {
    std::optional<BackgroundFrame> background;
    std::optional<Rect> overlayFrame;
};

CanvasLayout layOutCanvas(QSize canvas, QSize recording, const BackgroundSettings& settings)
{
    Size size{double(canvas.width()), double(canvas.height())};
    if (settings.aspect == CanvasAspect::source)
        return {BackgroundRenderer::makeFrame(size, settings), std::nullopt};
    BackgroundSettings drawn = effectiveBackground(settings);
    // The content must keep its own shape: a padding that would leave no content is held back.
    if (!(drawn.padding < kMaxAspectPadding))
        drawn.padding = kMaxAspectPadding;
    if (!(drawn.padding > 0))
        drawn.padding = 0;
    double recordingAspect = double(recording.width()) / recording.height();
    return {BackgroundRenderer::makeFrame(size, drawn, recordingAspect),
            recordingShapedFrame(canvas, recording)};
}

// Clicks made inside a cut leave no ripple after it.
std::vector<NormalizedClickSample> keptClicks(std::vector<NormalizedClickSample> clicks,
                                              const KeptTime& kept)
{
    std::erase_if(clicks, [&](const NormalizedClickSample& click) { return kept.isCut(click.time); });
    return clicks;
}

// Keys pressed inside a cut are not shown, nor counted as repeats. The others are timed in movie
// time, so that a pill stays up as long in a sped-up span as anywhere else.
KeystrokeOverlay keptKeystrokes(const RecordingTimeline& timeline, const KeptTime& kept)
{
    std::vector<KeyEvent> keys;
    if (timeline.keystrokeOverlay.isEnabled)
        for (KeyEvent key : timeline.keyEvents)
            if (!kept.isCut(key.timestamp)) {
                key.timestamp = kept.outputTime(key.timestamp);
                keys.push_back(std::move(key));
            }
    return {KeystrokeRenderer::prepare(keys), timeline.keystrokeOverlay};
}

// Text boxes timed in movie time: their fades last as long at any speed.
std::vector<TextRegion> movieTimedText(std::vector<TextRegion> boxes, const KeptTime& kept)
{
    for (TextRegion& box : boxes) {
        box.start = kept.outputTime(box.start);
        box.end = kept.outputTime(box.end);
    }
    return boxes;
}

} // namespace

BuildError::BuildError(Kind kind)
    : media::MediaException(media::MediaError{
          "Tarnix.CompositionBuilder.BuildError", int(kind),
          kind == Kind::everythingCut
              ? text(kEverythingCut)
              : text(QT_TRANSLATE_NOOP("tarnix::CompositionBuilder", "No video track found in the recording.")),
          std::nullopt, nullptr})
    , kind_(kind)
{
}

QSize canvasSize(QSize recordingSize, CanvasAspect aspect)
{
    std::optional<double> ratio = aspectRatio(aspect);
    if (!ratio || recordingSize.isEmpty())
        return recordingSize;
    int shortSide = std::min(recordingSize.width(), recordingSize.height());
    int longSide = int(std::lround(shortSide * std::max(*ratio, 1 / *ratio) / 2)) * 2;
    shortSide = std::max(2, shortSide & ~1);
    longSide = std::max(longSide, shortSide);
    return *ratio >= 1 ? QSize(longSide, shortSide) : QSize(shortSide, longSide);
}

std::vector<NormalizedCursorSample> normalizedCursorSamples(const RecordingTimeline& timeline)
{
    std::vector<NormalizedCursorSample> samples;
    samples.reserve(timeline.cursorSamples.size());
    for (const auto& sample : timeline.cursorSamples)
        samples.push_back({sample.timestamp, timeline.normalizedPoint(sample.point, sample.timestamp)});
    std::stable_sort(samples.begin(), samples.end(),
                     [](const auto& a, const auto& b) { return a.time < b.time; });
    return samples;
}

std::vector<NormalizedClickSample> normalizedClickSamples(const RecordingTimeline& timeline)
{
    std::vector<NormalizedClickSample> samples;
    for (const auto& click : timeline.clickEvents)
        if (isButtonDown(click.kind))
            samples.push_back({click.timestamp, timeline.normalizedPoint(click.point, click.timestamp)});
    std::stable_sort(samples.begin(), samples.end(),
                     [](const auto& a, const auto& b) { return a.time < b.time; });
    return samples;
}

Result build(const RecordingTimeline& timeline, const std::function<bool()>& isCancelled,
             int frameRate)
{
    auto checkCancelled = [&] {
        if (isCancelled && isCancelled())
            throw BuildCancelled();
    };
    if (!timeline.videoURL)
        throw BuildError(BuildError::Kind::noVideoTrack);

    // The screen: its read errors are the caller's to see.
    MediaAsset screen = MediaAsset::load(*timeline.videoURL);
    auto screenTracks = screen.tracks(MediaType::video);
    if (screenTracks.empty())
        throw BuildError(BuildError::Kind::noVideoTrack);
    const media::AssetTrack& screenTrack = screenTracks.front();
    std::vector<std::string> warnings;
    const double duration = playableDuration(screen, warnings);
    const QSize recordingSize = screenTrack.naturalSize;
    const QSize renderSize = canvasSize(recordingSize, timeline.background.aspect);
    if (cutsLeaveNothing(timeline.cutRegions, duration))
        throw BuildError(BuildError::Kind::everythingCut);
    const KeptTime kept = KeptTime::of(timeline, duration);

    auto composition = std::make_shared<media::Composition>();
    if (!composition->addMutableTrack(MediaType::video, kScreenTrack))
        throw BuildError(BuildError::Kind::noVideoTrack);
    if (auto error = insertKept(*composition, kScreenTrack, screenTrack, duration, kept, duration))
        throw media::MediaException(*error);
    checkCancelled();

    // A camera or microphone file of unknown length runs as long as the screen.
    auto lengthOf = [duration](const MediaAsset& asset) {
        return asset.hasDuration() ? std::min(asset.duration(), duration) : duration;
    };
    std::optional<TrackID> cameraTrackID;
    if (timeline.cameraOverlay.isEnabled)
        if (auto camera = firstTrackOf(timeline.cameraURL, MediaType::video, duration, kCameraLeftOut, warnings))
            if (addTrack(*composition, MediaType::video, kCameraTrack, camera->second,
                         lengthOf(camera->first), kept, duration))
                cameraTrackID = kCameraTrack;
    checkCancelled();

    TrackID nextAudioTrack = kFirstAudioTrack;
    // The denoiser of a track whose settings ask for one.
    auto reduceNoise = [&composition](TrackID id, const AudioTrackSettings& settings) {
        if (settings.reducesNoise)
            composition->setNoiseReduction(id, settings.noiseReductionStrength);
    };
    if (timeline.hasSystemAudio && timeline.systemAudio.isEnabled) {
        auto audio = screen.tracks(MediaType::audio);
        if (!audio.empty() &&
            addTrack(*composition, MediaType::audio, nextAudioTrack, audio.front(), duration, kept,
                     duration))
            reduceNoise(nextAudioTrack++, timeline.systemAudio);
    }
    if (timeline.microphoneAudio.isEnabled)
        if (auto microphone = firstTrackOf(timeline.microphoneURL, MediaType::audio, duration, kMicrophoneLeftOut,
                                           warnings))
            if (addTrack(*composition, MediaType::audio, nextAudioTrack, microphone->second,
                         lengthOf(microphone->first), kept, duration))
                reduceNoise(nextAudioTrack, timeline.microphoneAudio);
    checkCancelled();

    CanvasLayout canvas = layOutCanvas(renderSize, recordingSize, timeline.background);
    checkCancelled();

    std::vector<NormalizedClickSample> clicks = normalizedClickSamples(timeline);
    std::vector<NormalizedCursorSample> cursor = normalizedCursorSamples(timeline);
    if (timeline.cursorOverlay.smoothsMovement)
        cursor = CursorSmoothing::smooth(cursor, clicks, timeline.cursorOverlay.smoothingStrength);
    OverlayEdits edits{kept, canvas.overlayFrame, movieTimedText(timeline.textRegions, kept)};
    auto instruction = std::make_shared<const OverlayInstruction>(
        media::TimeRange{0, kept.duration()}, kScreenTrack, cameraTrackID, timeline.zoomRegions,
        timeline.cameraOverlay, std::move(canvas.background), std::move(cursor),
        timeline.cursorOverlay, keptClicks(std::move(clicks), kept), timeline.redactRegions,
        std::move(edits), keptKeystrokes(timeline, kept));

    media::VideoComposition videoComposition;
    videoComposition.renderSize = renderSize;
    // 60 frames a second only for a recording that has more than 30 of its own.
    media::setFrameRate(videoComposition, media::offersSmoothFrameRate(screenTrack.frameRate)
                                              ? frameRate
                                              : media::kStandardFrameRate);
    videoComposition.customVideoCompositor = OverlayVideoCompositor::factory();
    videoComposition.instructions = {instruction};
    videoComposition.presetNamesShortSide = timeline.background.aspect != CanvasAspect::source;
    return Result{composition, videoComposition, instruction, std::move(warnings),
                  screenTrack.frameRate};
}

QFuture<Result> buildAsync(RecordingTimeline recording, int frameRate)
{
    return QtConcurrent::run([frameRate](QPromise<Result>& promise, RecordingTimeline in) {
        try {
            Result result = build(in, [&promise] { return promise.isCanceled(); }, frameRate);
            promise.addResult(std::move(result));
        } catch (const BuildCancelled&) {
            // A cancelled future carries no result and no error.
        } catch (...) {
            promise.setException(std::current_exception());
        }
    }, std::move(recording));
}

} // namespace tarnix::CompositionBuilder
