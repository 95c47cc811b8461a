#include "cli/DocumentCommands.h"

#include <algorithm>
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

// "Ctrl+Shift+S" for a key event.
static std::string combinationText(const KeyEvent& event)
{
    static constexpr const char* names[] = {"Ctrl", "Alt", "Shift", "Super"};
    std::string text;
    for (KeyModifier modifier : event.modifiers)
        text += std::string(names[static_cast<int>(modifier)]) + "+";
    return text + event.key;
}

// The recorded keys, when there are some: their count and the first few with their times.
static void listKeyEvents(const RecordingTimeline& timeline)
{
    constexpr std::size_t kListed = 5;
    const auto& keys = timeline.keyEvents;
    if (keys.empty())
        return;
    std::cout << "keyEvents: " << keys.size() << (keys.size() == 1 ? " key" : " keys") << "\n";
    for (std::size_t i = 0; i < std::min(keys.size(), kListed); ++i)
        std::cout << "  " << formatNumber(keys[i].timestamp) << " s  " << combinationText(keys[i]) << "\n";
    if (keys.size() > kListed)
        std::cout << "  … and " << keys.size() - kListed << " more\n";
}

// The text boxes, when there are some: their count and the first few with their times.
static void listTextRegions(const RecordingTimeline& timeline)
{
    constexpr std::size_t kListed = 5;
    const auto& boxes = timeline.textRegions;
    if (boxes.empty())
        return;
    std::cout << "textRegions: " << boxes.size() << (boxes.size() == 1 ? " text box" : " text boxes")
              << "\n";
    for (std::size_t i = 0; i < std::min(boxes.size(), kListed); ++i)
        std::cout << "  " << formatNumber(boxes[i].start) << " … " << formatNumber(boxes[i].end)
                  << " s  \"" << boxes[i].text << "\"\n";
    if (boxes.size() > kListed)
        std::cout << "  … and " << boxes.size() - kListed << " more\n";
}

int runValidate(const Arguments& args)
{
    expectCount(args, 1);
    const RecordingTimeline timeline = loadDocument(args[0]);
    std::cout << "ok\n";
    listKeyEvents(timeline);
    listTextRegions(timeline);
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
