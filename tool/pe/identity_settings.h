// The settings of [identity], [identity.version], [signing] and [[embed]]: tables the build
// tool reads itself rather than as configuration keys. One list serves the reader's name
// checks, the schema and the settings reference, so that they cannot disagree.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

namespace tessel::pe {

enum class TableValue { Text, Path, Boolean, Choice, Version };

struct TableSetting {
  const char* section;  // "identity", "identity.version", "signing" or "embed"
  const char* name;
  TableValue kind;
  const char* choices;  // Choice only: the allowed texts, separated by '|'
  const char* description;
};

const TableSetting* tableSettings(size_t& count) noexcept;
// The names `section` accepts, in table order.
std::vector<std::string> tableSettingNames(const std::string& section);
// The allowed texts of a Choice setting.
std::vector<std::string> tableSettingChoices(const TableSetting& setting);

}  // namespace tessel::pe
