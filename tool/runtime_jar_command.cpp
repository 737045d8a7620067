#include "runtime_jar_command.h"

#include <filesystem>
#include <vector>

#include "file_io.h"
#include "installation.h"

namespace tessel {

int runRuntimeJar(const std::string& directory, std::ostream& out, std::ostream& err) {
  const std::string jar = installedFile("tessel-runtime.jar");
  std::vector<uint8_t> bytes;
  std::string why;
  if (!readWholeFile(jar, bytes, why)) {
    err << "tessel runtime-jar: cannot read " << jar << ": " << why << "\n";
    return 1;
  }
  if (directory.empty()) {
    out << jar << "\n";
    return 0;
  }
  std::error_code failure;
  std::filesystem::create_directories(toPath(directory), failure);
  if (failure) {
    err << "tessel runtime-jar: cannot create " << directory << ": " << failure.message() << "\n";
    return 1;
  }
  const std::string target = fromPath(toPath(directory) / "tessel-runtime.jar");
  if (!writeFileAtomically(target, {&bytes}, why, nullptr)) {
    err << "tessel runtime-jar: " << why << "\n";
    return 1;
  }
  out << "copied " << jar << " to " << target << "\n";
  return 0;
}

}  // namespace tessel
