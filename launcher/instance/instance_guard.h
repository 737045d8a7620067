// The single-instance guard: numbered instance semaphores, or one instance per executable.
#pragma once

namespace tessel {

// Returns when this process is to go on; a second start in single-instance mode hands its
// arguments to the running instance and ends the process with 0. With `consultConfiguration`
// clear the single-instance mode applies whatever the configuration says; with `notify`
// clear no arguments are sent and no mailslot is made.
void singleInstanceGuard(bool consultConfiguration, bool notify);

// The name of the semaphore this instance holds (the Java side's "tessel.semaphoreName"), or
// nullptr when the guard did not run or made no name.
const char* instanceSemaphoreName();

// The argument text of the raw command line: everything after the program name and the
// blanks behind it, quotes kept. Points into `commandLine`; empty when there is none.
const wchar_t* secondStartArguments(const wchar_t* commandLine);

}  // namespace tessel
