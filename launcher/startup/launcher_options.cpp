#include "startup/launcher_options.h"

#include <windows.h>

#include "config/config_access.h"
#include "util/common_controls.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "startup/console.h"

namespace tessel {

void applyLauncherOptions(const ArgumentList& arguments, bool (*attach)()) {
  const bool quietAndConsole = configInt(key::QuietConsoleOptions) != 0;
  const bool consoleOnly = configInt(key::ConsoleOption) != 0;
  if (!quietAndConsole && !consoleOnly) return;
  for (const std::wstring& argument : arguments) {
    if (quietAndConsole && argument == L"-q") {
      clearErrorDialogs();
    } else if (argument == L"-console") {
      attach();  // a failure here is not an error
    } else if (quietAndConsole && argument == L"-c") {
      clearErrorDialogs();
      if (!attach()) {
        prepareCommonControls();
        MessageBoxA(nullptr, "Error: Could not allocate console.", "corvane", MB_OK);
        fatalExit(1);
      }
      break;
    }
  }
}

}  // namespace tessel
