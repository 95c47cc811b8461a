#include "compositing/CameraCompositionBuilder.h"

#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cstdio>

#include "compositing/BackgroundRenderer.h"
#include "compositing/CursorSmoothing.h"
#include "compositing/OverlayVideoCompositor.h"

namespace tarnix::CameraCompositionBuilder {

using media::MediaAsset;
using media::MediaType;
using media::TrackID;

namespace {

constexpr TrackID kScreenTrack = 1;
constexpr TrackID kCameraTrack = 2;
constexpr TrackID kFirstAudioTrack = 3;

// Why a media file the document names can't be used, in words.
std::string unreadableReason(const std::filesystem::path& path, const media::MediaException& e)
{
    std::error_code ec;
    if (!std::filesystem::exists(path, ec))
        return "it does not exist";
    if (std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) == 0)
        return "it is empty";
    return media::describe(e.error());
}

// The file's first track of a media type, or nothing when there is no file, it cannot be read or
// it has none; the last two are added to `warnings` ("The camera file … could not be read (…);
// the camera bubble is left out."). A file whose duration can't be found still gives its track (a
// camera or microphone recording cut off by a crash), as long as the screen (`screenDuration`).
std::optional<std::pair<MediaAsset, media::AssetTrack>> firstTrackOf(
    const std::optional<std::filesystem::path>& url, MediaType type, double screenDuration,
    const std::string& name, const std::string& leftOut, std::vector<std::string>& warnings)
{
    if (!url)
        return std::nullopt;
    try {
        MediaAsset asset = MediaAsset::load(*url, media::DurationNeed::optional);
        auto tracks = asset.tracks(type);
        if (tracks.empty()) {
            warnings.push_back("The " + name + " file " + url->string() + " holds no " +
                               (type == MediaType::video ? "video" : "sound") + "; " + leftOut +
                               ".");
            return std::nullopt;
        }
        media::AssetTrack track = tracks.front();
        if (!asset.hasDuration())
            track.timeRange = {0, screenDuration};
        return std::make_pair(asset, track);
    } catch (const media::MediaException& e) {
        warnings.push_back("The " + name + " file " + url->string() + " could not be read (" +
                           unreadableReason(*url, e) + "); " + leftOut + ".");
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
            "The screen movie “" + screen.url().filename().string() +
                "” is cut short before its first picture.",
            std::nullopt, nullptr});
    warnings.push_back("The screen movie ends at " + secondsText(*end) + " s of its " +
                       secondsText(duration) +
                       " s (the file is cut short); the edited movie ends there too.");
    return *end;
}

// Places the kept spans of 0...available of the source one after another from time 0 (all of
// it when nothing is cut). Audio fades at every join and at a trimmed start or end; a source that
// simply ends (a shorter camera or microphone file) does not. Returns the first insertion error.
std::optional<media::MediaError> insertKept(media::Composition& composition, TrackID id,
                                            const media::AssetTrack& source, double available,
                                            const KeptTime& kept, double recordingDuration)
{
    if (!kept.hasCuts())
        return composition.insertTimeRange(id, {0, available}, source, 0);
    std::optional<media::MediaError> firstError;
    for (const TimeSpan& span : kept.spans()) {
        double end = std::min(span.end, available);
        if (!(end > span.start))
            break;
        double fadeIn = span.start > 0 ? kCutFadeSeconds : 0;
        double fadeOut = end == span.end && span.end < recordingDuration ? kCutFadeSeconds : 0;
        auto error = composition.insertTimeRange(id, {span.start, end - span.start}, source,
                                                 kept.outputTime(span.start), fadeIn, fadeOut);
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

} // namespace

BuildError::BuildError(Kind kind)
    : media::MediaException(media::MediaError{
          "Tarnix.CameraCompositionBuilder.BuildError", int(kind),
          kind == Kind::everythingCut ? std::string(kEverythingCutMessage)
                                      : std::string("No video track found in the recording."),
          std::nullopt, nullptr})
    , kind_(kind)
{
}

BuildInput BuildInput::fromDocument(const RecordingTimeline& timeline)
{
    return BuildInput{timeline,
                      timeline.zoomRegions,
                      timeline.cameraOverlay,
                      timeline.background,
                      timeline.systemAudio,
                      timeline.microphoneAudio,
                      timeline.cursorOverlay,
                      timeline.redactRegions};
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

Result build(const BuildInput& input, const std::function<bool()>& isCancelled)
{
    auto checkCancelled = [&] {
        if (isCancelled && isCancelled())
            throw BuildCancelled();
    };
    const RecordingTimeline& timeline = input.timeline;
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
    const QSize renderSize = canvasSize(recordingSize, input.background.aspect);
    const KeptTime kept(timeline.cutRegions, duration);
    if (kept.isEmpty())
        throw BuildError(BuildError::Kind::everythingCut);

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
    if (input.cameraOverlay.isEnabled)
        if (auto camera = firstTrackOf(timeline.cameraURL, MediaType::video, duration, "camera",
                                       "the camera bubble is left out", warnings))
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
    if (timeline.hasSystemAudio && input.systemAudio.isEnabled) {
        auto audio = screen.tracks(MediaType::audio);
        if (!audio.empty() &&
            addTrack(*composition, MediaType::audio, nextAudioTrack, audio.front(), duration, kept,
                     duration))
            reduceNoise(nextAudioTrack++, input.systemAudio);
    }
    if (input.microphoneAudio.isEnabled)
        if (auto microphone = firstTrackOf(timeline.microphoneURL, MediaType::audio, duration,
                                           "microphone", "the microphone's sound is left out",
                                           warnings))
            if (addTrack(*composition, MediaType::audio, nextAudioTrack, microphone->second,
                         lengthOf(microphone->first), kept, duration))
                reduceNoise(nextAudioTrack, input.microphoneAudio);
    checkCancelled();

    CanvasLayout canvas = layOutCanvas(renderSize, recordingSize, input.background);
    checkCancelled();

    std::vector<NormalizedClickSample> clicks = normalizedClickSamples(timeline);
    std::vector<NormalizedCursorSample> cursor = normalizedCursorSamples(timeline);
    if (input.cursorOverlay.smoothsMovement)
        cursor = CursorSmoothing::smooth(cursor, clicks, input.cursorOverlay.smoothingStrength);
    auto instruction = std::make_shared<const OverlayInstruction>(
        media::TimeRange{0, kept.duration()}, kScreenTrack, cameraTrackID, input.regions,
        input.cameraOverlay, std::move(canvas.background), std::move(cursor), input.cursorOverlay,
        keptClicks(std::move(clicks), kept), input.redactRegions,
        OverlayEdits{kept, canvas.overlayFrame});

    media::VideoComposition videoComposition;
    videoComposition.renderSize = renderSize;
    videoComposition.frameDurationValue = 1;
    videoComposition.frameDurationTimescale = 30;
    videoComposition.customVideoCompositor = OverlayVideoCompositor::factory();
    videoComposition.instructions = {instruction};
    videoComposition.presetNamesShortSide = input.background.aspect != CanvasAspect::source;
    return Result{composition, videoComposition, instruction, std::move(warnings)};
}

QFuture<Result> buildAsync(BuildInput input)
{
    return QtConcurrent::run([](QPromise<Result>& promise, BuildInput in) {
        try {
            Result result = build(in, [&promise] { return promise.isCanceled(); });
            promise.addResult(std::move(result));
        } catch (const BuildCancelled&) {
            // A cancelled future carries no result and no error.
        } catch (...) {
            promise.setException(std::current_exception());
        }
    }, std::move(input));
}

} // namespace tarnix::CameraCompositionBuilder
