// The launcher's own command-line options -q, -c and -console (when the configuration
// enables them). They stay in the argument list.
#pragma once
#include "startup/argument_list.h"

namespace tessel {

// Applies the options; ends the process when -c cannot get a console.
void applyLauncherOptions(const ArgumentList& arguments);

}  // namespace tessel
