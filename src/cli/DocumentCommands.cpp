#include "cli/DocumentCommands.h"

#include <iostream>

#include "document/DocumentCoding.h"
#include "zoom/ZoomCompositor.h"
#include "zoom/ZoomPanEngine.h"

namespace tarnix::cli {

static void expectCount(const Arguments& args, std::size_t count)
{
    if (args.size() != count)
        throw UsageError("expected " + std::to_string(count) + " argument" +
                         (count == 1 ? "" : "s") + ", got " + std::to_string(args.size()));
}

int runValidate(const Arguments& args)
{
    expectCount(args, 1);
    loadDocument(args[0]);
    std::cout << "ok\n";
    return kExitOk;
}

int runAutozoom(const Arguments& args)
{
    expectCount(args, 1);
    RecordingTimeline timeline = loadDocument(args[0]);
    OrderedJson regions = OrderedJson::array();
    for (const auto& region : ZoomPanEngine::makeAutomaticZoomRegions(timeline))
        regions.push_back(toJson(region));
    std::cout << regions.dump(2) << "\n";
    return kExitOk;
}

int runZoomAt(const Arguments& args)
{
    expectCount(args, 2);
    RecordingTimeline timeline = loadDocument(args[0]);
    double t = parseNumber(args[1], "the time");
    Rect r = ZoomCompositor::rect(t, timeline.zoomRegions);
    std::cout << "[[" << formatNumber(r.x) << ", " << formatNumber(r.y) << "], ["
              << formatNumber(r.width) << ", " << formatNumber(r.height) << "]]\n";
    return kExitOk;
}

} // namespace tarnix::cli
