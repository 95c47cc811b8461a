#pragma once

#include "cli/CliCommon.h"

// Recording from the command line: what can be recorded, and a recording of it.

namespace tarnix::cli {

int runSources(const Arguments& args); // sources
int runRecord(const Arguments& args);  // record --source ID [--camera ID] [--mic ID] ...

} // namespace tarnix::cli
