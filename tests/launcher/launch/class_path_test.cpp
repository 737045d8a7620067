#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "util/bounded_text.h"
#include "files/temp_dir.h"
#include "util/paths.h"
#include "scratch_dir.h"
#include "launch/class_path.h"

namespace tessel {
namespace {

const std::string kOptionPrefix = "-Djava.class.path=";

class ClassPathTest : public ::testing::Test {
 protected:
  void SetUp() override {
    clearConfiguration();
    copyText(savedTemp_, kPathCapacity, launchTempDir);
    launchTempDir[0] = 0;
  }
  void TearDown() override {
    clearConfiguration();
    copyText(launchTempDir, kPathCapacity, savedTemp_);
    for (const std::string& name : variables_) SetEnvironmentVariableA(name.c_str(), nullptr);
  }
  std::string setVariable(const char* stem, const std::string& value) {
    std::string name = std::string(stem) + "_" + std::to_string(GetCurrentProcessId());
    SetEnvironmentVariableA(name.c_str(), value.c_str());
    variables_.push_back(name);
    return name;
  }
  std::string classPath(const ClassPathSlots& slots = ClassPathSlots{}) {
    std::string option = buildClassPathOption(slots);
    EXPECT_EQ(option.compare(0, kOptionPrefix.size(), kOptionPrefix), 0);
    return option.substr(kOptionPrefix.size());
  }

  ScratchDir dir_;

 private:
  wchar_t savedTemp_[kPathCapacity];
  std::vector<std::string> variables_;
};

TEST_F(ClassPathTest, SourcesComeInTheirFixedOrder) {
  dir_.makeDir(L"launch");
  dir_.write(L"launch\\extracted.jar", "");
  dir_.makeDir(L"launch\\user");
  dir_.write(L"launch\\user\\mine.zip", "");
  copyText(launchTempDir, kPathCapacity, wideText(dir_.narrow(L"launch").c_str()).c_str());
  LauncherConfig[key::LauncherFlavour] = "corvane";
  LauncherConfig[key::InstallationDirectory] = dir_.narrow(L"install");
  LauncherConfig[key::ClassPath] = "A0" + dir_.narrow(L"app.jar");
  ClassPathSlots slots;
  slots.classPathPrepend = "first.jar";
  slots.classPathAppend = "last.jar";
  std::string launch = dir_.narrow(L"launch");
  EXPECT_EQ(classPath(slots), "first.jar;" + launch + "\\extracted.jar;" + launch +
                                  "\\user\\mine.zip;" + dir_.narrow(L"install") +
                                  "\\.corvane\\cvnruntime.jar;" + dir_.narrow(L"app.jar") +
                                  ";last.jar");

  slots.classPathReplace = "replaced.jar";
  LauncherConfig.erase(key::LauncherFlavour);
  EXPECT_EQ(classPath(slots), "first.jar;" + launch + "\\extracted.jar;" + launch +
                                  "\\user\\mine.zip;replaced.jar;last.jar")
      << "the replace slot discards key 121 but keeps the extracted archives";
}

TEST_F(ClassPathTest, TypedEntriesAndEmptyPieces) {
  dir_.makeDir(L"lib");
  dir_.write(L"lib\\b.zip", "");
  dir_.write(L"lib\\a.jar", "");
  dir_.write(L"lib\\notes.txt", "");
  dir_.makeDir(L"empty");
  std::string quoted = setVariable("TESSEL_CP_QUOTED", "\"C:\\q.jar\"");
  std::string ended = setVariable("TESSEL_CP_ENDED", "C:\\e.jar;");
  LauncherConfig[key::ClassPath] = ";;S0" + dir_.narrow(L"lib") + ";E0" + quoted + ";;E0" + ended +
                                   ";E0TESSEL_CP_UNDEFINED_X;A0" + dir_.narrow(L"missing.jar") +
                                   ";S1" + dir_.narrow(L"empty") + ";S0" +
                                   dir_.narrow(L"missing-dir") + ";X0whatever;";
  std::string lib = dir_.narrow(L"lib");
  EXPECT_EQ(classPath(), lib + "\\a.jar;" + lib + "\\b.zip;C:\\q.jar;C:\\e.jar;" +
                             dir_.narrow(L"missing.jar") + ";")
      << "jar before zip, quotes dropped, no doubled separator, optional misses skipped, "
         "unknown letters add nothing";
}

TEST_F(ClassPathTest, HugeEnvironmentValueAndOverfullClassPathStayBounded) {
  std::string huge(10000, 'h');
  std::string name = setVariable("TESSEL_CP_HUGE", huge);
  LauncherConfig[key::ClassPath] = "E0" + name;
  EXPECT_EQ(classPath(), huge + ";") << "a long value is taken whole, not cut";

  ClassPath bounded;
  bounded.capacity = 20;
  EXPECT_TRUE(appendToClassPath(bounded, "0123456789;"));
  EXPECT_FALSE(appendToClassPath(bounded, "0123456789;")) << "a piece that would not fit";
  EXPECT_TRUE(appendToClassPath(bounded, "abc;"));
  EXPECT_EQ(bounded.text, "0123456789;abc;");

  std::string many;
  for (int i = 0; i < 8; ++i) many += "E0" + name + ";";
  LauncherConfig[key::ClassPath] = many;
  std::string full = classPath();
  EXPECT_LE(full.size(), kClassPathCapacity);
  EXPECT_EQ(full.size() % (huge.size() + 1), 0u) << "whole entries only";
}

TEST_F(ClassPathTest, ListingKeepsTheSearchOrderAndHandlesADottedExtension) {
  dir_.write(L"one.jar", "");
  dir_.makeDir(L"folder.jar");
  std::vector<std::wstring> plain = listFilesWithExtension(dir_.path().c_str(), L"jar");
  std::vector<std::wstring> dotted = listFilesWithExtension(dir_.path().c_str(), L".jar");
  EXPECT_EQ(plain.size(), 2u) << "files and directories alike";
  EXPECT_EQ(plain, dotted);
  EXPECT_TRUE(listFilesWithExtension(dir_.file(L"nothing").c_str(), L"jar").empty());
}

// The short name of an existing file, as narrow text.
std::string shortName(const std::wstring& path) {
  wchar_t out[MAX_PATH];
  DWORD n = GetShortPathNameW(path.c_str(), out, MAX_PATH);
  return n ? std::string(out, out + n) : std::string();  // Wine's short names are ASCII
}

// Stored values are Latin-1; the runtime reads narrow text in the code page. No entry may come
// out with another letter: the long name where the code page holds it, else the short name,
// else "?".
TEST_F(ClassPathTest, EntriesKeepTheirLettersOrBecomeShortNames) {
  const bool holdsLatin = GetACP() == 1252;
  const std::wstring cafe = dir_.write(L"caf\u00E9.jar", "");
  const std::wstring omega = dir_.write(L"\u03A9mega.jar", "");  // in no Latin-1 value
  dir_.makeDir(L"scan");
  const std::wstring scanned = dir_.write(L"scan\\\u03A9.jar", "");
  std::string omegaVariable = setVariable("TESSEL_CP_OMEGA", "");
  SetEnvironmentVariableW(std::wstring(omegaVariable.begin(), omegaVariable.end()).c_str(),
                          (omega + L";" + dir_.file(L"\u03A9-missing.jar")).c_str());
  LauncherConfig[key::ClassPath] =
      "A1" + dir_.narrow() + "\\caf\xE9.jar;E0" + omegaVariable + ";S1" + dir_.narrow(L"scan");

  const std::string cafeNarrow = holdsLatin ? dir_.narrow() + "\\caf\xE9.jar" : shortName(cafe);
  EXPECT_EQ(classPath(), cafeNarrow + ";" + shortName(omega) + ";" + dir_.narrow() +
                             "\\?-missing.jar;" + shortName(scanned) + ";")
      << "a required entry with a Latin-1 letter is found; what the code page lacks becomes the "
         "short name, or \"?\" where there is none";
}

// A long name whose 8.3 alias ends in .JAR (x.jar_old is X~1.JAR or alike) is no archive.
TEST_F(ClassPathTest, OnlyLongNamesWithTheExtensionAreListed) {
  dir_.write(L"x.jar_old", "");
  dir_.write(L"notes.jarx", "");
  dir_.write(L"UPPER.JAR", "");
  dir_.write(L"kept.jar", "");
  std::vector<std::wstring> names = listFilesWithExtension(dir_.path().c_str(), L"jar");
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::wstring>{L"UPPER.JAR", L"kept.jar"}));
}

}  // namespace
}  // namespace tessel
