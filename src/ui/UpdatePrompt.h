#pragma once

#include <QUrl>

#include <functional>
#include <optional>
#include <string>

class QObject;

// The two update checks of the application and their alerts (through AppAlert): a quiet one when
// the recorder first shows, which speaks only when a newer version exists, and the manual one of
// "Check for Updates…", which always answers. "Download" opens the manifest's page in the desktop's
// browser, but only an http or https address.
//
// Threads: GUI thread; the download runs asynchronously, the alert is modal.

namespace tarnix::UpdatePrompt {

struct Options {
    QUrl endpoint;                              // empty = the published endpoint
    int timeoutMs = 60'000;
    std::optional<std::string> runningVersion;  // none = the build's version
    std::function<bool(const QUrl&)> openUrl;   // empty = QDesktopServices::openUrl
    std::function<void()> finished;             // after the alert (or the silence), for tests
};

void checkInBackground(QObject* context, Options options = {});
void checkManually(QObject* context, Options options = {});

} // namespace tarnix::UpdatePrompt
