// The diagnostic log: off unless the log option or TESSEL_LOG/CORVANE_LOG=yes asks for it;
// one line per call, the file closed after every line. Safe from any thread.
#pragma once
#include <cstddef>

namespace tessel {

// Set by the command line's log option before the first log call.
extern bool createLogOption;

// One printf-style line ("%S" wide string, "%I64d" 64-bit), followed by a line end.
void logLine(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));
// The same with "ERROR: " in front.
void logError(const char* format, ...) __attribute__((format(ms_printf, 1, 2)));
// The log file's path, or nullptr while logging is off or undecided.
const wchar_t* logFilePath();

// The directory of the numbered log: TMP when it names a directory, else c:\, else the root
// of the current drive, else the current directory. False when none could be had.
bool logDirectory(wchar_t* out, size_t capacity);
// Claims "<directory>\cvn_nlog_<n>" for the first n from 1 up whose file does not exist yet,
// creating it empty with an exclusive create. False (out empty) when none could be created.
bool claimLogFileName(const wchar_t* directory, wchar_t* out, size_t capacity);

}  // namespace tessel
