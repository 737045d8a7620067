// The command line: splitting into the argument list, and the first block of start-up work
// that needs it (log option, configuration, caption, working directory, log prompt).
#pragma once
#include <windows.h>

#include "startup/argument_list.h"

namespace tessel {

// Splits a full wide command line into the argument list (element 0 is the program).
void splitCommandLine(const wchar_t* commandLine, ArgumentList& arguments);
// Takes the log option, loads the configuration block, selects the caption, sets the
// working directory and shows the log prompt. Ends the process on a damaged block.
void prepareLaunch(HINSTANCE instance, ArgumentList& arguments);

}  // namespace tessel
