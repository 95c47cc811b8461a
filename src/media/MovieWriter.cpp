#include "media/MovieWriter.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/error.h>
#include <libavutil/hwcontext.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "media/FFmpegSupport.h"

namespace tarnix::media {

namespace {

constexpr int kVideoTimeBase = 90000; // ticks per second of the video stream
constexpr double kAudioGapTolerance = 0.010; // seconds of drift accepted before correcting (under a frame)

[[noreturn]] void fail(const std::string& description, int code = 0)
{
    MediaError error;
    error.domain = code != 0 ? "FFmpeg" : "Tarnix.MovieWriter";
    error.code = code;
    error.description = description;
    if (code != 0)
        error.failureReason = ff::errorText(code);
    throw MediaException(std::move(error));
}

void check(int code, const std::string& what)
{
    if (code < 0)
        fail(what, code);
}

using CodecPtr = ff::CodecContextPtr;
using ff::FramePtr;
using ff::PacketPtr;

bool hasPreset(const std::string& name)
{
    return name == "libx264" || name == "libx265";
}

bool takesFormat(const AVCodec& codec, AVPixelFormat format)
{
    for (const AVPixelFormat* f = codec.pix_fmts; f && *f != AV_PIX_FMT_NONE; ++f)
        if (*f == format)
            return true;
    return false;
}

} // namespace

std::optional<std::string> renderNode()
{
    // DRM render nodes are numbered from 128.
    for (int minor = 128; minor < 192; ++minor) {
        const std::string path = "/dev/dri/renderD" + std::to_string(minor);
        if (access(path.c_str(), R_OK | W_OK) == 0)
            return path;
    }
    return std::nullopt;
}

std::vector<std::string> hevcEncoderPreference(bool hasRenderNode)
{
    std::vector<std::string> names;
    if (hasRenderNode)
        names.push_back("hevc_vaapi");
    names.insert(names.end(), {"hevc_nvenc", "libx265", "libx264"});
    return names;
}

std::vector<std::string> hevcEncoderPreference()
{
    return hevcEncoderPreference(renderNode().has_value());
}

std::vector<std::string> realTimeEncoderPreference(bool hasRenderNode)
{
    std::vector<std::string> names;
    if (hasRenderNode)
        names.push_back("hevc_vaapi");
    names.insert(names.end(), {"hevc_nvenc", "libx264"});
    return names;
}

std::vector<std::string> realTimeEncoderPreference()
{
    return realTimeEncoderPreference(renderNode().has_value());
}

struct MovieWriter::State {
    MovieWriterSettings settings;
    AVFormatContext* format = nullptr;
    bool headerWritten = false;
    bool finished = false;
    // A fragmented file ends on a whole box only between fragments: this is its length at the last
    // such point, where a failed write cuts it back to (a full disk stops a write mid-box, and a
    // half-written fragment header makes the whole file unreadable).
    std::int64_t wholeLength = 0;
    bool writeFailed = false;
    PacketPtr packet{av_packet_alloc()};

    // Video
    CodecPtr video;
    AVStream* videoStream = nullptr;
    AVPixelFormat inputFormat = AV_PIX_FMT_YUV420P; // what reaches the encoder without rearranging
    FramePtr videoFrame; // in inputFormat: converted BGRA pictures, rearranged 4:2:0 frames
    SwsContext* scaler = nullptr;
    int scalerInW = 0, scalerInH = 0;
    AVPixelFormat scalerInFormat = AV_PIX_FMT_NONE;
    std::int64_t lastVideoPts = AV_NOPTS_VALUE;
    std::int64_t videoFrames = 0;
    std::string videoEncoder;
    // VAAPI: frames are uploaded to the graphics card's surfaces (NV12) before encoding.
    AVBufferRef* hwDevice = nullptr;
    AVBufferRef* hwFrames = nullptr;

    // Audio
    CodecPtr audio;
    AVStream* audioStream = nullptr;
    FramePtr audioFrame;
    std::vector<float> pending; // interleaved samples not yet encoded
    std::int64_t audioNextSample = 0; // stream position (in samples) of the end of what was taken
    bool audioStarted = false;
    std::int64_t audioEncodedSamples = 0; // pts of the next encoder frame
    std::int64_t audioFrames = 0;

    ~State()
    {
        sws_freeContext(scaler);
        av_buffer_unref(&hwFrames);
        av_buffer_unref(&hwDevice);
        if (format) {
            if (headerWritten && !finished && !writeFailed && av_write_trailer(format) < 0)
                cutToWholeFragments();
            if (!(format->oformat->flags & AVFMT_NOFILE) && avio_closep(&format->pb) < 0)
                cutToWholeFragments();
            avformat_free_context(format);
        }
    }

    void openContainer();
    void openVideo();
    bool tryVideoEncoder(const std::string& name, int width, int height);
    void openAudio();
    void writeHeader();
    bool writesFragmentedFile() const;
    void noteWholeFragments();
    void cutToWholeFragments();
    void checkWrite(int code, const std::string& what);
    void encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame);
    void encodeVideo(AVFrame& frame);
    AVFrame& inEncoderLayout(AVFrame& frame);
    void convertInto(const std::uint8_t* const planes[], const int strides[], AVPixelFormat format, int width,
                     int height);
    bool openHardwareFrames(AVCodecContext& context);
    void encodePendingAudio(bool flush);
    void appendAudio(const float* interleaved, std::int64_t frameCount);
};

void MovieWriter::State::openContainer()
{
    const std::string path = settings.outputPath.string();
    int code = avformat_alloc_output_context2(&format, nullptr, nullptr, path.c_str());
    if (code < 0 || !format)
        fail("The movie file type of " + path + " is not supported.", code < 0 ? code : 0);
}

bool MovieWriter::State::tryVideoEncoder(const std::string& name, int width, int height)
{
    const AVCodec* codec = avcodec_find_encoder_by_name(name.c_str());
    if (!codec)
        return false;
    const auto& s = *settings.video;
    CodecPtr context(avcodec_alloc_context3(codec));
    context->width = width;
    context->height = height;
    context->pix_fmt = takesFormat(*codec, s.inputFormat) ? s.inputFormat : AV_PIX_FMT_YUV420P;
    if (name.ends_with("_vaapi") && !openHardwareFrames(*context))
        return false;
    context->time_base = AVRational{1, kVideoTimeBase};
    context->framerate = av_d2q(s.frameRate, 1000);
    context->gop_size = std::max(1, static_cast<int>(std::lround(s.frameRate * s.keyFrameIntervalSeconds)));
    context->max_b_frames = 0; // low latency: every fragment ends on what was captured
    context->thread_count = s.threads;
    context->color_range = AVCOL_RANGE_MPEG;
    context->colorspace = AVCOL_SPC_BT709;
    context->color_primaries = AVCOL_PRI_BT709;
    context->color_trc = AVCOL_TRC_BT709;
    if (s.bitRate > 0)
        context->bit_rate = s.bitRate;
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    if (hasPreset(name) && !s.preset.empty())
        av_dict_set(&options, "preset", s.preset.c_str(), 0);
    if (s.quality > 0 && s.bitRate == 0) {
        if (hasPreset(name))
            av_dict_set_int(&options, "crf", s.quality, 0);
        else if (name.ends_with("_nvenc"))
            av_dict_set_int(&options, "cq", s.quality, 0);
        else if (name.ends_with("_vaapi"))
            av_dict_set_int(&options, "qp", s.quality, 0);
    }
    if (name == "libx265")
        av_dict_set(&options, "x265-params", "log-level=error", 0);
    int code = avcodec_open2(context.get(), codec, &options);
    av_dict_free(&options);
    if (code < 0) {
        av_buffer_unref(&hwFrames);
        av_buffer_unref(&hwDevice);
        return false;
    }
    inputFormat = hwFrames ? AV_PIX_FMT_NV12 : context->pix_fmt;
    video = std::move(context);
    videoEncoder = name;
    return true;
}

// A VAAPI device on the first render node and a pool of NV12 surfaces of the encoder's size; false
// (nothing kept) when there is no render node or the driver refuses.
bool MovieWriter::State::openHardwareFrames(AVCodecContext& context)
{
    const auto node = renderNode();
    if (!node || av_hwdevice_ctx_create(&hwDevice, AV_HWDEVICE_TYPE_VAAPI, node->c_str(), nullptr, 0) < 0)
        return false;
    hwFrames = av_hwframe_ctx_alloc(hwDevice);
    if (!hwFrames) {
        av_buffer_unref(&hwDevice);
        return false;
    }
    auto* frames = reinterpret_cast<AVHWFramesContext*>(hwFrames->data);
    frames->format = AV_PIX_FMT_VAAPI;
    frames->sw_format = AV_PIX_FMT_NV12;
    frames->width = context.width;
    frames->height = context.height;
    frames->initial_pool_size = 16;
    if (av_hwframe_ctx_init(hwFrames) < 0 || !(context.hw_frames_ctx = av_buffer_ref(hwFrames))) {
        av_buffer_unref(&hwFrames);
        av_buffer_unref(&hwDevice);
        return false;
    }
    context.pix_fmt = AV_PIX_FMT_VAAPI;
    return true;
}

// Encodes one frame in inputFormat; for VAAPI by uploading it to a surface.
void MovieWriter::State::encodeVideo(AVFrame& frame)
{
    if (!hwFrames) {
        encode(video.get(), videoStream, &frame);
        return;
    }
    FramePtr surface(av_frame_alloc());
    check(av_hwframe_get_buffer(hwFrames, surface.get(), 0),
          "Couldn't get a video surface from the graphics card.");
    check(av_hwframe_transfer_data(surface.get(), &frame, 0),
          "Couldn't hand a video frame to the graphics card.");
    surface->pts = frame.pts;
    encode(video.get(), videoStream, surface.get());
}

// Pixels of `format` (BGRA of any size, or a 4:2:0 frame of the encoder's size) into videoFrame,
// scaled to the encoder's size and laid out as it takes them.
void MovieWriter::State::convertInto(const std::uint8_t* const planes[], const int strides[], AVPixelFormat format,
                                     int width, int height)
{
    if (!scaler || scalerInW != width || scalerInH != height || scalerInFormat != format) {
        sws_freeContext(scaler);
        scaler = sws_getContext(width, height, format, video->width, video->height, inputFormat, SWS_BILINEAR,
                                nullptr, nullptr, nullptr);
        if (!scaler)
            fail("Couldn't convert the video frames.");
        // BT.709 limited range, as the stream is tagged (swscale's default would be BT.601).
        sws_setColorspaceDetails(scaler, sws_getCoefficients(SWS_CS_ITU709), 1,
                                 sws_getCoefficients(SWS_CS_ITU709), 0, 0, 1 << 16, 1 << 16);
        scalerInW = width;
        scalerInH = height;
        scalerInFormat = format;
    }
    check(av_frame_make_writable(videoFrame.get()), "Out of memory for video frames.");
    sws_scale(scaler, planes, strides, 0, height, videoFrame->data, videoFrame->linesize);
}

// `frame` itself when the encoder takes its layout, else a rearranged copy.
AVFrame& MovieWriter::State::inEncoderLayout(AVFrame& frame)
{
    if (frame.format == inputFormat)
        return frame;
    convertInto(frame.data, frame.linesize, AVPixelFormat(frame.format), frame.width, frame.height);
    check(av_frame_copy_props(videoFrame.get(), &frame), "Out of memory for video frames.");
    return *videoFrame;
}

void MovieWriter::State::openVideo()
{
    const auto& s = *settings.video;
    if (s.width < 1 || s.height < 1 || s.width > 16384 || s.height > 16384)
        fail("The movie size " + std::to_string(s.width) + " × " + std::to_string(s.height) +
             " is not usable.");
    const int width = std::max(2, s.width & ~1);
    const int height = std::max(2, s.height & ~1);
    for (const auto& name : s.encoders)
        if (tryVideoEncoder(name, width, height))
            break;
    if (!video)
        fail("No video encoder could be opened for a " + std::to_string(width) + " × " +
             std::to_string(height) + " movie.");
    videoStream = avformat_new_stream(format, nullptr);
    if (!videoStream)
        fail("Couldn't add a video track to the movie.");
    videoStream->time_base = video->time_base;
    videoStream->avg_frame_rate = video->framerate;
    check(avcodec_parameters_from_context(videoStream->codecpar, video.get()),
          "Couldn't set up the video track.");
    videoFrame.reset(av_frame_alloc());
    videoFrame->format = inputFormat;
    videoFrame->width = width;
    videoFrame->height = height;
    check(av_frame_get_buffer(videoFrame.get(), 0), "Out of memory for video frames.");
}

void MovieWriter::State::openAudio()
{
    const auto& s = *settings.audio;
    if (s.channels < 1 || s.channels > 2 || s.sampleRate < 8000 || s.sampleRate > 192000)
        fail("The audio format (" + std::to_string(s.sampleRate) + " Hz, " +
             std::to_string(s.channels) + " channels) is not usable.");
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!codec)
        fail("No AAC encoder is available.");
    audio.reset(avcodec_alloc_context3(codec));
    audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
    audio->sample_rate = s.sampleRate;
    av_channel_layout_default(&audio->ch_layout, s.channels);
    audio->bit_rate = s.bitRate;
    audio->time_base = AVRational{1, s.sampleRate};
    if (format->oformat->flags & AVFMT_GLOBALHEADER)
        audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    check(avcodec_open2(audio.get(), codec, nullptr), "Couldn't open the AAC audio encoder.");
    audioStream = avformat_new_stream(format, nullptr);
    if (!audioStream)
        fail("Couldn't add an audio track to the movie.");
    audioStream->time_base = audio->time_base;
    check(avcodec_parameters_from_context(audioStream->codecpar, audio.get()),
          "Couldn't set up the audio track.");
    audioFrame.reset(av_frame_alloc());
    audioFrame->format = audio->sample_fmt;
    audioFrame->sample_rate = audio->sample_rate;
    av_channel_layout_copy(&audioFrame->ch_layout, &audio->ch_layout);
    audioFrame->nb_samples = audio->frame_size > 0 ? audio->frame_size : 1024;
    check(av_frame_get_buffer(audioFrame.get(), 0), "Out of memory for audio frames.");
}

void MovieWriter::State::writeHeader()
{
    const std::string path = settings.outputPath.string();
    if (!(format->oformat->flags & AVFMT_NOFILE)) {
        int code = avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE);
        if (code < 0)
            fail("Couldn't create the file " + path + ".", code);
    }
    AVDictionary* options = nullptr;
    switch (settings.layout) {
    case MovieLayout::fragmented:
        av_dict_set(&options, "movflags", "frag_keyframe+empty_moov+default_base_moof", 0);
        // Each finished fragment goes to the file at once, not when the I/O buffer fills.
        format->flags |= AVFMT_FLAG_FLUSH_PACKETS;
        // Audio-only files have no key frames to cut at: fragment by time as well.
        av_dict_set_int(&options, "frag_duration", 1000000, 0);
        break;
    case MovieLayout::faststart:
        av_dict_set(&options, "movflags", "faststart", 0);
        break;
    case MovieLayout::plain:
        break;
    }
    int code = avformat_write_header(format, &options);
    av_dict_free(&options);
    check(code, "Couldn't write the start of the file " + path + ".");
    headerWritten = true;
    noteWholeFragments();
}

bool MovieWriter::State::writesFragmentedFile() const
{
    return settings.layout == MovieLayout::fragmented && format && format->pb &&
           !(format->oformat->flags & AVFMT_NOFILE);
}

// Called when the muxer is between fragments (after the header, after each packet: it buffers a
// fragment's samples and writes the fragment whole): what is in the file now can be read.
void MovieWriter::State::noteWholeFragments()
{
    if (!writesFragmentedFile())
        return;
    avio_flush(format->pb);
    if (format->pb->error == 0)
        wholeLength = avio_tell(format->pb);
}

// After a failed write the file may end in part of a fragment; what came before stays on disk
// untouched. Nothing is written after this: the muxer's I/O error is sticky and no trailer follows.
void MovieWriter::State::cutToWholeFragments()
{
    writeFailed = true;
    if (!headerWritten || settings.layout != MovieLayout::fragmented ||
        (format->oformat->flags & AVFMT_NOFILE))
        return;
    std::error_code ignored; // shrinking needs no space; a file already gone has nothing to cut
    if (std::filesystem::file_size(settings.outputPath, ignored) > static_cast<std::uintmax_t>(wholeLength))
        std::filesystem::resize_file(settings.outputPath, static_cast<std::uintmax_t>(wholeLength), ignored);
}

void MovieWriter::State::checkWrite(int code, const std::string& what)
{
    if (code < 0) {
        cutToWholeFragments();
        fail(what, code);
    }
    noteWholeFragments();
}

void MovieWriter::State::encode(AVCodecContext* codec, AVStream* stream, AVFrame* frame)
{
    check(avcodec_send_frame(codec, frame), "The encoder refused a frame.");
    for (;;) {
        int code = avcodec_receive_packet(codec, packet.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return;
        check(code, "The encoder failed.");
        av_packet_rescale_ts(packet.get(), codec->time_base, stream->time_base);
        packet->stream_index = stream->index;
        // A fragmented file is written as it comes: the muxer interleaves within each fragment,
        // and waiting for a silent audio track would hold video back from the disk.
        code = settings.layout == MovieLayout::fragmented ? av_write_frame(format, packet.get())
                                                          : av_interleaved_write_frame(format, packet.get());
        checkWrite(code, "Couldn't write to the file " + settings.outputPath.string() + ".");
    }
}

void MovieWriter::State::appendAudio(const float* interleaved, std::int64_t frameCount)
{
    const int channels = audio->ch_layout.nb_channels;
    if (interleaved)
        pending.insert(pending.end(), interleaved, interleaved + frameCount * channels);
    else
        pending.insert(pending.end(), static_cast<std::size_t>(frameCount * channels), 0.0f);
    audioNextSample += frameCount;
    audioFrames += frameCount;
}

void MovieWriter::State::encodePendingAudio(bool flush)
{
    const int channels = audio->ch_layout.nb_channels;
    const int frameSize = audioFrame->nb_samples;
    std::size_t offset = 0;
    while (pending.size() - offset >= static_cast<std::size_t>(frameSize * channels) ||
           (flush && pending.size() > offset)) {
        check(av_frame_make_writable(audioFrame.get()), "Out of memory for audio frames.");
        const int available = static_cast<int>((pending.size() - offset) / channels);
        const int count = std::min(frameSize, available);
        for (int c = 0; c < channels; ++c) {
            auto* plane = reinterpret_cast<float*>(audioFrame->data[c]);
            for (int i = 0; i < count; ++i)
                plane[i] = pending[offset + static_cast<std::size_t>(i * channels + c)];
            std::fill(plane + count, plane + frameSize, 0.0f);
        }
        audioFrame->pts = audioEncodedSamples;
        audioEncodedSamples += frameSize;
        offset += static_cast<std::size_t>(count * channels);
        encode(audio.get(), audioStream, audioFrame.get());
    }
    pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(offset));
}

MovieWriter::MovieWriter(MovieWriterSettings settings)
    : state_(std::make_unique<State>())
{
    state_->settings = std::move(settings);
    if (!state_->settings.video && !state_->settings.audio)
        fail("A movie needs a video or an audio track.");
    state_->openContainer();
    if (state_->settings.video)
        state_->openVideo();
    if (state_->settings.audio)
        state_->openAudio();
    state_->writeHeader();
}

MovieWriter::~MovieWriter() = default;

const MovieWriterSettings& MovieWriter::settings() const
{
    return state_->settings;
}

QSize MovieWriter::videoSize() const
{
    return state_->video ? QSize(state_->video->width, state_->video->height) : QSize();
}

std::string MovieWriter::videoEncoderName() const
{
    return state_->videoEncoder;
}

AVPixelFormat MovieWriter::videoInputFormat() const
{
    return state_->video ? state_->inputFormat : AV_PIX_FMT_NONE;
}

bool MovieWriter::hasAudio() const
{
    return state_->audio != nullptr;
}

bool MovieWriter::writeVideo(const QImage& image, double pts)
{
    if (image.isNull())
        fail("An empty picture can't be written to a movie.");
    if (image.format() != QImage::Format_ARGB32_Premultiplied &&
        image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_RGB32) {
        QImage converted = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        return writeVideo(converted.constBits(), converted.width(), converted.height(),
                          static_cast<int>(converted.bytesPerLine()), pts);
    }
    return writeVideo(image.constBits(), image.width(), image.height(),
                      static_cast<int>(image.bytesPerLine()), pts);
}

bool MovieWriter::writeVideo(const std::uint8_t* bgra, int width, int height, int bytesPerLine,
                             double pts)
{
    State& s = *state_;
    if (s.finished)
        fail("The movie is already finished.");
    if (!s.video)
        fail("This file has no video track.");
    if (!bgra || width < 1 || height < 1 || bytesPerLine < width * 4)
        fail("A video frame has no usable pixels.");
    const std::int64_t ticks = std::llround(pts * kVideoTimeBase);
    if (s.lastVideoPts != AV_NOPTS_VALUE && ticks <= s.lastVideoPts)
        return false;
    const std::uint8_t* planes[4] = {bgra, nullptr, nullptr, nullptr};
    const int strides[4] = {bytesPerLine, 0, 0, 0};
    s.convertInto(planes, strides, AV_PIX_FMT_BGRA, width, height);
    s.videoFrame->pts = ticks;
    s.encodeVideo(*s.videoFrame);
    s.lastVideoPts = ticks;
    ++s.videoFrames;
    return true;
}

bool MovieWriter::writeVideoYUV420(AVFrame& frame, double pts)
{
    State& s = *state_;
    if (s.finished)
        fail("The movie is already finished.");
    if (!s.video)
        fail("This file has no video track.");
    if ((frame.format != AV_PIX_FMT_YUV420P && frame.format != AV_PIX_FMT_NV12) ||
        frame.width != s.video->width || frame.height != s.video->height || !frame.buf[0])
        fail("A video frame has no usable pixels.");
    const std::int64_t ticks = std::llround(pts * kVideoTimeBase);
    if (s.lastVideoPts != AV_NOPTS_VALUE && ticks <= s.lastVideoPts)
        return false;
    frame.pts = ticks;
    s.encodeVideo(s.inEncoderLayout(frame));
    s.lastVideoPts = ticks;
    ++s.videoFrames;
    return true;
}

void MovieWriter::writeAudio(const float* interleaved, int frameCount, double pts)
{
    State& s = *state_;
    if (s.finished)
        fail("The movie is already finished.");
    if (!s.audio)
        fail("This file has no audio track.");
    if (frameCount <= 0)
        return;
    const int channels = s.audio->ch_layout.nb_channels;
    const double rate = s.audio->sample_rate;
    std::int64_t start = std::llround(pts * rate);
    if (!s.audioStarted) {
        // The stream starts at 0: leading silence up to the first block, or the part of the
        // block before 0 cut off.
        s.audioStarted = true;
        if (start > 0)
            s.appendAudio(nullptr, start);
    } else if (std::abs(start - s.audioNextSample) < std::llround(kAudioGapTolerance * rate)) {
        start = s.audioNextSample; // within tolerance: keep the stream continuous
    } else if (start > s.audioNextSample) {
        s.appendAudio(nullptr, start - s.audioNextSample);
    }
    std::int64_t skip = std::max<std::int64_t>(0, s.audioNextSample - start);
    if (skip < frameCount)
        s.appendAudio(interleaved + skip * channels, frameCount - skip);
    s.encodePendingAudio(false);
}

void MovieWriter::padAudio(double endPts)
{
    State& s = *state_;
    if (s.finished)
        fail("The movie is already finished.");
    if (!s.audio)
        fail("This file has no audio track.");
    const std::int64_t end = std::llround(endPts * s.audio->sample_rate);
    s.audioStarted = true;
    if (end > s.audioNextSample) {
        s.appendAudio(nullptr, end - s.audioNextSample);
        s.encodePendingAudio(false);
    }
}

void MovieWriter::finish()
{
    State& s = *state_;
    if (s.finished)
        return;
    s.finished = true;
    if (s.video)
        s.encode(s.video.get(), s.videoStream, nullptr);
    if (s.audio) {
        s.encodePendingAudio(true);
        s.encode(s.audio.get(), s.audioStream, nullptr);
    }
    // The last fragment goes out on its own, so that a trailer the disk has no room for can't
    // take it along when the file is cut back.
    const std::string path = s.settings.outputPath.string();
    if (s.writesFragmentedFile())
        s.checkWrite(av_write_frame(s.format, nullptr), "Couldn't write to the file " + path + ".");
    s.checkWrite(av_write_trailer(s.format), "Couldn't finish the file " + path + ".");
    if (!(s.format->oformat->flags & AVFMT_NOFILE))
        s.checkWrite(avio_closep(&s.format->pb), "Couldn't close the file " + path + ".");
}

bool MovieWriter::isFinished() const
{
    return state_->finished;
}

std::int64_t MovieWriter::videoFramesWritten() const
{
    return state_->videoFrames;
}

std::int64_t MovieWriter::audioFramesWritten() const
{
    return state_->audioFrames;
}

} // namespace tarnix::media
