// Starting the application again after it ended: the [restart] policy of keys 2032-2035.
// Without on_crash the process that ran the application starts the next one itself and waits
// for it; with on_crash a supervising process (no runtime loaded) makes every start. Either
// way one process waits and ends with the last start's exit code, and each start reports how
// far it got through a small shared block, so that a failed start is never repeated.
#pragma once
#include <cstdint>

#include "restart_policy.h"

namespace tessel {

// First thing at start-up: the working directory and the restart state this start inherited
// (taken out of the environment, so the application and its children never see it).
void rememberStartingPoint();
// The policy of keys 2032-2035 (max_restarts absent: 3); logs a list it cannot read.
RestartPolicy configuredRestartPolicy();
// After the configuration is read: with on_crash, and unless this start is itself supervised,
// this process becomes the supervisor and never returns. Otherwise, when a policy is set or
// this start is supervised, registers the handler that hears how the application ends;
// `beforeRestart` runs before this process starts the application again (hide the splash).
void applyRestartPolicy(void (*beforeRestart)());

// Starts this executable again with the command line of this start, in its first working
// directory, as restart number `restart`, and waits for it. False when it could not be started.
struct StartResult {
  StartEnd end = StartEnd::FailedStart;
  uint32_t exitCode = 0;
  uint32_t ranMs = 0;
};
bool startAgainAndWait(int32_t restart, StartResult& result);

}  // namespace tessel
