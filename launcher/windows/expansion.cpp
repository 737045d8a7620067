#include "windows/expansion.h"

namespace tessel {

// Provisional: no expansion yet.
bool expandVariables(wchar_t*, size_t, bool) { return true; }
bool expandVariablesNarrow(char*, size_t) { return true; }

}  // namespace tessel
