// The names a project file uses for configuration keys: each key has a home section and a
// short name there (`[splash] width` is key 141). Message keys live in [messages] under their
// vocabulary name without the "message_" prefix.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tessel {

struct ProjectSetting {
  const char* section;  // dotted table path, e.g. "splash.status_line"
  const char* name;     // short name within the section
  int32_t key;
};

// The table of sectioned settings (message keys are not in it; see messageKeyByName).
const ProjectSetting* projectSettings(size_t& count) noexcept;
// The setting called `name` in `section`, by short name or by the key's vocabulary name;
// nullptr when the section has no such setting.
const ProjectSetting* findProjectSetting(const std::string& section, const std::string& name);
// The home of a key, or nullptr for message keys and keys outside the vocabulary.
const ProjectSetting* settingForKey(int32_t key) noexcept;
// Every name `section` accepts: short names, vocabulary names and the names of its subsections
// ("status_line" in "splash"); for suggestions.
std::vector<std::string> settingNamesIn(const std::string& section);
// The sections a project file may have at its top level.
std::vector<std::string> topLevelSections();
// The short names of the message keys ("caption", "no_jvm", ...).
std::vector<std::string> messageNames();
// True for a dotted table path that holds settings ("application", "splash.status_line", ...).
bool isSettingsSection(const std::string& section) noexcept;
// A message key 1000-1020 by its short name ("caption") or vocabulary name
// ("message_caption"); 0 when unknown.
int32_t messageKeyByName(const std::string& name);

}  // namespace tessel
