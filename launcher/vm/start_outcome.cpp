#include "vm/start_outcome.h"

#include <atomic>

namespace tessel {
namespace {

// The exit hook runs on the runtime's own thread while main may still be marking.
std::atomic<StartPhase> phase{StartPhase::Starting};
StartOutcomeHandler handler = nullptr;
void (*endAction)() = nullptr;
int32_t restarts = 0;

void moveTo(StartPhase next, uint32_t code) noexcept {
  phase.store(next);
  if (handler) handler(next, code);
}

}  // namespace

StartPhase startPhase() noexcept { return phase.load(); }

void markApplicationRunning() noexcept {
  if (phase.load() == StartPhase::Starting) moveTo(StartPhase::Running, 0);
}

void markFailedStart() noexcept {
  if (phase.load() != StartPhase::Ended) moveTo(StartPhase::FailedStart, 0);
}

void markFatalEnd() noexcept {
  StartPhase now = phase.load();
  if (now == StartPhase::Starting) moveTo(StartPhase::FailedStart, 0);
  else if (now == StartPhase::Running) moveTo(StartPhase::Ended, 1);
}

void markApplicationEnded(uint32_t code) noexcept {
  // The first end counts (main's return is marked only after DestroyJavaVM, so a System.exit
  // while the machine waits for the application's threads is that first end).
  StartPhase now = phase.load();
  if (now == StartPhase::Ended || now == StartPhase::FailedStart) return;
  if (void (*action)() = endAction) {
    endAction = nullptr;
    action();
  }
  moveTo(StartPhase::Ended, code);
}

void setStartOutcomeHandler(StartOutcomeHandler h) noexcept { handler = h; }
void setEndAction(void (*action)()) noexcept { endAction = action; }
bool wantsExitHook() noexcept { return handler != nullptr || endAction != nullptr; }

void JNICALL virtualMachineExit(jint code) { markApplicationEnded(static_cast<uint32_t>(code)); }

void setRestartCount(int32_t count) noexcept { restarts = count; }
int32_t restartCount() noexcept { return restarts; }

void resetStartOutcome() noexcept {
  phase.store(StartPhase::Starting);
  handler = nullptr;
  endAction = nullptr;
  restarts = 0;
}

}  // namespace tessel
