// Helpers for the project-file tests: what a parse produced, as maps and error lines.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "project_file.h"

namespace tessel::test {

// The error lines of a project text that must not parse.
inline std::vector<std::string> errorsOf(const std::string& text) {
  Project project;
  std::vector<ProjectError> errors;
  EXPECT_FALSE(parseProject(text, "app.toml", project, errors));
  std::vector<std::string> out;
  for (const ProjectError& e : errors) out.push_back(formatProjectError(e));
  return out;
}

// Parses a project text that must parse into `project`; false, with a failure naming the first
// error, when it does not.
inline bool parsed(const std::string& text, Project& project, const std::string& path = "app.toml") {
  std::vector<ProjectError> errors;
  const bool ok = parseProject(text, path, project, errors);
  EXPECT_TRUE(ok) << (errors.empty() ? "" : formatProjectError(errors[0]));
  return ok;
}

inline std::map<int32_t, std::string> stringsOf(const Project& p) {
  std::map<int32_t, std::string> m;
  for (const auto& r : p.block.strings) m[r.first] = r.second;
  return m;
}

inline std::map<int32_t, std::u16string> messagesOf(const Project& p) {
  std::map<int32_t, std::u16string> m;
  for (const auto& r : p.block.messages) m[r.first] = r.second;
  return m;
}

}  // namespace tessel::test
