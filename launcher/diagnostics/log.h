// The diagnostic log: off unless the log option or TESSEL_LOG/CORVANE_LOG=yes asks for it;
// one line per call, the file closed after every line. Safe from any thread.
#pragma once

namespace tessel {

// Set by the command line's log option before the first log call.
extern bool createLogOption;

// One printf-style line ("%S" wide string, "%I64d" 64-bit), followed by a line end.
void logLine(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));
// The same with "ERROR: " in front.
void logError(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));
// The log file's path, or nullptr while logging is off or undecided.
const wchar_t* logFilePath();

}  // namespace tessel
