// A failure inside the standard library ends the process with the internal-error message and
// its code, like every other failure the launcher decides; never silently.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "discovery/runtime_fixture.h"
#include "test_support.h"

namespace tessel {
namespace {

struct Ended {
  DWORD exitCode = 0;
  std::string err;
};

Ended runProbe(const char* failure) {
  test::ScratchDir dir;
  Ended ended;
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  const std::string errName = dir.file("stderr.txt");
  HANDLE err = CreateFileA(errName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                           CREATE_ALWAYS, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdError = err;
  std::string command = "\"" + fixture::doublesDirectory() + "\\failure_probe\\failure_probe.exe\" " + failure;
  PROCESS_INFORMATION info{};
  BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                nullptr, &startup, &info);
  CloseHandle(err);
  EXPECT_TRUE(started) << command;
  if (!started) return ended;
  ended.exitCode = test::awaitExit(info);
  ended.err = test::readFile(errName);
  return ended;
}

TEST(InternalFailure, StandardLibraryFailuresShowTheInternalErrorWithTheirCode) {
  struct Case {
    const char* failure;
    const char* shown;
  } cases[] = {
      {"terminate", "An internal error occurred (error code: 30)"},
      {"thread", "An internal error occurred (error code: 30)"},
      {"length", "An internal error occurred (error code: 32)"},
  };
  for (const Case& c : cases) {
    Ended ended = runProbe(c.failure);
    EXPECT_EQ(ended.exitCode, 1u) << c.failure;
    EXPECT_NE(ended.err.find(c.shown), std::string::npos) << c.failure << ": " << ended.err;
  }
}

}  // namespace
}  // namespace tessel
