// Console attachment, the reboot request and the native-library path.
#pragma once
#include <windows.h>

#include <string>

namespace tessel {

// True when the process has a console afterwards: the parent's, or a new one. C runtime
// streams that were bound to nothing are bound to it; redirected streams stay as they are.
bool attachConsole();
// Binds stdin, stdout and stderr to the console where they have no handle of their own.
void bindUnboundStreams();
// Waits, asks for the shutdown privilege and, when it was granted, asks Windows to restart.
// Never reports anything; the caller ends the process afterwards.
void rebootSystem();
// True when the shutdown privilege of the process token is enabled (the reboot's last
// precondition).
bool enableShutdownPrivilege();
// The final reboot call and the wait before it. Tests replace them: under Wine the real call
// ends every program of the prefix.
extern BOOL(WINAPI* exitWindowsCall)(UINT flags, DWORD reason);
extern DWORD rebootDelayMilliseconds;

// Puts the configured native-library directories (key 10004) in front of PATH; PATH stays
// untouched when there are none.
void addNativeLibraryPath();
// The new PATH value: the resolved directories, ";" unless they are empty or already end in
// one, then the old value. Built at its real size; nothing is cut.
std::wstring nativeLibraryPathValue(const std::wstring& directories, const std::wstring& oldPath);

}  // namespace tessel
