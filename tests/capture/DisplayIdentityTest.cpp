// Display identifiers copied from a listing must keep working: across a reset of the X server
// (its last client left), where every atom is handed out anew.

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>
#include <string>

#include "capture/CaptureSource.h"
#include "capture/x11/X11Connection.h"
#include "capture/x11/X11SourceLister.h"

using namespace tarnix;

namespace {

// A private Xvfb that resets when its last client disconnects (no -noreset).
class ResettingXServer {
public:
    ResettingXServer()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "800x600x24",
                   "-nolisten", "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes its display number once it accepts clients; wait for it with a deadline.
        pollfd ready{fds[0], POLLIN, 0};
        char number[16] = {};
        if (poll(&ready, 1, 20000) == 1 && read(fds[0], number, sizeof number - 1) > 0)
            display_ = ":" + std::string(number, std::strcspn(number, "\n"));
        // Kept open: Xvfb writes the number and its newline separately, and dies if the pipe closed
        // between the two.
        readEnd_ = fds[0];
    }
    ~ResettingXServer()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
        if (readEnd_ >= 0)
            close(readEnd_);
    }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    int readEnd_ = -1;
    std::string display_;
};

} // namespace

TEST(DisplayIdentity, followsTheOutputNameNotTheAtom)
{
    EXPECT_EQ(stableDisplayID("HDMI-1"), stableDisplayID("HDMI-1"));
    EXPECT_NE(stableDisplayID("HDMI-1"), stableDisplayID("HDMI-2"));
    EXPECT_NE(stableDisplayID("DP-1"), 0u); // 0 is the root-window fallback
    EXPECT_LE(stableDisplayID("a-very-long-output-name-that-wraps"), 0x7fffffffu);
}

TEST(DisplayIdentity, survivesAResetOfTheXServer)
{
    if (access("/usr/bin/Xvfb", X_OK) != 0)
        GTEST_SKIP() << "Xvfb is not installed";
    ResettingXServer server;
    ASSERT_FALSE(server.display().empty()) << "Xvfb did not start";

    std::string before;
    std::string name;
    {
        x11::Connection first(server.display().c_str());
        const auto displays = x11::listDisplays(first);
        ASSERT_FALSE(displays.empty());
        before = displayIdentifier(displays.front());
        name = displays.front().name;
    } // the last client leaves: the server resets and forgets every atom it handed out

    // The server takes a moment to reset: connections are refused until it has.
    std::unique_ptr<x11::Connection> reconnected;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!reconnected && std::chrono::steady_clock::now() < deadline) {
        try {
            reconnected = std::make_unique<x11::Connection>(server.display().c_str());
        } catch (const std::exception&) {
            std::this_thread::yield();
        }
    }
    ASSERT_TRUE(reconnected) << "the server did not come back after its reset";
    x11::Connection& second = *reconnected;
    // Other clients intern atoms first, as any desktop does after a reset.
    for (int i = 0; i < 40; ++i)
        second.atom(("TARNIX_TEST_ATOM_" + std::to_string(i)).c_str());
    const auto displays = x11::listDisplays(second);
    ASSERT_FALSE(displays.empty());
    EXPECT_EQ(displays.front().name, name);
    EXPECT_EQ(displayIdentifier(displays.front()), before);
}
