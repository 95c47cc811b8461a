#include "capture/atspi/AtspiFocusMonitor.h"

#include <atspi/atspi.h>
#include <gio/gio.h>

#include <future>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "capture/CaptureClock.h"
#include "capture/atspi/AtspiTree.h"
#include "capture/x11/X11SourceLister.h"

namespace tarnix::atspi {

namespace {

constexpr int kCallTimeoutMs = 200;
constexpr int kBusTimeoutMs = 1000;
constexpr int kInitialSearchLimit = 3000; // accessible objects visited looking for the focus

GVariant* callStatus(GDBusConnection* bus, const char* method, GVariant* parameters, const GVariantType* reply)
{
    return g_dbus_connection_call_sync(bus, "org.a11y.Bus", "/org/a11y/bus",
                                       "org.freedesktop.DBus.Properties", method, parameters, reply,
                                       G_DBUS_CALL_FLAGS_NONE, kBusTimeoutMs, nullptr, nullptr);
}

// The process that exported the element, if the bus can tell.
std::optional<std::int64_t> elementProcess(AtspiAccessible* accessible)
{
    GError* error = nullptr;
    const guint pid = atspi_accessible_get_process_id(accessible, &error);
    if (error) {
        g_error_free(error);
        return std::nullopt;
    }
    if (pid == 0)
        return std::nullopt;
    return std::int64_t(pid);
}

// Whether the window the element lives in (the ancestor just below the application) is ACTIVE.
bool topLevelActive(AtspiAccessible* element)
{
    constexpr int kMaxDepth = 100; // a cycle in a broken tree must not hang the thread
    AtspiAccessible* node = static_cast<AtspiAccessible*>(g_object_ref(element));
    bool active = false;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        AtspiAccessible* parent = atspi_accessible_get_parent(node, nullptr);
        if (!parent)
            break;
        const AtspiRole role = atspi_accessible_get_role(parent, nullptr);
        if (role == ATSPI_ROLE_APPLICATION || role == ATSPI_ROLE_DESKTOP_FRAME) {
            active = hasState(node, ATSPI_STATE_ACTIVE);
            g_object_unref(parent);
            break;
        }
        g_object_unref(node);
        node = parent;
    }
    g_object_unref(node);
    return active;
}

std::optional<Rect> screenExtents(AtspiAccessible* element)
{
    AtspiComponent* component = atspi_accessible_get_component_iface(element);
    if (!component)
        return std::nullopt;
    std::optional<Rect> frame;
    GError* error = nullptr;
    AtspiRect* rect = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, &error);
    if (rect && !error)
        frame = Rect{double(rect->x), double(rect->y), double(rect->width), double(rect->height)};
    if (rect)
        g_free(rect);
    if (error)
        g_error_free(error);
    g_object_unref(component);
    return frame;
}

} // namespace

bool isFrontmost(FrontmostTest test, const FocusedElementFacts& facts)
{
    return test == FrontmostTest::x11ActiveWindow ? belongsToFrontmost(facts.process, facts.frontmostProcess)
                                                  : facts.topLevelActive;
}

std::optional<Rect> sampledFrame(FrontmostTest test, const FocusedElementFacts& facts)
{
    if (!isFrontmost(test, facts) || !facts.extents || !(facts.extents->width > 0) || !(facts.extents->height > 0))
        return std::nullopt;
    return facts.extents;
}

bool belongsToFrontmost(std::optional<std::int64_t> elementProcess,
                        std::optional<std::int64_t> frontmostProcess)
{
    return elementProcess && frontmostProcess && *elementProcess == *frontmostProcess;
}

bool isTrusted(bool prompt)
{
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    if (!bus)
        return false;
    bool trusted = false;
    GVariant* address = g_dbus_connection_call_sync(bus, "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                                    "GetAddress", nullptr, G_VARIANT_TYPE("(s)"),
                                                    G_DBUS_CALL_FLAGS_NONE, kBusTimeoutMs, nullptr, nullptr);
    if (address) {
        g_variant_unref(address);
        GVariant* enabled = callStatus(bus, "Get", g_variant_new("(ss)", "org.a11y.Status", "IsEnabled"),
                                       G_VARIANT_TYPE("(v)"));
        if (enabled) {
            GVariant* value = nullptr;
            g_variant_get(enabled, "(v)", &value);
            trusted = value && g_variant_is_of_type(value, G_VARIANT_TYPE_BOOLEAN) && g_variant_get_boolean(value);
            if (value)
                g_variant_unref(value);
            g_variant_unref(enabled);
        }
        if (!trusted && prompt) {
            GVariant* done = callStatus(bus, "Set",
                                        g_variant_new("(ssv)", "org.a11y.Status", "IsEnabled",
                                                      g_variant_new_boolean(TRUE)),
                                        nullptr);
            if (done)
                g_variant_unref(done);
        }
    }
    g_object_unref(bus);
    return trusted;
}

struct FocusMonitor::State {
    double pollInterval;
    FrontmostTest test;
    Handler handler;
    GMainContext* context = nullptr;
    GMainLoop* loop = nullptr;
    AtspiEventListener* listener = nullptr;
    AtspiAccessible* focused = nullptr; // monitor thread only
    std::shared_ptr<FocusRole> role;     // may be null
    std::thread thread;

    std::unique_ptr<x11::Connection> display; // monitor thread only; null without an X server

    static void onFocus(AtspiEvent* event, void* data)
    {
        auto* state = static_cast<State*>(data);
        if (event->detail1 == 1 && event->source) {
            state->forgetFocus();
            state->focused = static_cast<AtspiAccessible*>(g_object_ref(event->source));
            state->noteRole();
        } else if (event->detail1 == 0 && event->source == state->focused) {
            // The element lost the focus (its window went behind another, or a click elsewhere):
            // it is not followed any more until something gains the focus.
            state->forgetFocus();
        }
        g_boxed_free(ATSPI_TYPE_EVENT, event);
    }

    void forgetFocus()
    {
        if (focused)
            g_object_unref(focused);
        focused = nullptr;
        if (role)
            role->passwordFocused = false;
    }

    // Keys typed into a password field must never be recorded: say so as soon as one has the focus.
    void noteRole()
    {
        if (role && focused)
            role->passwordFocused = atspi_accessible_get_role(focused, nullptr) == ATSPI_ROLE_PASSWORD_TEXT;
    }

    // The process of the active window, read afresh at each poll.
    std::optional<std::int64_t> frontmost()
    {
        if (!display)
            return std::nullopt;
        try {
            display->checkAlive();
            return x11::frontmostProcess(*display);
        } catch (const x11::X11Error&) {
            display.reset();
            return std::nullopt;
        }
    }

    static gboolean onPoll(void* data)
    {
        auto* state = static_cast<State*>(data);
        state->poll();
        return G_SOURCE_CONTINUE;
    }

    void findInitialFocus()
    {
        focused = findFocusInActiveWindows(kInitialSearchLimit);
        noteRole();
        if (role)
            role->known = true;
    }

    void poll()
    {
        const double time = CaptureClock::now();
        std::optional<Rect> frame;
        if (focused && !hasState(focused, ATSPI_STATE_DEFUNCT)) {
            FocusedElementFacts facts;
            if (test == FrontmostTest::x11ActiveWindow) {
                facts.process = elementProcess(focused);
                facts.frontmostProcess = frontmost();
            } else {
                facts.topLevelActive = topLevelActive(focused);
            }
            if (isFrontmost(test, facts))
                facts.extents = screenExtents(focused);
            frame = sampledFrame(test, facts);
        }
        handler(frame, time);
    }

    void run(std::promise<std::string>& ready)
    {
        g_main_context_push_thread_default(context);
        if (atspi_init() == 2) {
            ready.set_value("the accessibility bus isn't available");
            g_main_context_pop_thread_default(context);
            return;
        }
        atspi_set_timeout(kCallTimeoutMs, 0);
        atspi_set_main_context(context);
        listener = atspi_event_listener_new(onFocus, this, nullptr);
        GError* error = nullptr;
        if (!atspi_event_listener_register(listener, "object:state-changed:focused", &error)) {
            ready.set_value(error ? error->message : "can't listen for focus changes");
            if (error)
                g_error_free(error);
            g_main_context_pop_thread_default(context);
            return;
        }
        if (test == FrontmostTest::x11ActiveWindow) {
            try {
                display = std::make_unique<x11::Connection>();
            } catch (const x11::X11Error&) {
                // No X server: no frontmost application, so no element is sampled.
            }
        }
        findInitialFocus();
        GSource* timer = g_timeout_source_new(static_cast<guint>(pollInterval * 1000));
        g_source_set_callback(timer, onPoll, this, nullptr);
        g_source_attach(timer, context);
        ready.set_value({});
        g_main_loop_run(loop);
        g_source_destroy(timer);
        g_source_unref(timer);
        atspi_event_listener_deregister(listener, "object:state-changed:focused", nullptr);
        g_object_unref(listener);
        forgetFocus();
        if (role)
            role->known = false;
        display.reset();
        g_main_context_pop_thread_default(context);
    }
};

FocusMonitor::FocusMonitor(double pollInterval, FrontmostTest test, Handler handler, std::shared_ptr<FocusRole> role)
    : state_(std::make_unique<State>())
{
    state_->role = std::move(role);
    state_->pollInterval = pollInterval;
    state_->test = test;
    state_->handler = std::move(handler);
    state_->context = g_main_context_new();
    state_->loop = g_main_loop_new(state_->context, FALSE);
    std::promise<std::string> ready;
    auto result = ready.get_future();
    State* s = state_.get();
    state_->thread = std::thread([s, &ready] { s->run(ready); });
    const std::string failure = result.get();
    if (!failure.empty()) {
        state_->thread.join();
        g_main_loop_unref(state_->loop);
        g_main_context_unref(state_->context);
        throw std::runtime_error(failure);
    }
}

FocusMonitor::~FocusMonitor()
{
    g_main_context_invoke(state_->context, [](void* loop) -> gboolean {
        g_main_loop_quit(static_cast<GMainLoop*>(loop));
        return G_SOURCE_REMOVE;
    }, state_->loop);
    if (state_->thread.joinable())
        state_->thread.join();
    g_main_loop_unref(state_->loop);
    g_main_context_unref(state_->context);
}

} // namespace tarnix::atspi
