// The command-line splitter: no read past the text; every argument is made of the line's own
// characters; arguments joined back with the quoting the splitter knows split the same.
#include <cstddef>
#include <cstdint>
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

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::wstring line = fuzz::widen(std::string(reinterpret_cast<const char*>(data), size));
  tessel::ArgumentList arguments;
  tessel::splitCommandLine(line.c_str(), arguments);

  size_t characters = 0;
  for (const std::wstring& argument : arguments) {
    characters += argument.size();
    for (wchar_t c : argument) FUZZ_CHECK(c != 0 && line.find(c) != std::wstring::npos);
  }
  FUZZ_CHECK(characters <= line.size());

  std::wstring joined;
  for (const std::wstring& argument : arguments) {
    if (!joined.empty()) joined += L' ';
    if (!quoted(argument, joined)) return 0;
  }
  tessel::ArgumentList again;
  tessel::splitCommandLine(joined.c_str(), again);
  FUZZ_CHECK(again == arguments);

  // Appending goes after what the list holds.
  tessel::ArgumentList prefixed{L"program"};
  tessel::splitCommandLine(line.c_str(), prefixed);
  FUZZ_CHECK(prefixed.size() == arguments.size() + 1 && prefixed[0] == L"program");
  return 0;
}
