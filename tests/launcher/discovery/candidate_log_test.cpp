// A failed search names every candidate and why it was refused, in search order.
#include <gtest/gtest.h>

#include <windows.h>

#include <cwchar>
#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/errors.h"
#include "discovery/candidate_log.h"
#include "discovery/registry_sources.h"
#include "discovery/runtime_fixture.h"
#include "discovery/search.h"
#include "discovery/vendor_keys.h"
#include "util/bounded_text.h"

namespace tessel {
namespace {

using namespace fixture;

class CandidateLog : public ::testing::Test {
 protected:
  void SetUp() override {
    clearConfiguration();
    clearErrorDialogs();
    root = makeUniqueDirectory("refusals");
  }
  void TearDown() override {
    for (const std::string& home : homes) forgetCachedVersion(home + "\\bin\\java.exe");
    SetEnvironmentVariableA("REFUSALS_EA_HOME", nullptr);
    clearConfiguration();
    removeTree(root);
  }
  std::string runtime(const std::string& name, RuntimeLayout layout) {
    std::string home = root + "\\" + name;
    makeRuntime(home, layout);
    homes.push_back(home);
    return home;
  }
  std::string lines() {
    std::string text;
    for (int i = 0; i < refusedCandidates(); ++i)
      text += narrow(refusedCandidateLine(i)) + "\n";
    return text;
  }

  NoInstalledRuntimes noInstalledRuntimes;
  std::string root;
  std::vector<std::string> homes;
};

TEST_F(CandidateLog, EveryRefusalInSearchOrder) {
  std::string missing = root + "\\missing";
  std::string old = runtime("old", {"java version \"1.6.0_45\""});
  RuntimeLayout ea;
  ea.javaExe = false;
  ea.release = releaseText("18", "18-ea+20-1248");
  std::string early = runtime("ea", ea);
  std::string x86 = runtime("x86", {"openjdk version \"17.0.2\"", 0, 0, "server", true});
  std::string damaged = runtime("damaged", {"openjdk version \"17.0.2\"", 0, 0, nullptr});
  makeDirectories(damaged + "\\bin\\server");
  writeFile(damaged + "\\bin\\server\\jvm.dll", "not a library");
  SetEnvironmentVariableA("REFUSALS_EA_HOME", early.c_str());

  LauncherConfig[key::MinJavaVersion] = "11";
  LauncherConfig[key::SearchSequence] = "B" + missing + ";A" + old +
                                        ";EREFUSALS_UNSET;EREFUSALS_EA_HOME;R" + x86 + ";R" +
                                        damaged;
  Candidate accepted;
  wchar_t location[kPathCapacity] = L"";
  int kind = 0;
  EXPECT_EQ(searchJvm(accepted, kind, location), nullptr);
  std::string text = lines();
  const std::string expected[] = {
      "  B " + missing + " -> " + lowerCase(missing) + ": not found (no java.exe)",
      "  A " + old + " -> " + lowerCase(old) + ": version out of range (1.6.0_45; range 11 to any)",
      "  E REFUSALS_UNSET -> %REFUSALS_UNSET%: not found (not set)",
      "  E REFUSALS_EA_HOME -> " + lowerCase(early) + ": pre-release (18-ea; range 11 to any)",
      "  R " + x86 + " -> " + lowerCase(x86) + ": wrong word size (" + lowerCase(x86) +
          "\\bin\\server\\jvm.dll is a 32-bit library)",
      "  R " + damaged + " -> " + lowerCase(damaged) + ": damaged library (" +
          lowerCase(damaged) + "\\bin\\server\\jvm.dll does not load, error 193)",
      // The fallback pass retries B entries, then come the fixed variables.
      "  B " + missing + ", without the version check -> " + lowerCase(missing) +
          ": not found (no java.exe)",
      "  TESSEL_JAVA_HOME -> %TESSEL_JAVA_HOME%: not found (not set)",
      "  CORVANE_JAVA_HOME -> %CORVANE_JAVA_HOME%: not found (not set)",
  };
  ASSERT_EQ(refusedCandidates(), 9) << text;
  for (int i = 0; i < 9; ++i) EXPECT_EQ(narrow(refusedCandidateLine(i)), expected[i]) << text;
}

TEST_F(CandidateLog, ManyCandidatesAreCountedNotListed) {
  clearCandidates();
  Candidate candidate;
  startCandidate(candidate, L"Y %ls", L"somewhere");
  setCandidateExecutable(candidate, L"c:\\x\\bin\\java.exe");
  for (int i = 0; i < 250; ++i) refuseCandidate(candidate, Verdict::NotFound);
  EXPECT_EQ(refusedCandidates(), 250);
  EXPECT_EQ(candidate.verdict, Verdict::NotFound);
  EXPECT_STREQ(refusedCandidateLine(0), L"  Y somewhere -> c:\\x: not found");
  EXPECT_STREQ(refusedCandidateLine(200), L"");
  std::wstring longPath(3000, L'a');
  clearCandidates();
  startCandidate(candidate, L"%ls", longPath.c_str());
  EXPECT_EQ(std::wcslen(candidate.source), kSourceCapacity - 1) << "a long source is cut";
  refuseCandidateAt(candidate, longPath.c_str(), Verdict::NotFound, longPath.c_str());
  EXPECT_LT(std::wcslen(refusedCandidateLine(0)), 1024u) << "lines are cut, not overrun";
}

}  // namespace
}  // namespace tessel
