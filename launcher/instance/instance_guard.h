// The single-instance guard: numbered instance semaphores, or one instance per executable.
#pragma once

namespace tessel {

// Returns when this process is to go on; a second start in single-instance mode hands its
// arguments to the running instance and ends the process with 0.
void singleInstanceGuard(bool consultConfiguration, bool notify);

}  // namespace tessel
