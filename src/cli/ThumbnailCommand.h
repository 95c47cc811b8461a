#pragma once

#include "cli/CliCommon.h"

// thumbnail DOC OUT.png [--size N]: the picture a file manager shows for a recording document.

namespace tarnix::cli {

int runThumbnail(const Arguments& args);

// Seconds and bytes of address space the command may use, whatever the document holds.
inline constexpr unsigned kThumbnailSeconds = 8;
inline constexpr std::size_t kThumbnailAddressSpace = std::size_t(2) << 30;

} // namespace tarnix::cli
