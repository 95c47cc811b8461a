#pragma once

// SIGINT (Ctrl-C), SIGTERM and SIGHUP (the terminal closed) ask the running command to stop
// cleanly instead of ending the process: an export is cancelled and leaves nothing, a recording
// is stopped as if Stop were pressed, a frame or demo discards what it had not published. SIGPIPE
// is ignored, so a closed terminal or pipe cannot end a command half-way through its last words.
//
// Threads: install() once from main before any thread starts; the rest from any thread. The
// handler only stores the signal and writes one byte to a pipe (async-signal-safe).

namespace tarnix::cli::StopSignals {

void install();

// Whether a stop signal arrived since install().
bool requested();

// The name of the first stop signal ("SIGINT", "SIGTERM", "SIGHUP"), or nullptr.
const char* name();

// A descriptor that becomes readable when a stop signal arrives, for event loops. Reading it
// does not clear requested().
int descriptor();

} // namespace tarnix::cli::StopSignals
