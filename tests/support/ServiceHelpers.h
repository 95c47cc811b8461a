#pragma once

#include <QColor>
#include <QRect>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "media/MediaTestSupport.h"

// Test helpers around the services scripts/test starts (scripts/lib/services.sh): an X server,
// a sound server, the accessibility bus. A test that needs one that is absent fails at once with
// a message saying so, instead of hanging.

class QProcess;

namespace tarnix::test {

// Makes sure a QCoreApplication exists, so that queued calls can be delivered.
void ensureApplication();

// Runs the event loop for `seconds`, or until `until` returns true.
void processEvents(double seconds);
bool processEventsUntil(double timeoutSeconds, const std::function<bool()>& until);

// Each checks its service and records a test failure naming it when it is missing.
bool requireDisplay();
bool requireSoundServer();
bool requireAccessibilityBus();

// Runs a shell command (xdotool, xsetroot...), returns its exit status.
int shell(const std::string& command);
// Its standard output, trimmed.
std::string shellOutput(const std::string& command);

// Sets an environment variable for one scope, then puts back what was there.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Whether two colours match within `tolerance` per channel, alpha aside: for decoded video,
// whose colours drift a little through YUV.
bool similarColour(QRgb a, QRgb b, int tolerance = 12);

// A fresh, empty folder for one test, removed with the object.
using TemporaryFolder = media::test::TempFolder;

// The whole file as text; empty when it can't be read.
std::string readFile(const std::filesystem::path& path);

// Makes every later write to this process's open file whose name ends with `suffix` fail as on
// a full disk (No space left on device): its descriptor is put onto /dev/full. False when no such
// file is open.
bool fillDiskUnder(const std::string& suffix);

// tests/support's window, run as its own process.
class TestWindow {
public:
    // Starts the window and waits until it is on screen. title must be unique per test. With
    // `edges` it may be resized and draws a coloured band along each edge (TestWindow.cpp).
    // passwordField (from 1) makes that field a password field; 0 makes none.
    TestWindow(const std::string& title, const std::string& color, QRect geometry, int fields = 3,
               bool edges = false, int passwordField = 0);
    ~TestWindow();
    bool isReady() const { return ready_; }
    unsigned long windowID() const { return windowID_; }
    // The text fields' frames in root pixels, in Tab order.
    const std::vector<QRect>& fields() const { return fields_; }
    // The X id of the visible client window, as xdotool finds it by title.
    std::string xdotoolID() const;
    // Runs the event loop until a window with edges has painted itself at `size`.
    bool waitUntilPainted(QSize size, double timeoutSeconds);

private:
    std::unique_ptr<QProcess> process_;
    std::string title_;
    bool ready_ = false;
    unsigned long windowID_ = 0;
    std::vector<QRect> fields_;
    std::vector<QSize> painted_;
};

} // namespace tarnix::test
