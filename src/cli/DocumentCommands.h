#pragma once

#include "cli/CliCommon.h"

// Commands that read a document and print what the zoom engine makes of it.

namespace tarnix::cli {

int runValidate(const Arguments& args);  // validate DOC.json
int runAutozoom(const Arguments& args);  // autozoom DOC.json
int runZoomAt(const Arguments& args);    // zoom-at DOC.json T

} // namespace tarnix::cli
