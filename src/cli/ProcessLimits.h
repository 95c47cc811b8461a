#pragma once

#include <cstddef>

// Bounds a command's own time and memory, for commands that run unattended on files from anywhere
// (a file manager's thumbnailer on a downloaded document): a hostile input then ends in a clear
// failure instead of a hung or swapping process.
//
// Threads: call from main, before the work starts; the alarm's handler is async-signal-safe.

namespace tarnix::cli::ProcessLimits {

// After `seconds`, prints `message` on standard error and ends the process with exit status 1,
// whatever it is doing. cancelDeadline() before writing a result, so that the result is either
// written whole or not started.
void setDeadline(unsigned seconds, const char* message);
void cancelDeadline();

// Caps the address space at `bytes`: allocations past it fail (std::bad_alloc, or an FFmpeg
// error) rather than taking the machine's memory. Does nothing under AddressSanitizer, whose
// shadow memory reserves far more address space than any cap would allow.
void limitAddressSpace(std::size_t bytes);

} // namespace tarnix::cli::ProcessLimits
