#include "vm_options_reader.h"

#include <cstring>
#include <cwchar>

#include "text_match.h"

namespace tessel {
namespace {

const wchar_t kIncludeDirective[] = L"-include-options ";
const wchar_t kReplaceDirective[] = L"-classpath ";
const wchar_t kPrependDirective[] = L"-classpath/p ";
const wchar_t kAppendDirective[] = L"-classpath/a ";

// The buffers of one reading live on the heap (an include chain recurses kMaxIncludeDepth
// deep) and are shared by every level: a level is done with them before it reads a nested
// file, except for the name it reads, which it keeps as a string.
template <typename T>
std::unique_ptr<T[]> lineBuffer() {
  std::unique_ptr<T[]> buffer(new T[kOptionLineCapacity]);
  buffer[0] = 0;
  return buffer;
}

struct Buffers {
  std::unique_ptr<char[]> line = lineBuffer<char>();
  std::unique_ptr<wchar_t[]> wide = lineBuffer<wchar_t>();
  std::unique_ptr<wchar_t[]> expanded = lineBuffer<wchar_t>();
  std::unique_ptr<wchar_t[]> resolved = lineBuffer<wchar_t>();
};

void readLines(const wchar_t* path, LineSource& source, VmOptionState& state,
               VmOptionsHost& host, Buffers& buffers);
void applyLine(const wchar_t* includingFile, const wchar_t* line, VmOptionState& state,
               VmOptionsHost& host, Buffers* buffers);

bool alreadyOpen(const VmOptionState& state, const std::wstring& name, VmOptionsHost& host) {
  for (const std::wstring& open : state.openFiles)
    if (host.sameName(host.comparableName(open.c_str()), name)) return true;
  return false;
}

void includeOptionsFile(const wchar_t* includingFile, const wchar_t* name, VmOptionState& state,
                        VmOptionsHost& host, Buffers& buffers) {
  wchar_t* expanded = buffers.expanded.get();
  size_t length = 0;  // the name cut to the buffer
  for (; length + 1 < kOptionLineCapacity && name[length]; ++length) expanded[length] = name[length];
  expanded[length] = 0;
  host.expand(expanded, kOptionLineCapacity, true);
  host.note(VmOptionsNote::IncludeExpanded, expanded, name);
  wchar_t* resolvedBuffer = buffers.resolved.get();
  if (!host.resolve(resolvedBuffer, kOptionLineCapacity, expanded, includingFile)) {
    host.note(VmOptionsNote::IncludeNameTooLong, expanded);
    return;
  }
  const std::wstring resolved(resolvedBuffer);
  std::wstring comparable = host.comparableName(resolved.c_str());
  if (state.openFiles.size() >= kMaxIncludeDepth) {
    host.note(VmOptionsNote::IncludeTooDeep, resolved.c_str());
    return;
  }
  if (alreadyOpen(state, comparable, host)) {
    host.note(VmOptionsNote::IncludeCycle, resolved.c_str());
    return;
  }
  if (state.includesTried >= kMaxIncludesTried) {
    host.note(VmOptionsNote::IncludeTooMany, resolved.c_str());
    return;
  }
  ++state.includesTried;
  std::unique_ptr<LineSource> file = host.open(resolved.c_str());
  host.note(VmOptionsNote::IncludeOpened, resolved.c_str(), expanded, file.get());
  state.openFiles.push_back(resolved);
  if (file) readLines(resolved.c_str(), *file, state, host, buffers);
  state.openFiles.pop_back();
  host.note(VmOptionsNote::IncludeDone, resolved.c_str());
}

void trimLine(char* line) {
  size_t n = std::strlen(line);
  while (n > 0 && (line[n - 1] == '\r' || line[n - 1] == '\n')) line[--n] = 0;
  while (n > 0 && line[n - 1] == ' ') line[--n] = 0;
  size_t start = 0;
  while (line[start] == ' ') ++start;
  if (start > 0) std::memmove(line, line + start, n - start + 1);
}

void readLines(const wchar_t* path, LineSource& source, VmOptionState& state,
               VmOptionsHost& host, Buffers& buffers) {
  char* line = buffers.line.get();
  wchar_t* wide = buffers.wide.get();
  while (source.readLine(line, kOptionLineCapacity)) {
    trimLine(line);
    if (line[0] == 0 || line[0] == '#') continue;
    if (!host.toWide(line, wide, kOptionLineCapacity)) wide[0] = 0;
    if (!host.expand(wide, kOptionLineCapacity, false))
      host.note(VmOptionsNote::LineNotExpanded, wide);
    const std::wstring copy(wide);  // the buffers are reused by the files it includes
    applyLine(path, copy.c_str(), state, host, &buffers);
  }
}

// `buffers` is null when the line comes alone; an include then makes its own.
void applyLine(const wchar_t* includingFile, const wchar_t* line, VmOptionState& state,
               VmOptionsHost& host, Buffers* buffers) {
  if (startsWith(line, kIncludeDirective)) {
    std::unique_ptr<Buffers> own;
    if (!buffers) {
      own.reset(new Buffers);
      buffers = own.get();
    }
    includeOptionsFile(includingFile, line + std::wcslen(kIncludeDirective), state, host,
                       *buffers);
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

}  // namespace

void readVmOptions(const wchar_t* path, LineSource& source, VmOptionState& state,
                   VmOptionsHost& host) {
  Buffers buffers;
  readLines(path, source, state, host, buffers);
}

void applyOptionLine(const wchar_t* includingFile, const wchar_t* line, VmOptionState& state,
                     VmOptionsHost& host) {
  applyLine(includingFile, line, state, host, nullptr);
}

}  // namespace tessel
