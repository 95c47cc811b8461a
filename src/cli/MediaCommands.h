#pragma once

#include "cli/CliCommon.h"

// Commands that build a recording's composition and render or export it.

namespace tarnix::cli {

int runExport(const Arguments& args); // export DOC.json [--resolution R] [--out FILE]
int runFrame(const Arguments& args);  // frame DOC.json TIME --out FRAME.png
int runDemo(const Arguments& args);   // demo [--out DIR]

} // namespace tarnix::cli
