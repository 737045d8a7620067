// The launcher's child processes (a runtime's java.exe, unpack200.exe, the executable itself
// again): command lines built into fixed buffers by the rules Windows programs read them with,
// and the process started with the launcher's standard handles inherited.
#pragma once
#include <windows.h>

#include <cstddef>

#include "util/handles.h"

namespace tessel {

// CreateProcessW takes at most 32767 characters and the terminator.
constexpr size_t kCommandLineCapacity = 32768;

enum class Quoting { WhenNeeded, Always };

// Appends the program's name as the first word of the command line in `line`: always quoted,
// since that word is read up to the next quote without escapes. False, and `line` unchanged,
// when it does not fit or the name holds a quote (no such word can carry one).
bool appendProgramName(wchar_t* line, size_t capacity, const wchar_t* program) noexcept;
// Appends `argument` after a blank (none when `line` is empty), quoted and escaped so that
// CommandLineToArgvW and the C runtime read back exactly `argument`: an empty argument or one
// with blanks, tabs or quotes is quoted (every argument with Quoting::Always), and
// backslashes are doubled only where they precede a quote. False, and `line` unchanged, when
// it does not fit.
bool appendArgument(wchar_t* line, size_t capacity, const wchar_t* argument,
                    Quoting quoting = Quoting::WhenNeeded) noexcept;

struct ChildStart {
  const wchar_t* directory = nullptr;  // its working directory; null: the launcher's
  bool ownStandardHandles = true;      // the launcher's standard input, output and error; else none
  HANDLE standardError = nullptr;      // an inheritable handle that replaces standard error
  bool hidden = false;                 // a window it opens starts hidden
  bool detached = false;               // no console: neither the launcher's nor a new one
  DWORD priorityClass = NORMAL_PRIORITY_CLASS;  // 0: the launcher's own where it is below normal
};

struct ChildProcess {
  unique_handle process;
  unique_handle thread;
  DWORD id = 0;
};

// Starts `program` (a full path: never searched for) with `commandLine`, whose first word is
// the program's name; CreateProcessW may write into the buffer. Handles marked inheritable are
// inherited. False with the system's reason in `error` when it could not be started.
bool startChild(const wchar_t* program, wchar_t* commandLine, const ChildStart& how,
                ChildProcess& child, DWORD& error) noexcept;
// True when the child ended within `timeoutMs` (INFINITE waits for good); `exitCode` then holds
// its exit code, else STILL_ACTIVE.
bool waitForChild(const ChildProcess& child, DWORD timeoutMs, DWORD& exitCode) noexcept;
// Ends a child that is still running and gives it a moment to go, so that the files it held
// can be removed.
void terminateChild(const ChildProcess& child) noexcept;

}  // namespace tessel
