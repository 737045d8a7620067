// Helpers for tests that run `tessel build`: a project built from a scratch directory, with
// what the tool printed, and the template `make` built.
#pragma once
#include <cstdlib>
#include <sstream>
#include <string>

#include "build_command.h"
#include "tool_test_support.h"

namespace tessel::test {

struct Built {
  int rc = -1;
  std::string out, err;
};

// Writes `project` as app.toml into `dir` and builds it into `output` from `templatePath`;
// `options` brings anything else (signing, verbose).
inline Built buildProject(const ScratchDir& dir, const std::string& project, const std::string& output,
                          const std::string& templatePath, BuildOptions options = {}) {
  options.projectPath = dir.write("app.toml", project);
  options.outputPath = output;
  options.templatePath = templatePath;
  std::ostringstream out, err;
  Built b;
  b.rc = runBuild(options, out, err);
  b.out = out.str();
  b.err = err.str();
  return b;
}

// The real launcher template (TESSEL_DIST, else build/dist from the source tree).
inline std::string realTemplate() {
  const char* dist = std::getenv("TESSEL_DIST");
  return std::string(dist ? dist : "build/dist") + "/launcher.exe";
}

}  // namespace tessel::test
