#pragma once

// SIGINT (Ctrl-C), SIGTERM (log-out, shutdown) and SIGHUP (the terminal or the session closed) ask
// the program to stop cleanly instead of ending the process at once: in tarnix-cli an export is
// cancelled and leaves nothing, a recording is stopped as if Stop were pressed, a frame or demo
// discards what it had not published; in tarnix a recording is stopped and saved and the Studio
// writes its last edit before the application quits. SIGPIPE is ignored, so a closed terminal or
// pipe cannot end a command half-way through its last words.
//
// Threads: install() once from main before any thread starts; the rest from any thread. The
// handler only stores the signal and writes one byte to a pipe (async-signal-safe).

namespace tarnix::StopSignals {

void install();

// Whether a stop signal arrived since install().
bool requested();

// The name of the first stop signal ("SIGINT", "SIGTERM", "SIGHUP"), or nullptr.
const char* name();

// A descriptor that becomes readable when a stop signal arrives, for event loops. Reading it
// does not clear requested().
int descriptor();

// Reads what is waiting on descriptor(), so that a notifier on it fires once per signal.
void drain();

// SIGUSR1 asks a running recording to pause, and the next one to resume. Only a command that
// records installs it (before, the signal ends the process as it always does). Each signal is
// one byte on pauseDescriptor(); takePauseRequests() reads them and says how many came.
void installPause();
int pauseDescriptor();
int takePauseRequests();

} // namespace tarnix::StopSignals
