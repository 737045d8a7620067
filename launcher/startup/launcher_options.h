// The launcher's own command-line options -q, -c and -console (when the configuration
// enables them). They stay in the argument list.
#pragma once
#include "argument_list.h"
#include "startup/console.h"

namespace tessel {

// Applies the options; ends the process when -c cannot get a console. Tests pass their own
// `attach` so that the test process keeps its streams.
void applyLauncherOptions(const ArgumentList& arguments, bool (*attach)() = attachConsole);

}  // namespace tessel
