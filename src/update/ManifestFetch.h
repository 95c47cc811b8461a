#pragma once

#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>

#include "update/UpdateChecker.h"

// Downloads and decodes the update manifest with Qt Network. The body comes from the network, so
// it is treated as untrusted: more than maximumBodyBytes is a failed fetch, and the download page
// it names is opened only when downloadPage() accepts it.
//
// Threads: start on a thread with a running Qt event loop (the GUI thread); `done` runs there.

namespace tarnix::UpdateChecker {

inline constexpr qint64 maximumBodyBytes = 1 << 20;
inline constexpr int defaultTimeoutMs = 60'000;

// Fetches `endpoint` (cache bypassed; a transfer that stalls for `timeoutMs` fails) and calls
// `done` once with the manifest, or with none when the transfer failed, the body was too large or
// it did not decode. The HTTP status is not examined: an error page fails because it does not
// decode. When `context` is destroyed first the fetch is abandoned and `done` never runs.
void fetchManifest(const QUrl& endpoint, int timeoutMs, QObject* context,
                   std::function<void(std::optional<Manifest>)> done);

// The manifest's "url" as a web address to open: only an absolute http or https URL with a host;
// none for anything else (file:, javascript:, a relative path, garbage).
std::optional<QUrl> downloadPage(const std::string& url);

} // namespace tarnix::UpdateChecker
