#include "project_settings.h"

#include <algorithm>
#include <cstring>

#include "config_keys.h"

namespace tessel {
namespace {

constexpr ProjectSetting kSettings[] = {
    {"application", "name", key::ApplicationName},
    {"application", "executable_type", key::ExecutableType},
    {"application", "flavour", key::LauncherFlavour},
    {"application", "working_directory", key::WorkingDirectory},
    {"application", "installation_directory", key::InstallationDirectory},
    {"application", "application_id", key::ApplicationId},
    {"application", "launcher_flag_five", key::LauncherFlagFive},
    {"application", "redirect_stderr", key::RedirectStderr},
    {"application", "stderr_file", key::StderrFile},
    {"application", "redirect_stdout", key::RedirectStdout},
    {"application", "stdout_file", key::StdoutFile},
    {"application", "quiet_console_options", key::QuietConsoleOptions},
    {"application", "console_option", key::ConsoleOption},
    {"application", "argument_rules", key::ArgumentRules},
    {"java", "main_class", key::MainClass},
    {"java", "class_path", key::ClassPath},
    {"java", "vm_parameters", key::VmParameters},
    {"java", "arguments", key::ApplicationArguments},
    {"java", "allow_j_options", key::AllowJOptions},
    {"java", "min_version", key::MinJavaVersion},
    {"java", "max_version", key::MaxJavaVersion},
    {"java", "search_sequence", key::SearchSequence},
    {"java", "allow_prerelease", key::AllowPrerelease},
    {"java", "require_jdk", key::RequireJdk},
    {"java", "preferred_jvm_type", key::PreferredJvmType},
    {"java", "shared_runtimes_only", key::SharedRuntimesOnly},
    {"java", "native_library_directories", key::NativeLibraryDirectories},
    {"java", "main_module", key::MainModule},
    {"java", "module_path", key::ModulePath},
    {"java", "main_jar", key::MainJar},
    {"java", "runtime_library", key::RuntimeLibrary},
    {"java", "user_vmoptions", key::UserVmOptions},
    {"java", "class_data_sharing", key::ClassDataSharing},
    {"restart", "exit_codes", key::RestartExitCodes},
    {"restart", "max_restarts", key::MaxRestarts},
    {"restart", "on_crash", key::RestartOnCrash},
    {"restart", "delay_ms", key::RestartDelayMs},
    {"instance", "single_instance", key::SingleInstance},
    {"instance", "activate_running_instance", key::ActivateRunningInstance},
    {"instance", "global_namespace", key::GlobalInstanceNamespace},
    {"splash", "enabled", key::SplashScreen},
    {"splash", "width", key::SplashWidth},
    {"splash", "height", key::SplashHeight},
    {"splash", "auto_off", key::SplashAutoOff},
    {"splash", "on_top", key::SplashOnTop},
    {"splash", "config_flag", key::SplashConfigFlag},
    {"splash", "runtime_splash", key::RuntimeSplash},
    {"splash.status_line", "x", key::StatusLineX},
    {"splash.status_line", "y", key::StatusLineY},
    {"splash.status_line", "text", key::StatusLineText},
    {"splash.status_line", "font", key::StatusLineFont},
    {"splash.status_line", "size", key::StatusLineSize},
    {"splash.status_line", "colour", key::StatusLineColour},
    {"splash.status_line", "weight", key::StatusLineWeight},
    {"splash.version_line", "x", key::VersionLineX},
    {"splash.version_line", "y", key::VersionLineY},
    {"splash.version_line", "text", key::VersionLineText},
    {"splash.version_line", "font", key::VersionLineFont},
    {"splash.version_line", "size", key::VersionLineSize},
    {"splash.version_line", "colour", key::VersionLineColour},
    {"splash.version_line", "weight", key::VersionLineWeight},
};

constexpr const char* kMessagePrefix = "message_";

}  // namespace

const ProjectSetting* projectSettings(size_t& count) noexcept {
  count = sizeof(kSettings) / sizeof(kSettings[0]);
  return kSettings;
}

const ProjectSetting* findProjectSetting(const std::string& section, const std::string& name) {
  for (const ProjectSetting& s : kSettings) {
    if (section != s.section) continue;
    if (name == s.name) return &s;
    const KeyInfo* info = findKey(s.key);
    if (info && name == info->name) return &s;
  }
  return nullptr;
}

const ProjectSetting* settingForKey(int32_t key) noexcept {
  for (const ProjectSetting& s : kSettings)
    if (s.key == key) return &s;
  return nullptr;
}

std::vector<std::string> settingNamesIn(const std::string& section) {
  std::vector<std::string> names;
  const std::string prefix = section + ".";
  for (const ProjectSetting& s : kSettings) {
    const std::string home = s.section;
    if (home == section) {
      names.push_back(s.name);
      if (const KeyInfo* info = findKey(s.key)) names.push_back(info->name);
    } else if (home.compare(0, prefix.size(), prefix) == 0 &&
               home.find('.', prefix.size()) == std::string::npos &&
               std::find(names.begin(), names.end(), home.substr(prefix.size())) == names.end()) {
      names.push_back(home.substr(prefix.size()));
    }
  }
  return names;
}

std::vector<std::string> topLevelSections() {
  return {"application", "java",  "instance", "restart",  "splash", "messages",
          "locale",      "keys",  "embed",    "identity", "signing", "file_association"};
}

std::vector<std::string> messageNames() {
  std::vector<std::string> names;
  size_t count = 0;
  const KeyInfo* keys = allKeys(count);
  for (size_t i = 0; i < count; ++i)
    if (keys[i].type == KeyType::Message) names.push_back(keys[i].name + std::strlen(kMessagePrefix));
  return names;
}

bool isSettingsSection(const std::string& section) noexcept {
  for (const ProjectSetting& s : kSettings)
    if (section == s.section) return true;
  return false;
}

int32_t messageKeyByName(const std::string& name) {
  const KeyInfo* info = findKeyByName(name.c_str());
  if (!info) info = findKeyByName((kMessagePrefix + name).c_str());
  return info && info->type == KeyType::Message ? info->id : 0;
}

}  // namespace tessel
