#include "cli/EditCommands.h"

#include <iostream>

#include "files/AtomicFile.h"
#include "document/CutRegions.h"
#include "document/DocumentCoding.h"
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
    const KeptTime kept(timeline.cutRegions, duration);
    try {
        // Either the old document or the whole new one, whatever happens meanwhile.
        replaceFile(path, encodeRecordingTimeline(timeline) + "\n");
    } catch (const FileError& e) {
        std::cerr << e.what() << " The document is unchanged.\n";
        return kExitFailure;
    }
    for (const TimeSpan& cut : mergedCutSpans(timeline.cutRegions, duration))
        std::cout << "cut " << formatNumber(cut.start) << " " << formatNumber(cut.end) << "\n";
    std::cout << "kept " << formatNumber(kept.duration()) << " of " << formatNumber(duration)
              << " seconds\n";
    return kExitOk;
}

} // namespace tarnix::cli
