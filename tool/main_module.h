// `[java] main_module` without a class: the module's own main class, read at build time from
// its descriptor in the module path, so that the launcher can export that class's package to
// the runtime library (key 2016).
#pragma once
#include <string>

#include "project_file.h"

namespace tessel {

// Looks for the main module in the module path entries (resolved against the directory of
// `outputPath`) and sets key 2016 from its descriptor. A module that is not there, or whose
// path holds variables, is left to the run time with a warning.
void applyMainModule(Project& project, const std::string& outputPath);

}  // namespace tessel
