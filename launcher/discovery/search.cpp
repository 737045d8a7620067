#include "discovery/search.h"

#include "config_keys.h"
#include "diagnostics/errors.h"

namespace tessel {

bool LoadDLL() {
  showMessage(key::MsgNoJvmBits, "64");
  return false;
}

}  // namespace tessel
