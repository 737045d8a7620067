#include "launch/vm_options_file.h"

#include <windows.h>

#include <cstring>
#include <cwchar>

#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/paths.h"
#include "util/text_match.h"
#include "files/expansion.h"

namespace tessel {
namespace {

const wchar_t kIncludeDirective[] = L"-include-options ";
const wchar_t kReplaceDirective[] = L"-classpath ";
const wchar_t kPrependDirective[] = L"-classpath/p ";
const wchar_t kAppendDirective[] = L"-classpath/a ";

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
std::wstring comparableName(const wchar_t* path) {
  wchar_t full[kPathCapacity];
  DWORD n = GetFullPathNameW(path, kPathCapacity, full, nullptr);
  return (n == 0 || n >= kPathCapacity) ? std::wstring(path) : std::wstring(full);
}

bool alreadyOpen(const VmOptionState& state, const std::wstring& name) {
  for (const std::wstring& open : state.openFiles)
    if (_wcsicmp(comparableName(open.c_str()).c_str(), name.c_str()) == 0) return true;
  return false;
}

void includeOptionsFile(const wchar_t* includingFile, const wchar_t* name, VmOptionState& state) {
  wchar_t expanded[kPathCapacity];
  copyText(expanded, kPathCapacity, name);
  expandVariables(expanded, kPathCapacity, PathForm::Long);
  logLine("after exp from %S %S", expanded, name);
  wchar_t resolved[kPathCapacity];
  if (!resolvePathW(resolved, expanded, PathForm::Long, includingFile)) {
    logError("vmoptions include name too long: %S", expanded);
    return;
  }
  std::wstring comparable = comparableName(resolved);
  if (state.openFiles.size() >= kMaxIncludeDepth) {
    logError("vmoptions include of %S skipped: more than %d levels", resolved,
             static_cast<int>(kMaxIncludeDepth));
    return;
  }
  if (alreadyOpen(state, comparable)) {
    logError("vmoptions include of %S skipped: the file is already being read", resolved);
    return;
  }
  unique_file file = openText(resolved);
  logLine("adding vmoptions from (%p) <%S> (%S)", static_cast<void*>(file.get()), resolved,
          expanded);
  state.openFiles.push_back(resolved);
  readVmOptionsFile(resolved, std::move(file), state);
  state.openFiles.pop_back();
  logLine("adding vmoptions 2");
  logLine("adding vmoptions 3");
}

void trimLine(char* line) {
  size_t n = std::strlen(line);
  while (n > 0 && (line[n - 1] == '\r' || line[n - 1] == '\n')) line[--n] = 0;
  while (n > 0 && line[n - 1] == ' ') line[--n] = 0;
  size_t start = 0;
  while (line[start] == ' ') ++start;
  if (start > 0) std::memmove(line, line + start, n - start + 1);
}

}  // namespace

unique_file openDefaultVmOptions(std::wstring* openedPath) {
  unique_file file = openBesideExecutable(launcherPathW(), openedPath);
  if (file) return file;
  wchar_t module[kPathCapacity];
  DWORD n = GetModuleFileNameW(nullptr, module, kPathCapacity);
  if (n == 0 || n >= kPathCapacity) return nullptr;
  return openBesideExecutable(module, openedPath);
}

void readVmOptionsFile(const wchar_t* path, unique_file file, VmOptionState& state) {
  if (!file) return;
  char line[kPathCapacity];
  wchar_t wide[kPathCapacity];
  // A line longer than the buffer arrives in pieces, each taken as a line of its own.
  while (std::fgets(line, static_cast<int>(kPathCapacity), file.get())) {
    trimLine(line);
    if (line[0] == 0 || line[0] == '#') continue;
    // The file is text in the ANSI code page, like the options the runtime is handed.
    if (!toWide(line, wide, kPathCapacity)) wide[0] = 0;
    if (!expandVariables(wide, kPathCapacity, PathForm::NarrowSafe))
      logError("vmoptions line not fully expanded: %S", wide);
    std::wstring copy(wide);
    applyOptionLine(path, copy.c_str(), state);
  }
}

void applyOptionLine(const wchar_t* includingFile, const wchar_t* line, VmOptionState& state) {
  if (startsWith(line, kIncludeDirective)) {
    includeOptionsFile(includingFile, line + std::wcslen(kIncludeDirective), state);
  } else if (startsWith(line, kReplaceDirective)) {
    state.slots.classPathReplace = narrowString(line + std::wcslen(kReplaceDirective));
  } else if (startsWith(line, kPrependDirective)) {
    state.slots.classPathPrepend = narrowString(line + std::wcslen(kPrependDirective));
  } else if (startsWith(line, kAppendDirective)) {
    state.slots.classPathAppend = narrowString(line + std::wcslen(kAppendDirective));
  } else {
    state.options.push_back(narrowString(line));
  }
}

}  // namespace tessel
