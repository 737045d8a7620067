#include "startup/command_line.h"

#include <cwchar>

#include "config/argument_rules.h"
#include "config/config_access.h"
#include "util/common_controls.h"
#include "config/config_block.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/handles.h"
#include "util/paths.h"
#include "files/temp_dir.h"
#include "config/launcher_flavour.h"
#include "config/start_markers.h"
#include "files/expansion.h"

namespace tessel {

namespace {

const wchar_t* const kLogOptions[] = {L"-create-cvn-log", L"-create-tsl-log", L"/create-cvn-log",
                                      L"/create-tsl-log"};

constexpr size_t kShortPathCapacity = MAX_PATH;

}  // namespace

bool takeLogOption(ArgumentList& arguments) {
  if (arguments.size() < 2) return false;
  for (const wchar_t* option : kLogOptions) {
    if (arguments[1] == option) {
      arguments.erase(arguments.begin() + 1);
      createLogOption = true;
      return true;
    }
  }
  return false;
}

bool workingDirectoryFromConfig(wchar_t* out) {
  out[0] = 0;
  wchar_t value[kPathCapacity];
  configStringW(key::WorkingDirectory, value, kPathCapacity);
  if (!value[0]) return false;
  expandVariables(value, kPathCapacity, PathForm::NarrowSafe);
  if (!absolutePathW(out, value, PathForm::NarrowSafe)) {
    logError("working directory %S cannot be made absolute", value);
    return false;
  }
  return true;
}

void changeWorkingDirectory() {
  const std::string* value = configValue(key::WorkingDirectory);
  if (!value || value->empty()) {
    logLine("working directory unchanged");
    return;
  }
  wchar_t directory[kPathCapacity];
  if (!workingDirectoryFromConfig(directory)) return;
  SetCurrentDirectoryW(directory);  // a failure only shows in the later relative lookups
  logLine("change working directory to %S", directory);
}

void showLogPrompt() {
  const wchar_t* path = logFilePath();
  if (!path) path = L"";
  wchar_t text[kPathCapacity + 128];
  formatText(text, kPathCapacity + 128,
             L"The following log file will be created:\n\n%ls\n\nDo you want to open an "
             L"Explorer window?",
             path);
  prepareCommonControls();
  if (MessageBoxW(nullptr, text, productCaptionW(), MB_YESNO) != IDYES) return;

  wchar_t shortPath[kShortPathCapacity];
  DWORD n = GetShortPathNameW(path, shortPath, kShortPathCapacity);
  if (n == 0 || n >= kShortPathCapacity) copyText(shortPath, kShortPathCapacity, path);
  wchar_t windowsDir[kShortPathCapacity];
  UINT w = GetWindowsDirectoryW(windowsDir, kShortPathCapacity);
  if (w == 0 || w >= kShortPathCapacity) windowsDir[0] = 0;
  wchar_t command[2 * kShortPathCapacity + 32];
  formatText(command, sizeof(command) / sizeof(command[0]), L"%ls\\explorer.exe /select,%ls",
             windowsDir, shortPath);
  logLine("calling %S", command);
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, command, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr,
                      nullptr, &startup, &info)) {
    DWORD error = GetLastError();
    logLine("could not open explorer window %d", static_cast<int>(error));
    return;
  }
  unique_handle process(info.hProcess);  // not waited for
  unique_handle thread(info.hThread);
}

// Every narrow use of the launcher's own path (the runtime search, the class path, the VM
// options) would name another file: stop with a message that names the folder instead.
void refuseUnnamableDirectory() {
  if (launcherPathIsNarrow()) return;
  logError("the executable's path %S has no form in code page %u", launcherPathW(), GetACP());
  wchar_t text[kPathCapacity + 512];
  formatText(text, kPathCapacity + 512,
             L"This application cannot start from the folder\n\n%ls\n\nbecause its name holds "
             L"characters that the system's code page (%u) cannot show, and the drive gives it no "
             L"short name. Move the application to a folder whose name uses only characters of "
             L"the system's language.",
             launcherDirectoryW(PathForm::Long), GetACP());
  showErrorW(text);
  fatalExit(1);
}

void applyArgumentRules(ArgumentList& arguments, const wchar_t* commandLine) {
  if (configuredArgumentRules() != ArgumentRules::Windows || !commandLine) return;
  ArgumentList split;
  splitCommandLine(commandLine, ArgumentRules::Windows, split);
  // The log option was taken from the first split; the same text is the first argument here.
  if (createLogOption) takeLogOption(split);
  arguments.swap(split);
  logLine("arguments split by the Windows rules: %d", static_cast<int>(arguments.size()) - 1);
}

void prepareLaunch(ArgumentList& arguments) {
  launchTempDir[0] = 0;  // a fatal error while loading must delete nothing
  takeLogOption(arguments);
  loadConfiguration(arguments);
  applyArgumentRules(arguments, GetCommandLineW());
  refuseUnnamableDirectory();
  if (!languageRestart) changeWorkingDirectory();
  if (createLogOption) showLogPrompt();
}

}  // namespace tessel
