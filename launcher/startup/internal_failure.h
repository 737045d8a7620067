// The end of the process on a failure of the standard library (terminate, an allocation that
// cannot be served, a length beyond a container's limit).
#pragma once

namespace tessel {

// The codes shown in the internal-error message (key 1009).
inline constexpr const char kFailureTerminate[] = "30";
inline constexpr const char kFailureMemory[] = "31";
inline constexpr const char kFailureLength[] = "32";
// The exit code when a second failure arrives while the first is reported.
inline constexpr unsigned kSecondFailureExitCode = 3;

// Logs the failure, shows the internal-error message with `code` and ends the process
// (exit code 1).
[[noreturn]] void internalFailure(const char* code, const char* what);

}  // namespace tessel
