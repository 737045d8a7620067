#include "startup/command_line.h"

#include <shellapi.h>

#include "config/config_block.h"
#include "diagnostics/log.h"
#include "startup/startup_state.h"

namespace tessel {

bool languageRestart = false;

void splitCommandLine(const wchar_t* commandLine, ArgumentList& arguments) {
  int count = 0;
  wchar_t** argv = CommandLineToArgvW(commandLine, &count);
  if (!argv) return;
  for (int i = 0; i < count; ++i) arguments.emplace_back(argv[i]);
  LocalFree(argv);
}

void prepareLaunch(HINSTANCE, ArgumentList& arguments) {
  for (size_t i = 1; i < arguments.size(); ++i) {
    if (arguments[i] == L"-create-cvn-log") {
      createLogOption = true;
      arguments.erase(arguments.begin() + static_cast<long>(i));
      break;
    }
  }
  loadConfiguration(arguments);
}

}  // namespace tessel
