#include "startup/command_line.h"

#include <cwchar>

#include "config/config_access.h"
#include "config/config_block.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/handles.h"
#include "util/paths.h"
#include "files/temp_dir.h"
#include "startup/startup_state.h"
#include "launch/expansion.h"

namespace tessel {

bool languageRestart = false;
char launcherFlavor = 0;
const char* productCaption = "corvane";
const wchar_t* productCaptionW = L"corvane";
HINSTANCE launcherInstance = nullptr;

namespace {

const wchar_t* const kLogOptions[] = {L"-create-cvn-log", L"-create-tsl-log", L"/create-cvn-log",
                                      L"/create-tsl-log"};

constexpr size_t kShortPathCapacity = MAX_PATH;

}  // namespace

const wchar_t* takeQuotedArgument(ArgumentList& arguments, const wchar_t* quote,
                                  const wchar_t* start, wchar_t quoteChar) {
  const wchar_t* close = std::wcschr(quote + 1, quoteChar);
  std::wstring argument(start, quote);
  if (!close) {
    argument.append(quote + 1);
    arguments.push_back(std::move(argument));
    return quote + 1 + std::wcslen(quote + 1);
  }
  argument.append(quote + 1, close);
  arguments.push_back(std::move(argument));
  return close[1] == L' ' ? close + 2 : close + 1;
}

void splitCommandLine(const wchar_t* commandLine, ArgumentList& arguments) {
  if (!commandLine) return;
  const wchar_t* p = commandLine;
  while (*p) {
    // The first blank or quote decides: a blank before any quote ends a plain argument,
    // otherwise the earliest quote (of either kind) opens a quoted one.
    const wchar_t* special = std::wcspbrk(p, L" \"'");
    if (!special) {
      arguments.emplace_back(p);
      return;
    }
    if (*special == L' ') {
      if (special != p) arguments.emplace_back(p, special);
      p = special + 1;
      continue;
    }
    p = takeQuotedArgument(arguments, special, p, *special);
  }
}

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

void selectFlavour() {
  char flavour[2];
  configString(key::LauncherFlavour, flavour, sizeof(flavour));
  launcherFlavor = flavour[0];
  bool tessel = launcherFlavor == 't';
  productCaption = tessel ? "tessel" : "corvane";
  productCaptionW = tessel ? L"tessel" : L"corvane";
}

bool workingDirectoryFromConfig(wchar_t* out) {
  out[0] = 0;
  wchar_t value[kPathCapacity];
  configStringW(key::WorkingDirectory, value, kPathCapacity);
  if (!value[0]) return false;
  expandVariables(value, kPathCapacity, true);
  if (!absolutePathW(out, value, true, true)) {
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
  if (MessageBoxW(nullptr, text, productCaptionW, MB_YESNO) != IDYES) return;

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

void prepareLaunch(HINSTANCE instance, ArgumentList& arguments) {
  launchTempDir[0] = 0;  // a fatal error while loading must delete nothing
  takeLogOption(arguments);
  loadConfiguration(arguments);
  launcherInstance = instance;
  selectFlavour();
  if (!languageRestart) changeWorkingDirectory();
  if (createLogOption) showLogPrompt();
}

}  // namespace tessel
