#include "support/ServiceHelpers.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace tarnix::test {

void ensureApplication()
{
    if (QCoreApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "tarnix-tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    (void)app;
}

void processEvents(double seconds)
{
    processEventsUntil(seconds, [] { return false; });
}

bool processEventsUntil(double timeoutSeconds, const std::function<bool()>& until)
{
    ensureApplication();
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutSeconds * 1000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (until())
            return true;
        QThread::msleep(2);
    }
    QCoreApplication::processEvents();
    return until();
}

int shell(const std::string& command)
{
    return std::system(command.c_str());
}

std::string shellOutput(const std::string& command)
{
    std::string output;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        std::array<char, 256> buffer;
        while (fgets(buffer.data(), buffer.size(), pipe))
            output += buffer.data();
        pclose(pipe);
    }
    while (!output.empty() && (output.back() == '\n' || output.back() == ' '))
        output.pop_back();
    return output;
}

bool requireDisplay()
{
    const char* display = std::getenv("DISPLAY");
    bool reachable = false;
    if (display && *display) {
        xcb_connection_t* connection = xcb_connect(display, nullptr);
        reachable = !xcb_connection_has_error(connection);
        xcb_disconnect(connection);
    }
    if (!reachable) {
        ADD_FAILURE() << "This test needs an X server (DISPLAY is \"" << (display ? display : "")
                      << "\"); scripts/test starts Xvfb through scripts/lib/services.sh.";
        return false;
    }
    return true;
}

bool requireSoundServer()
{
    if (shell("pactl info >/dev/null 2>&1") != 0) {
        ADD_FAILURE() << "This test needs a PulseAudio server (PULSE_SERVER is \""
                      << (std::getenv("PULSE_SERVER") ? std::getenv("PULSE_SERVER") : "")
                      << "\"); scripts/test starts one through scripts/lib/services.sh.";
        return false;
    }
    return true;
}

bool requireAccessibilityBus()
{
    if (shell("timeout 5 dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus "
              "org.a11y.Bus.GetAddress >/dev/null 2>&1") != 0) {
        ADD_FAILURE() << "This test needs a D-Bus session with the accessibility bus; scripts/test "
                         "starts them through scripts/lib/services.sh.";
        return false;
    }
    return true;
}

ScopedEnvironment::ScopedEnvironment(const char* name, const char* value)
    : name_(name)
{
    if (const char* old = std::getenv(name))
        old_ = old;
    setenv(name, value, 1);
}

ScopedEnvironment::~ScopedEnvironment()
{
    if (old_)
        setenv(name_, old_->c_str(), 1);
    else
        unsetenv(name_);
}

bool similarColour(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

TestWindow::TestWindow(const std::string& title, const std::string& color, QRect geometry, int fields,
                       bool edges, int passwordField)
    : process_(std::make_unique<QProcess>())
    , title_(title)
{
    ensureApplication();
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_->start(TARNIX_TEST_WINDOW,
                    {"--title", QString::fromStdString(title), "--color", QString::fromStdString(color),
                     "--frame",
                     QString("%1,%2,%3,%4").arg(geometry.x()).arg(geometry.y()).arg(geometry.width()).arg(geometry.height()),
                     "--fields", QString::number(fields), "--edges", edges ? "1" : "0",
                     "--password", QString::number(passwordField)});
    if (!process_->waitForStarted(5000))
        return;
    QElapsedTimer timer;
    timer.start();
    int expected = fields;
    while (timer.elapsed() < 10000 && (!ready_ || int(fields_.size()) < expected)) {
        if (!process_->canReadLine() && !process_->waitForReadyRead(200))
            continue;
        while (process_->canReadLine()) {
            const QString line = QString::fromUtf8(process_->readLine()).trimmed();
            const QStringList parts = line.split(' ');
            if (parts.value(0) == "ready") {
                ready_ = true;
                windowID_ = parts.value(1).toULong();
            } else if (parts.value(0) == "painted" && parts.size() == 3) {
                painted_.push_back(QSize(parts[1].toInt(), parts[2].toInt()));
            } else if (parts.value(0) == "field" && parts.size() == 6) {
                fields_.push_back(QRect(parts[2].toInt(), parts[3].toInt(), parts[4].toInt(), parts[5].toInt()));
            }
        }
    }
}

TestWindow::~TestWindow()
{
    process_->closeWriteChannel();
    if (!process_->waitForFinished(3000)) {
        process_->kill();
        process_->waitForFinished(3000);
    }
}

bool TestWindow::waitUntilPainted(QSize size, double timeoutSeconds)
{
    return processEventsUntil(timeoutSeconds, [&] {
        while (process_->canReadLine()) {
            const QStringList parts = QString::fromUtf8(process_->readLine()).trimmed().split(' ');
            if (parts.value(0) == "painted" && parts.size() == 3)
                painted_.push_back(QSize(parts[1].toInt(), parts[2].toInt()));
        }
        return std::find(painted_.begin(), painted_.end(), size) != painted_.end();
    });
}

std::string TestWindow::xdotoolID() const
{
    return shellOutput("xdotool search --onlyvisible --name '^" + title_ + "$' 2>/dev/null | head -n1");
}

bool fillDiskUnder(const std::string& suffix)
{
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const auto target = std::filesystem::read_symlink(entry.path(), error);
        if (error || !target.string().ends_with(suffix))
            continue;
        const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
        const bool moved = full >= 0 && dup3(full, std::stoi(entry.path().filename().string()), O_CLOEXEC) >= 0;
        close(full);
        return moved;
    }
    return false;
}

} // namespace tarnix::test
