// tarnix_atspi_action [--find] PID NAME: does what a screen reader's "activate" does to the
// showing control named NAME in the application of process PID, through the accessibility bus: its
// first action (a press, or a toggle for a checkable button). With --find, only looks for it. Run
// as its own process, because the application answers the accessibility bus from its own event
// loop.
// Exit status: 0 done (found), 2 no such showing control (or it has no action), 3 no accessibility
// bus.
#include <atspi/atspi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

bool isShowing(AtspiAccessible* object)
{
    AtspiStateSet* states = atspi_accessible_get_state_set(object);
    const bool showing = states && atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
    if (states)
        g_object_unref(states);
    return showing;
}

// Depth-first: the first showing object with that name that offers an action, owned by the caller.
AtspiAccessible* findNamed(AtspiAccessible* object, const std::string& name, int depth)
{
    if (depth > 40)
        return nullptr;
    gchar* own = atspi_accessible_get_name(object, nullptr);
    const bool match = own && name == own;
    g_free(own);
    if (match && isShowing(object)) {
        if (AtspiAction* action = atspi_accessible_get_action_iface(object)) {
            g_object_unref(action);
            g_object_ref(object);
            return object;
        }
    }
    const gint children = atspi_accessible_get_child_count(object, nullptr);
    for (gint i = 0; i < children; ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(object, i, nullptr);
        if (!child)
            continue;
        AtspiAccessible* found = findNamed(child, name, depth + 1);
        g_object_unref(child);
        if (found)
            return found;
    }
    return nullptr;
}

AtspiAccessible* findApplication(int pid)
{
    AtspiAccessible* desktop = atspi_get_desktop(0);
    AtspiAccessible* application = nullptr;
    const gint count = atspi_accessible_get_child_count(desktop, nullptr);
    for (gint i = 0; i < count && !application; ++i) {
        AtspiAccessible* child = atspi_accessible_get_child_at_index(desktop, i, nullptr);
        if (child && int(atspi_accessible_get_process_id(child, nullptr)) == pid)
            application = child;
        else if (child)
            g_object_unref(child);
    }
    g_object_unref(desktop);
    return application;
}

} // namespace

int main(int argc, char** argv)
{
    const bool onlyFind = argc == 4 && std::strcmp(argv[1], "--find") == 0;
    if (argc != 3 && !onlyFind) {
        std::fprintf(stderr, "usage: %s [--find] PID NAME\n", argv[0]);
        return 64;
    }
    const char* pid = argv[argc - 2];
    const char* name = argv[argc - 1];
    if (atspi_init() == 2) { // no accessibility bus: any further call would end the process
        std::fprintf(stderr, "tarnix_atspi_action: the accessibility bus can't be reached\n");
        return 3;
    }
    atspi_set_timeout(5000, 0);
    AtspiAccessible* application = findApplication(std::atoi(pid));
    if (!application) {
        std::fprintf(stderr, "tarnix_atspi_action: process %s is not on the accessibility bus\n", pid);
        return 2;
    }
    AtspiAccessible* control = findNamed(application, name, 0);
    g_object_unref(application);
    if (!control)
        return 2;
    if (onlyFind) {
        g_object_unref(control);
        atspi_exit();
        return 0;
    }
    AtspiAction* action = atspi_accessible_get_action_iface(control);
    GError* error = nullptr;
    const bool done = action && atspi_action_do_action(action, 0, &error);
    if (error) {
        std::fprintf(stderr, "%s\n", error->message);
        g_error_free(error);
    }
    if (action)
        g_object_unref(action);
    g_object_unref(control);
    atspi_exit();
    return done ? 0 : 2;
}
