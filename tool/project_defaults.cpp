#include "project_defaults.h"

#include <algorithm>

#include "argument_list.h"
#include "block_writer.h"
#include "config_keys.h"

namespace tessel {

bool blockHasKey(const BlockContents& block, int32_t key) { return findBlockString(block, key) != nullptr; }

bool setKeyUnlessSet(BlockContents& block, int32_t key, const std::string& value) {
  return putBlockString(block, key, value, false);
}

void applyBlockDefaults(BlockContents& block, std::vector<AppliedDefault>& applied) {
  if (setKeyUnlessSet(block, key::ExecutableType, std::to_string(kDefaultExecutableType)))
    applied.push_back({"[application] executable_type", std::to_string(kDefaultExecutableType),
                       "a GUI application; error texts in message boxes"});
  if (setKeyUnlessSet(block, key::ArgumentRules, kWindowsArgumentRules))
    applied.push_back({"[application] argument_rules", std::string("\"") + kWindowsArgumentRules + "\"",
                       "the user's arguments split as every Windows program splits them"});
  if (setKeyUnlessSet(block, key::SearchSequence, kDefaultSearchSequence)) {
    std::string escaped;
    for (char c : std::string(kDefaultSearchSequence)) escaped += c == '\\' ? "\\\\" : std::string(1, c);
    applied.push_back({"[java] search_sequence", "\"" + escaped + "\"",
                       "the bundled jre folder, JAVA_HOME, the registry, the search path"});
  }
}

std::string describeDefaults(const std::vector<AppliedDefault>& applied) {
  if (applied.empty()) return "";
  std::string text = "defaults applied (set them in the project file to choose otherwise):\n";
  for (const AppliedDefault& d : applied)
    text += "  " + d.setting + " = " + d.value + ": " + d.meaning + "\n";
  return text;
}

}  // namespace tessel
