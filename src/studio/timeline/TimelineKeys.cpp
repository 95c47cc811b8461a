#include "studio/timeline/TimelineKeys.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace tarnix::TimelineKeys {

namespace {

using Command = TimelineCommand;
using Track = TimelineModel::Track;

// Edges closer than this to the playhead count as where it stands, so `]` at an edge moves on.
constexpr double kEdgeTolerance = 1e-6;

} // namespace

const std::vector<TimelineKeyBinding>& bindings()
{
    // The descriptions are translated where the sheet shows them.
    static const std::vector<TimelineKeyBinding> table = {
        {Qt::Key_Left, Qt::NoModifier, Command::frameBack, "Left", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "Back one frame (paused)")},
        {Qt::Key_Right, Qt::NoModifier, Command::frameForward, "Right", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "Forward one frame (paused)")},
        {Qt::Key_Left, Qt::ShiftModifier, Command::secondBack, "Shift+Left", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "Back one second")},
        {Qt::Key_Right, Qt::ShiftModifier, Command::secondForward, "Shift+Right", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "Forward one second")},
        {Qt::Key_Home, Qt::NoModifier, Command::toStart, "Home", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "To the start")},
        {Qt::Key_End, Qt::NoModifier, Command::toEnd, "End", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "To the end")},
        {Qt::Key_J, Qt::NoModifier, Command::playBackward, "J", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "Play backwards (again: faster)")},
        {Qt::Key_K, Qt::NoModifier, Command::pause, "K", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "Pause")},
        {Qt::Key_L, Qt::NoModifier, Command::playForward, "L", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "Play")},
        {Qt::Key_BracketLeft, Qt::NoModifier, Command::previousEdge, "[", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "To the previous region edge")},
        {Qt::Key_BracketRight, Qt::NoModifier, Command::nextEdge, "]", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "To the next region edge")},
        {Qt::Key_Tab, Qt::NoModifier, Command::nextClip, "Tab", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "Select the next clip")},
        {Qt::Key_Backtab, Qt::ShiftModifier, Command::previousClip, "Shift+Tab", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "Select the previous clip")},
        {Qt::Key_Plus, Qt::NoModifier, Command::zoomIn, "+", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "Zoom into the timeline")},
        {Qt::Key_Minus, Qt::NoModifier, Command::zoomOut, "-", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "Zoom out of the timeline")},
        {Qt::Key_Z, Qt::ShiftModifier, Command::zoomToFit, "Shift+Z", QT_TRANSLATE_NOOP("tarnix::KeyboardShortcutsSheet", "Show the whole recording")},
    };
    return table;
}

std::optional<TimelineCommand> commandFor(int key, Qt::KeyboardModifiers modifiers)
{
    modifiers &= ~Qt::KeypadModifier;
    // `+` is Shift+= on most layouts, and `-` has a keypad twin: both zoom whatever the Shift.
    if (key == Qt::Key_Plus || key == Qt::Key_Equal)
        return modifiers & ~Qt::ShiftModifier ? std::nullopt : std::optional(Command::zoomIn);
    if (key == Qt::Key_Minus || key == Qt::Key_Underscore)
        return modifiers & ~Qt::ShiftModifier ? std::nullopt : std::optional(Command::zoomOut);
    for (const TimelineKeyBinding& binding : bindings())
        if (binding.key == key && binding.modifiers == modifiers)
            return binding.command;
    return std::nullopt;
}

bool movesPlayhead(TimelineCommand command)
{
    return command != Command::nextClip && command != Command::previousClip &&
           command != Command::zoomIn && command != Command::zoomOut && command != Command::zoomToFit;
}

std::vector<double> regionEdges(const StudioEditState& state)
{
    std::vector<double> edges;
    auto add = [&](const auto& list) {
        for (const auto& r : list) {
            edges.push_back(r.start);
            edges.push_back(r.end);
        }
    };
    add(state.zoomRegions);
    add(state.redactRegions);
    add(state.textRegions);
    add(state.cutRegions);
    add(state.speedRegions);
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());
    return edges;
}

std::optional<double> playheadAfter(TimelineCommand command, double t, double frame,
                                    double duration, const StudioEditState& state)
{
    std::optional<double> next;
    switch (command) {
    case Command::frameBack:
        // Onto the frame grid, so that steps land on whole frames whatever the start.
        next = frame > 0 ? (std::ceil(t / frame - kEdgeTolerance) - 1) * frame : t;
        break;
    case Command::frameForward:
        next = frame > 0 ? (std::floor(t / frame + kEdgeTolerance) + 1) * frame : t;
        break;
    case Command::secondBack:
        next = t - 1;
        break;
    case Command::secondForward:
        next = t + 1;
        break;
    case Command::toStart:
        next = 0;
        break;
    case Command::toEnd:
        next = duration;
        break;
    case Command::previousEdge: {
        std::vector<double> edges = regionEdges(state);
        auto it = std::lower_bound(edges.begin(), edges.end(), t - kEdgeTolerance);
        next = it == edges.begin() ? 0 : *std::prev(it);
        break;
    }
    case Command::nextEdge: {
        std::vector<double> edges = regionEdges(state);
        auto it = std::upper_bound(edges.begin(), edges.end(), t + kEdgeTolerance);
        next = it == edges.end() ? duration : *it;
        break;
    }
    default:
        return std::nullopt;
    }
    return std::clamp(*next, 0.0, std::max(duration, 0.0));
}

std::optional<ClipRef> adjacentClip(const StudioEditState& state, std::optional<ClipRef> selected,
                                    double playhead, bool forward)
{
    struct Entry {
        double start;
        Track track;
        ClipRef clip;
    };
    std::vector<Entry> clips;
    // Track order as the timeline shows them from the top: cuts, speed, zooms, blurs, text.
    for (const auto& r : state.cutRegions)
        clips.push_back({r.start, Track::cut, {Track::cut, r.id}});
    for (const auto& r : state.speedRegions)
        clips.push_back({r.start, Track::speed, {Track::speed, r.id}});
    for (const auto& r : state.zoomRegions)
        clips.push_back({r.start, Track::zoom, {Track::zoom, r.id}});
    for (const auto& r : state.redactRegions)
        clips.push_back({r.start, Track::redact, {Track::redact, r.id}});
    for (const auto& r : state.textRegions)
        clips.push_back({r.start, Track::text, {Track::text, r.id}});
    if (clips.empty())
        return std::nullopt;
    auto rank = [](Track track) {
        constexpr Track kTopDown[] = {Track::cut, Track::speed, Track::zoom, Track::redact, Track::text};
        return std::find(std::begin(kTopDown), std::end(kTopDown), track) - std::begin(kTopDown);
    };
    std::stable_sort(clips.begin(), clips.end(), [&](const Entry& a, const Entry& b) {
        return std::tuple(a.start, rank(a.track)) < std::tuple(b.start, rank(b.track));
    });
    auto n = std::ptrdiff_t(clips.size());
    auto at = [&](std::ptrdiff_t i) { return clips[std::size_t((i % n + n) % n)].clip; };
    if (selected) {
        auto it = std::find_if(clips.begin(), clips.end(), [&](const Entry& e) { return e.clip == *selected; });
        if (it != clips.end())
            return at((it - clips.begin()) + (forward ? 1 : -1));
    }
    if (forward) {
        auto it = std::find_if(clips.begin(), clips.end(),
                               [&](const Entry& e) { return e.start >= playhead - kEdgeTolerance; });
        return it == clips.end() ? clips.front().clip : it->clip;
    }
    auto it = std::find_if(clips.rbegin(), clips.rend(),
                           [&](const Entry& e) { return e.start < playhead - kEdgeTolerance; });
    return it == clips.rend() ? clips.back().clip : it->clip;
}

} // namespace tarnix::TimelineKeys
