#pragma once

// A private headless Wayland desktop for one test program, started by a session script of this
// folder (sway or GNOME), with the known window on it, and tarnix-cli recordings made there.

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliProcess.h"

namespace tarnix::test {

struct WaylandDesktop {
    std::filesystem::path base;
    std::string script;
    std::optional<std::string> skipReason; // the desktop's own words when it could not start
    QProcess window;

    // Starts the desktop with `script up BASE extra...`, takes its environment into this process
    // (tarnix-cli, a child, inherits it) and opens the known window on it.
    void start(const std::string& sessionScript, const std::string& name, const QStringList& extra = {})
    {
        script = sessionScript;
        base = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(getpid()));
        std::filesystem::create_directories(base);
        QProcess up;
        up.setProcessChannelMode(QProcess::MergedChannels);
        up.start("bash", QStringList{QString::fromStdString(script), "up", QString::fromStdString(base.string())} + extra);
        if (!up.waitForFinished(90000) || up.exitCode() != 0) {
            skipReason = "the headless Wayland desktop did not start: " + up.readAll().toStdString();
            return;
        }
        std::ifstream env(base / "env");
        for (std::string line; std::getline(env, line);)
            if (auto equals = line.find('='); equals != std::string::npos)
                setenv(line.substr(0, equals).c_str(), line.substr(equals + 1).c_str(), 1);
        unsetenv("DISPLAY"); // the portal, not an X server, is what is recorded

        auto environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_QPA_PLATFORM", "wayland");
        window.setProcessEnvironment(environment);
        window.start(TARNIX_WAYLAND_WINDOW, {});
        bool ready = false;
        while (!ready && window.waitForReadyRead(20000))
            ready = window.readAllStandardOutput().contains("ready");
        if (!ready)
            skipReason = "the known window did not open on the Wayland desktop";
    }

    void stop()
    {
        window.kill();
        window.waitForFinished(5000);
        QProcess::execute("bash", {QString::fromStdString(script), "down", QString::fromStdString(base.string())});
        std::error_code ignored;
        std::filesystem::remove_all(base, ignored);
    }
};

// A fixture whose tests share one desktop, started by Fixture::startDesktop(desktop) for the
// program's run (each test runs in a process of its own under ctest); its tests skip with the
// desktop's own words where it could not start.
template <class Fixture>
class OnWaylandDesktop : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        desktop = new WaylandDesktop;
        Fixture::startDesktop(*desktop);
    }

    static void TearDownTestSuite()
    {
        desktop->stop();
        delete desktop;
        desktop = nullptr;
    }

    void SetUp() override
    {
        if (desktop->skipReason)
            GTEST_SKIP() << *desktop->skipReason;
    }

    static inline WaylandDesktop* desktop = nullptr;
};

// Points tarnix-cli at a settings folder of its own.
inline void useSettingsFolder(const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
}

inline int lineCount(const std::filesystem::path& path)
{
    const std::string text = fileText(path);
    return int(std::count(text.begin(), text.end(), '\n'));
}

struct PortalRecording {
    int exitCode = -1;
    std::string err;
    std::filesystem::path folder;
    std::optional<std::filesystem::path> movie;
    std::optional<std::filesystem::path> document;
};

// Records `source` with tarnix-cli into BASE/name; `whileRecording` runs once the recording
// runs, and the command ends after `seconds`, by itself, or when `whileRecording` stops it.
inline PortalRecording recordThroughPortal(const std::filesystem::path& base, const std::string& name,
                                           const std::string& source, double seconds,
                                           const std::function<void(CliProcess&)>& whileRecording = {},
                                           const std::vector<std::string>& moreArguments = {})
{
    PortalRecording result;
    result.folder = base / name;
    std::filesystem::remove_all(result.folder);
    std::filesystem::create_directories(result.folder);
    std::vector<std::string> arguments{"record", "--source", source, "--duration", std::to_string(seconds), "--out",
                                       result.folder.string()};
    arguments.insert(arguments.end(), moreArguments.begin(), moreArguments.end());
    CliProcess cli(arguments, base / name);
    EXPECT_TRUE(cli.started());
    // The portal answers in well under a second here; the deadline only bounds a hang.
    const bool recording = cli.waitForError("recording " + source, 60);
    EXPECT_TRUE(recording || !cli.err().empty()) << cli.err();
    if (recording && whileRecording)
        whileRecording(cli);
    result.exitCode = cli.wait();
    result.err = cli.err();
    for (const auto& entry : std::filesystem::directory_iterator(result.folder)) {
        if (entry.path().extension() == ".mp4")
            result.movie = entry.path();
        else if (entry.path().string().ends_with(".tarnix.json"))
            result.document = entry.path();
    }
    return result;
}

// The typical spacing of frame times: a loaded machine may make the recorder skip a few slots.
inline double medianSpacing(const std::vector<double>& times)
{
    std::vector<double> spacings;
    for (std::size_t i = 1; i < times.size(); ++i)
        spacings.push_back(times[i] - times[i - 1]);
    if (spacings.empty())
        return 0;
    std::nth_element(spacings.begin(), spacings.begin() + spacings.size() / 2, spacings.end());
    return spacings[spacings.size() / 2];
}

} // namespace tarnix::test
