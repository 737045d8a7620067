// The first block of start-up work that needs the argument list: log option, configuration,
// working directory, log prompt.
#pragma once
#include <windows.h>

#include "argument_list.h"

namespace tessel {

// Takes the log option, loads the configuration block, sets the working directory
// and shows the log prompt. Ends the process on a damaged block.
void prepareLaunch(ArgumentList& arguments);

// The steps of prepareLaunch, exposed for tests.
// Removes entry 1 when it is a log option spelling and sets createLogOption; true if so.
bool takeLogOption(ArgumentList& arguments);
// The directory of key 146, expanded and made absolute; false when the key is empty or the
// path cannot be formed (out is then empty).
bool workingDirectoryFromConfig(wchar_t* out);
// With key 2020 "windows", replaces the list by the command line split by the C runtime's
// rules (the log option taken again); otherwise leaves it.
void applyArgumentRules(ArgumentList& arguments, const wchar_t* commandLine);
// Changes to the directory of key 146 (logged); nothing when the key is empty.
void changeWorkingDirectory();
// Offers to show the log file in the file explorer.
void showLogPrompt();

}  // namespace tessel
