#include "launch/entry_point_options.h"

#include <cstring>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "launch/class_path.h"

namespace tessel {
namespace {

std::string configuredText(int32_t key) {
  const std::string* value = configValue(key);
  return value ? std::string(value->c_str()) : std::string();
}

}  // namespace

std::string mainModuleName() {
  std::string module = configuredText(key::MainModule);
  return module.substr(0, module.find('/'));
}

void addEntryPointOptions(VmOptionList& options) {
  // Blank-separated, each option free of blanks (the tool checks the manifest's values).
  const std::string jarOptions = configuredText(key::JarVmOptions);
  for (size_t at = 0; at < jarOptions.size();) {
    size_t end = jarOptions.find(' ', at);
    if (end == std::string::npos) end = jarOptions.size();
    if (end > at) options.push_back(jarOptions.substr(at, end - at));
    at = end + 1;
  }
  if (configValue(key::ModulePath)) {
    ClassPath modulePath;
    addConfiguredEntries(modulePath, key::ModulePath, "modulepath");
    while (!modulePath.text.empty() && modulePath.text.back() == ';') modulePath.text.pop_back();
    options.push_back("--module-path=" + modulePath.text);
  }
  const std::string mainModule = configuredText(key::MainModule);
  const std::string module = mainModuleName();
  if (module.empty()) return;
  options.push_back("--add-modules=" + module);
  options.push_back("-Dtessel.mainModule=" + module);
  // The launcher class lives in the unnamed module and calls main by reflection, which needs
  // the package exported to it (as the runtime's own launcher needs none, calling it natively).
  const size_t slash = mainModule.find('/');
  const std::string mainClass = slash != std::string::npos ? mainModule.substr(slash + 1)
                                                           : configuredText(key::ModuleMainClass);
  const size_t lastDot = mainClass.rfind('.');
  if (lastDot != std::string::npos)
    options.push_back("--add-exports=" + module + "/" + mainClass.substr(0, lastDot) + "=ALL-UNNAMED");
}

std::wstring configuredMainClass() {
  std::string narrow = configuredText(key::MainClass);
  if (narrow.empty()) {
    const std::string mainModule = configuredText(key::MainModule);
    const size_t slash = mainModule.find('/');
    if (slash != std::string::npos) narrow = mainModule.substr(slash + 1);
    else if (!mainModule.empty()) narrow = configuredText(key::ModuleMainClass);
  }
  if (narrow.empty()) narrow = configuredText(key::JarMainClass);
  // Configuration texts are bytes; each becomes the character of the same number.
  std::wstring wide;
  for (char c : narrow) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

}  // namespace tessel
