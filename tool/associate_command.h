// `tessel associate APP.exe`: registers the file types an executable declares with the
// Windows shell, removes them again, or writes the same as a .reg file for installers.
#pragma once
#include <ostream>
#include <string>

namespace tessel {

struct AssociateOptions {
  std::string executable;  // the built application
  bool allUsers = false;   // HKLM instead of HKCU
  bool remove = false;
  std::string regFile;     // write this .reg file instead of the registry
  std::string installDir;  // with regFile: where the executable will be installed
};

// Returns the process exit code: 0 done, 1 nothing done (the reason on `err`).
int runAssociate(const AssociateOptions& options, std::ostream& out, std::ostream& err);

}  // namespace tessel
