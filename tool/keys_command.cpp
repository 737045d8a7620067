#include "keys_command.h"

#include <iomanip>
#include <string>

#include "config_keys.h"
#include "project_settings.h"

namespace tessel {

void printKeyTable(std::ostream& out) {
  size_t count = 0;
  const KeyInfo* keys = allKeys(count);
  for (size_t i = 0; i < count; ++i) {
    const KeyInfo& k = keys[i];
    std::string where;
    if (const ProjectSetting* s = settingForKey(k.id)) where = std::string("[") + s->section + "] " + s->name;
    else if (k.type == KeyType::Message) where = std::string("[messages] ") + (k.name + 8);
    else where = "(set by the tool)";
    out << std::left << std::setw(6) << k.id << std::setw(34) << k.name << std::setw(8)
        << keyTypeName(k.type) << " " << where << "\n";
  }
}

}  // namespace tessel
