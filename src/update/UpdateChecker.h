#pragma once

#include <optional>
#include <string>
#include <string_view>

// Release checking: the published manifest and the version comparison. The network fetch and the
// alerts build on these.

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

} // namespace tarnix::UpdateChecker
