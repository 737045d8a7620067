#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <utility>

#include "files/runtime_home.h"
#include "util/bounded_text.h"
#include "util/paths.h"
#include "files/temp_dir.h"
#include "files/expansion.h"

namespace tessel {
namespace {

// Variable names unique to this test process, so parallel runs never see each other's.
std::wstring uniqueName(const wchar_t* stem) {
  return std::wstring(stem) + L"_" + std::to_wstring(GetCurrentProcessId());
}
std::string narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }
// Where the variable stands in the process's environment block; SIZE_MAX when absent.
size_t blockPosition(const std::wstring& name) {
  wchar_t* block = GetEnvironmentStringsW();
  size_t position = SIZE_MAX;
  size_t index = 0;
  for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1, ++index)
    if (_wcsnicmp(entry, name.c_str(), name.size()) == 0 && entry[name.size()] == L'=')
      position = index;
  FreeEnvironmentStringsW(block);
  return position;
}
std::wstring fromAnsi(const char* text);

class Expansion : public ::testing::Test {
 protected:
  void SetUp() override {
    copyText(savedTemp_, kPathCapacity, launchTempDir);
    copyText(savedHome_, kPathCapacity, runtimeHome);
    launchTempDir[0] = 0;
    runtimeHome[0] = 0;
  }
  void TearDown() override {
    copyText(launchTempDir, kPathCapacity, savedTemp_);
    copyText(runtimeHome, kPathCapacity, savedHome_);
    for (const std::wstring& name : variables_) SetEnvironmentVariableW(name.c_str(), nullptr);
  }
  void setVariable(const std::wstring& name, const std::wstring& value) {
    ASSERT_TRUE(SetEnvironmentVariableW(name.c_str(), value.c_str()));
    variables_.push_back(name);
  }
  std::wstring expandWide(const std::wstring& text, PathForm form = PathForm::NarrowSafe) {
    static wchar_t buffer[kPathCapacity];
    copyText(buffer, kPathCapacity, text.c_str());
    expandVariables(buffer, kPathCapacity, form);
    return buffer;
  }
  std::string expandNarrow(const std::string& text) {
    static char buffer[kPathCapacity];
    copyText(buffer, kPathCapacity, text.c_str());
    expandVariablesNarrow(buffer, kPathCapacity);
    return buffer;
  }

 private:
  wchar_t savedTemp_[kPathCapacity];
  char savedHome_[kPathCapacity];
  std::vector<std::wstring> variables_;
};

TEST_F(Expansion, FixedReferencesInBothForms) {
  copyText(launchTempDir, kPathCapacity, L"C:\\t\\tsl1.tmp_dir5");
  copyText(runtimeHome, kPathCapacity, "C:\\jre\\bin\\..");
  const std::string dir = launcherDirectory();
  EXPECT_EQ(expandNarrow("${launcher:sys.launcherDirectory}app.jar"), dir + "app.jar");
  EXPECT_EQ(expandNarrow("%TESSEL_EXEDIR%|%CORVANE_EXEDIR%|${TESSEL_EXEDIR}|${CORVANE_EXEDIR}"),
            dir + "|" + dir + "|" + dir + "|" + dir);
  EXPECT_EQ(expandNarrow("%TESSEL_TEMPDIR%|${CORVANE_TEMPDIR}|${launcher:sys.launcherTempDirectory}"),
            "C:\\t\\tsl1.tmp_dir5|C:\\t\\tsl1.tmp_dir5|C:\\t\\tsl1.tmp_dir5");
  EXPECT_EQ(expandNarrow("a%TESSEL_PATHLIST_SEPARATOR%b${CORVANE_PATHLIST_SEPARATOR}c"
                         "${launcher:sys.pathlistSeparator}d"),
            "a;b;c;d");
  EXPECT_EQ(expandNarrow("${launcher:sys.jvmHome}|%CORVANE_JVM_HOME%"),
            "C:\\jre\\bin\\..|C:\\jre\\bin\\..");
  EXPECT_EQ(expandWide(L"${launcher:sys.jvmHome}\\lib;%TESSEL_TEMPDIR%"),
            L"C:\\jre\\bin\\..\\lib;C:\\t\\tsl1.tmp_dir5");
  EXPECT_EQ(expandWide(L"${launcher:sys.launcherDirectory}", PathForm::NarrowSafe),
            launcherDirectoryW(PathForm::NarrowSafe));
  EXPECT_EQ(expandWide(L"${launcher:sys.launcherDirectory}", PathForm::Long),
            launcherDirectoryW(PathForm::Long));
}

TEST_F(Expansion, NoLaunchDirectoryOrRuntimeGivesEmptyText) {
  EXPECT_EQ(expandNarrow("[%TESSEL_TEMPDIR%][${launcher:sys.jvmHome}]"), "[][]");
  EXPECT_EQ(expandWide(L"[%TESSEL_TEMPDIR%]"), L"[]");
}

TEST_F(Expansion, SystemTempDirectoryInBothForms) {
  char narrowTemp[kPathCapacity];
  tempPath(narrowTemp);
  wchar_t wideTemp[kPathCapacity];
  tempPathW(wideTemp);
  EXPECT_EQ(expandNarrow("${launcher:sys.tempDir}x"), std::string(narrowTemp) + "x");
  EXPECT_EQ(expandWide(L"${launcher:sys.tempDir}", PathForm::NarrowSafe), fromAnsi(narrowTemp));
  EXPECT_EQ(expandWide(L"${launcher:sys.tempDir}", PathForm::Long), std::wstring(wideTemp));
}

TEST_F(Expansion, RowsSeeWhatEarlierRowsInsertedButNotLaterOnes) {
  copyText(launchTempDir, kPathCapacity, L"T${launcher:sys.pathlistSeparator}");
  EXPECT_EQ(expandNarrow("%TESSEL_TEMPDIR%"), "T;");
  copyText(runtimeHome, kPathCapacity, "%TESSEL_TEMPDIR%");
  EXPECT_EQ(expandNarrow("%TESSEL_JVM_HOME%"), "%TESSEL_TEMPDIR%");
  setVariable(uniqueName(L"TSLLATE"), L"v");
  copyText(runtimeHome, kPathCapacity, narrow(L"${" + uniqueName(L"TSLLATE") + L"}").c_str());
  EXPECT_EQ(expandWide(L"${launcher:sys.jvmHome}"), L"v")
      << "the environment comes after every fixed row";
}

TEST_F(Expansion, EnvironmentNamesMatchInStoredOrUpperCase) {
  const std::wstring name = uniqueName(L"TslMixed");
  setVariable(name, L"value");
  std::wstring upper = name, lower = name;
  for (wchar_t& c : upper) c = static_cast<wchar_t>(towupper(c));
  for (wchar_t& c : lower) c = static_cast<wchar_t>(towlower(c));
  const std::wstring text = L"${" + name + L"}|${" + upper + L"}|${" + lower + L"}";
  const std::wstring expected = L"value|value|${" + lower + L"}";
  EXPECT_EQ(expandWide(text), expected);
  EXPECT_EQ(expandNarrow(narrow(text)), narrow(expected));
}

TEST_F(Expansion, UnknownAndPercentReferencesStay) {
  const std::wstring name = uniqueName(L"TSLSET");
  setVariable(name, L"x");
  const std::wstring text = L"${TSL_NOT_DEFINED_" + name + L"} %" + name + L"% ${" + name;
  EXPECT_EQ(expandWide(text), text);
  EXPECT_EQ(expandNarrow(narrow(text)), narrow(text));
}

TEST_F(Expansion, EmptyNameTakesTheFirstDriveEntry) {
  wchar_t* block = GetEnvironmentStringsW();
  ASSERT_NE(block, nullptr);
  std::wstring first;
  for (const wchar_t* e = block; *e; e += wcslen(e) + 1)
    if (e[0] == L'=') {
      first = e + 1;  // the text after the first "="
      break;
    }
  FreeEnvironmentStringsW(block);
  if (first.empty()) {
    ASSERT_TRUE(SetEnvironmentVariableW(L"=T:", L"T:\\drive"));
    first = L"T:=T:\\drive";
  }
  EXPECT_EQ(expandWide(L"<${}>"), L"<" + first + L">");
  EXPECT_EQ(expandNarrow("<${}>"), "<" + narrow(first) + ">");
}

// The variables are taken in the environment block's order, which differs between systems
// (Windows keeps it sorted, Wine appends) and with what the process inherited: the value of
// whichever comes first completes a reference to the other.
TEST_F(Expansion, ReferencesFormedByAnInsertedValueAreFound) {
  std::wstring a = uniqueName(L"TSLA"), b = uniqueName(L"TSLB");
  setVariable(a, L"-");
  setVariable(b, L"-");
  if (blockPosition(b) < blockPosition(a)) std::swap(a, b);
  ASSERT_LT(blockPosition(a), blockPosition(b));
  setVariable(a, b + L"}");
  setVariable(b, L"bee");
  ASSERT_LT(blockPosition(a), blockPosition(b)) << "a changed value keeps its place";
  EXPECT_EQ(expandWide(L"${${" + a + L"}!"), L"bee!");
  EXPECT_EQ(expandNarrow(narrow(L"${${" + a + L"}!")), "bee!");
  const std::wstring brace = uniqueName(L"TSL}BRACE");
  setVariable(brace, L"braced");
  EXPECT_EQ(expandWide(L"<${" + brace + L"}>"), L"<braced>");
}

TEST_F(Expansion, SelfReferenceIsInsertedOnce) {
  const std::wstring name = uniqueName(L"TSLSELF");
  setVariable(name, L"a${" + name + L"}b");
  EXPECT_EQ(expandWide(L"${" + name + L"}"), L"a${" + name + L"}b");
  EXPECT_EQ(expandNarrow(narrow(L"${" + name + L"}")), narrow(L"a${" + name + L"}b"));
}

TEST_F(Expansion, ValueTooLongStaysAndTheRestIsExpanded) {
  const std::wstring big = uniqueName(L"TSLBIG"), small = uniqueName(L"TSLSMALL");
  setVariable(big, std::wstring(kPathCapacity, L'x'));
  setVariable(small, L"s");
  const std::wstring text = L"${" + big + L"}|${" + small + L"}|%TESSEL_PATHLIST_SEPARATOR%";
  wchar_t wide[kPathCapacity];
  copyText(wide, kPathCapacity, text.c_str());
  EXPECT_FALSE(expandVariables(wide, kPathCapacity, PathForm::NarrowSafe));
  EXPECT_EQ(std::wstring(wide), L"${" + big + L"}|s|;");
  char narrowText[kPathCapacity];
  copyText(narrowText, kPathCapacity, narrow(text).c_str());
  EXPECT_FALSE(expandVariablesNarrow(narrowText, kPathCapacity));
  EXPECT_EQ(std::string(narrowText), narrow(L"${" + big + L"}|s|;"));
}

TEST(ReplaceAll, NeverWritesPastTheBuffer) {
  struct {
    char text[12];
    char guard[4];
  } narrowBuf;
  std::memset(narrowBuf.guard, 'G', sizeof(narrowBuf.guard));
  copyText(narrowBuf.text, sizeof(narrowBuf.text), "$A-$B-$A");
  EXPECT_FALSE(replaceAll(narrowBuf.text, sizeof(narrowBuf.text), "$A", "long"));
  // "long-$B-$A" fits (10); the second would make 12 characters, one more than the room.
  EXPECT_STREQ(narrowBuf.text, "long-$B-$A");
  EXPECT_TRUE(replaceAll(narrowBuf.text, sizeof(narrowBuf.text), "$B", ""));
  EXPECT_STREQ(narrowBuf.text, "long--$A");
  EXPECT_EQ(std::string(narrowBuf.guard, 4), "GGGG");

  struct {
    wchar_t text[8];
    wchar_t guard[2];
  } wideBuf;
  wideBuf.guard[0] = wideBuf.guard[1] = L'G';
  copyText(wideBuf.text, 8, L"<$X>");
  EXPECT_TRUE(replaceAll(wideBuf.text, 8, L"$X", "abcde"));  // exactly 7 characters
  EXPECT_STREQ(wideBuf.text, L"<abcde>");
  EXPECT_FALSE(replaceAll(wideBuf.text, 8, L"abc", L"abcd"));
  EXPECT_STREQ(wideBuf.text, L"<abcde>");
  EXPECT_EQ(wideBuf.guard[0], L'G');
}

std::wstring fromAnsi(const char* text) {
  wchar_t out[kPathCapacity];
  if (MultiByteToWideChar(CP_ACP, 0, text, -1, out, kPathCapacity) <= 0) out[0] = 0;
  return out;
}

// Narrow values are ANSI text, not Latin-1: byte 0x80 is the euro sign under code page 1252
// (U+0080 when widened byte by byte), and the wide text converts back to the same bytes.
TEST(ReplaceAll, NarrowValuesAreTextInTheAnsiCodePage) {
  wchar_t text[16];
  copyText(text, 16, L"[$V]");
  EXPECT_TRUE(replaceAll(text, 16, L"$V", "\x80uro"));
  EXPECT_EQ(std::wstring(text), L"[" + fromAnsi("\x80uro") + L"]");
  if (GetACP() == 1252) EXPECT_EQ(std::wstring(text), L"[\u20ACuro]");
}

TEST_F(Expansion, NarrowDirectoriesArriveAsTheirCharacters) {
  copyText(launchTempDir, kPathCapacity, fromAnsi("C:\\t\\\x80\x9C").c_str());
  copyText(runtimeHome, kPathCapacity, "C:\\\x80jre\\bin\\..");
  std::wstring expanded = expandWide(L"-Dt=${TESSEL_TEMPDIR} -Dh=${TESSEL_JVM_HOME}");
  EXPECT_EQ(expanded, L"-Dt=" + fromAnsi("C:\\t\\\x80\x9C") + L" -Dh=" + fromAnsi("C:\\\x80jre\\bin\\.."));
  EXPECT_STREQ(narrowCopy(expanded.c_str()).get(),
               "-Dt=C:\\t\\\x80\x9C -Dh=C:\\\x80jre\\bin\\..");
}

TEST(ReplaceAll, EmptyReferenceChangesNothing) {
  char text[8] = "abc";
  EXPECT_TRUE(replaceAll(text, sizeof(text), "", "x"));
  EXPECT_STREQ(text, "abc");
}

}  // namespace
}  // namespace tessel
