#include "document/CutRegions.h"

#include "document/SpeedRegions.h"

#include <algorithm>
#include <cmath>

namespace tarnix {

namespace {

// Spans closer than this are one: a kept sliver shorter than a millisecond holds no frame.
constexpr double kTouching = 1e-3;

bool usable(double start, double end)
{
    return std::isfinite(start) && std::isfinite(end) && end > start;
}

} // namespace

std::vector<TimeSpan> mergedCutSpans(const std::vector<CutRegion>& cuts, double sourceDuration)
{
    std::vector<TimeSpan> spans;
    if (!(sourceDuration > 0))
        return spans;
    for (const CutRegion& cut : cuts) {
        if (!usable(cut.start, cut.end))
            continue;
        double start = std::max(cut.start, 0.0), end = std::min(cut.end, sourceDuration);
        if (end > start)
            spans.push_back({start, end});
    }
    std::sort(spans.begin(), spans.end(),
              [](const TimeSpan& a, const TimeSpan& b) { return a.start < b.start; });
    std::vector<TimeSpan> merged;
    for (const TimeSpan& span : spans) {
        if (!merged.empty() && span.start <= merged.back().end + kTouching)
            merged.back().end = std::max(merged.back().end, span.end);
        else
            merged.push_back(span);
    }
    // A cut ending within a sliver of either end of the recording reaches it.
    if (!merged.empty() && merged.front().start <= kTouching)
        merged.front().start = 0;
    if (!merged.empty() && merged.back().end >= sourceDuration - kTouching)
        merged.back().end = sourceDuration;
    return merged;
}

bool cutsLeaveNothing(const std::vector<CutRegion>& cuts, double sourceDuration)
{
    return KeptTime(cuts, sourceDuration).isEmpty();
}

KeptTime::KeptTime(const std::vector<CutRegion>& cuts, double sourceDuration)
    : KeptTime(cuts, {}, sourceDuration)
{
}

namespace {

// The usable speed regions within 0...sourceDuration, sorted, none overlapping another.
std::vector<SpeedRegion> usableSpeeds(std::vector<SpeedRegion> speeds, double sourceDuration)
{
    std::erase_if(speeds, [&](const SpeedRegion& r) {
        return !usable(r.start, r.end) || !isSpeedFactor(r.speed) || r.end <= 0 ||
               r.start >= sourceDuration;
    });
    std::stable_sort(speeds.begin(), speeds.end(),
                     [](const SpeedRegion& a, const SpeedRegion& b) { return a.start < b.start; });
    std::vector<SpeedRegion> kept;
    for (SpeedRegion r : speeds) {
        r.start = std::max(r.start, 0.0);
        r.end = std::min(r.end, sourceDuration);
        if (kept.empty() || r.start >= kept.back().end)
            kept.push_back(r);
    }
    return kept;
}

// The span split at the speed regions' edges, each part with its speed.
void splitBySpeed(TimeSpan span, const std::vector<SpeedRegion>& speeds,
                  std::vector<KeptTime::Piece>& into)
{
    double from = span.start;
    for (const SpeedRegion& r : speeds) {
        if (r.end <= from || r.start >= span.end)
            continue;
        if (r.start > from)
            into.push_back({{from, r.start}, 1, 0});
        double end = std::min(r.end, span.end);
        into.push_back({{std::max(r.start, from), end}, r.speed, 0});
        from = end;
    }
    if (span.end > from)
        into.push_back({{from, span.end}, 1, 0});
}

} // namespace

KeptTime::KeptTime(const std::vector<CutRegion>& cuts, const std::vector<SpeedRegion>& speeds,
                   double sourceDuration)
    : sourceDuration_(std::max(sourceDuration, 0.0))
{
    std::vector<TimeSpan> removed = mergedCutSpans(cuts, sourceDuration_);
    std::vector<SpeedRegion> speeded = usableSpeeds(speeds, sourceDuration_);
    hasCuts_ = !removed.empty();
    duration_ = sourceDuration_;
    if (!hasCuts_ && speeded.empty())
        return;
    double from = 0;
    for (const TimeSpan& cut : removed) {
        if (cut.start > from)
            spans_.push_back({from, cut.start});
        from = cut.end;
    }
    if (sourceDuration_ > from)
        spans_.push_back({from, sourceDuration_});
    for (const TimeSpan& span : spans_)
        splitBySpeed(span, speeded, pieces_);
    duration_ = 0;
    for (Piece& piece : pieces_) {
        piece.outputStart = duration_;
        outputStarts_.push_back(duration_);
        duration_ += piece.outputDuration();
    }
    if (!hasCuts_)
        spans_.clear(); // nothing cut: no kept spans to speak of
}

double KeptTime::sourceTime(double outputTime) const
{
    if (pieces_.empty())
        return outputTime;
    if (!(outputTime > 0))
        return pieces_.front().source.start + std::min(outputTime, 0.0);
    auto next = std::upper_bound(outputStarts_.begin(), outputStarts_.end(), outputTime);
    const Piece& piece = pieces_[std::size_t(next - outputStarts_.begin()) - 1];
    return std::min(piece.source.start + (outputTime - piece.outputStart) * piece.speed,
                    piece.source.end);
}

double KeptTime::outputTime(double sourceTime) const
{
    if (pieces_.empty())
        return hasCuts_ ? 0 : sourceTime;
    for (const Piece& piece : pieces_) {
        if (sourceTime < piece.source.start)
            return piece.outputStart; // before this piece: in the cut ahead of it
        if (sourceTime < piece.source.end)
            return piece.outputStart + (sourceTime - piece.source.start) / piece.speed;
    }
    return duration_;
}

bool KeptTime::isCut(double sourceTime) const
{
    if (!hasCuts_)
        return false;
    for (const TimeSpan& span : spans_) {
        bool atRecordingEnd = span.end == sourceDuration_ && sourceTime == sourceDuration_;
        if ((sourceTime >= span.start && sourceTime < span.end) || atRecordingEnd)
            return false;
    }
    return true;
}

double KeptTime::nextKeptSourceTime(double sourceTime) const
{
    if (!isCut(sourceTime))
        return sourceTime;
    for (const TimeSpan& span : spans_)
        if (span.start >= sourceTime)
            return span.start;
    return sourceDuration_;
}

std::vector<CutRegion> addingCut(const std::vector<CutRegion>& cuts, double start, double end,
                                 double sourceDuration)
{
    std::vector<CutRegion> sorted = cuts;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const CutRegion& a, const CutRegion& b) { return a.start < b.start; });
    if (!usable(start, end))
        return sorted;
    CutRegion added{Uuid::random(), std::max(start, 0.0),
                    sourceDuration > 0 ? std::min(end, sourceDuration) : end};
    if (!(added.end > added.start))
        return sorted;
    // Cuts already in the list may overlap each other: keep absorbing until nothing joins.
    std::vector<CutRegion> rest;
    bool idTaken = false, grew = true;
    while (grew) {
        grew = false;
        rest.clear();
        for (const CutRegion& cut : sorted) {
            bool joins = usable(cut.start, cut.end) && cut.start <= added.end + kTouching &&
                         cut.end >= added.start - kTouching;
            if (!joins) {
                rest.push_back(cut);
                continue;
            }
            if (!idTaken) {
                added.id = cut.id; // the first cut absorbed lends its identity
                idTaken = true;
            }
            added.start = std::min(added.start, cut.start);
            added.end = std::max(added.end, cut.end);
            grew = true;
        }
        sorted = rest;
    }
    rest.push_back(added);
    std::stable_sort(rest.begin(), rest.end(),
                     [](const CutRegion& a, const CutRegion& b) { return a.start < b.start; });
    return rest;
}

BackgroundSettings withCanvasAspect(BackgroundSettings settings, CanvasAspect aspect)
{
    settings.aspect = aspect;
    if (aspect != CanvasAspect::source && settings.style == BackgroundStyle::none)
        settings.style = BackgroundStyle::gradient;
    return settings;
}

BackgroundSettings effectiveBackground(const BackgroundSettings& settings)
{
    return withCanvasAspect(settings, settings.aspect);
}

} // namespace tarnix
