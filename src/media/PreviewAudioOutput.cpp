#include "media/PreviewAudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QElapsedTimer>
#include <QIODevice>
#include <QMediaDevices>

#include <pthread.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

#include "media/AudioMixer.h"

namespace tarnix::media {

namespace {

constexpr int kChannels = 2;
constexpr int kRate = 48000;
constexpr std::int64_t kMixBlock = 1024;        // sample frames mixed at a time
constexpr std::int64_t kQueuedFrames = kRate / 2; // how far mixing runs ahead of the device
constexpr qsizetype kDeviceBufferFrames = kRate / 10;

qint64 monotonicNs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return clock.nsecsElapsed();
}

} // namespace

// The device's source of samples: a bounded queue filled by the mixing thread, read by the device
// on the GUI thread.
class PreviewAudioOutput::Feed : public QIODevice {
public:
    Feed(std::shared_ptr<const Composition> composition, double seconds, bool int16)
        : int16_(int16)
    {
        thread_ = std::thread([this, composition = std::move(composition), seconds] {
            run(*composition, seconds);
        });
    }

    ~Feed() override
    {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        changed_.notify_all();
        thread_.join();
    }

    bool isSequential() const override { return true; }

    std::atomic<long long> taken{0};
    std::atomic<long long> underrun{0};

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 frames = maxSize / bytesPerFrame();
        if (frames <= 0)
            return 0;
        std::vector<float> samples(std::size_t(frames) * kChannels, 0.0f);
        std::int64_t copied = 0;
        {
            std::lock_guard lock(mutex_);
            while (copied < frames && !chunks_.empty()) {
                std::vector<float>& front = chunks_.front();
                std::int64_t available = std::int64_t(front.size() - frontOffset_) / kChannels;
                std::int64_t n = std::min<std::int64_t>(available, frames - copied);
                std::copy_n(front.begin() + std::ptrdiff_t(frontOffset_), n * kChannels,
                            samples.begin() + std::ptrdiff_t(copied * kChannels));
                copied += n;
                frontOffset_ += std::size_t(n) * kChannels;
                queued_ -= n;
                if (frontOffset_ == front.size()) {
                    chunks_.pop_front();
                    frontOffset_ = 0;
                }
            }
            // The device plays silence for what is missing; that span of the mix is skipped
            // when it arrives, so what is heard stays on the composition's time line.
            debt_ += frames - copied;
        }
        changed_.notify_all();
        underrun += frames - copied;
        taken += frames;
        if (int16_) {
            auto* out = reinterpret_cast<qint16*>(data);
            for (std::size_t i = 0; i < samples.size(); ++i)
                out[i] = qint16(std::clamp(samples[i], -1.0f, 1.0f) * 32767.0f);
        } else {
            std::memcpy(data, samples.data(), samples.size() * sizeof(float));
        }
        return frames * bytesPerFrame();
    }

    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 bytesPerFrame() const { return qint64(kChannels) * (int16_ ? 2 : 4); }

    void run(const Composition& composition, double seconds)
    {
        pthread_setname_np(pthread_self(), "tarnix-audio");
        std::unique_ptr<AudioMixer> mixer;
        try {
            mixer = std::make_unique<AudioMixer>(composition, kRate, kChannels);
            mixer->seek(seconds);
        } catch (const std::exception&) {
            return; // undecodable audio: the device plays silence and the clock still runs
        }
        while (true) {
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stopping_ || queued_ < kQueuedFrames; });
                if (stopping_)
                    return;
            }
            std::vector<float> block = mixer->read(kMixBlock);
            std::lock_guard lock(mutex_);
            std::int64_t skipped = std::min<std::int64_t>(debt_, kMixBlock);
            debt_ -= skipped;
            if (skipped == kMixBlock)
                continue;
            block.erase(block.begin(), block.begin() + std::ptrdiff_t(skipped * kChannels));
            queued_ += kMixBlock - skipped;
            chunks_.push_back(std::move(block));
        }
    }

    const bool int16_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::vector<float>> chunks_;
    std::size_t frontOffset_ = 0; // floats of chunks_.front() already read
    std::int64_t queued_ = 0;     // sample frames waiting in chunks_
    std::int64_t debt_ = 0;       // sample frames played as silence, still to skip in the mix
    bool stopping_ = false;
    std::thread thread_;
};

PreviewAudioOutput::PreviewAudioOutput(QObject* parent)
    : QObject(parent)
{
}

PreviewAudioOutput::~PreviewAudioOutput() { stop(); }

bool PreviewAudioOutput::start(std::shared_ptr<const Composition> composition, double seconds)
{
    stop();
    if (!composition || composition->tracks(MediaType::audio).empty())
        return false;
    QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull())
        return false;
    QAudioFormat format;
    format.setSampleRate(kRate);
    format.setChannelCount(kChannels);
    format.setSampleFormat(QAudioFormat::Float);
    if (!device.isFormatSupported(format))
        format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return false;

    feed_ = std::make_unique<Feed>(std::move(composition), seconds,
                                   format.sampleFormat() == QAudioFormat::Int16);
    feed_->open(QIODevice::ReadOnly);
    sink_ = std::make_unique<QAudioSink>(device, format);
    sink_->setBufferSize(kDeviceBufferFrames * format.bytesPerFrame());
    sink_->start(feed_.get());
    if (sink_->error() != QAudio::NoError || sink_->state() == QAudio::StoppedState) {
        stop();
        return false;
    }
    startTime_ = seconds;
    lastProcessed_ = -1;
    lastMoveNs_ = monotonicNs();
    return true;
}

void PreviewAudioOutput::stop()
{
    if (sink_)
        sink_->stop();
    sink_.reset();
    feed_.reset();
}

bool PreviewAudioOutput::isActive() const { return sink_ != nullptr; }

double PreviewAudioOutput::position() const
{
    if (!sink_)
        return startTime_;
    return startTime_ + double(sink_->processedUSecs()) / 1e6;
}

double PreviewAudioOutput::stalledFor() const
{
    if (!sink_)
        return 0;
    if (sink_->error() == QAudio::OpenError || sink_->error() == QAudio::FatalError)
        return std::numeric_limits<double>::infinity(); // the device went away
    qint64 processed = sink_->processedUSecs();
    qint64 now = monotonicNs();
    if (processed != lastProcessed_) {
        lastProcessed_ = processed;
        lastMoveNs_ = now;
    }
    return double(now - lastMoveNs_) / 1e9;
}

long long PreviewAudioOutput::framesTaken() const { return feed_ ? feed_->taken.load() : 0; }

long long PreviewAudioOutput::framesUnderrun() const
{
    return feed_ ? feed_->underrun.load() : 0;
}

} // namespace tarnix::media
