// The launcher's argument list (element 0 is the program as written on the command line) and
// the splitting of a command line into one.
#pragma once
#include <string>
#include <vector>

namespace tessel {

using ArgumentList = std::vector<std::wstring>;

// Appends the arguments of a wide command line to the list. Only the blank separates; double
// and single quotes both quote (the other kind is then an ordinary character); no escapes.
void splitCommandLine(const wchar_t* commandLine, ArgumentList& arguments);
// Appends the argument that starts at `start` and has its opening quote at `quote` (text
// before the quote joins it; the quotes are dropped). Returns where splitting goes on.
const wchar_t* takeQuotedArgument(ArgumentList& arguments, const wchar_t* quote,
                                  const wchar_t* start, wchar_t quoteChar);

}  // namespace tessel
