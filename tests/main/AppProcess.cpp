#include "main/AppProcess.h"

#include <atspi/atspi.h>

#include <csignal>
#include <functional>

#include "support/ServiceHelpers.h"

namespace tarnix::test {

namespace {

// An AT-SPI object that unreferences itself.
struct Accessible {
    AtspiAccessible* object = nullptr;
    explicit Accessible(AtspiAccessible* o = nullptr) : object(o) {}
    Accessible(Accessible&& other) noexcept : object(std::exchange(other.object, nullptr)) {}
    Accessible& operator=(Accessible&& other) noexcept
    {
        std::swap(object, other.object);
        return *this;
    }
    ~Accessible()
    {
        if (object)
            g_object_unref(object);
    }
    explicit operator bool() const { return object != nullptr; }
};

bool accessibilityReady()
{
    static const bool ready = atspi_init() < 2;
    return ready;
}

Accessible applicationOf(qint64 pid)
{
    Accessible desktop(atspi_get_desktop(0));
    const int count = atspi_accessible_get_child_count(desktop.object, nullptr);
    for (int i = 0; i < count; ++i) {
        Accessible child(atspi_accessible_get_child_at_index(desktop.object, i, nullptr));
        if (child && atspi_accessible_get_process_id(child.object, nullptr) == guint(pid))
            return child;
    }
    return Accessible();
}

// A name to look for: the whole name, or its beginning.
struct Wanted {
    std::string text;
    bool prefix = false;
    bool matches(const std::string& name) const { return prefix ? name.starts_with(text) : name == text; }
};

bool showingWithName(AtspiAccessible* node, const Wanted& wanted)
{
    gchar* name = atspi_accessible_get_name(node, nullptr);
    const bool named = name && wanted.matches(name);
    g_free(name);
    if (!named)
        return false;
    AtspiStateSet* states = atspi_accessible_get_state_set(node);
    const bool showing = states && atspi_state_set_contains(states, ATSPI_STATE_SHOWING);
    if (states)
        g_object_unref(states);
    return showing;
}

Accessible find(AtspiAccessible* node, const Wanted& wanted, int depth = 0)
{
    if (showingWithName(node, wanted))
        return Accessible(static_cast<AtspiAccessible*>(g_object_ref(node)));
    if (depth > 40)
        return Accessible();
    const int count = atspi_accessible_get_child_count(node, nullptr);
    for (int i = 0; i < count; ++i) {
        Accessible child(atspi_accessible_get_child_at_index(node, i, nullptr));
        if (!child)
            continue;
        if (Accessible found = find(child.object, wanted, depth + 1))
            return found;
    }
    return Accessible();
}

Accessible control(qint64 pid, const Wanted& wanted)
{
    if (!accessibilityReady())
        return Accessible();
    Accessible application = applicationOf(pid);
    if (!application)
        return Accessible();
    atspi_accessible_clear_cache(application.object);
    return find(application.object, wanted);
}

} // namespace

AppProcess::AppProcess(const std::filesystem::path& home, const QStringList& arguments)
{
    ensureApplication();
    auto environment = QProcessEnvironment::systemEnvironment();
    environment.insert("HOME", QString::fromStdString(home.string()));
    environment.remove("XDG_CONFIG_HOME");
    environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    environment.insert("TARNIX_NO_UPDATE_CHECK", "1");
    process_.setProcessEnvironment(environment);
    process_.start(TARNIX_APP, arguments);
    process_.waitForStarted(10000);
}

AppProcess::~AppProcess()
{
    if (isRunning()) {
        process_.kill();
        process_.waitForFinished(10000);
    }
}

bool AppProcess::waitForControl(const std::string& name, double seconds)
{
    return processEventsUntil(seconds, [&] { return isRunning() && bool(control(pid(), {name})); });
}

bool AppProcess::waitForText(const std::string& beginning, double seconds)
{
    return processEventsUntil(seconds, [&] { return isRunning() && bool(control(pid(), {beginning, true})); });
}

bool AppProcess::press(const std::string& name)
{
    Accessible found = control(pid(), {name});
    if (!found)
        return false;
    AtspiAction* action = atspi_accessible_get_action_iface(found.object);
    if (!action)
        return false;
    const bool done = atspi_action_do_action(action, 0, nullptr);
    g_object_unref(action);
    return done;
}

std::optional<QRect> AppProcess::extents(const std::string& name)
{
    Accessible found = control(pid(), {name});
    if (!found)
        return std::nullopt;
    AtspiComponent* component = atspi_accessible_get_component_iface(found.object);
    if (!component)
        return std::nullopt;
    AtspiRect* rect = atspi_component_get_extents(component, ATSPI_COORD_TYPE_SCREEN, nullptr);
    g_object_unref(component);
    if (!rect)
        return std::nullopt;
    const QRect result(rect->x, rect->y, rect->width, rect->height);
    g_free(rect);
    return result;
}

bool AppProcess::startRecording(const std::string& kind)
{
    if (!waitForControl(kind, 30))
        return false;
    // A click on the kind opens its menu, whose first item the keys choose once the menu has the
    // keyboard; a press of record without a source does nothing. Tried again until it records.
    auto visibleWindows = [&] {
        return shellOutput("xdotool search --onlyvisible --pid " + std::to_string(pid()) + " 2>/dev/null | wc -l");
    };
    return processEventsUntil(60, [&] {
        const auto frame = extents(kind);
        if (!frame)
            return false;
        const std::string before = visibleWindows();
        const QPoint centre = frame->center();
        shell("xdotool mousemove " + std::to_string(centre.x()) + " " + std::to_string(centre.y()) +
              " click 1 >/dev/null 2>&1");
        if (!processEventsUntil(3, [&] { return visibleWindows() != before; })) // the menu's window
            return false;
        shell("xdotool key Down Return >/dev/null 2>&1");
        press("Start Recording");
        return waitForControl("Stop Recording", 3);
    });
}

void AppProcess::signal(int number) { kill(pid_t(pid()), number); }

std::optional<int> AppProcess::waitForExit(double seconds)
{
    if (!processEventsUntil(seconds, [&] { return !isRunning(); }))
        return std::nullopt;
    if (process_.exitStatus() != QProcess::NormalExit)
        return std::nullopt;
    return process_.exitCode();
}

std::string AppProcess::standardError() { return process_.readAllStandardError().toStdString(); }

} // namespace tarnix::test
