// `tessel init`: a commented starter project file that builds as it is.
#pragma once
#include <ostream>
#include <string>

namespace tessel {

struct InitOptions {
  std::string jarPath;     // the application's jar; its manifest names the main class
  std::string name;        // the application's name (default: from the jar or "My Application")
  std::string outputPath;  // default: NAME.toml in the current directory, NAME from the jar or "app"
};

struct StarterProject {
  std::string name;            // the application's name
  std::string mainClass;       // empty: a placeholder the user replaces
  std::string jarSource;       // path of the jar as the project file writes it; empty for none
  std::string executableName;  // "app.exe", for the comments
  std::string projectName;     // "app.toml", for the comments
};

// The text of the starter project file.
std::string starterProjectText(const StarterProject& starter);

// Runs the command; returns the process exit code (0 written, 1 not).
int runInit(const InitOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tessel
