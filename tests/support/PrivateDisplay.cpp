#include "support/PrivateDisplay.h"

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <filesystem>

#include "support/ServiceHelpers.h"

namespace tarnix::test {

namespace {

bool answers(const std::string& name)
{
    xcb_connection_t* connection = xcb_connect(name.c_str(), nullptr);
    const bool reachable = !xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    return reachable;
}

} // namespace

PrivateDisplay::PrivateDisplay()
{
    // Above the numbers scripts/lib/services.sh hands out, so the two don't race for one.
    for (int number = 250; number < 400 && name_.empty(); ++number) {
        const std::string n = std::to_string(number);
        if (!std::filesystem::exists("/tmp/.X11-unix/X" + n) && !std::filesystem::exists("/tmp/.X" + n + "-lock"))
            name_ = ":" + n;
    }
    if (name_.empty()) {
        ADD_FAILURE() << "no free X display number";
        return;
    }
    server_ = std::make_unique<QProcess>();
    server_->setStandardOutputFile(QProcess::nullDevice());
    server_->setStandardErrorFile(QProcess::nullDevice());
    server_->start("Xvfb", {QString::fromStdString(name_), "-screen", "0", "1920x1080x24", "-noreset",
                            "-nolisten", "tcp"});
    if (!server_->waitForStarted(10000)) {
        ADD_FAILURE() << "Xvfb could not be started: " << server_->errorString().toStdString();
        return;
    }
    ready_ = processEventsUntil(20, [&] { return server_->state() == QProcess::Running && answers(name_); });
    if (!ready_)
        ADD_FAILURE() << "the private X server " << name_ << " did not answer";
}

PrivateDisplay::~PrivateDisplay()
{
    if (!server_)
        return;
    server_->terminate();
    if (!server_->waitForFinished(10000)) {
        server_->kill();
        server_->waitForFinished(10000);
    }
}

int PrivateDisplay::run(const std::string& command) const
{
    return shell("export DISPLAY=" + name_ + "; " + command);
}

} // namespace tarnix::test
