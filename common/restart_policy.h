// When an ended start of the application is started again: the [restart] keys and the rules
// the launcher and its supervising process apply to them.
#pragma once
#include <cstdint>
#include <vector>

namespace tessel {

struct RestartPolicy {
  std::vector<int32_t> exitCodes;  // ends with one of these start the application again
  int32_t maxRestarts = 3;         // restarts in a row at most
  bool onCrash = false;            // also after an abnormal end (needs the supervising process)
  int32_t delayMs = 0;             // before the first restart of a row; doubled for each further one
  bool any() const noexcept { return !exitCodes.empty() || onCrash; }
};

// How one start ended, as far as its launcher could tell.
enum class StartEnd {
  FailedStart,  // the runtime, the machine or the main class never got as far as main
  Ended,        // main returned or the application called System.exit
  Crashed,      // the process ended while the application ran, without either of those
};

enum class RestartVerdict { Restart, FailedStart, NotListed, Crashed, BoundReached };

// "3,4" or "3, -1": decimal codes separated by commas (blanks allowed around them). False for
// anything else; an empty text is an empty list.
bool parseExitCodes(const char* text, std::vector<int32_t>& codes);

// Restart or not after a start that ended so, `restartsInRow` restarts having happened before it.
RestartVerdict decideRestart(const RestartPolicy& policy, StartEnd end, uint32_t exitCode,
                             int32_t restartsInRow) noexcept;
// The word the log uses for a verdict.
const char* restartVerdictText(RestartVerdict verdict) noexcept;

// The pause before restart number `restart` (1 for the first of a row): the base doubled for
// each restart after the first, at most kMaxRestartDelayMs.
constexpr uint32_t kMaxRestartDelayMs = 600000;
uint32_t restartDelayMs(int32_t baseMs, int32_t restart) noexcept;

// A start that ran at least this long ends a row: restarts after it count from 1 again, so an
// application that restarts after each of many updates is not stopped by the bound.
constexpr uint32_t kSettledRunMs = 60000;

}  // namespace tessel
