#include "capture/RecordingNotices.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "capture/CaptureMessages.h"

namespace tarnix {

namespace {

// Gaps of the two tracks that start and end this close together are one loss of the server.
constexpr double kSameLoss = 1.0;

struct Tracks {
    const char* name;
    bool plural;
};
const Tracks kSystemAudio{CaptureMessages::kSystemAudioTrack, false};
const Tracks kMicrophone{CaptureMessages::kMicrophoneTrack, false};
const Tracks kBoth{CaptureMessages::kBothTracks, true};

std::string movieTime(double seconds)
{
    const int whole = static_cast<int>(std::floor(std::max(0.0, seconds)));
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d", whole / 60, whole % 60);
    return text;
}

std::string length(double seconds)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", std::max(0.0, seconds));
    return text;
}

bool sameLoss(const SoundGap& a, const SoundGap& b)
{
    if (std::abs(a.from - b.from) > kSameLoss || a.to.has_value() != b.to.has_value())
        return false;
    return !a.to || std::abs(*a.to - *b.to) <= kSameLoss;
}

// The sentences for one kind of track: the gaps that are over (or that the end closed), then
// the one that lasts while recording goes on.
void describe(const Tracks& tracks, const std::vector<SoundGap>& gaps, double movieStart,
              std::optional<double> end, std::vector<std::string>& out)
{
    if (gaps.empty())
        return;
    std::vector<SoundGap> over;
    std::optional<SoundGap> lasting;
    for (const SoundGap& gap : gaps) {
        if (gap.to || end)
            over.push_back(gap);
        else
            lasting = gap;
    }
    if (over.size() == 1) {
        const SoundGap& gap = over.front();
        const std::string at = movieTime(gap.from - movieStart);
        // A gap counts only on the movie's time line: sound lost before the first frame is not.
        const double from = std::max(gap.from, movieStart);
        if (gap.to)
            out.push_back(CaptureMessages::soundWasMissing(tracks.name, tracks.plural,
                                                           length(*gap.to - from), at, gap.reason));
        else
            out.push_back(CaptureMessages::soundMissingToTheEnd(tracks.name, tracks.plural, at,
                                                                length(*end - from), gap.reason));
    } else if (over.size() > 1) {
        double total = 0;
        for (const SoundGap& gap : over)
            total += std::max(0.0, gap.to.value_or(end.value_or(gap.from)) - std::max(gap.from, movieStart));
        out.push_back(CaptureMessages::soundMissingRepeatedly(
            tracks.name, tracks.plural, static_cast<int>(over.size()), length(total),
            movieTime(over.front().from - movieStart), over.front().reason));
    }
    if (lasting)
        out.push_back(CaptureMessages::soundMissingSince(tracks.name, tracks.plural,
                                                         movieTime(lasting->from - movieStart),
                                                         lasting->reason));
}

std::string sizeText(QSize size)
{
    return std::to_string(size.width()) + "×" + std::to_string(size.height());
}

} // namespace

std::vector<std::string> soundGapNotices(const std::vector<SoundGap>& systemAudio,
                                         const std::vector<SoundGap>& microphone, double movieStart,
                                         std::optional<double> end)
{
    // Pair the losses the two tracks share; what is left is each track's own.
    std::vector<SoundGap> both, systemOnly, microphoneOnly;
    std::vector<bool> paired(microphone.size(), false);
    for (const SoundGap& gap : systemAudio) {
        bool found = false;
        for (std::size_t i = 0; i < microphone.size() && !found; ++i) {
            if (paired[i] || !sameLoss(gap, microphone[i]))
                continue;
            paired[i] = found = true;
            SoundGap shared = gap;
            shared.from = std::min(gap.from, microphone[i].from);
            if (gap.to)
                shared.to = std::max(*gap.to, *microphone[i].to);
            both.push_back(shared);
        }
        if (!found)
            systemOnly.push_back(gap);
    }
    for (std::size_t i = 0; i < microphone.size(); ++i)
        if (!paired[i])
            microphoneOnly.push_back(microphone[i]);

    std::vector<std::string> notices;
    describe(kBoth, both, movieStart, end, notices);
    describe(kSystemAudio, systemOnly, movieStart, end, notices);
    describe(kMicrophone, microphoneOnly, movieStart, end, notices);
    return notices;
}

std::optional<std::string> displayChangeNotice(const std::vector<DisplayChange>& changes, QSize movieSize,
                                               double movieStart)
{
    if (changes.empty())
        return std::nullopt;
    if (changes.size() == 1) {
        const DisplayChange& change = changes.front();
        return CaptureMessages::displayChangedSize(sizeText(change.size), movieTime(change.time - movieStart),
                                                   sizeText(movieSize), change.size == movieSize);
    }
    return CaptureMessages::displayChangedSizeRepeatedly(
        static_cast<int>(changes.size()), movieTime(changes.front().time - movieStart),
        sizeText(changes.front().size), movieTime(changes.back().time - movieStart),
        sizeText(changes.back().size), sizeText(movieSize));
}

} // namespace tarnix
