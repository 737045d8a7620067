// The runtime search: finds a runtime in the configured range, loads its jvm.dll and binds
// JNI_CreateJavaVM.
#pragma once

namespace tessel {

// True when a runtime was loaded; false after the search has shown its own message.
bool LoadDLL();

}  // namespace tessel
