// The command line: splitting into the argument list, and the first block of start-up work
// that needs it (log option, configuration, caption, working directory, log prompt).
#pragma once
#include <windows.h>

#include "startup/argument_list.h"

namespace tessel {

// Appends the arguments of a wide command line to the list. Only the blank separates; double
// and single quotes both quote (the other kind is then an ordinary character); no escapes.
void splitCommandLine(const wchar_t* commandLine, ArgumentList& arguments);
// Appends the argument that starts at `start` and has its opening quote at `quote` (text
// before the quote joins it; the quotes are dropped). Returns where splitting goes on.
const wchar_t* takeQuotedArgument(ArgumentList& arguments, const wchar_t* quote,
                                  const wchar_t* start, wchar_t quoteChar);

// Takes the log option, loads the configuration block, selects the caption, sets the
// working directory and shows the log prompt. Ends the process on a damaged block.
void prepareLaunch(HINSTANCE instance, ArgumentList& arguments);

// The steps of prepareLaunch, exposed for tests.
// Removes entry 1 when it is a log option spelling and sets createLogOption; true if so.
bool takeLogOption(ArgumentList& arguments);
// launcherFlavor and productCaption from key 2001.
void selectFlavour();
// The directory of key 146, expanded and made absolute; false when the key is empty or the
// path cannot be formed (out is then empty).
bool workingDirectoryFromConfig(wchar_t* out);
// Changes to the directory of key 146 (logged); nothing when the key is empty.
void changeWorkingDirectory();
// Offers to show the log file in the file explorer.
void showLogPrompt();

}  // namespace tessel
