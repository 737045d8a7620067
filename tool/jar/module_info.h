// The name and main class of a module, read from its compiled descriptor (module-info.class):
// the Module and ModuleMainClass attributes, found through the constant pool.
#pragma once
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tessel::jar {

struct ModuleInfo {
  std::string name;
  std::string mainClass;  // dotted; empty when the descriptor names none
};

// False with `why` for bytes that are not a module descriptor; nothing is read past them.
bool parseModuleInfo(const std::vector<uint8_t>& classFile, ModuleInfo& info, std::string& why);

// Looks through a module path entry as the runtime does: a modular jar, an exploded module
// (a directory with module-info.class) or a directory of those. True with `info` when the
// module `name` is there.
bool findModule(const std::filesystem::path& entry, const std::string& name, ModuleInfo& info);

}  // namespace tessel::jar
