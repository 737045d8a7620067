// The test executable doubles as the later start that sends to a mailslot: started with
//   --instance-test-send <pid> <count> <text...>
// it sends the raw text after the count (<count> times) with sendToRunningInstance and exits
// before any test runs.
#pragma once
#include <windows.h>

#include <string>

namespace tessel::test {

// Starts this executable in sender mode and waits (bounded) for it; its exit code, or -1.
int runSender(DWORD targetPid, int count, const std::wstring& text, DWORD timeoutMs = 30000);

}  // namespace tessel::test
