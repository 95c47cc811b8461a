#pragma once

#include "cli/CliCommon.h"

// Recordings that ended without their document (a crash, a kill): rebuilt from their journals.

namespace tarnix::cli {

int runRecover(const Arguments& args); // recover FOLDER

} // namespace tarnix::cli
