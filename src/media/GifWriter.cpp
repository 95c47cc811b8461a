#include "media/GifWriter.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/opt.h>
}

#include <algorithm>
#include <cmath>
#include <string>

namespace tarnix::media {

namespace {

// Area averaging keeps thin text strokes as grey instead of dropping them when halving a frame.
constexpr const char* kScaleFlags = "area";
// Error diffusion over a small kernel, recomputed only where the picture changed (less shimmer
// between frames and smaller files).
constexpr const char* kPaletteUse = "paletteuse=dither=sierra2_4a:diff_mode=rectangle";

[[noreturn]] void fail(const std::string& what, int code)
{
    throw MediaException(ff::makeError("The GIF couldn't be written.", code, what));
}

void check(int code, const std::string& what)
{
    if (code < 0)
        fail(what, code);
}

struct GraphDeleter {
    void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};
using GraphPtr = std::unique_ptr<AVFilterGraph, GraphDeleter>;

AVFilterContext* addSource(AVFilterGraph* graph, const char* name, QSize size, AVPixelFormat format)
{
    std::string args = "video_size=" + std::to_string(size.width()) + "x" +
                       std::to_string(size.height()) + ":pix_fmt=" + std::to_string(int(format)) +
                       ":time_base=1/1000:pixel_aspect=1/1";
    AVFilterContext* source = nullptr;
    check(avfilter_graph_create_filter(&source, avfilter_get_by_name("buffer"), name, args.c_str(),
                                       nullptr, graph),
          "The frame source couldn't be made.");
    return source;
}

AVFilterContext* addSink(AVFilterGraph* graph)
{
    AVFilterContext* sink = nullptr;
    check(avfilter_graph_create_filter(&sink, avfilter_get_by_name("buffersink"), "out", nullptr,
                                       nullptr, graph),
          "The frame sink couldn't be made.");
    return sink;
}

// Wires the named sources and the sink to the textual chain and configures the graph.
void connect(AVFilterGraph* graph, const std::string& chain,
             std::initializer_list<std::pair<const char*, AVFilterContext*>> sources,
             AVFilterContext* sink)
{
    AVFilterInOut* outputs = nullptr;
    for (auto [name, source] : sources) {
        AVFilterInOut* link = avfilter_inout_alloc();
        link->name = av_strdup(name);
        link->filter_ctx = source;
        link->pad_idx = 0;
        link->next = outputs;
        outputs = link;
    }
    AVFilterInOut* inputs = avfilter_inout_alloc();
    inputs->name = av_strdup("out");
    inputs->filter_ctx = sink;
    inputs->pad_idx = 0;
    inputs->next = nullptr;
    int code = avfilter_graph_parse_ptr(graph, chain.c_str(), &inputs, &outputs, nullptr);
    avfilter_inout_free(&inputs);
    avfilter_inout_free(&outputs);
    check(code, "The palette filters couldn't be set up.");
    check(avfilter_graph_config(graph, nullptr), "The palette filters couldn't be configured.");
}

std::string scaleTo(QSize size)
{
    return "scale=" + std::to_string(size.width()) + ":" + std::to_string(size.height()) +
           ":flags=" + kScaleFlags;
}

// Hands a composed picture to a buffer source (copied: the picture stays the caller's) and runs
// it through the filters at once: the palette pass asks for no output until the end, and frames
// left waiting in the source would pile up for the whole movie.
void push(AVFilterContext* source, const QImage& image, std::int64_t pts)
{
    if (image.format() != QImage::Format_ARGB32_Premultiplied &&
        image.format() != QImage::Format_ARGB32 && image.format() != QImage::Format_RGB32)
        fail("A frame is not a 32-bit picture.", AVERROR(EINVAL));
    ff::FramePtr frame = ff::makeFrame();
    frame->format = AV_PIX_FMT_BGRA;
    frame->width = image.width();
    frame->height = image.height();
    frame->data[0] = const_cast<std::uint8_t*>(image.constBits());
    frame->linesize[0] = int(image.bytesPerLine());
    frame->pts = pts;
    check(av_buffersrc_add_frame_flags(source, frame.get(),
                                       AV_BUFFERSRC_FLAG_KEEP_REF | AV_BUFFERSRC_FLAG_PUSH),
          "A frame couldn't be handed to the palette filters.");
}

} // namespace

QSize gifFrameSize(QSize exportFrameSize)
{
    int w = exportFrameSize.width(), h = exportFrameSize.height();
    if (w < 1 || h < 1)
        return QSize();
    double scale = std::min(1.0, double(kMaxGifSide) / std::max(w, h));
    return QSize(std::max(1, int(std::lround(w * scale))), std::max(1, int(std::lround(h * scale))));
}

// ---- pass one

struct GifPaletteBuilder::Graph {
    GraphPtr graph{avfilter_graph_alloc()};
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
};

GifPaletteBuilder::GifPaletteBuilder(QSize inputSize, QSize outputSize)
    : graph_(std::make_unique<Graph>())
{
    if (!graph_->graph)
        fail("Out of memory.", AVERROR(ENOMEM));
    graph_->source = addSource(graph_->graph.get(), "in", inputSize, AV_PIX_FMT_BGRA);
    graph_->sink = addSink(graph_->graph.get());
    connect(graph_->graph.get(),
            "[in]" + scaleTo(outputSize) + ",palettegen=max_colors=256:stats_mode=full[out]",
            {{"in", graph_->source}}, graph_->sink);
}

GifPaletteBuilder::~GifPaletteBuilder() = default;

void GifPaletteBuilder::add(const QImage& frame) { push(graph_->source, frame, next_++); }

ff::FramePtr GifPaletteBuilder::finish()
{
    check(av_buffersrc_add_frame_flags(graph_->source, nullptr, 0),
          "The palette couldn't be computed.");
    ff::FramePtr palette = ff::makeFrame();
    check(av_buffersink_get_frame(graph_->sink, palette.get()), "The palette couldn't be computed.");
    return palette;
}

// ---- pass two

struct GifWriter::Graph {
    GraphPtr graph{avfilter_graph_alloc()};
    AVFilterContext* source = nullptr;
    AVFilterContext* paletteSource = nullptr;
    AVFilterContext* sink = nullptr;
    ff::CodecContextPtr encoder;
    AVFormatContext* format = nullptr;
    AVStream* stream = nullptr;
    ff::FramePtr mapped = ff::makeFrame();
    ff::PacketPtr packet = ff::makePacket();

    ~Graph()
    {
        if (format) {
            if (format->pb)
                avio_closep(&format->pb);
            avformat_free_context(format);
        }
    }
};

GifWriter::GifWriter(const std::filesystem::path& path, QSize inputSize, QSize outputSize,
                     double frameDuration, const AVFrame& palette)
    : graph_(std::make_unique<Graph>())
{
    Graph& g = *graph_;
    if (!g.graph)
        fail("Out of memory.", AVERROR(ENOMEM));
    g.source = addSource(g.graph.get(), "in", inputSize, AV_PIX_FMT_BGRA);
    g.paletteSource = addSource(g.graph.get(), "palette", QSize(palette.width, palette.height),
                                AVPixelFormat(palette.format));
    g.sink = addSink(g.graph.get());
    connect(g.graph.get(),
            "[in]" + scaleTo(outputSize) + "[scaled];[scaled][palette]" + kPaletteUse + "[out]",
            {{"in", g.source}, {"palette", g.paletteSource}}, g.sink);
    // The palette is the second input's only frame; paletteuse keeps using it.
    ff::FramePtr copy = ff::makeFrame();
    check(av_frame_ref(copy.get(), &palette), "The palette couldn't be used.");
    copy->pts = 0;
    check(av_buffersrc_add_frame(g.paletteSource, copy.get()), "The palette couldn't be used.");
    check(av_buffersrc_add_frame(g.paletteSource, nullptr), "The palette couldn't be used.");

    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_GIF);
    if (!codec)
        fail("This system's FFmpeg has no GIF encoder.", AVERROR_ENCODER_NOT_FOUND);
    g.encoder.reset(avcodec_alloc_context3(codec));
    g.encoder->width = outputSize.width();
    g.encoder->height = outputSize.height();
    g.encoder->pix_fmt = AV_PIX_FMT_PAL8;
    // Frame times in milliseconds: the muxer turns their differences into the GIF's delays.
    g.encoder->time_base = AVRational{1, 1000};
    check(avcodec_open2(g.encoder.get(), codec, nullptr), "The GIF encoder couldn't be opened.");

    check(avformat_alloc_output_context2(&g.format, nullptr, "gif", path.c_str()),
          "The GIF file couldn't be set up.");
    g.stream = avformat_new_stream(g.format, nullptr);
    if (!g.stream)
        fail("Out of memory.", AVERROR(ENOMEM));
    check(avcodec_parameters_from_context(g.stream->codecpar, g.encoder.get()),
          "The GIF file couldn't be set up.");
    g.stream->time_base = g.encoder->time_base;
    check(avio_open(&g.format->pb, path.c_str(), AVIO_FLAG_WRITE),
          "The file " + path.string() + " couldn't be created.");
    AVDictionary* options = nullptr;
    av_dict_set(&options, "loop", "0", 0); // play forever
    int code = avformat_write_header(g.format, &options);
    av_dict_free(&options);
    check(code, "The GIF file couldn't be started.");
    frameDuration_ = frameDuration;
}

GifWriter::~GifWriter() = default;

void GifWriter::write(const QImage& frame)
{
    push(graph_->source, frame, std::llround(double(next_++) * frameDuration_ * 1000));
    drain(false);
}

void GifWriter::drain(bool flushing)
{
    Graph& g = *graph_;
    for (;;) {
        int code = av_buffersink_get_frame(g.sink, g.mapped.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            break;
        check(code, "A frame couldn't be mapped onto the palette.");
        code = avcodec_send_frame(g.encoder.get(), g.mapped.get());
        av_frame_unref(g.mapped.get());
        check(code, "A frame couldn't be encoded.");
        writePackets();
    }
    if (flushing) {
        check(avcodec_send_frame(g.encoder.get(), nullptr), "The last frames couldn't be encoded.");
        writePackets();
    }
}

void GifWriter::writePackets()
{
    Graph& g = *graph_;
    for (;;) {
        int code = avcodec_receive_packet(g.encoder.get(), g.packet.get());
        if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
            return;
        check(code, "A frame couldn't be encoded.");
        g.packet->stream_index = g.stream->index;
        g.packet->duration = std::llround(frameDuration_ * 1000); // the last frame's delay
        av_packet_rescale_ts(g.packet.get(), g.encoder->time_base, g.stream->time_base);
        code = av_interleaved_write_frame(g.format, g.packet.get());
        check(code, "The GIF couldn't be written to disk.");
    }
}

void GifWriter::finish()
{
    if (finished_)
        return;
    finished_ = true;
    check(av_buffersrc_add_frame_flags(graph_->source, nullptr, 0),
          "The last frames couldn't be mapped.");
    drain(true);
    check(av_write_trailer(graph_->format), "The GIF couldn't be finished.");
    check(avio_closep(&graph_->format->pb), "The GIF couldn't be closed.");
}

} // namespace tarnix::media
