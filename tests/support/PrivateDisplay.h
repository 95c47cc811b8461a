#pragma once

#include <QProcess>

#include <memory>
#include <string>

// An Xvfb of one test's own (1920×1080, no window manager), for tests that change what the
// shared display must keep: its size, its monitors. Stopped with the object.

namespace tarnix::test {

class PrivateDisplay {
public:
    PrivateDisplay();
    ~PrivateDisplay();
    PrivateDisplay(const PrivateDisplay&) = delete;
    PrivateDisplay& operator=(const PrivateDisplay&) = delete;

    // Running and answering; when false a test failure says why.
    bool isReady() const { return ready_; }
    // ":N", for DISPLAY.
    const std::string& name() const { return name_; }
    // Runs a shell command (xrandr, xsetroot...) against this display; its exit status.
    int run(const std::string& command) const;

private:
    std::unique_ptr<QProcess> server_;
    std::string name_;
    bool ready_ = false;
};

} // namespace tarnix::test
