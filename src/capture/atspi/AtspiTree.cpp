#include "capture/atspi/AtspiTree.h"

namespace tarnix::atspi {

namespace {

// Depth-first search for a descendant with the given state, visiting at most `budget` objects.
AtspiAccessible* findWithState(AtspiAccessible* node, AtspiStateType type, int& budget)
{
    if (--budget < 0)
        return nullptr;
    if (hasState(node, type))
        return static_cast<AtspiAccessible*>(g_object_ref(node));
    const int count = atspi_accessible_get_child_count(node, nullptr);
    for (int i = 0; i < count && budget > 0; ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(node, i, nullptr);
        if (!child)
            continue;
        AtspiAccessible* found = findWithState(child, type, budget);
        g_object_unref(child);
        if (found)
            return found;
    }
    return nullptr;
}

} // namespace

bool hasState(AtspiAccessible* accessible, AtspiStateType type)
{
    AtspiStateSet* states = atspi_accessible_get_state_set(accessible);
    if (!states)
        return false;
    const bool result = atspi_state_set_contains(states, type);
    g_object_unref(states);
    return result;
}

AtspiAccessible* findFocusInActiveWindows(int budget)
{
    AtspiAccessible* desktop = atspi_get_desktop(0);
    if (!desktop)
        return nullptr;
    AtspiAccessible* focused = nullptr;
    const int apps = atspi_accessible_get_child_count(desktop, nullptr);
    for (int i = 0; i < apps && !focused && budget > 0; ++i) {
        AtspiAccessible* app = atspi_accessible_get_child_at_index(desktop, i, nullptr);
        if (!app)
            continue;
        const int windows = atspi_accessible_get_child_count(app, nullptr);
        for (int w = 0; w < windows && !focused && budget > 0; ++w) {
            AtspiAccessible* window = atspi_accessible_get_child_at_index(app, w, nullptr);
            if (!window)
                continue;
            if (hasState(window, ATSPI_STATE_ACTIVE))
                focused = findWithState(window, ATSPI_STATE_FOCUSED, budget);
            g_object_unref(window);
        }
        g_object_unref(app);
    }
    g_object_unref(desktop);
    return focused;
}

} // namespace tarnix::atspi
