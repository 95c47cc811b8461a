#include "compositing/CameraCompositionBuilder.h"

#include <QPromise>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>

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

// The file's first track of a media type, or nothing when the file cannot be read or has none.
// A file whose duration can't be found still gives its track (a camera or microphone recording
// cut off by a crash): the caller decides how long it runs.
// A file of unknown length takes the screen's (`screenDuration`), on the track too.
std::optional<std::pair<MediaAsset, media::AssetTrack>> firstTrackOf(
    const std::optional<std::filesystem::path>& url, MediaType type, double screenDuration)
{
    if (!url)
        return std::nullopt;
    try {
        MediaAsset asset = MediaAsset::load(*url, media::DurationNeed::optional);
        auto tracks = asset.tracks(type);
        if (tracks.empty())
            return std::nullopt;
        media::AssetTrack track = tracks.front();
        if (!asset.hasDuration())
            track.timeRange = {0, screenDuration};
        return std::make_pair(asset, track);
    } catch (const media::MediaException&) {
        return std::nullopt;
    }
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
    const QSize renderSize = screenTrack.naturalSize;
    const double duration = screen.duration();

    auto composition = std::make_shared<media::Composition>();
    if (!composition->addMutableTrack(MediaType::video, kScreenTrack))
        throw BuildError(BuildError::Kind::noVideoTrack);
    if (auto error = composition->insertTimeRange(kScreenTrack, {0, duration}, screenTrack, 0))
        throw media::MediaException(*error);
    checkCancelled();

    // A camera or microphone file of unknown length runs as long as the screen.
    auto lengthOf = [duration](const MediaAsset& asset) {
        return asset.hasDuration() ? std::min(asset.duration(), duration) : duration;
    };
    std::optional<TrackID> cameraTrackID;
    if (input.cameraOverlay.isEnabled)
        if (auto camera = firstTrackOf(timeline.cameraURL, MediaType::video, duration))
            if (addTrack(*composition, MediaType::video, kCameraTrack, camera->second,
                         lengthOf(camera->first)))
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
        if (auto microphone = firstTrackOf(timeline.microphoneURL, MediaType::audio, duration))
            addTrack(*composition, MediaType::audio, nextAudioTrack, microphone->second,
                     lengthOf(microphone->first));
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
    return Result{composition, videoComposition, instruction};
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
