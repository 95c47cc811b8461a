#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "capture/KeySource.h"
#include "document/Geometry.h"

// Follows the keyboard focus of every accessible application through AT-SPI 2, on a thread of its
// own with its own GLib main context, and reports the focused element's frame every poll
// interval: only while the element has the focus and belongs to the frontmost application. On X11
// that is the owner of the window manager's active window; on Wayland, where no client can learn
// which window is active, it is the application whose top-level window AT-SPI marks ACTIVE. An
// element whose toolkit gives no screen extents (an error, or no size) is left out, never guessed.
// AT-SPI calls time out after 200 ms so a hung application can't stall the thread.

namespace tarnix::atspi {

// "Trusted": the accessibility bus answers and accessibility is switched on. With prompt, a
// process that is not trusted switches it on (org.a11y.Status.IsEnabled), the equivalent of the
// desktop's permission prompt: applications started afterwards export their widgets, and the next
// check passes. Any thread; blocks for at most about a second.
bool isTrusted(bool prompt);

// Whether an element of process elementProcess may be sampled while frontmostProcess owns the
// active window: only when both are known and equal, so that an element left focused in a window
// behind others is not followed.
bool belongsToFrontmost(std::optional<std::int64_t> elementProcess,
                        std::optional<std::int64_t> frontmostProcess);

// How the frontmost application is recognised.
enum class FrontmostTest {
    x11ActiveWindow,  // the process owning the X server's active window
    activeTopLevel,   // the element's top-level window has AT-SPI's ACTIVE state
};

// What is known of the focused element at a poll.
struct FocusedElementFacts {
    std::optional<std::int64_t> process;          // the process that exported it
    std::optional<std::int64_t> frontmostProcess; // the owner of the X server's active window
    bool topLevelActive = false;                  // its top-level window is ACTIVE
    std::optional<Rect> extents;                  // its screen extents, when the toolkit gave any
};

// Whether the element belongs to the frontmost application under `test`.
bool isFrontmost(FrontmostTest test, const FocusedElementFacts& facts);
// The frame to report for the element: nothing when it is not frontmost or its extents are
// missing or empty.
std::optional<Rect> sampledFrame(FrontmostTest test, const FocusedElementFacts& facts);

class FocusMonitor {
public:
    // Called on the monitor's thread at every poll: the focused element's frame in X11 root
    // pixels (top-left origin), or nothing when no usable element has the focus; and the
    // CaptureClock time of the poll.
    using Handler = std::function<void(std::optional<Rect> rootFrame, double time)>;

    // Starts the thread. Raises std::runtime_error when the accessibility bus can't be used.
    // With `role`, keeps it told whether the focus is in a password field while it runs.
    FocusMonitor(double pollInterval, FrontmostTest test, Handler handler,
                 std::shared_ptr<FocusRole> role = nullptr);
    ~FocusMonitor(); // stops the thread
    FocusMonitor(const FocusMonitor&) = delete;
    FocusMonitor& operator=(const FocusMonitor&) = delete;

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace tarnix::atspi
