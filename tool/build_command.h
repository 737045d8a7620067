// `tessel build`: the launcher template, the configuration block of a project file, the
// embedded files and the trailer, written as one application executable.
#pragma once
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "project_file.h"

namespace tessel {

struct BuildOptions {
  std::string projectPath;
  std::string outputPath;
  std::string templatePath;  // empty: launcher.exe beside the tool
  pe::SigningOptions signing;  // from the command line; set fields override [signing]
  bool verbose = false;        // name the osslsigncode that signs and show what it printed
};

// Writes the project's identity resources into the template image and sets the splash size
// keys from the splash bitmap unless the project sets them. False with `why` naming the file
// (and the project file's line and setting for an image that cannot be used).
bool applyProjectIdentity(Project& project, pe::Image& image, std::string& why);

// Everything behind the template: block, embedded records and trailer. `templateSize` decides
// the trailer's padding. False with `why` when an embedded file cannot be read or the result
// would not fit the launcher's 32-bit file offsets.
bool assembleAppendix(const Project& project, uint64_t templateSize, std::vector<uint8_t>& block,
                      std::vector<uint8_t>& records, std::vector<uint8_t>& trailer, std::string& why);

// Runs the command; returns the process exit code (0 success, 1 failure). Errors and warnings
// go to `err`, the summary (with the defaults it applied) to `out`.
int runBuild(const BuildOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tessel
