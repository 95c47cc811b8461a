#include "compositing/CameraCompositionBuilder.h"

#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cstdio>

#include "compositing/BackgroundRenderer.h"
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
// the camera bubble is left out.").
std::optional<std::pair<MediaAsset, media::AssetTrack>> firstTrackOf(
    const std::optional<std::filesystem::path>& url, MediaType type, const std::string& name,
    const std::string& leftOut, std::vector<std::string>& warnings)
{
    if (!url)
        return std::nullopt;
    try {
        MediaAsset asset = MediaAsset::load(*url);
        auto tracks = asset.tracks(type);
        if (tracks.empty()) {
            warnings.push_back("The " + name + " file " + url->string() + " holds no " +
                               (type == MediaType::video ? "video" : "sound") + "; " + leftOut +
                               ".");
            return std::nullopt;
        }
        return std::make_pair(asset, tracks.front());
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

// Adds the track and inserts 0...duration of the source at time 0; an insertion error leaves the
// track empty. Returns whether the track was added.
bool addTrack(media::Composition& composition, MediaType type, TrackID id,
              const media::AssetTrack& source, double duration)
{
    if (!composition.addMutableTrack(type, id))
        return false;
    composition.insertTimeRange(id, {0, duration}, source, 0);
    return true;
}

} // namespace

BuildError::BuildError(Kind kind)
    : media::MediaException(media::MediaError{"Tarnix.CameraCompositionBuilder.BuildError", 0,
                                              "No video track found in the recording.",
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

std::vector<NormalizedCursorSample> normalizedCursorSamples(const RecordingTimeline& timeline)
{
    std::vector<NormalizedCursorSample> samples;
    samples.reserve(timeline.cursorSamples.size());
    for (const auto& sample : timeline.cursorSamples)
        samples.push_back({sample.timestamp, timeline.normalizedPoint(sample.point)});
    std::stable_sort(samples.begin(), samples.end(),
                     [](const auto& a, const auto& b) { return a.time < b.time; });
    return samples;
}

std::vector<NormalizedClickSample> normalizedClickSamples(const RecordingTimeline& timeline)
{
    std::vector<NormalizedClickSample> samples;
    for (const auto& click : timeline.clickEvents)
        if (isButtonDown(click.kind))
            samples.push_back({click.timestamp, timeline.normalizedPoint(click.point)});
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
    if (auto end = screen.truncatedAt())
        warnings.push_back("The screen movie " + timeline.videoURL->string() + " ends early, at " +
                           secondsText(*end) + " s of its " + secondsText(screen.duration()) +
                           " s (the file is cut short); the rest shows its last picture.");
    const QSize renderSize = screenTrack.naturalSize;
    const double duration = screen.duration();

    auto composition = std::make_shared<media::Composition>();
    if (!composition->addMutableTrack(MediaType::video, kScreenTrack))
        throw BuildError(BuildError::Kind::noVideoTrack);
    if (auto error = composition->insertTimeRange(kScreenTrack, {0, duration}, screenTrack, 0))
        throw media::MediaException(*error);
    checkCancelled();

    std::optional<TrackID> cameraTrackID;
    if (input.cameraOverlay.isEnabled)
        if (auto camera = firstTrackOf(timeline.cameraURL, MediaType::video, "camera",
                                       "the camera bubble is left out", warnings))
            if (addTrack(*composition, MediaType::video, kCameraTrack, camera->second,
                         std::min(camera->first.duration(), duration)))
                cameraTrackID = kCameraTrack;
    checkCancelled();

    TrackID nextAudioTrack = kFirstAudioTrack;
    if (timeline.hasSystemAudio && input.systemAudio.isEnabled) {
        auto audio = screen.tracks(MediaType::audio);
        if (!audio.empty() &&
            addTrack(*composition, MediaType::audio, nextAudioTrack, audio.front(), duration))
            ++nextAudioTrack;
    }
    if (input.microphoneAudio.isEnabled)
        if (auto microphone = firstTrackOf(timeline.microphoneURL, MediaType::audio, "microphone",
                                           "the microphone's sound is left out", warnings))
            addTrack(*composition, MediaType::audio, nextAudioTrack, microphone->second,
                     std::min(microphone->first.duration(), duration));
    checkCancelled();

    std::optional<BackgroundFrame> background = BackgroundRenderer::makeFrame(
        Size{double(renderSize.width()), double(renderSize.height())}, input.background);
    checkCancelled();

    auto instruction = std::make_shared<const OverlayInstruction>(
        media::TimeRange{0, duration}, kScreenTrack, cameraTrackID, input.regions,
        input.cameraOverlay, std::move(background), normalizedCursorSamples(timeline),
        input.cursorOverlay, normalizedClickSamples(timeline), input.redactRegions);

    media::VideoComposition videoComposition;
    videoComposition.renderSize = renderSize;
    videoComposition.frameDurationValue = 1;
    videoComposition.frameDurationTimescale = 30;
    videoComposition.customVideoCompositor = OverlayVideoCompositor::factory();
    videoComposition.instructions = {instruction};
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
