// The process's explicit AppUserModelID (key 2040), under which the taskbar groups and pins
// the application's windows.
#pragma once

namespace tessel {

// Sets the configured ID for this process; nothing without one. Must come before the first
// window (the splash's or the application's). False when an ID was configured but not set.
bool setAppUserModelId();

}  // namespace tessel
