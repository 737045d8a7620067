// Configured values that are command lines or lists of options: the VM parameters and the
// application arguments (keys 123, 124), the jar's manifest options and the entry point's
// module options.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "argument_list.h"

namespace tessel {

// Expands the variables of one token in place within `capacity` (the launcher's expansion).
class TokenExpander {
 public:
  virtual ~TokenExpander() = default;
  virtual void expand(wchar_t* text, size_t capacity) = 0;
};

// Splits a configured command line into tokens first (splitCommandLine) and expands each
// token afterwards, so that an expanded value (a directory with blanks or an apostrophe)
// never splits or opens a quote. Each token is cut to `capacity` - 1 characters before its
// expansion. Appends the tokens to `out`.
void appendExpandedTokens(const wchar_t* value, size_t capacity, TokenExpander& expander,
                          ArgumentList& out);
// The VM parameters as option lines: "-include-options" and the token after it make one
// include line; every other token is a line of its own.
ArgumentList vmParameterLines(const ArgumentList& tokens);

// Blank-separated options (the tool checks that none holds a blank); runs of blanks give none.
void appendBlankSeparated(const std::string& text, std::vector<std::string>& out);
// The module's name of a main-module value "module[/class]".
std::string moduleNameOf(const std::string& mainModule);
// "--add-modules=", the "tessel.mainModule" property and, when the main class is known (after
// "/" or from the descriptor, `moduleMainClass`), its package opened to the unnamed module;
// nothing without a module.
void appendModuleOptions(const std::string& mainModule, const std::string& moduleMainClass,
                         std::vector<std::string>& out);
// The configured main class; else the class after "/" of the main module, or for a module
// named alone the main class its descriptor had; else the jar's Main-Class.
std::string mainClassOf(const std::string& mainClass, const std::string& mainModule,
                        const std::string& moduleMainClass, const std::string& jarMainClass);

}  // namespace tessel
