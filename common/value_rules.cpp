#include "value_rules.h"

#include <cstring>

#include "argument_list.h"
#include "config_keys.h"

namespace tessel {
namespace {

using limit::kFlavourCapacity;
using limit::kFontFaceCapacity;
using limit::kJavaTextCapacity;
using limit::kJvmTypeCapacity;
using limit::kValueCapacity;
using limit::kVersionBoundCapacity;

constexpr ValueRule kRules[] = {
    {key::ApplicationName, kValueCapacity, ValueSyntax::Text},
    {key::StderrFile, kValueCapacity, ValueSyntax::Text},
    {key::StdoutFile, kValueCapacity, ValueSyntax::Text},
    {key::ClassPath, kValueCapacity, ValueSyntax::TypedEntries},
    {key::MainClass, 0, ValueSyntax::Text},
    {key::VmParameters, kValueCapacity, ValueSyntax::Text},
    {key::ApplicationArguments, kJavaTextCapacity, ValueSyntax::Text},
    {key::MinJavaVersion, kVersionBoundCapacity, ValueSyntax::Text},
    {key::MaxJavaVersion, kVersionBoundCapacity, ValueSyntax::Text},
    {key::SearchSequence, kValueCapacity, ValueSyntax::SearchSequence},
    {key::WorkingDirectory, kValueCapacity, ValueSyntax::Text},
    {key::PreferredJvmType, kJvmTypeCapacity, ValueSyntax::Text},
    {key::ApplicationId, kValueCapacity, ValueSyntax::Text},
    {key::LauncherFlavour, kFlavourCapacity, ValueSyntax::Flavour},
    {key::EmbeddedFileNames, 0, ValueSyntax::Text},
    {key::MainModule, 0, ValueSyntax::MainModule},
    {key::ModulePath, kValueCapacity, ValueSyntax::TypedEntries},
    {key::JarClassPath, kValueCapacity, ValueSyntax::TypedEntries},
    {key::JarMainClass, 0, ValueSyntax::Text},
    {key::JarVmOptions, 0, ValueSyntax::Text},
    {key::ModuleMainClass, 0, ValueSyntax::Text},
    {key::ArgumentRules, 0, ValueSyntax::ArgumentRules},
    {key::UserVmOptions, kValueCapacity, ValueSyntax::Text},
    {key::ClassDataSharing, 16, ValueSyntax::SharingMode},
    {key::RestartExitCodes, 256, ValueSyntax::Text},
    // Windows takes at most 128 characters; the launcher reads no more.
    {key::AppUserModelId, 130, ValueSyntax::Text},
    // Read by the tool only (tessel associate), whole.
    {key::FileAssociations, 0, ValueSyntax::Text},
    {key::InstallationDirectory, kValueCapacity, ValueSyntax::Text},
    {key::NativeLibraryDirectories, kValueCapacity, ValueSyntax::Text},
    // Both splash texts are handed to the Java side as well.
    {key::StatusLineText, kJavaTextCapacity, ValueSyntax::Text},
    {key::StatusLineFont, kFontFaceCapacity, ValueSyntax::Text},
    {key::VersionLineText, kJavaTextCapacity, ValueSyntax::Text},
    {key::VersionLineFont, kFontFaceCapacity, ValueSyntax::Text},
};

bool checkTypedEntries(const std::string& value, std::string& why) {
  for (const std::string& entry : splitEntries(value)) {
    const bool typed = std::strchr(kClassPathEntryTypes, entry[0]) != nullptr;
    if (!typed || entry.size() < 2 || (entry[1] != '0' && entry[1] != '1')) {
      why = "entry \"" + entry +
            "\" has no type: each entry is a type letter (A archive, D directory, E environment "
            "variable, S every jar and zip of a directory), 0 (optional) or 1 (required), then "
            "its path, like \"A1.\\lib\\app.jar;\"";
      return false;
    }
    if (entry[0] == 'E' && entry.size() == 2) {
      why = "entry \"" + entry + "\" names no environment variable";
      return false;
    }
  }
  return true;
}

bool checkSearchSequence(const std::string& value, std::string& why) {
  for (const std::string& entry : splitEntries(value)) {
    if (std::strchr(kSearchEntryTypes, entry[0]) == nullptr) {
      why = "entry \"" + entry +
            "\" has no known type: each entry is a type letter and its value (A, B or R a "
            "runtime directory, E an environment variable, Y the registry, S java.exe on the "
            "search path), like \"B.\\jre;EJAVA_HOME;Y;\"";
      return false;
    }
    if (entry.size() == 1 && std::strchr("ABRE", entry[0]) != nullptr) {
      why = std::string("entry \"") + entry[0] + "\" needs its " +
            (entry[0] == 'E' ? "variable name" : "directory") + ", like \"" +
            (entry[0] == 'E' ? "EJAVA_HOME" : "B.\\jre") + "\"";
      return false;
    }
  }
  return true;
}

}  // namespace

std::vector<std::string> splitEntries(const std::string& list) {
  std::vector<std::string> entries;
  for (size_t at = 0; at <= list.size();) {
    size_t end = list.find(';', at);
    if (end == std::string::npos) end = list.size();
    if (end > at) entries.push_back(list.substr(at, end - at));  // runs of ";" give no entry
    at = end + 1;
  }
  return entries;
}

const ValueRule* valueRules(size_t& count) noexcept {
  count = sizeof(kRules) / sizeof(kRules[0]);
  return kRules;
}

ValueRule valueRule(int32_t key) noexcept {
  for (const ValueRule& rule : kRules)
    if (rule.key == key) return rule;
  return {key, kValueCapacity, ValueSyntax::Text};
}

bool checkValueSyntax(const ValueRule& rule, const std::string& value, std::string& why) {
  if (value.find('\0') != std::string::npos) {
    why = "the text contains a NUL character";
    return false;
  }
  switch (rule.syntax) {
    case ValueSyntax::TypedEntries: return checkTypedEntries(value, why);
    case ValueSyntax::SearchSequence: return checkSearchSequence(value, why);
    case ValueSyntax::Flavour:
      if (value.size() == 1 && std::strchr(kFlavours, value[0]) != nullptr) return true;
      why = "\"" + value + "\" is not a flavour: give \"t\" (tessel) or \"c\" (corvane)";
      return false;
    case ValueSyntax::SharingMode:
      for (const char* mode : kSharingModes)
        if (value == mode) return true;
      why = "\"" + value + "\" is not a class-data sharing mode: give \"auto\" or \"off\"";
      return false;
    case ValueSyntax::ArgumentRules: {
      ArgumentRules rules;
      if (!value.empty() && parseArgumentRules(value.c_str(), rules)) return true;
      why = "\"" + value + "\" is no argument rule: give \"" + kWindowsArgumentRules +
            "\" (the rules of every Windows program) or \"" + kLauncherArgumentRules + "\"";
      return false;
    }
    case ValueSyntax::Text:
    case ValueSyntax::MainModule: return true;
  }
  return true;
}

}  // namespace tessel
