#pragma once

#include <filesystem>
#include <memory>

#include "app/RecordingSession.h"

// A recording session as the session and window tests use it: files in `folder`, the fastest
// encoder, and no accessibility prompt. Header-only: the tests that include it link the app.

namespace tarnix::test {

inline std::unique_ptr<RecordingSession> makeTestSession(const std::filesystem::path& folder)
{
    auto session = std::make_unique<RecordingSession>();
    session->setOutputDirectory(folder);
    auto options = session->recorder().options();
    options.encoders = {"libx264"};
    options.preset = "ultrafast";
    session->recorder().setOptions(options);
    session->focusedElementTracker().setTrustCheck([](bool) { return false; });
    return session;
}

} // namespace tarnix::test
