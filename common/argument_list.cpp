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
