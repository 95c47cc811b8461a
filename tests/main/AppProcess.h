#pragma once

#include <QProcess>
#include <QRect>
#include <QStringList>

#include <filesystem>
#include <optional>
#include <string>

// The tarnix application run as a user runs it: its own process on the test's X server, with a
// home folder of the test's own (so its videos folder is the test's), driven through its
// accessible controls (AT-SPI) and the X server's mouse and keys (xdotool).

namespace tarnix::test {

class AppProcess {
public:
    AppProcess(const std::filesystem::path& home, const QStringList& arguments = {});
    ~AppProcess();

    bool isRunning() const { return process_.state() == QProcess::Running; }
    qint64 pid() const { return process_.processId(); }

    // Waits until a showing control of that accessible name exists.
    bool waitForControl(const std::string& name, double seconds);
    // Waits until a showing control whose accessible name begins so exists (a label's text).
    bool waitForText(const std::string& beginning, double seconds);
    // Its first action (a button's press); false when there is none.
    bool press(const std::string& name);
    // Its frame on the screen.
    std::optional<QRect> extents(const std::string& name);

    // Chooses the first source of `kind` ("Display") as the user does (a click on the kind opens
    // its menu, the keys pick the item) and presses record; true once it records.
    bool startRecording(const std::string& kind);

    void signal(int number);
    // Waits for the process to end; its exit code, or nothing when it did not end in time or
    // crashed.
    std::optional<int> waitForExit(double seconds);
    std::string standardError();

private:
    QProcess process_;
};

} // namespace tarnix::test
