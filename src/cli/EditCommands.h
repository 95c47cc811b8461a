#pragma once

#include "cli/CliCommon.h"

// Commands that edit a recording document in place.

namespace tarnix::cli {

int runCut(const Arguments& args); // cut DOC.json START END
int runSpeed(const Arguments& args); // speed DOC.json START END FACTOR
int runSpeedIdle(const Arguments& args); // speed-idle DOC.json

} // namespace tarnix::cli
