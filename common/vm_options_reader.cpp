#include "vm_options_reader.h"

#include <cstring>
#include <cwchar>

namespace tessel {
namespace {

const wchar_t kIncludeDirective[] = L"-include-options ";
const wchar_t kReplaceDirective[] = L"-classpath ";
const wchar_t kPrependDirective[] = L"-classpath/p ";
const wchar_t kAppendDirective[] = L"-classpath/a ";

bool startsWith(const wchar_t* text, const wchar_t* prefix) {
  return std::wcsncmp(text, prefix, std::wcslen(prefix)) == 0;
}

// The buffers live on the heap: an include chain recurses kMaxIncludeDepth deep.
template <typename T>
std::unique_ptr<T[]> lineBuffer() {
  std::unique_ptr<T[]> buffer(new T[kOptionLineCapacity]);
  buffer[0] = 0;
  return buffer;
}

bool alreadyOpen(const VmOptionState& state, const std::wstring& name, VmOptionsHost& host) {
  for (const std::wstring& open : state.openFiles)
    if (host.sameName(host.comparableName(open.c_str()), name)) return true;
  return false;
}

void includeOptionsFile(const wchar_t* includingFile, const wchar_t* name, VmOptionState& state,
                        VmOptionsHost& host) {
  std::unique_ptr<wchar_t[]> expanded = lineBuffer<wchar_t>();
  std::wcsncpy(expanded.get(), name, kOptionLineCapacity - 1);
  expanded[kOptionLineCapacity - 1] = 0;
  host.expand(expanded.get(), kOptionLineCapacity, true);
  host.note(VmOptionsNote::IncludeExpanded, expanded.get(), name);
  std::unique_ptr<wchar_t[]> resolved = lineBuffer<wchar_t>();
  if (!host.resolve(resolved.get(), kOptionLineCapacity, expanded.get(), includingFile)) {
    host.note(VmOptionsNote::IncludeNameTooLong, expanded.get());
    return;
  }
  std::wstring comparable = host.comparableName(resolved.get());
  if (state.openFiles.size() >= kMaxIncludeDepth) {
    host.note(VmOptionsNote::IncludeTooDeep, resolved.get());
    return;
  }
  if (alreadyOpen(state, comparable, host)) {
    host.note(VmOptionsNote::IncludeCycle, resolved.get());
    return;
  }
  if (state.includesTried >= kMaxIncludesTried) {
    host.note(VmOptionsNote::IncludeTooMany, resolved.get());
    return;
  }
  ++state.includesTried;
  std::unique_ptr<LineSource> file = host.open(resolved.get());
  host.note(VmOptionsNote::IncludeOpened, resolved.get(), expanded.get(), file.get());
  state.openFiles.push_back(resolved.get());
  if (file) readVmOptions(resolved.get(), *file, state, host);
  state.openFiles.pop_back();
  host.note(VmOptionsNote::IncludeDone, resolved.get());
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

void readVmOptions(const wchar_t* path, LineSource& source, VmOptionState& state,
                   VmOptionsHost& host) {
  std::unique_ptr<char[]> line = lineBuffer<char>();
  std::unique_ptr<wchar_t[]> wide = lineBuffer<wchar_t>();
  while (source.readLine(line.get(), kOptionLineCapacity)) {
    trimLine(line.get());
    if (line[0] == 0 || line[0] == '#') continue;
    if (!host.toWide(line.get(), wide.get(), kOptionLineCapacity)) wide[0] = 0;
    if (!host.expand(wide.get(), kOptionLineCapacity, false))
      host.note(VmOptionsNote::LineNotExpanded, wide.get());
    std::wstring copy(wide.get());
    applyOptionLine(path, copy.c_str(), state, host);
  }
}

void applyOptionLine(const wchar_t* includingFile, const wchar_t* line, VmOptionState& state,
                     VmOptionsHost& host) {
  if (startsWith(line, kIncludeDirective)) {
    includeOptionsFile(includingFile, line + std::wcslen(kIncludeDirective), state, host);
  } else if (startsWith(line, kReplaceDirective)) {
    state.slots.classPathReplace = host.narrow(line + std::wcslen(kReplaceDirective));
  } else if (startsWith(line, kPrependDirective)) {
    state.slots.classPathPrepend = host.narrow(line + std::wcslen(kPrependDirective));
  } else if (startsWith(line, kAppendDirective)) {
    state.slots.classPathAppend = host.narrow(line + std::wcslen(kAppendDirective));
  } else {
    state.options.push_back(host.narrow(line));
  }
}

}  // namespace tessel
