// The process's explicit AppUserModelID (key 2040), under which the taskbar groups and pins
// the application's windows.
#pragma once

namespace tessel {

// SetCurrentProcessExplicitAppUserModelID's form.
using AppUserModelIdSetter = long(__stdcall*)(const wchar_t* id);

// Sets the configured ID for this process through `setter` (nullptr: shell32's); nothing
// without one. Must come before the first window (the splash's or the application's). False
// when an ID was configured but not set.
bool setAppUserModelId(AppUserModelIdSetter setter = nullptr);

}  // namespace tessel
