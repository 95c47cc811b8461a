#include "cli/EditCommands.h"

#include <iostream>

#include "compositing/IdleTime.h"
#include "files/AtomicFile.h"
#include "document/CutRegions.h"
#include "document/DocumentCoding.h"
#include "document/SpeedRegions.h"
#include "media/MediaAsset.h"

namespace tarnix::cli {

namespace {

double recordingDuration(const RecordingTimeline& timeline)
{
    if (!timeline.videoURL)
        throw InputError("The document names no screen movie, so there is nothing to cut.");
    try {
        return media::MediaAsset::load(*timeline.videoURL).duration();
    } catch (const media::MediaException& e) {
        throw InputError("The screen movie couldn't be read: " + media::describe(e.error()));
    }
}

// Writes the document in place: either the old one or the whole new one, whatever happens
// meanwhile. False, with the reason on stderr, when it couldn't be written.
bool saveDocument(const std::filesystem::path& path, const RecordingTimeline& timeline)
{
    try {
        replaceFile(path, encodeRecordingTimeline(timeline) + "\n");
        return true;
    } catch (const FileError& e) {
        std::cerr << e.what() << " The document is unchanged.\n";
        return false;
    }
}

} // namespace

int runCut(const Arguments& args)
{
    if (args.size() != 3)
        throw UsageError("expected the document, a start and an end, got " +
                         std::to_string(args.size()) + " arguments");
    std::filesystem::path path = args[0];
    double start = parseNumber(args[1], "the start");
    double end = parseNumber(args[2], "the end");
    if (!(end > start))
        throw UsageError("the end must come after the start");
    RecordingTimeline timeline = loadDocument(path);
    double duration = recordingDuration(timeline);
    if (!(end > 0 && start < duration))
        throw UsageError("the cut must overlap the recording, 0 to " + formatNumber(duration) +
                         " seconds");

    timeline.cutRegions = addingCut(timeline.cutRegions, start, end, duration);
    if (cutsLeaveNothing(timeline.cutRegions, duration)) {
        std::cerr << kEverythingCutMessage << " The document is unchanged.\n";
        return kExitFailure;
    }
    const KeptTime kept = KeptTime::of(timeline, duration);
    if (!saveDocument(path, timeline))
        return kExitFailure;
    for (const TimeSpan& cut : mergedCutSpans(timeline.cutRegions, duration))
        std::cout << "cut " << formatNumber(cut.start) << " " << formatNumber(cut.end) << "\n";
    std::cout << "kept " << formatNumber(kept.duration()) << " of " << formatNumber(duration)
              << " seconds\n";
    return kExitOk;
}

int runSpeed(const Arguments& args)
{
    if (args.size() != 4)
        throw UsageError("expected the document, a start, an end and a speed, got " +
                         std::to_string(args.size()) + " arguments");
    std::filesystem::path path = args[0];
    double start = parseNumber(args[1], "the start");
    double end = parseNumber(args[2], "the end");
    std::string factor = args[3];
    if (!factor.empty() && (factor.back() == 'x' || factor.back() == 'X'))
        factor.pop_back(); // "4x" as well as "4"
    double speed = parseNumber(factor, "the speed");
    if (!(end > start))
        throw UsageError("the end must come after the start");
    if (!isSpeedFactor(speed))
        throw UsageError("the speed must be " + std::string(kSpeedFactorsText));
    RecordingTimeline timeline = loadDocument(path);
    double duration = recordingDuration(timeline);
    if (!(end > 0 && start < duration))
        throw UsageError("the span must overlap the recording, 0 to " + formatNumber(duration) +
                         " seconds");

    timeline.speedRegions = addingSpeed(timeline.speedRegions, start, end, speed, duration);
    if (!saveDocument(path, timeline))
        return kExitFailure;
    for (const SpeedRegion& region : timeline.speedRegions)
        std::cout << "speed " << formatNumber(region.start) << " " << formatNumber(region.end) << " "
                  << formatNumber(region.speed) << "\n";
    std::cout << "the movie lasts " << formatNumber(KeptTime::of(timeline, duration).duration())
              << " of " << formatNumber(duration) << " seconds\n";
    return kExitOk;
}

int runSpeedIdle(const Arguments& args)
{
    if (args.size() != 1)
        throw UsageError("expected the document, got " + std::to_string(args.size()) + " arguments");
    std::filesystem::path path = args[0];
    RecordingTimeline timeline = loadDocument(path);
    double duration = recordingDuration(timeline);
    std::vector<TimeSpan> idle;
    try {
        idle = IdleTime::idleSpans(timeline, duration);
    } catch (const media::MediaException& e) {
        throw InputError("The screen movie couldn't be read: " + media::describe(e.error()));
    }
    if (idle.empty()) {
        std::cout << "no idle time of " << formatNumber(IdleTime::kMinimumIdle)
                  << " seconds or more; the document is unchanged\n";
        return kExitOk;
    }
    timeline.speedRegions = IdleTime::withIdleSpedUp(timeline.speedRegions, idle, duration);
    if (!saveDocument(path, timeline))
        return kExitFailure;
    for (const TimeSpan& span : idle)
        std::cout << "speed " << formatNumber(span.start) << " " << formatNumber(span.end) << " "
                  << formatNumber(kIdleSpeed) << "\n";
    std::cout << "the movie lasts " << formatNumber(KeptTime::of(timeline, duration).duration())
              << " of " << formatNumber(duration) << " seconds\n";
    return kExitOk;
}

} // namespace tarnix::cli
