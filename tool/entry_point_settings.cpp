#include "entry_point_settings.h"

#include "config_keys.h"
#include "jar_launch.h"

namespace tessel {

bool checkMainModule(const std::string& value, std::string& why) {
  const size_t slash = value.find('/');
  const std::string module = value.substr(0, slash);
  if (!jar::isDottedJavaName(module)) {
    why = "\"" + module + "\" is not a module name (give \"module\" or \"module/main.Class\")";
    return false;
  }
  if (slash != std::string::npos && !jar::isDottedJavaName(value.substr(slash + 1))) {
    why = "\"" + value.substr(slash + 1) + "\" is not a dotted class name";
    return false;
  }
  return true;
}

bool checkEntryPointCombination(const std::map<int32_t, std::pair<uint32_t, std::string>>& claimed,
                                uint32_t& line, std::string& setting, std::string& why) {
  auto module = claimed.find(key::MainModule);
  auto jar = claimed.find(key::MainJar);
  auto mainClass = claimed.find(key::MainClass);
  if (module != claimed.end() && jar != claimed.end()) {
    const auto& later = module->second.first > jar->second.first ? module->second : jar->second;
    line = later.first;
    setting = later.second;
    why = "main_module and main_jar exclude each other: an application starts either way, not both";
    return false;
  }
  if (module != claimed.end() && mainClass != claimed.end()) {
    line = mainClass->second.first;
    setting = mainClass->second.second;
    why = "with main_module the main class is the module's own or the one after \"/\" in main_module";
    return false;
  }
  return true;
}

}  // namespace tessel
