// `[java] main_jar`: the executable jar's manifest read at build time and written into the
// block as the jar's class path, main class and VM options (keys 2013-2015).
#pragma once
#include <string>

#include "project_file.h"

namespace tessel {

// Resolves key 2012 against the directory of `outputPath` (where the launcher resolves it at
// run time), reads the jar's manifest and sets keys 2013-2015. Warnings go to the project.
// True when the project names no main jar. False with `why` when the jar or its manifest
// cannot be used.
bool applyMainJar(Project& project, const std::string& outputPath, std::string& why);

}  // namespace tessel
