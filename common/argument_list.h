// The launcher's argument list (element 0 is the program as written on the command line) and
// the splitting of a command line into one.
#pragma once
#include <string>
#include <vector>

namespace tessel {

using ArgumentList = std::vector<std::wstring>;

// How the user's arguments are split: the launcher's own rule (the blank separates, both
// quotes quote, no escapes; also the rule of configured values) or the rule of every other
// Windows program, the Microsoft C runtime's.
enum class ArgumentRules { Launcher, Windows };
// The values of the argument_rules key: "windows" and "launcher"; an empty (absent) value is
// the launcher's rule, which executables built before the key had. False for other texts.
constexpr const char* kWindowsArgumentRules = "windows";
constexpr const char* kLauncherArgumentRules = "launcher";
bool parseArgumentRules(const char* value, ArgumentRules& rules);

// Appends the arguments of a wide command line to the list. Only the blank separates; double
// and single quotes both quote (the other kind is then an ordinary character); no escapes.
void splitCommandLine(const wchar_t* commandLine, ArgumentList& arguments);
// Appends the program name and then the arguments of a command line split by `rules`.
void splitCommandLine(const wchar_t* commandLine, ArgumentRules rules, ArgumentList& arguments);
// Appends the arguments of a text that holds no program name, by the C runtime's rules.
void splitWindowsArguments(const wchar_t* text, ArgumentList& arguments);
// Where the arguments of a command line begin by the C runtime's rules: after the program
// name (double quotes group, no escapes) and the blanks and tabs that follow it.
const wchar_t* argumentsAfterProgram(const wchar_t* commandLine);
// Appends the argument that starts at `start` and has its opening quote at `quote` (text
// before the quote joins it; the quotes are dropped). Returns where splitting goes on.
const wchar_t* takeQuotedArgument(ArgumentList& arguments, const wchar_t* quote,
                                  const wchar_t* start, wchar_t quoteChar);

}  // namespace tessel
