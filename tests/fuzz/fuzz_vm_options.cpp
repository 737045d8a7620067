// The options-file reader with its includes over a fake file system: input parts separated
// by NUL are the files "f0" (read first), "f1", "f2", ... Names are compared without case
// and without "./" in front, so that cycles can be spelt in several ways. Checks: include
// depth and the includes in all stay bounded, no file is read while it is already being
// read, the chain of open files is balanced, every line read has at most one effect, and
// every option is a line. The last part is also read as the configured VM parameters.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <map>
#include <memory>
#include <string>

#include "fuzz_check.h"
#include "argument_list.h"
#include "configured_tokens.h"
#include "fuzz_input.h"
#include "line_source.h"
#include "variable_expansion.h"
#include "vm_options_reader.h"

namespace {

using tessel::kMaxIncludeDepth;
using tessel::kOptionLineCapacity;

// Counts the lines it hands out.
class CountingSource : public tessel::LineSource {
 public:
  CountingSource(const std::string& text, size_t& lines) : inner_(text), lines_(lines) {}
  bool readLine(char* line, size_t capacity) override {
    FUZZ_CHECK(capacity == kOptionLineCapacity);
    if (!inner_.readLine(line, capacity)) return false;
    FUZZ_CHECK(std::strlen(line) < capacity);
    ++lines_;
    return true;
  }
  bool more() override { return inner_.more(); }

 private:
  tessel::MemoryLineSource inner_;
  size_t& lines_;
};

class FakeFiles : public tessel::VmOptionsHost {
 public:
  FakeFiles(std::map<std::wstring, std::string> files, tessel::VmOptionState& state)
      : files_(std::move(files)), state_(state) {}

  std::unique_ptr<tessel::LineSource> open(const wchar_t* path) override {
    FUZZ_CHECK(std::wcslen(path) < kOptionLineCapacity);
    // Never deeper than the bound, never a file that is being read.
    FUZZ_CHECK(state_.openFiles.size() < kMaxIncludeDepth);
    const std::wstring name = comparableName(path);
    for (const std::wstring& open : state_.openFiles)
      FUZZ_CHECK(comparableName(open.c_str()) != name);
    ++opens;
    auto file = files_.find(name);
    if (file == files_.end()) return nullptr;
    return std::unique_ptr<tessel::LineSource>(new CountingSource(file->second, lines));
  }
  bool toWide(const char* line, wchar_t* out, size_t capacity) override {
    const std::wstring wide = fuzz::widen(line);
    if (wide.size() >= capacity || wide.find(L'\xff') != std::wstring::npos) return false;
    std::wmemcpy(out, wide.c_str(), wide.size() + 1);
    return true;
  }
  bool expand(wchar_t* text, size_t capacity, bool includeName) override {
    FUZZ_CHECK(capacity == kOptionLineCapacity && std::wcslen(text) < capacity);
    // A long value makes the bound of the buffer matter.
    static const std::wstring longValue(4000, L'v');
    bool whole = tessel::replaceReferences<wchar_t>(text, capacity, L"${F}", L"f", nullptr);
    if (std::wcsstr(text, L"${LONG}"))  // spares measuring the value on every line
      whole &= tessel::replaceReferences<wchar_t>(text, capacity, L"${LONG}", longValue.c_str(),
                                                  nullptr);
    FUZZ_CHECK(std::wcslen(text) < capacity);
    return whole;
  }
  bool resolve(wchar_t* out, size_t capacity, const wchar_t* name,
               const wchar_t* includingFile) override {
    const size_t n = std::wcslen(name);
    if (n >= capacity || n > 100) return false;
    std::wmemcpy(out, name, n + 1);
    return true;
  }
  std::wstring comparableName(const wchar_t* path) override {
    std::wstring name(path);
    while (name.compare(0, 2, L"./") == 0) name.erase(0, 2);
    for (wchar_t& c : name)
      if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
    return name;
  }
  bool sameName(const std::wstring& a, const std::wstring& b) override { return a == b; }
  std::string narrow(const wchar_t* text) override { return fuzz::narrow(text); }

  size_t opens = 0;
  size_t lines = 0;

 private:
  std::map<std::wstring, std::string> files_;
  tessel::VmOptionState& state_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<std::string> parts = fuzz::split(data, size, '\0');
  std::map<std::wstring, std::string> files;
  for (size_t i = 0; i < parts.size(); ++i) files[L"f" + std::to_wstring(i)] = parts[i];

  tessel::VmOptionState state;
  FakeFiles host(files, state);
  state.openFiles.push_back(L"f0");
  size_t firstLines = 0;
  CountingSource first(parts[0], firstLines);
  tessel::readVmOptions(L"f0", first, state, host);
  FUZZ_CHECK(state.openFiles.size() == 1 && state.openFiles[0] == L"f0");
  FUZZ_CHECK(host.opens == state.includesTried && host.opens <= tessel::kMaxIncludesTried);

  const size_t lines = firstLines + host.lines;
  const size_t slots = state.slots.classPathPrepend.has_value() +
                       state.slots.classPathReplace.has_value() +
                       state.slots.classPathAppend.has_value();
  FUZZ_CHECK(state.options.size() + slots + host.opens <= lines);
  for (const std::string& option : state.options) {
    FUZZ_CHECK(option.size() < kOptionLineCapacity);
    FUZZ_CHECK(option.empty() || (option.front() != ' ' && option.back() != ' '));
    FUZZ_CHECK(option.compare(0, 17, "-include-options ") != 0);
  }

  // The configured VM parameters: the last part as a command line, its tokens paired into
  // option lines, each handed in alone; their includes reach the same files.
  tessel::ArgumentList tokens;
  const std::wstring parameters = fuzz::widen(parts.back());
  tessel::splitCommandLine(parameters.c_str(), tokens);
  tessel::VmOptionState direct;
  FakeFiles directHost(files, direct);
  for (const std::wstring& line : tessel::vmParameterLines(tokens)) {
    tessel::applyOptionLine(nullptr, line.c_str(), direct, directHost);
    FUZZ_CHECK(direct.openFiles.empty());
  }
  FUZZ_CHECK(directHost.opens == direct.includesTried &&
             direct.includesTried <= tessel::kMaxIncludesTried);
  return 0;
}
