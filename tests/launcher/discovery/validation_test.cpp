#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "discovery/runtime_fixture.h"
#include "discovery/validation.h"
#include "discovery/version_cache.h"
#include "util/bounded_text.h"
#include "util/fitted_names.h"
#include "util/paths.h"

namespace tessel {
namespace {

using namespace fixture;

class Validation : public ::testing::Test {
 protected:
  void SetUp() override {
    clearConfiguration();
    root = makeUniqueDirectory("val");
    home = root + "\\rt";
    exe = home + "\\bin\\java.exe";
  }
  void TearDown() override {
    forgetCachedVersion(exe);
    clearConfiguration();
    javaVersionTimeoutMs = 60000;
    removeTree(root);
  }
  bool check(const char* min = "", const char* max = "",
             PreRelease preRelease = PreRelease::Refused) {
    startCandidate(candidate, L"A %hs", home.c_str());
    setCandidateExecutable(candidate, wide(exe).c_str());
    bool accepted = checkJavaExe(candidate, min, max, preRelease);
    EXPECT_EQ(candidate.verdict == Verdict::Accepted, accepted);
    path = narrow(candidate.executable);
    version = candidate.version;
    return accepted;
  }
  // The cache key's raw values.
  bool cachedValue(const char* name, std::string& out) {
    wchar_t keyName[8192];
    versionCacheKey(keyName, 8192, wide(lowerCase(exe)).c_str());
    HKEY key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, keyName, 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    char data[8192];
    DWORD size = sizeof(data);
    LONG status = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    out.assign(data, status == ERROR_SUCCESS ? size : 0);
    return status == ERROR_SUCCESS;
  }
  uint64_t lastWrite() {
    uint64_t time = 0;
    findFile(exe.c_str(), &time);
    return time;
  }

  std::string root, home, exe;
  Candidate candidate;
  std::string path;     // the candidate's executable after the check
  const char* version;  // its version
};

TEST_F(Validation, JavaExeForHomePrefersTheJreFolder) {
  Candidate out;
  startCandidate(out, L"test");
  auto named = [&](const std::string& directory) {
    return javaExeForHome(out, wide(directory).c_str());
  };
  makeRuntime(home, {"java version \"1.8.0_60\""});
  EXPECT_TRUE(named(home));
  EXPECT_EQ(narrow(out.executable), home + "\\bin\\java.exe");
  makeRuntime(home + "\\jre", {"java version \"1.8.0_60\""});
  EXPECT_TRUE(named(home));
  EXPECT_EQ(narrow(out.executable), home + "\\jre\\bin\\java.exe");
  EXPECT_TRUE(named(root + "\\missing")) << "existence is judged later";

  LauncherConfig[key::RequireJdk] = "1";
  EXPECT_FALSE(named(home)) << "no lib\\tools.jar";
  EXPECT_EQ(out.verdict, Verdict::NotJdk);
  CreateDirectoryA((home + "\\lib").c_str(), nullptr);
  writeFile(home + "\\lib\\tools.jar", "jar");
  EXPECT_TRUE(named(home));
  EXPECT_EQ(narrow(out.executable), home + "\\jre\\bin\\java.exe");

  std::string tooLong(kPathCapacity, 'x');
  EXPECT_FALSE(named(tooLong));
}

TEST_F(Validation, SecondCheckComesFromTheCacheWithoutRunningJava) {
  makeRuntime(home, {"openjdk version \"17.0.15\" 2025-04-15"});
  ASSERT_TRUE(check("1.6"));
  EXPECT_STREQ(version, "17.0.15");
  EXPECT_EQ(path, lowerCase(exe)) << "absolute and lower-cased";
  EXPECT_EQ(javaRuns(home + "\\bin"), 1);

  std::string stamp, cached;
  ASSERT_TRUE(cachedValue("LastWriteTime", stamp));
  ASSERT_EQ(stamp.size(), 8u);
  uint64_t time = lastWrite();
  EXPECT_EQ(std::memcmp(stamp.data(), &time, 8), 0);
  ASSERT_TRUE(cachedValue("Version", cached));
  EXPECT_STREQ(cached.c_str(), "17.0.15");

  ASSERT_TRUE(check("1.6"));
  EXPECT_STREQ(version, "17.0.15");
  EXPECT_EQ(javaRuns(home + "\\bin"), 1) << "the cache must spare the second run";
  EXPECT_FALSE(check("18")) << "a cached version still has to lie in the range";
}

// The version query names its program and quotes it: with or without a short form of the path.
TEST_F(Validation, VersionQueryNamesTheProgramAndQuotesIt) {
  wchar_t program[kPathCapacity];
  wchar_t line[kPathCapacity + 32];
  const wchar_t* longPath = L"D:\\My Apps\\jre\\bin\\java.exe";
  ASSERT_TRUE(versionQueryCommand(longPath, L"", program, line, kPathCapacity + 32));
  EXPECT_STREQ(program, longPath);
  EXPECT_STREQ(line, L"\"D:\\My Apps\\jre\\bin\\java.exe\" -version");
  ASSERT_TRUE(versionQueryCommand(longPath, L"D:\\MYAPPS~1\\jre\\bin\\java.exe", program, line,
                                  kPathCapacity + 32));
  EXPECT_STREQ(program, L"D:\\MYAPPS~1\\jre\\bin\\java.exe");
  EXPECT_STREQ(line, L"\"D:\\MYAPPS~1\\jre\\bin\\java.exe\" -version");
  EXPECT_FALSE(versionQueryCommand(longPath, L"", program, line, 20)) << "too long is refused";
  EXPECT_STREQ(line, L"");
}

// The path with its blank, as on a volume without 8.3 names, must not start "...\\My.exe".
TEST_F(Validation, PathWithBlanksNeverStartsAProgramAtItsPrefix) {
  std::string apps = root + "\\My Apps\\rt";
  exe = apps + "\\bin\\java.exe";
  makeRuntime(apps, {"java version \"1.8.0_60\""});
  // The decoy is a java.exe double too: a run of it would leave root\java.exe.count behind.
  ASSERT_TRUE(CopyFileA((doublesDirectory() + "\\java_exe\\java.exe").c_str(),
                        (root + "\\My.exe").c_str(), FALSE));
  ASSERT_TRUE(check("1.6"));
  EXPECT_STREQ(version, "1.8.0_60");
  EXPECT_EQ(javaRuns(apps + "\\bin"), 1);
  EXPECT_FALSE(exists(root + "\\java.exe.count")) << "the decoy at the path's prefix ran";
}

// A runtime path too long for a registry key name is still cached.
TEST_F(Validation, LongRuntimePathIsCachedUnderAShortKey) {
  const std::wstring path = L"c:\\" + std::wstring(280, L'r') + L"\\bin\\java.exe";
  wchar_t keyName[8192];
  ASSERT_TRUE(versionCacheKey(keyName, 8192, path.c_str()));
  const std::wstring key = keyName;
  EXPECT_EQ(key.size(), 259u);
  // The same short form as the narrow key older launchers wrote: their entries still count.
  char hash[20];
  std::snprintf(hash, sizeof hash, "~%016llx",
                static_cast<unsigned long long>(caseBlindHash(narrow(path).c_str())));
  EXPECT_EQ(narrow(key).substr(key.size() - 17), hash) << narrow(key);
  writeCachedVersion(path.c_str(), 42, "1.8.0_60");
  char cached[kPathCapacity];
  EXPECT_TRUE(readCachedVersion(path.c_str(), 42, cached, sizeof cached));
  EXPECT_STREQ(cached, "1.8.0_60");
  std::wstring other = path;
  other[100] = L's';
  EXPECT_FALSE(readCachedVersion(other.c_str(), 42, cached, sizeof cached)) << "another path";
  RegDeleteKeyW(HKEY_CURRENT_USER, key.c_str());
}

TEST_F(Validation, UntrustedCacheEntriesAreIgnoredAndReplaced) {
  makeRuntime(home, {"java version \"1.8.0_60\""});
  uint64_t time = lastWrite();
  const std::wstring lowered = wide(lowerCase(exe));
  struct Entry { uint64_t time; std::string version; };
  const Entry untrusted[] = {
      {time + 1, "1.8.0_60"},                  // the executable changed since
      {time, "1.6."},                          // known bad entries of old launchers
      {time, "1.0.0"},                         // the run failed
      {time, "17.0.15\" 2025-04-1"},           // cut after the quote by an older parser
      {time, std::string(kPathCapacity + 10, '1')},  // longer than the buffer
  };
  int expectedRuns = 0;
  for (const Entry& entry : untrusted) {
    SCOPED_TRACE(entry.version.substr(0, 20));
    // As another program may have left it: the launcher itself never writes such versions.
    wchar_t keyName[8192];
    ASSERT_TRUE(versionCacheKey(keyName, 8192, lowered.c_str()));
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, keyName, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    const std::wstring text = wide(entry.version);
    RegSetValueExW(key, L"LastWriteTime", 0, REG_BINARY,
                   reinterpret_cast<const BYTE*>(&entry.time), sizeof(entry.time));
    RegSetValueExW(key, L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() * sizeof(wchar_t)));
    RegCloseKey(key);
    ASSERT_TRUE(check());
    EXPECT_STREQ(version, "1.8.0_60");
    EXPECT_EQ(javaRuns(home + "\\bin"), ++expectedRuns);
  }
  // A trusted entry wins over what the executable would say.
  writeCachedVersion(lowered.c_str(), time, "1.7.0_80");
  ASSERT_TRUE(check());
  EXPECT_STREQ(version, "1.7.0_80");
  EXPECT_EQ(javaRuns(home + "\\bin"), expectedRuns);
}

TEST_F(Validation, CacheValuesOfWrongTypeOrSizeAreIgnoredAndRewritten) {
  makeRuntime(home, {"java version \"1.8.0_60\""});
  uint64_t time = lastWrite();
  const std::string stamp(reinterpret_cast<const char*>(&time), 8);
  wchar_t keyName[8192];
  versionCacheKey(keyName, 8192, wide(lowerCase(exe)).c_str());
  struct Value { const char* name; DWORD type; std::string data; };
  struct Entry { const char* what; Value stampValue, versionValue; };
  const Entry entries[] = {
      {"stamp as text", {"LastWriteTime", REG_SZ, stamp}, {"Version", REG_SZ, "1.7.0_80"}},
      {"stamp as qword", {"LastWriteTime", REG_QWORD, stamp}, {"Version", REG_SZ, "1.7.0_80"}},
      {"short stamp", {"LastWriteTime", REG_BINARY, stamp.substr(0, 4)}, {"Version", REG_SZ, "1.7.0_80"}},
      {"long stamp", {"LastWriteTime", REG_BINARY, stamp + "xx"}, {"Version", REG_SZ, "1.7.0_80"}},
      {"version as binary", {"LastWriteTime", REG_BINARY, stamp}, {"Version", REG_BINARY, "1.7.0_80"}},
      {"version as number", {"LastWriteTime", REG_BINARY, stamp}, {"Version", REG_DWORD, "1.7."}},
      {"null inside the version", {"LastWriteTime", REG_BINARY, stamp},
       {"Version", REG_SZ, std::string("1.7\0_80", 7)}},
  };
  int runs = 0;
  for (const Entry& entry : entries) {
    SCOPED_TRACE(entry.what);
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, keyName, 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &key, nullptr));
    for (const Value& v : {entry.stampValue, entry.versionValue})
      RegSetValueExA(key, v.name, 0, v.type, reinterpret_cast<const BYTE*>(v.data.data()),
                     static_cast<DWORD>(v.data.size()));
    ASSERT_TRUE(check());
    EXPECT_STREQ(version, "1.8.0_60") << "the entry was trusted";
    EXPECT_EQ(javaRuns(home + "\\bin"), ++runs);
    DWORD type = 0, size = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "LastWriteTime", nullptr, &type, nullptr, &size));
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    EXPECT_EQ(size, 8u);
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(key, "Version", nullptr, &type, nullptr, &size));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << "rewritten by the run";
    RegCloseKey(key);
  }
}

TEST_F(Validation, FailedRunIsCachedAsFailureAndRetriedNextTime) {
  makeRuntime(home, {"java version \"1.8.0_60\"", 1});
  EXPECT_FALSE(check());
  std::string cached;
  ASSERT_TRUE(cachedValue("Version", cached));
  EXPECT_STREQ(cached.c_str(), "1.0.0");
  configureJava(home + "\\bin", {"java version \"1.8.0_60\""});
  EXPECT_TRUE(check()) << "a cached failure is never trusted";
  EXPECT_EQ(javaRuns(home + "\\bin"), 2);
}

TEST_F(Validation, HangingRuntimeIsTerminatedAndNotCached) {
  makeRuntime(home, {"java version \"1.8.0_60\"", 0, 30});
  javaVersionTimeoutMs = 1500;
  DWORD start = GetTickCount();
  EXPECT_FALSE(check());
  EXPECT_LT(GetTickCount() - start, 15000u);
  std::string cached;
  EXPECT_FALSE(cachedValue("Version", cached));
}

// JAVA_TOOL_OPTIONS, _JAVA_OPTIONS and JDK_JAVA_OPTIONS make the runtime print a notice
// before its banner; the notice can be longer than a banner line.
TEST_F(Validation, BannerAfterNoticesIsFound) {
  makeRuntime(home, {"Picked up JAVA_TOOL_OPTIONS: -Dx=" + std::string(200, 'x') +
                         "\nline=Picked up _JAVA_OPTIONS: -Xmx1g"
                         "\nline=openjdk version \"17.0.2\" 2022-01-18"});
  ASSERT_TRUE(check("17"));
  EXPECT_STREQ(version, "17.0.2");
}

TEST_F(Validation, BadLinesAreRejected) {
  const std::string lines[] = {"Picked up JAVA_TOOL_OPTIONS: -Xmx1g",
                               "java version \"1.8.0_60", "java version \"",
                               "java version \"" + std::string(150, '1') + "\""};
  for (const std::string& line : lines) {
    SCOPED_TRACE(line);
    forgetCachedVersion(exe);
    makeRuntime(home, {line});
    EXPECT_FALSE(check());
    std::string cached;
    EXPECT_FALSE(cachedValue("Version", cached)) << "nothing cached for an exit code 0";
  }
}

// The captured standard error goes to a temporary file, which no outcome may leave behind.
TEST_F(Validation, CaptureFileIsRemovedWhateverTheRunDid) {
  std::string temp = root + "\\tmp";
  makeDirectories(temp);
  SetEnvironmentVariableA("TMP", temp.c_str());
  auto leftovers = [&] {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((temp + "\\*").c_str(), &found);
    int count = 0;
    if (search == INVALID_HANDLE_VALUE) return count;
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return count;
  };
  makeRuntime(home, {"java version \"1.8.0_60\""});
  EXPECT_TRUE(check());
  EXPECT_EQ(leftovers(), 0) << "after a good run";
  forgetCachedVersion(exe);
  configureJava(home + "\\bin", {"java version \"1.8.0_60\"", 3});
  EXPECT_FALSE(check());
  EXPECT_EQ(leftovers(), 0) << "after a failed run";
  writeFile(exe, "not a program");
  EXPECT_FALSE(check());
  EXPECT_EQ(leftovers(), 0) << "after a start that failed";
  SetEnvironmentVariableA("TMP", nullptr);
}

TEST_F(Validation, MissingExecutableIsRejectedWithoutARun) {
  EXPECT_FALSE(check());
  EXPECT_EQ(path, lowerCase(exe));
  EXPECT_EQ(candidate.verdict, Verdict::NotFound);
}

TEST_F(Validation, ReleaseSuffixIsNoPreRelease) {
  makeRuntime(home, {"java version \"1.7.0_80-release\""});
  EXPECT_TRUE(check("1.6", "1.7", PreRelease::Refused));
  configureJava(home + "\\bin", {"java version \"1.8.0-ea\""});
  forgetCachedVersion(exe);
  EXPECT_FALSE(check("1.6", "", PreRelease::Refused));
  EXPECT_TRUE(check("1.6", "", PreRelease::Allowed));
}

TEST_F(Validation, GuiLauncherNeedsJavawBesideJava) {
  LauncherConfig[key::ExecutableType] = "1";
  makeRuntime(home, {"java version \"1.8.0_60\""});
  EXPECT_FALSE(check());
  EXPECT_EQ(path, lowerCase(home + "\\bin\\javaw.exe")) << "names the missing file";
  makeRuntime(home, {"java version \"1.8.0_60\"", 0, 0, "server", false, true});
  EXPECT_TRUE(check());
  EXPECT_EQ(path, lowerCase(home + "\\bin\\javaw.exe"));
}

}  // namespace
}  // namespace tessel
