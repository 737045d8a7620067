// The ways a project names what to start: a main class on the class path, a module
// (`main_module`, with `module_path`) or an executable jar (`main_jar`). Checks of their values
// and of combinations that would leave the start ambiguous.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace tessel {

// "module" or "module/dotted.main.Class"; false with `why` otherwise.
bool checkMainModule(const std::string& value, std::string& why);

// `claimed` maps each set key to its line and setting. False with the line, setting and
// reason of the first conflicting setting.
bool checkEntryPointCombination(const std::map<int32_t, std::pair<uint32_t, std::string>>& claimed,
                                uint32_t& line, std::string& setting, std::string& why);

}  // namespace tessel
