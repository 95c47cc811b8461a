#include "media/ExportPreset.h"

#include <cmath>
#include <map>
#include <mutex>

#include "media/ExportSettings.h"
#include "media/FFmpegSupport.h"

namespace tarnix::media {

std::string_view presetName(ExportPreset preset)
{
    switch (preset) {
    case ExportPreset::highestQuality:
        return "HighestQuality";
    case ExportPreset::preset3840x2160:
        return "3840x2160";
    case ExportPreset::preset1920x1080:
        return "1920x1080";
    case ExportPreset::preset1280x720:
        return "1280x720";
    }
    return "HighestQuality";
}

std::optional<QSize> nominalFrameSize(ExportPreset preset)
{
    switch (preset) {
    case ExportPreset::highestQuality:
        return std::nullopt;
    case ExportPreset::preset3840x2160:
        return QSize(3840, 2160);
    case ExportPreset::preset1920x1080:
        return QSize(1920, 1080);
    case ExportPreset::preset1280x720:
        return QSize(1280, 720);
    }
    return std::nullopt;
}

static int evenAtLeastTwo(double value)
{
    int whole = int(std::floor(value + 1e-9));
    return std::max(2, whole & ~1);
}

QSize exportFrameSize(ExportPreset preset, QSize renderSize)
{
    if (renderSize.width() < 1 || renderSize.height() < 1)
        return QSize();
    std::optional<QSize> nominal = nominalFrameSize(preset);
    if (!nominal)
        return QSize(evenAtLeastTwo(renderSize.width()), evenAtLeastTwo(renderSize.height()));
    double scale = std::min(double(nominal->width()) / renderSize.width(),
                            double(nominal->height()) / renderSize.height());
    return QSize(evenAtLeastTwo(renderSize.width() * scale),
                 evenAtLeastTwo(renderSize.height() * scale));
}

QSize exportFrameSize(ExportPreset preset, const VideoComposition& videoComposition)
{
    QSize render = videoComposition.renderSize;
    std::optional<QSize> nominal = nominalFrameSize(preset);
    if (!videoComposition.presetNamesShortSide || !nominal || render.width() < 1 ||
        render.height() < 1)
        return exportFrameSize(preset, render);
    double scale = double(std::min(nominal->width(), nominal->height())) /
                   std::min(render.width(), render.height());
    return QSize(evenAtLeastTwo(render.width() * scale), evenAtLeastTwo(render.height() * scale));
}

static bool tryOpenEncoder(QSize size)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(kExportVideoEncoder);
    if (!codec)
        return false;
    ff::CodecContextPtr context(avcodec_alloc_context3(codec));
    context->width = size.width();
    context->height = size.height();
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->time_base = AVRational{1, 30};
    context->framerate = AVRational{30, 1};
    context->thread_count = 1;
    AVDictionary* options = nullptr;
    av_dict_set(&options, "preset", "ultrafast", 0);
    int status = avcodec_open2(context.get(), codec, &options);
    av_dict_free(&options);
    return status >= 0;
}

bool encoderAcceptsFrameSize(QSize size)
{
    if (size.width() < 2 || size.height() < 2 || size.width() > kMaxExportDimension ||
        size.height() > kMaxExportDimension)
        return false;
    // Opening x264 costs tens of milliseconds; the answer for a size never changes.
    static std::mutex mutex;
    static std::map<std::pair<int, int>, bool> answers;
    std::lock_guard lock(mutex);
    auto key = std::make_pair(size.width(), size.height());
    auto found = answers.find(key);
    if (found != answers.end())
        return found->second;
    bool accepted = tryOpenEncoder(size);
    answers[key] = accepted;
    return accepted;
}

bool determineCompatibility(ExportPreset preset, const Composition& composition,
                            const VideoComposition& videoComposition)
{
    if (composition.tracks(MediaType::video).empty() || !videoComposition.customVideoCompositor)
        return false;
    return encoderAcceptsFrameSize(exportFrameSize(preset, videoComposition));
}

} // namespace tarnix::media
