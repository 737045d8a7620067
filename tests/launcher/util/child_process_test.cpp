#include <gtest/gtest.h>
#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

#include "util/child_process.h"
#include "test_support.h"

namespace tessel {
namespace {

// How a started program splits its command line (the C runtime splits it the same way for
// every line the helper writes: it never writes a doubled quote inside quotes).
std::vector<std::wstring> splitAsTheChildDoes(const wchar_t* line) {
  int count = 0;
  LPWSTR* argv = CommandLineToArgvW(line, &count);
  std::vector<std::wstring> out;
  for (int i = 0; argv && i < count; ++i) out.emplace_back(argv[i]);
  LocalFree(argv);
  return out;
}

TEST(ChildProcess, EveryArgumentReachesTheChildUnchanged) {
  const wchar_t* arguments[] = {
      L"plain", L"", L"two words", L"tab\there", L"C:\\Program Files\\",  // a quote would be escaped
      L"C:\\dir\\", L"say \"hi\"", L"\\\"", L"a\\\\\"b", L"\\\\server\\share", L"\"", L"\\",
      L"\\\\", L"end\\\\", L"-Dname=\u00e9t\u00e9 \u043f\u0443\u0442\u044c", L"new\nline"};
  wchar_t line[kCommandLineCapacity] = L"";
  ASSERT_TRUE(appendProgramName(line, kCommandLineCapacity, L"C:\\My Apps\\bin\\tool.exe"));
  for (const wchar_t* argument : arguments)
    ASSERT_TRUE(appendArgument(line, kCommandLineCapacity, argument)) << argument;
  std::vector<std::wstring> read = splitAsTheChildDoes(line);
  ASSERT_EQ(read.size(), 1 + sizeof arguments / sizeof arguments[0]) << line;
  EXPECT_EQ(read[0], L"C:\\My Apps\\bin\\tool.exe");
  for (size_t i = 0; i < sizeof arguments / sizeof arguments[0]; ++i)
    EXPECT_EQ(read[i + 1], arguments[i]) << "argument " << i << " in " << line;
}

TEST(ChildProcess, QuotesOnlyWhereNeededAndDoublesOnlyBackslashesBeforeQuotes) {
  struct Case { const wchar_t* argument; const wchar_t* written; } cases[] = {
      {L"-version", L"-version"},
      {L"C:\\dir\\x.jar", L"C:\\dir\\x.jar"},  // no quote follows: backslashes stay single
      {L"", L"\"\""},
      {L"a b", L"\"a b\""},
      {L"C:\\a b\\", L"\"C:\\a b\\\\\""},  // the last one doubled, or it would escape the quote
      {L"x\\\"y", L"\"x\\\\\\\"y\""},      // backslash then quote: 2n+1 backslashes, the quote
  };
  for (const Case& c : cases) {
    wchar_t line[64] = L"";
    ASSERT_TRUE(appendArgument(line, 64, c.argument));
    EXPECT_STREQ(line, c.written);
  }
  wchar_t line[64] = L"\"p.exe\"";
  ASSERT_TRUE(appendArgument(line, 64, L"C:\\x", Quoting::Always));
  EXPECT_STREQ(line, L"\"p.exe\" \"C:\\x\"");
}

TEST(ChildProcess, WhatDoesNotFitLeavesTheLineAsItWas) {
  wchar_t line[16] = L"\"a.exe\"";  // 7 characters
  EXPECT_FALSE(appendArgument(line, 16, L"12345678")) << "blank, 8 characters, terminator: 17";
  EXPECT_STREQ(line, L"\"a.exe\"");
  EXPECT_TRUE(appendArgument(line, 16, L"1234567"));
  EXPECT_STREQ(line, L"\"a.exe\" 1234567");
  EXPECT_FALSE(appendArgument(line, 16, L"")) << "an empty argument still takes its quotes";
  EXPECT_STREQ(line, L"\"a.exe\" 1234567");

  wchar_t name[8] = L"";
  EXPECT_FALSE(appendProgramName(name, 8, L"abcdef")) << "two quotes make it 9 with the terminator";
  EXPECT_STREQ(name, L"");
  EXPECT_FALSE(appendProgramName(name, 8, L"a\"b")) << "the first word cannot carry a quote";
  EXPECT_TRUE(appendProgramName(name, 8, L"abcd"));
  EXPECT_STREQ(name, L"\"abcd\"");

  std::wstring huge(kCommandLineCapacity, L'x');
  std::vector<wchar_t> full(kCommandLineCapacity, L'\0');
  EXPECT_FALSE(appendArgument(full.data(), full.size(), huge.c_str()));
  EXPECT_EQ(full[0], L'\0');
  huge.resize(kCommandLineCapacity - 1);
  EXPECT_TRUE(appendArgument(full.data(), full.size(), huge.c_str())) << "32767 characters fit";
}

std::wstring systemProgram(const wchar_t* name) {
  wchar_t directory[MAX_PATH];
  UINT n = GetSystemDirectoryW(directory, MAX_PATH);
  return std::wstring(directory, n) + L"\\" + name;
}

// A real child: its exit code, its working directory and its standard error in a file.
TEST(ChildProcess, StartsInTheGivenFolderWithStandardErrorCapturedAndReportsItsExitCode) {
  test::ScratchDir dir;
  std::wstring folder(dir.path().begin(), dir.path().end());
  std::wstring capturePath = folder + L"\\err.txt";
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  unique_hfile capture(CreateFileW(capturePath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                   CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  ASSERT_TRUE(capture.valid());
  const std::wstring cmd = systemProgram(L"cmd.exe");
  wchar_t line[kCommandLineCapacity] = L"";
  ASSERT_TRUE(appendProgramName(line, kCommandLineCapacity, cmd.c_str()));
  ASSERT_TRUE(appendArgument(line, kCommandLineCapacity, L"/c"));
  // cmd reads the rest of its line itself.
  wcscat(line, L" cd 1>&2 & exit 7");
  ChildStart how;
  how.directory = folder.c_str();
  how.ownStandardHandles = false;
  how.standardError = capture.get();
  how.hidden = true;
  how.detached = true;
  ChildProcess child;
  DWORD error = 99;
  ASSERT_TRUE(startChild(cmd.c_str(), line, how, child, error));
  EXPECT_EQ(error, 0u);
  EXPECT_NE(child.id, 0u);
  capture.reset();
  DWORD code = 0;
  ASSERT_TRUE(waitForChild(child, 60000, code));
  EXPECT_EQ(code, 7u);
  std::string written = test::readFile(dir.file("err.txt"));
  EXPECT_NE(written.find(dir.path()), std::string::npos) << written;
}

TEST(ChildProcess, AProgramThatIsMissingIsNotSearchedFor) {
  test::ScratchDir dir;
  std::wstring missing(dir.path().begin(), dir.path().end());
  missing += L"\\cmd.exe";  // the real cmd.exe is on every search path
  wchar_t line[kCommandLineCapacity] = L"";
  ASSERT_TRUE(appendProgramName(line, kCommandLineCapacity, L"cmd.exe"));
  ChildProcess child;
  DWORD error = 0;
  EXPECT_FALSE(startChild(missing.c_str(), line, ChildStart{}, child, error));
  EXPECT_TRUE(error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) << error;
  EXPECT_FALSE(child.process.valid());
}

// The launcher's own standard handles are what a child gets: here a pipe nobody writes to as
// input, so that cmd waits, and NUL as output.
TEST(ChildProcess, AChildThatDoesNotEndInTimeIsEndedOnRequest) {
  const std::wstring cmd = systemProgram(L"cmd.exe");
  wchar_t line[kCommandLineCapacity] = L"";
  ASSERT_TRUE(appendProgramName(line, kCommandLineCapacity, cmd.c_str()));
  ASSERT_TRUE(appendArgument(line, kCommandLineCapacity, L"/q"));
  SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
  HANDLE readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(CreatePipe(&readEnd, &writeEnd, &inherit, 0));
  unique_handle reader(readEnd), writer(writeEnd);
  unique_hfile nul(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                               OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(nul.valid());
  const HANDLE oldInput = GetStdHandle(STD_INPUT_HANDLE);
  const HANDLE oldOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  SetStdHandle(STD_INPUT_HANDLE, readEnd);
  SetStdHandle(STD_OUTPUT_HANDLE, nul.get());
  ChildStart how;
  how.standardError = nul.get();
  how.detached = true;
  ChildProcess child;
  DWORD error = 0;
  bool started = startChild(cmd.c_str(), line, how, child, error);
  SetStdHandle(STD_INPUT_HANDLE, oldInput);
  SetStdHandle(STD_OUTPUT_HANDLE, oldOutput);
  ASSERT_TRUE(started) << error;
  DWORD code = 0;
  EXPECT_FALSE(waitForChild(child, 300, code));
  EXPECT_EQ(code, static_cast<DWORD>(STILL_ACTIVE));
  terminateChild(child);
  EXPECT_EQ(WaitForSingleObject(child.process.get(), 0), WAIT_OBJECT_0);
}

}  // namespace
}  // namespace tessel
