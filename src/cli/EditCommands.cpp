#include "cli/EditCommands.h"

#include <algorithm>
#include <iostream>

#include "compositing/IdleTime.h"
#include "files/AtomicFile.h"
#include "document/CutRegions.h"
#include "document/DocumentCoding.h"
#include "document/HexDigits.h"
#include "document/SpeedRegions.h"
#include "media/MediaAsset.h"

namespace tarnix::cli {

namespace {

double recordingDuration(const RecordingTimeline& timeline, const std::string& purpose)
{
    if (!timeline.videoURL)
        throw InputError("The document names no screen movie, so there is nothing " + purpose + ".");
    try {
        return media::MediaAsset::load(*timeline.videoURL).duration();
    } catch (const media::MediaException& e) {
        throw InputError("The screen movie couldn't be read: " + media::describe(e.error()));
    }
}

// "X,Y": a point of the canvas in fractions, 0...1 each.
Point parseCanvasPoint(const std::string& text)
{
    const auto comma = text.find(',');
    if (comma == std::string::npos)
        throw UsageError("--at takes X,Y in fractions of the picture, such as 0.5,0.9");
    const Point p{parseNumber(text.substr(0, comma), "--at's X"),
                  parseNumber(text.substr(comma + 1), "--at's Y")};
    if (!(p.x >= 0 && p.x <= 1 && p.y >= 0 && p.y <= 1))
        throw UsageError("--at takes fractions of the picture, 0 to 1 each (0,0 is its top left)");
    return p;
}

// "#RRGGBB", opaque.
CodableColor parseHexColor(const std::string& text)
{
    auto channel = [&text](std::size_t at) {
        const int high = hexDigitValue(text[at]);
        const int low = hexDigitValue(text[at + 1]);
        if (high < 0 || low < 0)
            return -1;
        return high * 16 + low;
    };
    if (text.size() == 7 && text[0] == '#') {
        const int r = channel(1), g = channel(3), b = channel(5);
        if (r >= 0 && g >= 0 && b >= 0)
            return {r / 255.0, g / 255.0, b / 255.0, 1};
    }
    throw UsageError("--color takes #RRGGBB, such as #FFD400");
}

// The options of `text` after the document, the times and the text.
TextRegion parseTextOptions(const Arguments& args, TextRegion box)
{
    box.background = false;
    for (std::size_t i = 4; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--background") {
            box.background = true;
            continue;
        }
        if (option != "--at" && option != "--size" && option != "--color")
            throw UsageError("unknown option " + option);
        if (i + 1 >= args.size())
            throw UsageError(option + " needs a value");
        const std::string& value = args[++i];
        if (option == "--at") {
            box.position = parseCanvasPoint(value);
        } else if (option == "--size") {
            box.size = parseNumber(value, "--size");
            if (!(box.size > 0 && box.size <= 0.5))
                throw UsageError("--size is the line height in fractions of the picture's height, "
                                 "more than 0 and at most 0.5");
        } else {
            box.color = parseHexColor(value);
        }
    }
    return box;
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

// A span of the recording that `cut` and `speed` edit: the document, start and end that open
// their arguments.
struct SpanArguments {
    std::filesystem::path path;
    double start = 0;
    double end = 0;
};

// Checks the count first: `expected` names what the command takes.
SpanArguments parseSpan(const Arguments& args, std::size_t count, const std::string& expected)
{
    if (args.size() != count)
        throw UsageError("expected " + expected + ", got " + std::to_string(args.size()) + " arguments");
    return {args[0], parseNumber(args[1], "the start"), parseNumber(args[2], "the end")};
}

// The recording's duration, once the span is known to overlap it. `what` names the span in the
// message ("the cut"), `purpose` what a document without a movie has nothing for ("to cut").
double durationOverlapping(const RecordingTimeline& timeline, const SpanArguments& span, const std::string& purpose,
                           const std::string& what)
{
    const double duration = recordingDuration(timeline, purpose);
    if (!(span.end > 0 && span.start < duration))
        throw UsageError(what + " must overlap the recording, 0 to " + formatNumber(duration) + " seconds");
    return duration;
}

} // namespace

int runText(const Arguments& args)
{
    if (args.size() < 4)
        throw UsageError("expected the document, a start, an end and the text, got " +
                         std::to_string(args.size()) + " arguments");
    const std::filesystem::path path = args[0];
    TextRegion box;
    box.start = parseNumber(args[1], "the start");
    box.end = parseNumber(args[2], "the end");
    box.text = args[3];
    if (!(box.start >= 0 && box.end > box.start))
        throw UsageError("the end must come after the start, and the start at 0 or later");
    if (box.text.empty() || box.text.size() > 2000)
        throw UsageError("the text must have 1 to 2000 bytes");
    box = parseTextOptions(args, box);
    RecordingTimeline timeline = loadDocument(path);
    const double duration = recordingDuration(timeline, "to show text over");
    if (!(box.start < duration))
        throw UsageError("the text must start within the recording, before " +
                         formatNumber(duration) + " seconds");
    box.end = std::min(box.end, duration);
    timeline.textRegions.push_back(box);
    if (!saveDocument(path, timeline))
        return kExitFailure;
    std::cout << "text " << formatNumber(box.start) << " " << formatNumber(box.end) << "\n";
    return kExitOk;
}

int runCut(const Arguments& args)
{
    const SpanArguments span = parseSpan(args, 3, "the document, a start and an end");
    if (!(span.end > span.start))
        throw UsageError("the end must come after the start");
    RecordingTimeline timeline = loadDocument(span.path);
    const double duration = durationOverlapping(timeline, span, "to cut", "the cut");

    timeline.cutRegions = addingCut(timeline.cutRegions, span.start, span.end, duration);
    if (cutsLeaveNothing(timeline.cutRegions, duration)) {
        std::cerr << kEverythingCutMessage << " The document is unchanged.\n";
        return kExitFailure;
    }
    const KeptTime kept = KeptTime::of(timeline, duration);
    if (!saveDocument(span.path, timeline))
        return kExitFailure;
    for (const TimeSpan& cut : mergedCutSpans(timeline.cutRegions, duration))
        std::cout << "cut " << formatNumber(cut.start) << " " << formatNumber(cut.end) << "\n";
    std::cout << "kept " << formatNumber(kept.duration()) << " of " << formatNumber(duration)
              << " seconds\n";
    return kExitOk;
}

int runSpeed(const Arguments& args)
{
    const SpanArguments span = parseSpan(args, 4, "the document, a start, an end and a speed");
    std::string factor = args[3];
    if (!factor.empty() && (factor.back() == 'x' || factor.back() == 'X'))
        factor.pop_back(); // "4x" as well as "4"
    const double speed = parseNumber(factor, "the speed");
    if (!(span.end > span.start))
        throw UsageError("the end must come after the start");
    if (!isSpeedFactor(speed))
        throw UsageError("the speed must be " + std::string(kSpeedFactorsText));
    RecordingTimeline timeline = loadDocument(span.path);
    const double duration = durationOverlapping(timeline, span, "to speed up", "the span");

    timeline.speedRegions = addingSpeed(timeline.speedRegions, span.start, span.end, speed, duration);
    if (!saveDocument(span.path, timeline))
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
    double duration = recordingDuration(timeline, "to look at");
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
