#include "util/common_controls.h"

#include <windows.h>
#include <commctrl.h>

namespace tessel {

namespace {

INIT_ONCE commonControlsOnce = INIT_ONCE_STATIC_INIT;

BOOL CALLBACK initialiseCommonControls(PINIT_ONCE, void*, void**) {
  InitCommonControls();
  return TRUE;
}

}  // namespace

void prepareCommonControls() {
  InitOnceExecuteOnce(&commonControlsOnce, initialiseCommonControls, nullptr, nullptr);
}

}  // namespace tessel
