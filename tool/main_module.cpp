#include "main_module.h"

#include <algorithm>

#include "block_writer.h"
#include "config_keys.h"
#include "file_io.h"
#include "value_rules.h"
#include "module_info.h"

namespace tessel {
namespace {

std::string blockValue(const BlockContents& block, int32_t key) {
  const std::string* value = findBlockString(block, key);
  return value ? *value : std::string();
}

}  // namespace

void applyMainModule(Project& project, const std::string& outputPath) {
  const std::string mainModule = blockValue(project.block, key::MainModule);
  if (mainModule.empty() || mainModule.find('/') != std::string::npos) return;
  const std::string setting = project.path + ": java.main_module: ";
  const std::filesystem::path base = toPath(outputPath).parent_path();
  const std::string modulePath = blockValue(project.block, key::ModulePath);
  jar::ModuleInfo info;
  bool found = false;
  for (const std::string& entry : splitEntries(modulePath)) {
    if (entry.size() < 3 || std::string("ADS").find(entry[0]) == std::string::npos) continue;
    std::string argument = latin1ToUtf8(entry.substr(2));
    if (argument.find_first_of("%$") != std::string::npos) continue;  // known only at run time
    std::replace(argument.begin(), argument.end(), '\\', '/');
    std::filesystem::path path = toPath(argument);
    found = jar::findModule(path.is_relative() ? base / path : path, mainModule, info);
    if (found) break;
  }
  if (!found) {
    project.warnings.push_back(setting + "module " + mainModule +
                               " is not in the module path beside the output; its main class is "
                               "looked up when it starts, and its package must then be open to the launcher");
    return;
  }
  if (info.mainClass.empty()) {
    project.warnings.push_back(setting + "the descriptor of module " + mainModule +
                               " names no main class; name it as \"" + mainModule + "/the.Main\"");
    return;
  }
  if (std::any_of(info.mainClass.begin(), info.mainClass.end(), [](char c) { return c & 0x80; })) {
    project.warnings.push_back(setting + "the main class of module " + mainModule +
                               " is not ASCII; name it in main_module");
    return;
  }
  putBlockString(project.block, key::ModuleMainClass, info.mainClass);
}

}  // namespace tessel
