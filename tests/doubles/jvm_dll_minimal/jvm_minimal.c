/* The least a runtime library must offer the launcher: the JNI_CreateJavaVM export. It creates
   nothing and reports failure (JNI_ERR). Built for 64 bits, and for 32 bits as the runtime of
   the wrong word size. With TESSEL_JVM_EXIT_AT_CREATE set to a number, the call ends the process
   with that exit code instead, so a benchmark can time a start up to this call. */
#include <windows.h>
#include <stdlib.h>

#ifdef _WIN64
#define CALLCONV
#else
#define CALLCONV __stdcall
#endif

__declspec(dllexport) long CALLCONV JNI_CreateJavaVM(void** vm, void** env, void* args) {
  char code[16];
  DWORD n = GetEnvironmentVariableA("TESSEL_JVM_EXIT_AT_CREATE", code, sizeof(code));
  (void)args;
  if (n > 0 && n < sizeof(code)) ExitProcess((UINT)atoi(code));
  if (vm) *vm = 0;
  if (env) *env = 0;
  return -1;
}
