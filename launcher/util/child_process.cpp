#include "util/child_process.h"

#include <cwchar>

namespace tessel {
namespace {

// Collects output after the text already in a buffer; nothing is kept unless all of it fits.
struct LineWriter {
  wchar_t* line;
  size_t capacity;
  size_t used;
  bool fits;
  LineWriter(wchar_t* l, size_t c) noexcept : line(l), capacity(c), used(0), fits(c > 0) {
    while (used < capacity && line[used]) ++used;
    if (used >= capacity) fits = false;
  }
  void put(wchar_t c, size_t count = 1) noexcept {
    for (; count > 0 && fits; --count) {
      if (used + 1 >= capacity) fits = false;
      else line[used++] = c;
    }
  }
  // Terminates the whole text, or restores the buffer's old end.
  bool finish(size_t start) noexcept {
    if (capacity == 0) return false;
    if (!fits) {
      if (start < capacity) line[start] = 0;
      return false;
    }
    line[used] = 0;
    return true;
  }
};

bool needsQuotes(const wchar_t* argument) noexcept {
  if (!*argument) return true;
  for (const wchar_t* p = argument; *p; ++p)
    if (*p == L' ' || *p == L'\t' || *p == L'\n' || *p == L'\v' || *p == L'"') return true;
  return false;
}

}  // namespace

bool appendProgramName(wchar_t* line, size_t capacity, const wchar_t* program) noexcept {
  if (std::wcschr(program, L'"')) return false;
  LineWriter out(line, capacity);
  const size_t start = out.used;
  if (out.used > 0) out.put(L' ');
  out.put(L'"');
  for (const wchar_t* p = program; *p; ++p) out.put(*p);
  out.put(L'"');
  return out.finish(start);
}

bool appendArgument(wchar_t* line, size_t capacity, const wchar_t* argument,
                    Quoting quoting) noexcept {
  LineWriter out(line, capacity);
  const size_t start = out.used;
  if (out.used > 0) out.put(L' ');
  const bool quoted = quoting == Quoting::Always || needsQuotes(argument);
  if (quoted) out.put(L'"');
  for (const wchar_t* p = argument;; ++p) {
    size_t backslashes = 0;
    while (*p == L'\\') {
      ++backslashes;
      ++p;
    }
    if (!*p) {
      // Before the closing quote every backslash is doubled, or it would escape the quote.
      out.put(L'\\', quoted ? 2 * backslashes : backslashes);
      break;
    }
    if (*p == L'"') {
      out.put(L'\\', 2 * backslashes + 1);
    } else {
      out.put(L'\\', backslashes);
    }
    out.put(*p);
  }
  if (quoted) out.put(L'"');
  return out.finish(start);
}

bool startChild(const wchar_t* program, wchar_t* commandLine, const ChildStart& how,
                ChildProcess& child, DWORD& error) noexcept {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  if (how.ownStandardHandles) {
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  }
  if (how.standardError) startup.hStdError = how.standardError;
  if (how.hidden) {
    startup.dwFlags |= STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  DWORD flags = how.priorityClass | (how.detached ? DETACHED_PROCESS : 0);
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program, commandLine, nullptr, nullptr, TRUE, flags, nullptr, how.directory,
                      &startup, &info)) {
    error = GetLastError();
    return false;
  }
  child.process.reset(info.hProcess);
  child.thread.reset(info.hThread);
  child.id = info.dwProcessId;
  error = 0;
  return true;
}

bool waitForChild(const ChildProcess& child, DWORD timeoutMs, DWORD& exitCode) noexcept {
  exitCode = STILL_ACTIVE;
  if (WaitForSingleObject(child.process.get(), timeoutMs) != WAIT_OBJECT_0) return false;
  if (!GetExitCodeProcess(child.process.get(), &exitCode)) exitCode = STILL_ACTIVE;
  return true;
}

void terminateChild(const ChildProcess& child) noexcept {
  TerminateProcess(child.process.get(), 1);
  WaitForSingleObject(child.process.get(), 5000);
}

}  // namespace tessel
