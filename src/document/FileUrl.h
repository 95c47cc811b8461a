#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tarnix {

// "file://" URLs for local paths, percent-encoded as UTF-8. Relative paths are made absolute
// against the current directory before encoding.
std::string fileURLString(const std::filesystem::path& path);

// The local path of a "file://" URL (an empty host or "localhost"), or nothing when the text is
// not such a URL, its path is not absolute, or its percent escapes are malformed.
std::optional<std::filesystem::path> pathFromFileURL(std::string_view url);

} // namespace tarnix
