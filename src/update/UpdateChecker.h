#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Release checking: the published manifest, the version comparison and the texts of the three
// alerts, without any I/O. ManifestFetch downloads the manifest; the user interface shows the
// alerts (ui/UpdatePrompt).

namespace tarnix::UpdateChecker {

// The manifest served at the update endpoint's /version.json.
struct Manifest {
    std::string version;              // dot-separated numbers, such as "1.4.2"
    std::string url;                  // the download page
    std::optional<std::string> notes; // release notes; absent when missing or null
    bool operator==(const Manifest&) const = default;
};

// Decodes a manifest body. "version" and "url" must be strings, "notes" a string or null or
// missing; other keys are ignored. Raises tarnix::DecodingError otherwise.
Manifest decodeManifest(std::string_view json);

// Whether version a is newer than version b: dot-separated pieces compared as integers, position
// by position, a missing or unparseable piece counting as 0.
bool isNewer(std::string_view a, std::string_view b);

// Where the manifest is published.
inline constexpr std::string_view endpoint = "https://updates.tarnix.app/version.json";

// The running version (the project's version, such as "0.1.0"); none when the build did not say.
std::optional<std::string> currentVersion();

// One alert: its title, its plain-text message, its buttons in order (the first is the default).
struct Alert {
    std::string title;
    std::string message;
    std::vector<std::string> buttons;
    bool operator==(const Alert&) const = default;
};

// A newer version exists: "Download" (index 0) or "Later".
Alert updateAlert(const Manifest& manifest, std::string_view runningVersion);
// The manual check found nothing newer.
Alert upToDateAlert(std::string_view runningVersion);
// The manual check could not fetch or decode the manifest.
Alert failureAlert();

} // namespace tarnix::UpdateChecker
