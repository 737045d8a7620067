/* A jvm.dll that imports trust_helper.dll, as every real one imports its C runtime library.
   JNI_CreateJavaVM prints on standard error where the helper came from, then loads
   app_native.dll from the first PATH entry that holds it by its full path (as a Java runtime
   loads an application's native library) and prints where that library's own helper came
   from; then it ends the process with exit code 42. */
#include <windows.h>
#include <stdio.h>
#include <string.h>

__declspec(dllimport) int helper_marker(void);

static void report(const char* what, const char* module) {
  char path[MAX_PATH * 4];
  HMODULE h = GetModuleHandleA(module);
  DWORD n = h ? GetModuleFileNameA(h, path, sizeof path) : 0;
  fprintf(stderr, "%s %s\n", what, (n > 0 && n < sizeof path) ? path : "(not loaded)");
}

static void loadNativeLibrary(void) {
  static char path[32768];
  char library[MAX_PATH * 4];
  DWORD n = GetEnvironmentVariableA("PATH", path, sizeof path);
  if (n == 0 || n >= sizeof path) return;
  for (char* entry = strtok(path, ";"); entry; entry = strtok(NULL, ";")) {
    if (snprintf(library, sizeof library, "%s\\app_native.dll", entry) >= (int)sizeof library)
      continue;
    if (GetFileAttributesA(library) == INVALID_FILE_ATTRIBUTES) continue;
    if (!LoadLibraryA(library)) fprintf(stderr, "native library failed %lu\n", GetLastError());
    report("native helper from", "native_helper.dll");
    return;
  }
}

__declspec(dllexport) long JNI_CreateJavaVM(void** vm, void** env, void* args) {
  (void)vm;
  (void)env;
  (void)args;
  report("jvm helper from", "trust_helper.dll");
  fprintf(stderr, "helper answers %d\n", helper_marker());
  loadNativeLibrary();
  fflush(stderr);
  ExitProcess(42);
  return -1;
}
