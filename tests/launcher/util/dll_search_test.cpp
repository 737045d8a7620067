#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "test_support.h"
#include "util/dll_search.h"

namespace tessel {
namespace {

std::wstring wide(const std::string& s) { return std::wstring(s.begin(), s.end()); }

TEST(PathSearch, OnlyAbsoluteEntriesCount) {
  struct Case { const wchar_t* entry; bool absolute; } cases[] = {
      {L"C:\\jre\\bin", true}, {L"c:/jre", true}, {L"\\\\server\\share\\bin", true},
      {L".", false}, {L"", false}, {L"bin", false}, {L"C:bin", false}, {L"\\bin", false},
      {L"\\\\\\x", false}, {L"1:\\x", false}, {L"C:", false},
  };
  for (const Case& c : cases) EXPECT_EQ(isAbsolutePathEntry(c.entry), c.absolute) << c.entry;
}

// A java.exe in a relative entry (the current directory below it) is never found, whatever
// the order; quoted and later absolute entries are.
TEST(PathSearch, RelativeEntriesAreSkippedEvenWhenTheyHoldTheFile) {
  test::ScratchDir scratch;
  CreateDirectoryA(scratch.file("cwd").c_str(), nullptr);
  CreateDirectoryA(scratch.file("cwd\\bin").c_str(), nullptr);
  CreateDirectoryA(scratch.file("real").c_str(), nullptr);
  CreateDirectoryA(scratch.file("real\\sub.exe").c_str(), nullptr);  // a folder, not a file
  scratch.write("cwd\\java.exe", "planted");
  scratch.write("cwd\\bin\\java.exe", "planted");
  scratch.write("real\\java.exe", "genuine");
  wchar_t saved[MAX_PATH * 4];
  GetCurrentDirectoryW(MAX_PATH * 4, saved);
  ASSERT_TRUE(SetCurrentDirectoryA(scratch.file("cwd").c_str()));

  std::wstring found, entry;
  const std::wstring real = wide(scratch.file("real"));
  EXPECT_TRUE(findInAbsolutePathEntries(L".;;bin;" + std::wstring(L"\"") + real + L"\";C:\\x",
                                        L"java.exe", found, entry));
  EXPECT_EQ(entry, real);
  EXPECT_EQ(found, real + L"\\java.exe");
  EXPECT_TRUE(findInAbsolutePathEntries(real + L"\\", L"java.exe", found, entry));
  EXPECT_EQ(found, real + L"\\java.exe") << "no doubled backslash";

  EXPECT_FALSE(findInAbsolutePathEntries(L".;bin;;", L"java.exe", found, entry));
  EXPECT_FALSE(findInAbsolutePathEntries(L"", L"java.exe", found, entry));
  EXPECT_FALSE(findInAbsolutePathEntries(real, L"sub.exe", found, entry)) << "a folder";
  SetCurrentDirectoryW(saved);
}

}  // namespace
}  // namespace tessel
