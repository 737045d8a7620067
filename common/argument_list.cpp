#include "argument_list.h"

#include <cwchar>

namespace tessel {

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

}  // namespace tessel

namespace tessel {

namespace {

bool isSeparator(wchar_t c) { return c == L' ' || c == L'\t'; }

// The program name by the C runtime's rule: double quotes toggle and are dropped, a blank or
// tab outside them ends it, backslashes are plain characters.
const wchar_t* takeProgramName(const wchar_t* p, std::wstring& name) {
  bool quoted = false;
  for (; *p && (quoted || !isSeparator(*p)); ++p) {
    if (*p == L'"')
      quoted = !quoted;
    else
      name += *p;
  }
  return p;
}

}  // namespace

bool parseArgumentRules(const char* value, ArgumentRules& rules) {
  rules = ArgumentRules::Launcher;
  if (!value || !*value) return true;
  std::string text(value);
  if (text == kWindowsArgumentRules) {
    rules = ArgumentRules::Windows;
    return true;
  }
  return text == kLauncherArgumentRules;
}

const wchar_t* argumentsAfterProgram(const wchar_t* commandLine) {
  std::wstring ignored;
  const wchar_t* p = takeProgramName(commandLine, ignored);
  while (isSeparator(*p)) ++p;
  return p;
}

// The rules of the Microsoft C runtime for the arguments after the program name, as its
// documentation states them ("Parsing C command-line arguments", Microsoft Learn, C++ language
// reference, main function and command-line arguments) and as the Universal CRT applies them:
// - a blank or tab outside double quotes separates arguments;
// - double quotes group, and a quoted part may sit inside an argument (a"b c"d is ab cd);
// - 2n backslashes before a double quote give n backslashes, and the quote groups;
// - 2n+1 backslashes before a double quote give n backslashes and a literal quote;
// - backslashes not before a double quote are literal;
// - inside a quoted part, "" gives one literal quote and the part goes on;
// - the apostrophe and the caret are ordinary characters.
void splitWindowsArguments(const wchar_t* text, ArgumentList& arguments) {
  if (!text) return;
  const wchar_t* p = text;
  for (;;) {
    while (isSeparator(*p)) ++p;
    if (!*p) return;
    std::wstring argument;
    bool quoted = false;
    for (;;) {
      size_t backslashes = 0;
      while (*p == L'\\') {
        ++p;
        ++backslashes;
      }
      bool copy = true;
      if (*p == L'"') {
        if (backslashes % 2 == 0) {
          if (quoted && p[1] == L'"') {
            ++p;  // "" inside a quoted part: one quote, still quoted
          } else {
            copy = false;
            quoted = !quoted;
          }
        }
        backslashes /= 2;
      }
      argument.append(backslashes, L'\\');
      if (!*p || (!quoted && isSeparator(*p))) break;
      if (copy) argument += *p;
      ++p;
    }
    arguments.push_back(std::move(argument));
  }
}

void splitCommandLine(const wchar_t* commandLine, ArgumentRules rules, ArgumentList& arguments) {
  if (!commandLine) return;
  if (rules == ArgumentRules::Launcher) {
    splitCommandLine(commandLine, arguments);
    return;
  }
  std::wstring program;
  const wchar_t* rest = takeProgramName(commandLine, program);
  arguments.push_back(std::move(program));
  splitWindowsArguments(rest, arguments);
}

}  // namespace tessel
