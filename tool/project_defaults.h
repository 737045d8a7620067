// What `tessel build` writes when a project leaves a setting out, chosen for a GUI
// application started by double-click: error texts in message boxes, a runtime looked for in
// the usual places, no elevation prompt.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "block_reader.h"

namespace tessel {

constexpr int32_t kDefaultExecutableType = 1;
// The bundled jre folder, JAVA_HOME, the registry, then java.exe on the search path.
constexpr const char* kDefaultSearchSequence = "B.\\jre;EJAVA_HOME;Y;S;";

struct AppliedDefault {
  std::string setting;  // "[application] executable_type"
  std::string value;    // as a project file would write it
  std::string meaning;  // what it does
};

// True when the block has a record for `key`.
bool blockHasKey(const BlockContents& block, int32_t key);
// Adds the record unless the block has one for `key`; true when it was added.
bool setKeyUnlessSet(BlockContents& block, int32_t key, const std::string& value);

// Sets the executable type and the search sequence where the block has none and lists them.
void applyBlockDefaults(BlockContents& block, std::vector<AppliedDefault>& applied);

// The summary's lines for the defaults applied (none when the list is empty).
std::string describeDefaults(const std::vector<AppliedDefault>& applied);

}  // namespace tessel
