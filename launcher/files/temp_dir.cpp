#include "files/temp_dir.h"

#include <windows.h>

#include "config_keys.h"
#include "diagnostics/errors.h"

namespace tessel {

char launchTempDir[kPathCapacity];

// Provisional versions; the full rules with their fallbacks replace them.
void tempPath(char* out) {
  DWORD n = GetTempPathA(kPathCapacity, out);
  if (n == 0 || n >= kPathCapacity) fatalMessageW(key::MsgNotPowerUser, nullptr);
}

void tempPathW(wchar_t* out) {
  DWORD n = GetTempPathW(kPathCapacity, out);
  if (n == 0 || n >= kPathCapacity) fatalMessageW(key::MsgNotPowerUser, nullptr);
}

bool isUsableTempDir(const char*) { return true; }
bool isUsableTempDirW(const wchar_t*) { return true; }

void createTempFileName(char* out) {
  char dir[kPathCapacity];
  tempPath(dir);
  if (!GetTempFileNameA(dir, "tsl", 0, out)) out[0] = 0;
}

void createLaunchTempDir() {
  char base[kPathCapacity];
  tempPath(base);
  for (unsigned i = GetTickCount() & 0xFFFF, tries = 0; tries < 100; ++i, ++tries) {
    if (!formatText(launchTempDir, kPathCapacity, "%stsl%X.tmp", base, i)) break;
    if (CreateDirectoryA(launchTempDir, nullptr)) return;
  }
  launchTempDir[0] = 0;
  fatalMessage(key::MsgInternalError, "7");
}

}  // namespace tessel
