#pragma once

#include "cli/CliCommon.h"

// Commands that edit a recording document in place.

namespace tarnix::cli {

int runCut(const Arguments& args); // cut DOC.json START END
// text DOC.json START END TEXT [--at X,Y] [--size N] [--color #RRGGBB] [--background]
int runText(const Arguments& args);
int runSpeed(const Arguments& args); // speed DOC.json START END FACTOR
int runSpeedIdle(const Arguments& args); // speed-idle DOC.json

} // namespace tarnix::cli
