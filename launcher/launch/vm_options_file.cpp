#include "launch/vm_options_file.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/paths.h"
#include "files/expansion.h"

namespace tessel {
namespace {

static_assert(kOptionLineCapacity == kPathCapacity, "option lines are path buffers");

std::string narrowString(const wchar_t* text) {
  std::unique_ptr<char[]> narrow = narrowCopy(text);
  return std::string(narrow.get());
}

unique_file openText(const wchar_t* path) { return unique_file(_wfopen(path, L"rt")); }

// Candidate one replaces the ".exe", candidate two appends to the whole name.
unique_file openBesideExecutable(const wchar_t* exe, std::wstring* openedPath) {
  wchar_t candidate[kPathCapacity];
  size_t n = std::wcslen(exe);
  candidate[0] = 0;
  if (n >= 4 && copyWhole(candidate, kPathCapacity, exe)) {
    candidate[n - 4] = 0;
    if (!appendWhole(candidate, kPathCapacity, L".vmoptions")) candidate[0] = 0;
  }
  unique_file file;
  if (candidate[0]) file = openText(candidate);
  logLine("vmoptions2: exe %S file: %S, file: %p", exe, candidate, static_cast<void*>(file.get()));
  if (file) {
    if (openedPath) *openedPath = candidate;
    return file;
  }
  candidate[0] = 0;
  if (copyWhole(candidate, kPathCapacity, exe) &&
      appendWhole(candidate, kPathCapacity, L".vmoptions"))
    file = openText(candidate);
  logLine("vmoptions: opts2: %S, file: %p", candidate, static_cast<void*>(file.get()));
  if (file && openedPath) *openedPath = candidate;
  return file;
}

// Full-path form for comparing chain members; the text itself when that fails.
std::wstring fullName(const wchar_t* path) {
  wchar_t full[kPathCapacity];
  DWORD n = GetFullPathNameW(path, kPathCapacity, full, nullptr);
  return (n == 0 || n >= kPathCapacity) ? std::wstring(path) : std::wstring(full);
}

class LauncherOptionsHost : public VmOptionsHost {
 public:
  std::unique_ptr<LineSource> open(const wchar_t* path) override {
    unique_file file = openText(path);
    opened_ = file.get();
    if (!file) return nullptr;
    return std::unique_ptr<LineSource>(new FileLineSource(std::move(file)));
  }
  // The file is text in the ANSI code page, like the options the runtime is handed.
  bool toWide(const char* line, wchar_t* out, size_t capacity) override {
    return tessel::toWide(line, out, capacity);
  }
  bool expand(wchar_t* text, size_t capacity, bool includeName) override {
    return expandVariables(text, capacity, includeName ? PathForm::Long : PathForm::NarrowSafe);
  }
  bool resolve(wchar_t* out, size_t capacity, const wchar_t* name,
               const wchar_t* includingFile) override {
    return capacity == kPathCapacity && resolvePathW(out, name, PathForm::Long, includingFile);
  }
  std::wstring comparableName(const wchar_t* path) override { return fullName(path); }
  bool sameName(const std::wstring& a, const std::wstring& b) override {
    return _wcsicmp(a.c_str(), b.c_str()) == 0;
  }
  std::string narrow(const wchar_t* text) override { return narrowString(text); }
  void note(VmOptionsNote what, const wchar_t* a, const wchar_t* b, const void*) override {
    switch (what) {
      case VmOptionsNote::IncludeExpanded: logLine("after exp from %S %S", a, b); break;
      case VmOptionsNote::IncludeNameTooLong:
        logError("vmoptions include name too long: %S", a);
        break;
      case VmOptionsNote::IncludeTooDeep:
        logError("vmoptions include of %S skipped: more than %d levels", a,
                 static_cast<int>(kMaxIncludeDepth));
        break;
      case VmOptionsNote::IncludeCycle:
        logError("vmoptions include of %S skipped: the file is already being read", a);
        break;
      case VmOptionsNote::IncludeTooMany:
        logError("vmoptions include of %S skipped: more than %d includes in all", a,
                 static_cast<int>(kMaxIncludesTried));
        break;
      case VmOptionsNote::IncludeOpened:
        logLine("adding vmoptions from (%p) <%S> (%S)", opened_, a, b);
        break;
      case VmOptionsNote::IncludeDone:
        logLine("adding vmoptions 2");
        logLine("adding vmoptions 3");
        break;
      case VmOptionsNote::LineNotExpanded:
        logError("vmoptions line not fully expanded: %S", a);
        break;
    }
  }

 private:
  const void* opened_ = nullptr;  // the C runtime file last opened, for the log
};

LauncherOptionsHost optionsHost;

}  // namespace

unique_file openDefaultVmOptions(std::wstring* openedPath) {
  unique_file file = openBesideExecutable(launcherPathW(), openedPath);
  if (file) return file;
  wchar_t module[kPathCapacity];
  DWORD n = GetModuleFileNameW(nullptr, module, kPathCapacity);
  if (n == 0 || n >= kPathCapacity) return nullptr;
  // The same path as before names the same two files, which did not open a moment ago.
  if (std::wcscmp(module, launcherPathW()) == 0) return nullptr;
  return openBesideExecutable(module, openedPath);
}

void readUserVmOptions(VmOptionState& state) {
  wchar_t name[kPathCapacity];
  configStringW(key::UserVmOptions, name, kPathCapacity);
  if (!name[0]) return;
  if (!expandVariables(name, kPathCapacity, PathForm::Long))
    logError("user vmoptions file name not fully expanded: %S", name);
  wchar_t resolved[kPathCapacity];
  if (!resolvePathW(resolved, name, PathForm::Long, nullptr)) {
    logError("user vmoptions file name too long: %S", name);
    return;
  }
  unique_file file = openText(resolved);
  logLine("user vmoptions file: %S, file: %p", resolved, static_cast<void*>(file.get()));
  if (!file) return;
  // Its relative includes resolve against its own directory.
  state.openFiles.push_back(resolved);
  readVmOptionsFile(resolved, std::move(file), state);
  state.openFiles.pop_back();
}

void readVmOptionsFile(const wchar_t* path, unique_file file, VmOptionState& state) {
  if (!file) return;
  FileLineSource source(std::move(file));
  readVmOptions(path, source, state, optionsHost);
}

void applyOptionLine(const wchar_t* includingFile, const wchar_t* line, VmOptionState& state) {
  applyOptionLine(includingFile, line, state, optionsHost);
}

}  // namespace tessel
