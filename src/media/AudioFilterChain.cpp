#include "media/AudioFilterChain.h"

extern "C" {
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cmath>
#include <cstring>

#include "media/FFmpegSupport.h"

namespace tarnix::media {

namespace {

// Input is handed over in blocks of this many sample frames.
constexpr std::int64_t kFeedBlock = 4096;

[[noreturn]] void fail(const std::string& what, int code)
{
    throw MediaException(ff::makeError("The sound couldn't be processed.", code, what));
}

void check(int code, const std::string& what)
{
    if (code < 0)
        fail(what, code);
}

std::string layoutName(int channels)
{
    AVChannelLayout layout;
    av_channel_layout_default(&layout, channels);
    char name[64] = {};
    av_channel_layout_describe(&layout, name, sizeof name);
    av_channel_layout_uninit(&layout);
    return name;
}

struct GraphDeleter {
    void operator()(AVFilterGraph* graph) const { avfilter_graph_free(&graph); }
};

} // namespace

struct AudioFilterChain::Graph {
    std::unique_ptr<AVFilterGraph, GraphDeleter> graph{avfilter_graph_alloc()};
    AVFilterContext* source = nullptr;
    AVFilterContext* sink = nullptr;
    int rate = 0;
    int channels = 0;
    std::int64_t pts = 0;

    Graph(const std::string& description, int sampleRate, int channelCount)
        : rate(sampleRate)
        , channels(channelCount)
    {
        if (!graph)
            fail("No filter graph could be made.", AVERROR(ENOMEM));
        std::string layout = layoutName(channels);
        std::string args = "sample_rate=" + std::to_string(rate) +
                           ":sample_fmt=flt:channel_layout=" + layout +
                           ":time_base=1/" + std::to_string(rate);
        check(avfilter_graph_create_filter(&source, avfilter_get_by_name("abuffer"), "in",
                                           args.c_str(), nullptr, graph.get()),
              "The sound source couldn't be made.");
        check(avfilter_graph_create_filter(&sink, avfilter_get_by_name("abuffersink"), "out",
                                           nullptr, nullptr, graph.get()),
              "The sound sink couldn't be made.");
        // Whatever the filters work in, the chain ends in the format it started with.
        std::string chain = description + ",aformat=sample_fmts=flt:sample_rates=" +
                            std::to_string(rate) + ":channel_layouts=" + layout;
        AVFilterInOut* outputs = avfilter_inout_alloc();
        AVFilterInOut* inputs = avfilter_inout_alloc();
        if (!outputs || !inputs) {
            avfilter_inout_free(&outputs);
            avfilter_inout_free(&inputs);
            fail("No filter graph could be made.", AVERROR(ENOMEM));
        }
        outputs->name = av_strdup("in");
        outputs->filter_ctx = source;
        inputs->name = av_strdup("out");
        inputs->filter_ctx = sink;
        int code = avfilter_graph_parse_ptr(graph.get(), chain.c_str(), &inputs, &outputs, nullptr);
        avfilter_inout_free(&inputs);
        avfilter_inout_free(&outputs);
        check(code, "The sound filters \"" + description + "\" couldn't be set up.");
        check(avfilter_graph_config(graph.get(), nullptr),
              "The sound filters couldn't be configured.");
    }

    // Hands frames over (copied) and runs the filters on them; null ends the input.
    void push(const float* samples, std::int64_t frames)
    {
        if (!samples) {
            check(av_buffersrc_add_frame_flags(source, nullptr, 0), "The sound couldn't be ended.");
            return;
        }
        ff::FramePtr frame = ff::makeFrame();
        if (!frame)
            fail("No sound frame could be made.", AVERROR(ENOMEM));
        frame->format = AV_SAMPLE_FMT_FLT;
        frame->sample_rate = rate;
        av_channel_layout_default(&frame->ch_layout, channels);
        frame->nb_samples = int(frames);
        frame->pts = pts;
        check(av_frame_get_buffer(frame.get(), 0), "No sound frame could be made.");
        std::memcpy(frame->data[0], samples, std::size_t(frames) * channels * sizeof(float));
        pts += frames;
        check(av_buffersrc_add_frame_flags(source, frame.get(), AV_BUFFERSRC_FLAG_PUSH),
              "The sound couldn't be filtered.");
    }

    // Calls `take` with each frame the filters have ready.
    template <typename Take>
    void pull(Take take)
    {
        ff::FramePtr frame = ff::makeFrame();
        if (!frame)
            fail("No sound frame could be made.", AVERROR(ENOMEM));
        for (;;) {
            int code = av_buffersink_get_frame(sink, frame.get());
            if (code == AVERROR(EAGAIN) || code == AVERROR_EOF)
                return;
            check(code, "The sound couldn't be filtered.");
            take(*frame);
            av_frame_unref(frame.get());
        }
    }
};

namespace {

// Where a chain's output shows its input's loudest sample: the probe below is an impulse.
struct PeakFinder {
    int channels;
    std::int64_t index = 0, peakAt = -1;
    float peak = 0;

    void operator()(const AVFrame& frame)
    {
        const auto* data = reinterpret_cast<const float*>(frame.data[0]);
        for (int i = 0; i < frame.nb_samples; ++i, ++index) {
            float level = std::fabs(data[std::size_t(i) * channels]);
            if (level > peak) {
                peak = level;
                peakAt = index;
            }
        }
    }
};

} // namespace

AudioFilterChain::AudioFilterChain(std::string description, int sampleRate, int channels,
                                   Source source, double tempo)
    : description_(std::move(description))
    , rate_(sampleRate)
    , channels_(channels)
    , source_(std::move(source))
{
    // The delay: where an impulse comes out of a fresh copy of the chain. A chain that swallows
    // the impulse has none to speak of.
    const std::int64_t length = rate_ / 2, at = rate_ / 10;
    std::vector<float> probe(std::size_t(length) * channels_, 0.0f);
    for (int c = 0; c < channels_; ++c)
        probe[std::size_t(at) * channels_ + c] = 0.25f;
    Graph probeGraph(description_, rate_, channels_);
    PeakFinder finder{channels_};
    probeGraph.push(probe.data(), length);
    probeGraph.pull(std::ref(finder));
    probeGraph.push(nullptr, 0);
    probeGraph.pull(std::ref(finder));
    const std::int64_t expected = std::llround(double(at) / tempo);
    delay_ = finder.peakAt > expected ? finder.peakAt - expected : 0;
    reset();
}

AudioFilterChain::~AudioFilterChain() = default;

void AudioFilterChain::reset()
{
    graph_ = std::make_unique<Graph>(description_, rate_, channels_);
    toDrop_ = delay_;
    ready_.clear();
    fed_ = 0;
}

void AudioFilterChain::feed(std::int64_t frames)
{
    std::vector<float> input(std::size_t(frames) * channels_, 0.0f);
    if (source_)
        source_(input.data(), frames);
    graph_->push(input.data(), frames);
    fed_ += frames;
}

void AudioFilterChain::collect(std::vector<float>& into)
{
    graph_->pull([&](const AVFrame& frame) {
        const auto* data = reinterpret_cast<const float*>(frame.data[0]);
        std::int64_t count = frame.nb_samples;
        std::int64_t dropped = std::min(toDrop_, count);
        toDrop_ -= dropped;
        into.insert(into.end(), data + dropped * channels_, data + count * channels_);
        lastMetadata_.clear();
        const AVDictionaryEntry* entry = nullptr;
        while ((entry = av_dict_get(frame.metadata, "", entry, AV_DICT_IGNORE_SUFFIX)))
            lastMetadata_[entry->key] = entry->value;
    });
}

std::vector<float> AudioFilterChain::read(std::int64_t frames)
{
    frames = std::max<std::int64_t>(frames, 0);
    const std::size_t wanted = std::size_t(frames) * channels_;
    // A chain that holds back more than its measured delay plus a minute is broken.
    const std::int64_t limit = fed_ + frames + delay_ + std::int64_t(rate_) * 60;
    while (ready_.size() < wanted) {
        if (fed_ > limit)
            fail("The sound filters \"" + description_ + "\" put nothing out.", AVERROR_BUG);
        feed(std::max(kFeedBlock, frames - std::int64_t(ready_.size()) / channels_));
        collect(ready_);
    }
    std::vector<float> out(ready_.begin(), ready_.begin() + std::ptrdiff_t(wanted));
    ready_.erase(ready_.begin(), ready_.begin() + std::ptrdiff_t(wanted));
    return out;
}

std::optional<std::map<std::string, std::string>>
AudioFilterChain::drain(std::int64_t frames, const std::function<bool()>& stop)
{
    std::vector<float> discarded;
    for (std::int64_t done = 0; done < frames;) {
        if (stop && stop())
            return std::nullopt;
        std::int64_t block = std::min(kFeedBlock, frames - done);
        feed(block);
        done += block;
        collect(discarded);
        discarded.clear();
    }
    graph_->push(nullptr, 0);
    collect(discarded);
    return lastMetadata_;
}

} // namespace tarnix::media
