#include "restart_policy.h"

#include <climits>
#include <cstdint>

namespace tessel {
namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool parseExitCodes(const char* text, std::vector<int32_t>& codes) {
  codes.clear();
  const char* p = text;
  while (isBlank(*p)) ++p;
  if (!*p) return true;
  for (;;) {
    while (isBlank(*p)) ++p;
    // Digits read here: strtoll would bring the C library's own copy into the launcher.
    const bool negative = *p == '-';
    if (*p == '-' || *p == '+') ++p;
    if (!isDigit(*p)) return false;
    int64_t value = 0;
    for (; isDigit(*p); ++p) {
      value = value * 10 + (*p - '0');
      if (value > int64_t{INT32_MAX} + 1) return false;
    }
    if (negative) value = -value;
    if (value < INT32_MIN || value > INT32_MAX) return false;
    codes.push_back(static_cast<int32_t>(value));
    while (isBlank(*p)) ++p;
    if (!*p) return true;
    if (*p != ',') return false;
    ++p;
  }
}

RestartVerdict decideRestart(const RestartPolicy& policy, StartEnd end, uint32_t exitCode,
                             int32_t restartsInRow) noexcept {
  if (end == StartEnd::FailedStart) return RestartVerdict::FailedStart;
  if (end == StartEnd::Crashed) {
    if (!policy.onCrash) return RestartVerdict::Crashed;
  } else {
    bool listed = false;
    for (int32_t code : policy.exitCodes) listed = listed || static_cast<uint32_t>(code) == exitCode;
    if (!listed) return RestartVerdict::NotListed;
  }
  if (restartsInRow >= policy.maxRestarts) return RestartVerdict::BoundReached;
  return RestartVerdict::Restart;
}

const char* restartVerdictText(RestartVerdict verdict) noexcept {
  switch (verdict) {
    case RestartVerdict::Restart: return "restart";
    case RestartVerdict::FailedStart: return "failed start, not repeated";
    case RestartVerdict::NotListed: return "exit code not listed";
    case RestartVerdict::Crashed: return "abnormal end, on_crash not set";
    case RestartVerdict::BoundReached: return "max_restarts reached";
  }
  return "";
}

uint32_t restartDelayMs(int32_t baseMs, int32_t restart) noexcept {
  if (baseMs <= 0 || restart <= 0) return 0;
  uint64_t delay = static_cast<uint64_t>(baseMs);
  for (int32_t i = 1; i < restart && delay < kMaxRestartDelayMs; ++i) delay *= 2;
  return delay < kMaxRestartDelayMs ? static_cast<uint32_t>(delay) : kMaxRestartDelayMs;
}

}  // namespace tessel
