// The configured command lines (keys 123, 124) split first and expanded per token into a
// bounded buffer, the include pairing of the VM parameters, the jar's blank-separated options
// and the module options. Input: capacity byte, then parts separated by NUL: the command line,
// a variable value, the jar options, the main module, its descriptor's main class.
#include <cstddef>
#include <cstdint>
#include <cwchar>
#include <string>

#include "argument_list.h"
#include "configured_tokens.h"
#include "fuzz_check.h"
#include "fuzz_input.h"
#include "variable_expansion.h"

namespace {

// Expands "${V}" to a value from the input, bounded as the launcher's expansion is.
class FakeExpander : public tessel::TokenExpander {
 public:
  explicit FakeExpander(const std::wstring& value) : value_(value) {}
  void expand(wchar_t* text, size_t capacity) override {
    FUZZ_CHECK(capacity > 0 && std::wcslen(text) < capacity);
    tessel::replaceReferences<wchar_t>(text, capacity, L"${V}", value_.c_str(), nullptr);
    FUZZ_CHECK(std::wcslen(text) < capacity);
    ++calls;
  }
  size_t calls = 0;

 private:
  std::wstring value_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const size_t capacity = 1 + data[0] % 64;
  std::vector<std::string> parts = fuzz::split(data + 1, size - 1, '\0');
  parts.resize(5);
  const std::wstring line = fuzz::widen(parts[0]);

  FakeExpander expander(fuzz::widen(parts[1]));
  tessel::ArgumentList tokens{L"before"};
  tessel::appendExpandedTokens(line.c_str(), capacity, expander, tokens);
  tessel::ArgumentList split;
  tessel::splitCommandLine(line.c_str(), split);
  // One token per argument, each cut to the buffer, expanded once.
  FUZZ_CHECK(tokens.size() == split.size() + 1 && tokens[0] == L"before");
  FUZZ_CHECK(expander.calls == split.size());
  for (size_t i = 1; i < tokens.size(); ++i) {
    FUZZ_CHECK(tokens[i].size() < capacity);
    const std::wstring cut = split[i - 1].substr(0, capacity - 1);
    if (cut.find(L"${V}") == std::wstring::npos) FUZZ_CHECK(tokens[i] == cut);
  }

  // Every token in one line; an include name joins its directive.
  tessel::ArgumentList lines = tessel::vmParameterLines(split);
  size_t joinedIncludes = split.size() - lines.size();
  size_t characters = 0;
  for (const std::wstring& token : split) characters += token.size();
  size_t lineCharacters = 0;
  for (const std::wstring& l : lines) lineCharacters += l.size();
  FUZZ_CHECK(lineCharacters == characters + joinedIncludes);

  // Blank-separated options: none empty, none with a blank, the text's words in order.
  std::vector<std::string> options;
  tessel::appendBlankSeparated(parts[2], options);
  std::string words;
  for (const std::string& option : options) {
    FUZZ_CHECK(!option.empty() && option.find(' ') == std::string::npos);
    words += option;
  }
  std::string withoutBlanks;
  for (char c : parts[2])
    if (c != ' ') withoutBlanks += c;
  FUZZ_CHECK(words == withoutBlanks);

  // Module options: three at most, each naming the module; the main class is one of those given.
  std::vector<std::string> moduleOptions;
  tessel::appendModuleOptions(parts[3], parts[4], moduleOptions);
  const std::string module = tessel::moduleNameOf(parts[3]);
  FUZZ_CHECK(module.find('/') == std::string::npos);
  FUZZ_CHECK(moduleOptions.size() <= 3 && (module.empty() == moduleOptions.empty()));
  for (const std::string& option : moduleOptions) FUZZ_CHECK(option.find(module) != std::string::npos);
  const std::string mainClass = tessel::mainClassOf("", parts[3], parts[4], parts[2]);
  FUZZ_CHECK(mainClass.empty() || parts[3].find(mainClass) != std::string::npos ||
             mainClass == parts[4] || mainClass == parts[2]);
  FUZZ_CHECK(tessel::mainClassOf(parts[0], parts[3], parts[4], parts[2]) ==
             (parts[0].empty() ? mainClass : parts[0]));
  return 0;
}
