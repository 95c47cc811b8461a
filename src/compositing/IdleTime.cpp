#include "compositing/IdleTime.h"

#include <QImage>

#include <algorithm>
#include <cmath>

#include "document/SpeedRegions.h"
#include "media/MediaAsset.h"
#include "media/VideoFrameReader.h"

namespace tarnix::IdleTime {

namespace {

// The screen is compared at this width (its height keeps its shape), in grey.
constexpr int kCompareWidth = 64;
// A grey level change smaller than this is noise of the encoder, not a change on screen.
constexpr int kChangedLevel = 16;
// The cursor is a moving one when it moves further than this, in screen points.
constexpr double kStillDistance = 0.5;

QImage comparable(const QImage& frame)
{
    if (frame.isNull())
        return frame;
    return frame.scaledToWidth(kCompareWidth, Qt::SmoothTransformation)
        .convertToFormat(QImage::Format_Grayscale8);
}

bool differs(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return true;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* la = a.constScanLine(y);
        const uchar* lb = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x)
            if (std::abs(int(la[x]) - int(lb[x])) >= kChangedLevel)
                return true;
    }
    return false;
}

} // namespace

std::vector<double> activityTimes(const RecordingTimeline& timeline)
{
    std::vector<double> times;
    const auto& cursor = timeline.cursorSamples;
    for (std::size_t i = 1; i < cursor.size(); ++i)
        if (std::hypot(cursor[i].point.x - cursor[i - 1].point.x,
                       cursor[i].point.y - cursor[i - 1].point.y) > kStillDistance)
            times.push_back(cursor[i].timestamp);
    for (const ClickEvent& click : timeline.clickEvents)
        times.push_back(click.timestamp);
    for (const KeyEvent& key : timeline.keyEvents)
        times.push_back(key.timestamp);
    const auto& focus = timeline.focusedElementSamples;
    for (std::size_t i = 0; i < focus.size(); ++i)
        if (i == 0 || !(focus[i].rect == focus[i - 1].rect))
            times.push_back(focus[i].timestamp);
    return times;
}

std::vector<double> screenChangeTimes(const RecordingTimeline& timeline, double duration,
                                      const std::function<bool()>& stop)
{
    std::vector<double> times;
    if (!timeline.videoURL)
        return times;
    auto tracks = media::MediaAsset::load(*timeline.videoURL).tracks(media::MediaType::video);
    if (tracks.empty())
        return times;
    media::VideoFrameReader reader(tracks.front());
    QImage previous;
    const auto samples = std::int64_t(std::floor(duration * kScreenSampleRate));
    for (std::int64_t i = 0; i <= samples; ++i) {
        if (stop && stop())
            break;
        double t = double(i) / kScreenSampleRate;
        QImage now = comparable(reader.frameAt(t));
        if (i > 0 && differs(previous, now))
            times.push_back(t);
        previous = std::move(now);
    }
    return times;
}

std::vector<TimeSpan> quietSpans(std::vector<double> moments, double duration, double minimum,
                                 double margin)
{
    std::vector<TimeSpan> spans;
    if (!(duration > 0))
        return spans;
    std::erase_if(moments, [&](double t) { return !(t >= 0 && t <= duration); });
    std::sort(moments.begin(), moments.end());
    double from = 0;
    bool atStart = true;
    auto close = [&](double to, bool atEnd) {
        TimeSpan span{from + (atStart ? 0 : margin), to - (atEnd ? 0 : margin)};
        if (span.duration() >= minimum)
            spans.push_back(span);
    };
    for (double t : moments) {
        close(t, false);
        from = t;
        atStart = false;
    }
    close(duration, true);
    return spans;
}

std::vector<TimeSpan> idleSpans(const RecordingTimeline& timeline, double duration,
                                const std::function<bool()>& stop)
{
    std::vector<double> moments = activityTimes(timeline);
    // A change seen at a sample happened since the one before.
    for (double t : screenChangeTimes(timeline, duration, stop))
        moments.insert(moments.end(), {t - 1 / kScreenSampleRate, t});
    return quietSpans(std::move(moments), duration, kMinimumIdle);
}

std::vector<SpeedRegion> withIdleSpedUp(const std::vector<SpeedRegion>& speeds,
                                        const std::vector<TimeSpan>& spans, double duration)
{
    std::vector<SpeedRegion> result = speeds;
    for (const TimeSpan& span : spans)
        result = addingSpeed(result, span.start, span.end, kIdleSpeed, duration);
    return result;
}

} // namespace tarnix::IdleTime
