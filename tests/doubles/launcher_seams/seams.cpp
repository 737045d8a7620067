// Test seams, set before WinMain runs. Only this test template reads them.
//   TESSEL_TEST_JAVA_VERSION_TIMEOUT_MS  time limit of a runtime's version query
//   TESSEL_TEST_NO_TEMP_FALLBACKS=1      the fallback temporary directories count as unusable
#include <windows.h>

#include <cstdlib>

#include "discovery/validation.h"
#include "files/temp_dir.h"

namespace {

DWORD numberSetting(const char* name, bool& present) {
  char value[32];
  DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  present = n > 0 && n < sizeof value;
  return present ? static_cast<DWORD>(std::strtoul(value, nullptr, 10)) : 0;
}

struct Seams {
  Seams() {
    bool present = false;
    DWORD timeout = numberSetting("TESSEL_TEST_JAVA_VERSION_TIMEOUT_MS", present);
    if (present) tessel::javaVersionTimeoutMs = timeout;
    if (numberSetting("TESSEL_TEST_NO_TEMP_FALLBACKS", present) == 1)
      tessel::tempFallbacksEnabled = false;
  }
} seams;

}  // namespace
