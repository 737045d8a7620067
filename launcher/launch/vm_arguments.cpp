#include "launch/vm_arguments.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "config/argument_rules.h"
#include "config/config_access.h"
#include "config/config_block.h"
#include "config/locale.h"
#include "config_keys.h"
#include "configured_tokens.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/environment.h"
#include "util/paths.h"
#include "text_match.h"
#include "files/temp_dir.h"
#include "instance/instance_guard.h"
#include "argument_list.h"
#include "config/start_markers.h"
#include "launch/class_path.h"
#include "launch/class_data_sharing.h"
#include "files/expansion.h"
#include "config/launcher_flavour.h"
#include "launch/entry_point_options.h"
#include "launch/vm_options_file.h"
#include "vm/start_outcome.h"

namespace tessel {
namespace {

// The whole PATH in the file-API code page. An entry that code page cannot hold is given by
// its short name; one without a usable short name is left out, and the log says so.
std::string libraryPathProperty() {
  const std::wstring path = environmentValueW(L"PATH");
  std::string option = "-Djava.library.path=";
  bool lossy = false;
  std::string whole = narrowText(path.c_str(), &lossy);
  if (!lossy) return option + whole;
  bool first = true;
  for (size_t start = 0; start <= path.size();) {
    size_t end = path.find(L';', start);
    if (end == std::wstring::npos) end = path.size();
    const std::wstring entry = path.substr(start, end - start);
    std::string narrow;
    if (narrowPathOf(entry.c_str(), narrow)) {
      if (!first) option += ';';
      option += narrow;
      first = false;
    } else {
      logError("java.library.path: %S cannot be written in code page %u and has no short name; "
               "left out", entry.c_str(), GetACP());
    }
    start = end + 1;
  }
  return option;
}

void applyLocaleOption(const char* prefix, bool (*copyPart)(char*), VmOptionState& state) {
  char part[3];
  if (!copyPart(part)) return;
  std::wstring option;
  for (const char* c = prefix; *c; ++c) option += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  for (const char* c = part; *c; ++c) option += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  applyOptionLine(nullptr, option.c_str(), state);
}

class ConfiguredValueExpander : public TokenExpander {
 public:
  ConfiguredValueExpander(int32_t key, PathForm form) : key_(key), form_(form) {}
  void expand(wchar_t* text, size_t capacity) override {
    if (!expandVariables(text, capacity, form_))
      logError("configuration value %d not fully expanded: %S", static_cast<int>(key_), text);
  }

 private:
  int32_t key_;
  PathForm form_;
};

}  // namespace

std::vector<std::string> buildLauncherProperties() {
  std::vector<std::string> properties;
  // Each property is built in place: temporary strings for every concatenation cost more code
  // than the list itself.
  auto add = [&properties](const char* prefix, const char* value) {
    properties.emplace_back(prefix).append(value);
  };
  auto addNumber = [&add](const char* prefix, long long value) {
    char digits[24];
    formatText(digits, sizeof digits, "%I64d", value);
    add(prefix, digits);
  };
  if (const char* semaphore = instanceSemaphoreName()) add("-Dtessel.semaphoreName=", semaphore);
  if (corvaneFlavour()) add("-Dtessel.isCorvane=true", "");
  add("-Dtessel.moduleName=", launcherPath());
  add("-Dsun.java.command=", launcherPath());
  add("-Dtessel.tempDir=", narrowLaunchTempDir().c_str());
  addNumber("-Dtessel.unextractedPosition=",
            languageRestart ? -1 : static_cast<long long>(unextractedPosition));
  properties.push_back(libraryPathProperty());
  // A later start's arguments are split on the Java side: by the rule this executable uses.
  add("-Dtessel.argumentRules=", argumentRulesName(configuredArgumentRules()));
  if (restartCount() > 0) addNumber("-Dtessel.restartCount=", restartCount());
  if (GetEnvironmentVariableA("MANPATH", nullptr, 0) == 0 &&
      GetLastError() == ERROR_ENVVAR_NOT_FOUND)
    addNumber("-Dtessel.consoleCodepage=cp", static_cast<long long>(GetConsoleOutputCP()));
  return properties;
}

void appendExpandedTokens(int32_t key, size_t capacity, PathForm form, ArgumentList& out) {
  std::vector<wchar_t> value(capacity);
  configStringW(key, value.data(), capacity);
  ConfiguredValueExpander expander(key, form);
  tessel::appendExpandedTokens(value.data(), capacity, expander, out);
}

void collectVmParameters(const ArgumentList& arguments, VmOptionState& state) {
  ArgumentList tokens;
  appendExpandedTokens(key::VmParameters, kPathCapacity, PathForm::NarrowSafe, tokens);
  logLine("adding options\n");
  for (const std::wstring& line : vmParameterLines(tokens))
    applyOptionLine(nullptr, line.c_str(), state);
  if (configInt(key::AllowJOptions)) {
    for (const std::wstring& argument : arguments)
      if (startsWith(argument, L"-J")) applyOptionLine(nullptr, argument.c_str() + 2, state);
  }
  const std::wstring* localeOption = nullptr;
  for (const std::wstring& argument : arguments)
    if (startsWith(argument, kFormatAsDefaultOption)) localeOption = &argument;
  if (!localeOption) return;
  applyOptionLine(nullptr, localeOption->c_str(), state);
  if (formatAsDefault(arguments)) return;
  applyLocaleOption("-Duser.language=", copyLocaleLanguage, state);
  applyLocaleOption("-Duser.country=", copyLocaleCountry, state);
}

void collectVmOptions(const std::vector<std::string>& properties, const ArgumentList& arguments,
                      VmOptionState& state) {
  state.options.insert(state.options.end(), properties.begin(), properties.end());
  // Before the configured parameters, so that these can still override them.
  addEntryPointOptions(state.options);
  collectVmParameters(arguments, state);
  std::wstring defaultName;
  unique_file defaultFile = openDefaultVmOptions(&defaultName);
  logLine("default vmoptions file: %p", static_cast<void*>(defaultFile.get()));
  if (defaultFile) {
    // Relative includes of the default file resolve against the launcher directory.
    state.openFiles.push_back(defaultName);
    readVmOptionsFile(nullptr, std::move(defaultFile), state);
    state.openFiles.pop_back();
  }
  // After the file beside the executable, so that a user's own lines win.
  readUserVmOptions(state);
  std::string classPath = buildClassPathOption(state.slots);
  addClassDataSharingOptions(state.options, classPath);
  state.options.push_back(classPath);
}

JavaVMInitArgs* buildVmOptions(const std::vector<std::string>& properties,
                               const ArgumentList& arguments) {
  // Handed to the virtual machine: kept for the life of the process.
  static VmOptionState state;
  static JavaVMOption* options = nullptr;  // an array: one vector type less in the template
  static JavaVMInitArgs initArgs;
  state = VmOptionState{};
  collectVmOptions(properties, arguments, state);
  const size_t count = state.options.size();
  delete[] options;
  options = new JavaVMOption[count + 1];
  for (size_t i = 0; i < count; ++i) options[i] = JavaVMOption{&state.options[i][0], nullptr};
  initArgs.version = JNI_VERSION_1_2;
  initArgs.nOptions = static_cast<jint>(count);
  initArgs.options = options;
  initArgs.ignoreUnrecognized = JNI_TRUE;
  logLine("vmoption count %d", static_cast<int>(count));
  for (size_t i = 0; i < count; ++i)
    logLine("vmoption %d: %s", static_cast<int>(i), options[i].optionString);
  return &initArgs;
}

}  // namespace tessel
