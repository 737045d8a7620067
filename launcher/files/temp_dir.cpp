#include "files/temp_dir.h"

#include <windows.h>

#include <cstdio>

#include "config_keys.h"
#include "diagnostics/errors.h"

namespace tessel {

char launchTempDir[kPathCapacity];

void createLaunchTempDir() {
  char base[kPathCapacity];
  DWORD n = GetTempPathA(kPathCapacity, base);
  if (n == 0 || n >= kPathCapacity) fatalMessage(key::MsgInternalError, "7");
  for (unsigned i = GetTickCount() & 0xFFFF, tries = 0; tries < 100; ++i, ++tries) {
    if (!formatText(launchTempDir, kPathCapacity, "%se4j%X.tmp", base, i)) break;
    if (CreateDirectoryA(launchTempDir, nullptr)) return;
  }
  launchTempDir[0] = 0;
  fatalMessage(key::MsgInternalError, "7");
}

}  // namespace tessel
