// The single-instance guard: numbered instance semaphores, or one instance per executable.
#pragma once

namespace tessel {

// Which mode the guard applies: the configured one (key 126: numbered instances or a single
// instance), or the single-instance mode whatever the configuration says.
enum class InstanceMode { AsConfigured, Single };
// Whether a single instance talks to others: a second start sends its arguments and the first
// listens on its mailslot; or neither.
enum class HandOver { Arguments, None };

// The exit code of a later start whose arguments reached no running instance (none could be
// verified as this executable's under this user, or its mailslot took nothing).
constexpr int kHandOverFailedExitCode = 84;

// Returns when this process is to go on; a second start in single-instance mode hands its
// arguments to the running instance (unless HandOver::None) and ends the process with 0, or
// with kHandOverFailedExitCode (after a message) when they reached no one.
void singleInstanceGuard(InstanceMode mode, HandOver handOver);

// Gives up what makes this process the running instance (its semaphore, its recorded process
// id), so that a start it makes of the same executable becomes the instance itself.
void releaseInstanceObjects();

// The name of the semaphore this instance holds (the Java side's "tessel.semaphoreName"), or
// nullptr when the guard did not run or made no name.
const char* instanceSemaphoreName();

// The argument text of the raw command line: everything after the program name and the
// blanks behind it, quotes kept. Points into `commandLine`; empty when there is none.
const wchar_t* secondStartArguments(const wchar_t* commandLine);

}  // namespace tessel
