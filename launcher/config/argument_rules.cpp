#include "config/argument_rules.h"

#include "config/config_access.h"
#include "config_keys.h"

namespace tessel {

ArgumentRules configuredArgumentRules() {
  const std::string* value = configValue(key::ArgumentRules);
  ArgumentRules rules = ArgumentRules::Launcher;
  if (value) parseArgumentRules(value->c_str(), rules);
  return rules;
}

const char* argumentRulesName(ArgumentRules rules) {
  return rules == ArgumentRules::Windows ? kWindowsArgumentRules : kLauncherArgumentRules;
}

}  // namespace tessel
