// The accepted runtime's home: its executable's directory followed by "..".
#pragma once
#include "util/bounded_text.h"

namespace tessel {

// Empty until the runtime search has accepted a runtime.
extern char runtimeHome[kPathCapacity];

// Records the home of the accepted executable (".../bin/java.exe" gives ".../bin\.."): the
// folder's long name where the file-API code page holds it, else its short (8.3) name.
void setRuntimeHome(const wchar_t* acceptedExecutable);

}  // namespace tessel
