// How far this start of the application got and how it ended, for the restart policy. The
// launch marks the steps; whoever registered an end handler (the restart policy, through the
// entry point) hears of each.
#pragma once
#include <jni.h>

#include <cstdint>

namespace tessel {

enum class StartPhase {
  Starting,     // before the application's main was called
  Running,      // main was called
  Ended,        // main returned or the application called System.exit
  FailedStart,  // the start stopped with an error before the application ran
};

StartPhase startPhase() noexcept;
// The application's main is about to be called.
void markApplicationRunning() noexcept;
// The start failed before the application ran (a missing main class counts).
void markFailedStart() noexcept;
// A fatal exit is under way: before main it is a failed start, after it an end with code 1
// (every fatal message ends with 1).
void markFatalEnd() noexcept;
// Main returned (code 0) or the runtime's exit hook reported System.exit's code. May not
// return: a handler that starts the application again ends the process itself.
void markApplicationEnded(uint32_t code) noexcept;

// Called on every change of phase, with the code for Ended; one handler per process.
using StartOutcomeHandler = void (*)(StartPhase phase, uint32_t code);
void setStartOutcomeHandler(StartOutcomeHandler handler) noexcept;
// Runs once when the application ended, before the handler (a written archive is completed).
void setEndAction(void (*action)()) noexcept;
// Whether the machine needs the exit hook: someone must hear of System.exit.
bool wantsExitHook() noexcept;

// The "exit" hook for JNI_CreateJavaVM: the runtime calls it with System.exit's code before
// it ends the process itself.
void JNICALL virtualMachineExit(jint code);

// Restarts in a row before this start (0 for a first start); -Dtessel.restartCount from 1.
void setRestartCount(int32_t count) noexcept;
int32_t restartCount() noexcept;

// Test support: back to Starting, no handler.
void resetStartOutcome() noexcept;

}  // namespace tessel
