// The command-line splitters (the launcher's rule and the C runtime's): no read past the text;
// every argument is made of the line's own characters; arguments joined back with the
// quoting each rule knows split the same.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <string>

#include "argument_list.h"
#include "fuzz_check.h"
#include "fuzz_input.h"

namespace {

// The argument written so that the splitter reads it back; false when it cannot be (it
// holds both kinds of quote).
bool quoted(const std::wstring& argument, std::wstring& out) {
  bool blank = argument.find(L' ') != std::wstring::npos;
  bool dq = argument.find(L'"') != std::wstring::npos;
  bool sq = argument.find(L'\'') != std::wstring::npos;
  if (dq && sq) return false;
  if (!argument.empty() && !blank && !dq && !sq) out += argument;
  else if (!dq) out += L"\"" + argument + L"\"";
  else out += L"'" + argument + L"'";
  return true;
}

// The argument quoted for the C runtime's rule: backslashes doubled before a quote and at the
// end, quotes escaped. Every argument can be written so.
bool windowsQuoted(const std::wstring& argument, std::wstring& out) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) {
    out += argument;
    return true;
  }
  out += L"\"";
  size_t backslashes = 0;
  for (wchar_t c : argument) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    if (c == L'"') backslashes = backslashes * 2 + 1;
    out.append(backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  out += L'"';
  return true;
}

// Each argument is made of the line's own characters, and all of them of no more than it has.
void checkMadeOfLine(const std::wstring& line, const tessel::ArgumentList& arguments) {
  size_t characters = 0;
  for (const std::wstring& argument : arguments) {
    characters += argument.size();
    for (wchar_t c : argument) FUZZ_CHECK(c != 0 && line.find(c) != std::wstring::npos);
  }
  FUZZ_CHECK(characters <= line.size());
}

// The arguments written back as one line, blank-separated; false when one cannot be quoted.
bool joined(const tessel::ArgumentList& arguments,
            bool (*quote)(const std::wstring&, std::wstring&), std::wstring& line) {
  for (const std::wstring& argument : arguments) {
    if (!line.empty()) line += L' ';
    if (!quote(argument, line)) return false;
  }
  return true;
}

void checkWindowsRules(const std::wstring& line) {
  tessel::ArgumentList arguments;
  tessel::splitWindowsArguments(line.c_str(), arguments);
  checkMadeOfLine(line, arguments);
  std::wstring written;
  FUZZ_CHECK(joined(arguments, windowsQuoted, written));
  tessel::ArgumentList again;
  tessel::splitWindowsArguments(written.c_str(), again);
  FUZZ_CHECK(again == arguments);

  // The whole line: the program name first, then the same arguments as the text after it.
  tessel::ArgumentList whole;
  tessel::splitCommandLine(line.c_str(), tessel::ArgumentRules::Windows, whole);
  tessel::ArgumentList rest;
  tessel::splitWindowsArguments(tessel::argumentsAfterProgram(line.c_str()), rest);
  FUZZ_CHECK(!whole.empty() && whole.size() == rest.size() + 1);
  FUZZ_CHECK(std::equal(rest.begin(), rest.end(), whole.begin() + 1));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring line = fuzz::widen(std::string(reinterpret_cast<const char*>(data), size));
  tessel::ArgumentList arguments;
  tessel::splitCommandLine(line.c_str(), arguments);
  checkMadeOfLine(line, arguments);

  std::wstring written;
  if (!joined(arguments, quoted, written)) return 0;
  tessel::ArgumentList again;
  tessel::splitCommandLine(written.c_str(), again);
  FUZZ_CHECK(again == arguments);

  // Appending goes after what the list holds.
  tessel::ArgumentList prefixed{L"program"};
  tessel::splitCommandLine(line.c_str(), prefixed);
  FUZZ_CHECK(prefixed.size() == arguments.size() + 1 && prefixed[0] == L"program");

  checkWindowsRules(line);
  return 0;
}
