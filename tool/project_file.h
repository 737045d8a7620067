// Reading a project file (TOML) into the records of a configuration block. Every problem is
// reported with the file, the line and the setting it concerns; nothing is guessed.
#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "block_reader.h"
#include "pe/identity_options.h"

namespace tessel {

struct ProjectError {
  std::string file;
  uint32_t line = 0;    // 0 when the problem has no line
  std::string setting;  // dotted setting name, empty when none applies
  std::string message;
};

// "FILE:LINE: SETTING: MESSAGE" (parts that are empty are left out).
std::string formatProjectError(const ProjectError& error);

// [java] runtime_library: the tool embeds its own copy, or the application supplies one.
constexpr const char* kRuntimeLibraryEmbed = "embed";
constexpr const char* kRuntimeLibraryExternal = "external";
constexpr const char* kRuntimeLibraryName = "tessel-runtime.jar";

struct EmbeddedSource {
  std::string sourcePath;  // resolved against the project file's directory
  std::string name;        // name under which the launcher extracts it
  uint32_t line = 0;
};

struct Project {
  std::string path;
  BlockContents block;  // string records (keys ascending), message records, locale sections
  std::vector<EmbeddedSource> embedded;
  std::vector<std::string> warnings;
  // Where the project file set each key: line and dotted setting name.
  std::map<int32_t, std::pair<uint32_t, std::string>> origins;
  pe::IdentityOptions identity;  // [identity]: resources written into the template
  pe::SigningOptions signing;    // [signing]: Authenticode signature of the finished file
};

// Parses `text` as the project file `path`. False when any error was found; all errors found
// are appended to `errors`.
bool parseProject(const std::string& text, const std::string& path, Project& project,
                  std::vector<ProjectError>& errors);

// Reads and parses the project file at `path`.
bool loadProject(const std::string& path, Project& project, std::vector<ProjectError>& errors);

}  // namespace tessel
