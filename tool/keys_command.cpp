#include "keys_command.h"

#include <iomanip>
#include <string>

#include "config_keys.h"
#include "pe/identity_settings.h"
#include "project_settings.h"

namespace tessel {
namespace {

std::string placeOf(const KeyInfo& k) {
  if (const ProjectSetting* s = settingForKey(k.id)) return std::string("[") + s->section + "] " + s->name;
  if (k.type == KeyType::Message) return std::string("[messages] ") + (k.name + 8);
  return "(set by the tool)";
}

// What a project file writes for a key of this type.
const char* projectValue(KeyType type) {
  switch (type) {
    case KeyType::String: return "string (Latin-1)";
    case KeyType::Wide: return "string (Latin-1)";
    case KeyType::Int: return "integer (or boolean)";
    case KeyType::Flag: return "boolean or integer";
    case KeyType::Colour: return "`\"r,g,b\"` or `[r, g, b]`, each 0-255";
    case KeyType::Message: return "string (any character)";
  }
  return "";
}

const char* tableValue(pe::TableValue kind) {
  switch (kind) {
    case pe::TableValue::Text: return "string";
    case pe::TableValue::Path: return "path (relative to the project file)";
    case pe::TableValue::Boolean: return "boolean";
    case pe::TableValue::Choice: return "one of";
    case pe::TableValue::Version: return "version `a.b.c.d`";
  }
  return "";
}

std::string cell(std::string text) {
  for (size_t at = 0; (at = text.find('|', at)) != std::string::npos; at += 2) text.replace(at, 1, "\\|");
  return text;
}

}  // namespace

void printKeyTable(std::ostream& out) {
  size_t count = 0;
  const KeyInfo* keys = allKeys(count);
  for (size_t i = 0; i < count; ++i) {
    const KeyInfo& k = keys[i];
    const std::string where = placeOf(k);
    out << std::left << std::setw(6) << k.id << std::setw(34) << k.name << std::setw(8)
        << keyTypeName(k.type) << " " << where << "\n";
  }
}

void printSettingsMarkdown(std::ostream& out) {
  out << "# Settings reference\n\n"
         "Written by `tessel keys --markdown` from the key vocabulary that `tessel build` and\n"
         "`tessel schema` use; a test keeps this file equal to what the tool writes. How the\n"
         "values are written: [project-files.md](project-files.md).\n\n"
         "## Configuration keys\n\n"
         "Each key is set under its name in its section, under its vocabulary name in its section\n"
         "or in `[keys]`, or by number in `[keys]`.\n\n"
         "| Key | Name | Type | Project file | Value | Meaning |\n|---|---|---|---|---|---|\n";
  size_t count = 0;
  const KeyInfo* keys = allKeys(count);
  for (size_t i = 0; i < count; ++i) {
    const KeyInfo& k = keys[i];
    if (k.type == KeyType::Message) continue;
    const std::string where = placeOf(k);
    out << "| " << k.id << " | `" << k.name << "` | " << keyTypeName(k.type) << " | "
        << (settingForKey(k.id) ? "`" + where + "`" : where) << " | "
        << (k.id == key::RestartExitCodes ? "`[3, 4]` or `\"3,4\"`"
            : settingForKey(k.id)          ? projectValue(k.type)
                                           : "-")
        << " | " << cell(k.meaning) << " |\n";
  }
  out << "\n## Messages\n\n"
         "In `[messages]` (and in `[locale.TAG]` sections) under their name without `message_`.\n\n"
         "| Key | Name | Shown when | English text |\n|---|---|---|---|\n";
  for (size_t i = 0; i < count; ++i) {
    const KeyInfo& k = keys[i];
    if (k.type != KeyType::Message) continue;
    std::string text = defaultMessageText(k.id) ? defaultMessageText(k.id) : "";
    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos;) text.replace(at, 1, "\\n");
    out << "| " << k.id << " | `" << (k.name + 8) << "` | " << cell(k.meaning) << " | " << cell(text) << " |\n";
  }
  out << "\n## Tables the tool reads itself\n\n"
         "| Setting | Value | Meaning |\n|---|---|---|\n";
  size_t tableCount = 0;
  const pe::TableSetting* table = pe::tableSettings(tableCount);
  for (size_t i = 0; i < tableCount; ++i) {
    const pe::TableSetting& s = table[i];
    const bool array = std::string(s.section) == "embed" || std::string(s.section) == "file_association";
    const std::string section = array ? "[[" + std::string(s.section) + "]]" : std::string("[") + s.section + "]";
    std::string value = tableValue(s.kind);
    for (const std::string& c : pe::tableSettingChoices(s)) value += (value.back() == 'f' ? " `" : ", `") + c + "`";
    out << "| `" << section << " " << s.name << "` | " << value << " | " << cell(s.description) << " |\n";
  }
}

}  // namespace tessel
