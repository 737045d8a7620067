// A stand-in for a runtime's splashscreen.dll: each call appends one line to the file named by
// TESSEL_SPLASH_RECORD ("SplashInit", "SplashLoadMemory <pointer> <size> <first bytes>",
// "SplashClose"). SplashLoadMemory returns the size, so the launcher's log shows it came back.
#include <windows.h>

#include <cstdio>

namespace {

void record(const char* line) {
  wchar_t path[1024];
  DWORD n = GetEnvironmentVariableW(L"TESSEL_SPLASH_RECORD", path, 1024);
  if (n == 0 || n >= 1024) return;
  HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD written = 0;
  WriteFile(file, line, static_cast<DWORD>(strlen(line)), &written, nullptr);
  WriteFile(file, "\n", 1, &written, nullptr);
  CloseHandle(file);
}

}  // namespace

extern "C" __declspec(dllexport) void SplashInit() { record("SplashInit"); }

extern "C" __declspec(dllexport) int SplashLoadMemory(void* data, int size) {
  char line[128];
  const unsigned char* bytes = static_cast<const unsigned char*>(data);
  snprintf(line, sizeof line, "SplashLoadMemory %p %d %02x%02x%02x%02x", data, size,
           data && size > 0 ? bytes[0] : 0, data && size > 1 ? bytes[1] : 0,
           data && size > 2 ? bytes[2] : 0, data && size > 3 ? bytes[3] : 0);
  record(line);
  return size;
}

#ifndef SPLASH_DOUBLE_WITHOUT_CLOSE
extern "C" __declspec(dllexport) void SplashClose() { record("SplashClose"); }
#endif
