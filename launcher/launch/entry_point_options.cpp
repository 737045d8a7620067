#include "launch/entry_point_options.h"

#include "config/config_access.h"
#include "config_keys.h"
#include "configured_tokens.h"
#include "diagnostics/log.h"
#include "launch/class_path.h"
#include "util/paths.h"

namespace tessel {
namespace {

// Option text for the runtime: the stored value as wide text, made narrow at this edge.
std::string configuredText(int32_t key) { return narrowText(configTextW(key).c_str()); }

}  // namespace

std::string mainModuleName() { return moduleNameOf(configuredText(key::MainModule)); }

void addEntryPointOptions(VmOptionList& options) {
  appendBlankSeparated(configuredText(key::JarVmOptions), options);
  if (configValue(key::ModulePath)) {
    ClassPath modulePath;
    addConfiguredEntries(modulePath, key::ModulePath, "modulepath");
    while (!modulePath.text.empty() && modulePath.text.back() == ';') modulePath.text.pop_back();
    options.push_back("--module-path=" + modulePath.text);
  }
  appendModuleOptions(configuredText(key::MainModule), configuredText(key::ModuleMainClass),
                      options);
}

std::wstring configuredMainClass() {
  const std::string narrow =
      mainClassOf(configuredText(key::MainClass), configuredText(key::MainModule),
                  configuredText(key::ModuleMainClass), configuredText(key::JarMainClass));
  // Configuration texts are bytes; each becomes the character of the same number.
  std::wstring wide;
  for (char c : narrow) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

}  // namespace tessel
