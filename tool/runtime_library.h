// Whether a "t"-flavour project gives the launcher its Java side: the launcher starts
// com.tessel.runtime.WinLauncher, which only tessel-runtime.jar (or a jar holding its classes)
// supplies. Without it every start ends with ClassNotFoundException.
#pragma once
#include <string>

#include "project_file.h"

namespace tessel {

enum class RuntimeLibraryState {
  Present,  // embedded, in a class-path entry the build can read, or not needed
  Unknown,  // the class path has entries the build cannot see (variables, missing folders)
  NoClassPath,  // no class path, module path, main jar or class-path archive embedded at all
  Missing,  // everything the project names is readable and none of it holds the library
};

// Looks through the embedded files and the class-path and module-path entries (resolved
// against the output's directory, as the launcher resolves them); `unseen` names the first
// entry that could not be checked.
RuntimeLibraryState findRuntimeLibrary(const Project& project, const std::string& outputPath,
                                       std::string& unseen);

}  // namespace tessel
