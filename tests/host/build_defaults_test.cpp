// What `tessel build` fills in and says: defaults for what a project leaves out, the summary,
// the output directory, and signing failures named in one line.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>

#include "build_command.h"
#include "build_test_support.h"
#include "config_keys.h"
#include "inspect_command.h"
#include "pe/identity.h"
#include "pe/resources.h"
#include "project_defaults.h"
#include "tool_test_support.h"

namespace tessel {
namespace {

using test::Built;
using test::realTemplate;

Built build(const test::ScratchDir& dir, const std::string& project, const std::string& output,
                  const std::string& templatePath = "", const pe::SigningOptions& signing = {},
                  bool verbose = false) {
  BuildOptions options;
  options.signing = signing;
  options.verbose = verbose;
  const std::string from =
      templatePath.empty() ? dir.write("launcher.exe", test::makeTemplate()) : templatePath;
  return test::buildProject(dir, project, output, from, options);
}

std::map<int32_t, std::string> keysOf(const std::string& exe) {
  InspectReport report;
  EXPECT_TRUE(inspectImage(test::readFile(exe), report)) << report.error;
  std::map<int32_t, std::string> keys;
  for (const auto& r : report.block.strings) keys[r.first] = r.second;
  return keys;
}

TEST(BuildDefaults, UnsetExecutableTypeAndSearchSequenceAreFilledInAndListed) {
  test::ScratchDir dir;
  Built b = build(dir, "[java]\nmain_class = \"a.B\"\n", dir.file("app.exe"));
  ASSERT_EQ(b.rc, 0) << b.err;
  auto keys = keysOf(dir.file("app.exe"));
  EXPECT_EQ(keys[key::ExecutableType], "1");
  EXPECT_EQ(keys[key::ArgumentRules], "windows");
  EXPECT_NE(b.out.find("  [application] argument_rules = \"windows\": the user's arguments split as "
                       "every Windows program splits them\n"),
            std::string::npos) << b.out;
  EXPECT_EQ(keys[key::SearchSequence], "B.\\jre;EJAVA_HOME;Y;S;");
  EXPECT_NE(b.out.find("defaults applied"), std::string::npos) << b.out;
  EXPECT_NE(b.out.find("  [application] executable_type = 1: a GUI application; error texts in message boxes\n"),
            std::string::npos) << b.out;
  EXPECT_NE(b.out.find("  [java] search_sequence = \"B.\\\\jre;EJAVA_HOME;Y;S;\": the bundled jre folder, "
                       "JAVA_HOME, the registry, the search path\n"),
            std::string::npos) << b.out;
}

TEST(BuildDefaults, WhatTheProjectSetsIsKeptAndNotListed) {
  test::ScratchDir dir;
  // An empty search sequence is a choice too (only the fixed variables are looked at).
  Built b = build(dir,
                  "[application]\nexecutable_type = 2\nargument_rules = \"launcher\"\n"
                  "[java]\nsearch_sequence = \"\"\nmain_class = \"a.B\"\n",
                  dir.file("app.exe"));
  ASSERT_EQ(b.rc, 0) << b.err;
  auto keys = keysOf(dir.file("app.exe"));
  EXPECT_EQ(keys[key::ExecutableType], "2");
  EXPECT_EQ(keys[key::ArgumentRules], "launcher");
  EXPECT_EQ(keys[key::SearchSequence], "");
  EXPECT_EQ(b.out.find("defaults applied"), std::string::npos) << b.out;
  // Set through [keys] by number counts as set as well.
  b = build(dir, "[keys]\n107 = 5\n122 = \"a.B\"\n", dir.file("app2.exe"));
  ASSERT_EQ(b.rc, 0) << b.err;
  EXPECT_EQ(keysOf(dir.file("app2.exe"))[key::ExecutableType], "5");
  EXPECT_EQ(b.out.find("executable_type"), std::string::npos) << b.out;
}

TEST(BuildDefaults, SummaryCountsKeysWithoutTheMessageTexts) {
  test::ScratchDir dir;
  // Three keys of the project, the three defaults, the embedded-file count and the template
  // version: eight keys; the 21 message texts are counted as messages only.
  Built b = build(dir, "[application]\nname = \"A\"\n[java]\nmain_class = \"a.B\"\nclass_path = \"\"\n",
                  dir.file("app.exe"));
  ASSERT_EQ(b.rc, 0) << b.err;
  EXPECT_EQ(b.out.rfind("wrote " + dir.file("app.exe") + ": 8 keys, 21 messages, 0 locale sections, "
                        "0 embedded files; block at offset ", 0),
            0u) << b.out;
}

TEST(BuildDefaults, ArgumentRulesTakeOnlyTheirTwoValues) {
  test::ScratchDir dir;
  for (const char* bad : {"\"Windows\"", "\"\"", "\"msvc\"", "1"}) {
    Built b = build(dir, std::string("[application]\nargument_rules = ") + bad + "\n",
                    dir.file("app.exe"));
    EXPECT_NE(b.rc, 0) << bad;
    EXPECT_NE(b.err.find("argument_rules"), std::string::npos) << b.err;
  }
}

TEST(BuildDefaults, MissingOutputDirectoriesAreMadeOnlyForAGoodBuild) {
  test::ScratchDir dir;
  // A refused project leaves no directory behind.
  Built b = build(dir, "[java]\nmain_clas = \"a.B\"\n", dir.file("out/deep/app.exe"));
  EXPECT_EQ(b.rc, 1);
  EXPECT_FALSE(std::filesystem::exists(dir.file("out")));
  b = build(dir, "[java]\nmain_class = \"a.B\"\n", dir.file("out/deep/app.exe"));
  EXPECT_EQ(b.rc, 0) << b.err;
  EXPECT_TRUE(std::filesystem::is_regular_file(dir.file("out/deep/app.exe")));
  std::filesystem::remove_all(dir.file("out"));
  // A file where a directory should be is named, at any depth, and nothing is made.
  dir.write("plain", std::string("x"));
  b = build(dir, "[java]\nmain_class = \"a.B\"\n", dir.file("plain/sub/app.exe"));
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find(dir.file("plain") + " is not a directory"), std::string::npos) << b.err;
}

class RealTemplate : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test::readFile(realTemplate()).empty()) GTEST_SKIP() << "no launcher template at " << realTemplate();
  }
  std::string manifestOf(const std::string& exe) {
    InspectReport report;
    inspectImage(test::readFile(exe), report);
    for (const pe::ResourceSummary& r : report.resources)
      if (r.typeId == pe::kRtManifest) return r.executionLevel;
    return "(none)";
  }
};

TEST_F(RealTemplate, ManifestAsksForNoElevationUnlessTheProjectDoes) {
  test::ScratchDir dir;
  Built b = build(dir, "[java]\nmain_class = \"a.B\"\n", dir.file("plain.exe"), realTemplate());
  ASSERT_EQ(b.rc, 0) << b.err;
  EXPECT_EQ(manifestOf(dir.file("plain.exe")), "asInvoker");
  EXPECT_NE(b.out.find("  [identity] execution_level = \"asInvoker\": no elevation prompt (the template "
                       "asks for highestAvailable)\n"),
            std::string::npos) << b.out;
  // The rest of the template's manifest stays as it was.
  InspectReport report;
  ASSERT_TRUE(inspectImage(test::readFile(dir.file("plain.exe")), report)) << report.error;

  b = build(dir, "[identity]\nexecution_level = \"requireAdministrator\"\n[java]\nmain_class = \"a.B\"\n", dir.file("admin.exe"),
            realTemplate());
  ASSERT_EQ(b.rc, 0) << b.err;
  EXPECT_EQ(manifestOf(dir.file("admin.exe")), "requireAdministrator");
  EXPECT_EQ(b.out.find("execution_level"), std::string::npos) << b.out;
  b = build(dir, "[identity]\nexecution_level = \"highestAvailable\"\n[java]\nmain_class = \"a.B\"\n", dir.file("high.exe"), realTemplate());
  ASSERT_EQ(b.rc, 0) << b.err;
  EXPECT_EQ(manifestOf(dir.file("high.exe")), "highestAvailable");
}

TEST(ManifestLevel, OnlyTheLevelAttributeChanges) {
  std::string xml =
      "<a><requestedExecutionLevel level=\"highestAvailable\" uiAccess=\"false\"/><b level=\"x\"/></a>";
  std::string level;
  ASSERT_TRUE(pe::manifestLevel(xml, level));
  EXPECT_EQ(level, "highestAvailable");
  ASSERT_TRUE(pe::setManifestLevel(xml, "asInvoker"));
  EXPECT_EQ(xml, "<a><requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/><b level=\"x\"/></a>");
  // A level attribute of another element is not taken for it.
  std::string other = "<a><requestedExecutionLevel uiAccess=\"false\"/><b level=\"x\"/></a>";
  EXPECT_FALSE(pe::manifestLevel(other, level));
  EXPECT_FALSE(pe::setManifestLevel(other, "asInvoker"));
  std::string cut = "<requestedExecutionLevel level=\"asInv";
  EXPECT_FALSE(pe::manifestLevel(cut, level));
}

// Signing failures, with osslsigncode doing the work as in a real build.
class SigningFailure : public RealTemplate {
 protected:
  void SetUp() override {
    RealTemplate::SetUp();
    if (IsSkipped()) return;
    if (std::system("command -v osslsigncode >/dev/null && command -v openssl >/dev/null") != 0)
      GTEST_SKIP() << "osslsigncode or openssl missing";
    const std::string d = dir.path();
    ASSERT_EQ(std::system(("cd " + d + " && for n in a b; do openssl req -x509 -newkey rsa:2048 -nodes "
                           "-keyout $n.key -out $n.pem -days 2 -subj /CN=$n >/dev/null 2>&1; done && "
                           "openssl pkcs12 -export -in a.pem -inkey a.key -out a.p12 -passout pass:secret")
                              .c_str()),
              0);
  }
  Built sign(const pe::SigningOptions& options, bool verbose = false) {
    return build(dir, "[application]\nexecutable_type = 2\n[java]\nmain_class = \"a.B\"\nruntime_library = \"external\"\n", dir.file("signed.exe"), realTemplate(),
                 options, verbose);
  }
  test::ScratchDir dir;
};

TEST_F(SigningFailure, EachCauseIsOneLineAndNothingIsLeft) {
  pe::SigningOptions p12;
  p12.pkcs12 = dir.file("a.p12");
  p12.password = "wrong";
  Built b = sign(p12);
  EXPECT_EQ(b.rc, 1);
  EXPECT_EQ(b.err, "tessel build: signing failed: wrong password for " + dir.file("a.p12") + "\n");
  p12.password.clear();
  unsetenv("TESSEL_SIGN_PASSWORD");
  b = sign(p12);
  EXPECT_NE(b.err.find(dir.file("a.p12") + " needs its password"), std::string::npos) << b.err;

  pe::SigningOptions mismatch;
  mismatch.certificate = dir.file("a.pem");
  mismatch.key = dir.file("b.key");
  b = sign(mismatch);
  EXPECT_EQ(b.err, "tessel build: signing failed: the private key " + dir.file("b.key") +
                       " does not match the certificate " + dir.file("a.pem") + "\n");

  pe::SigningOptions stamped;
  stamped.certificate = dir.file("a.pem");
  stamped.key = dir.file("a.key");
  stamped.timestampUrl = "http://127.0.0.1:9/";  // the discard port: nothing answers
  b = sign(stamped);
  EXPECT_EQ(b.err, "tessel build: signing failed: the timestamp server http://127.0.0.1:9/ could not "
                   "be reached or did not answer\n");

  // Only --verbose shows what osslsigncode itself printed.
  b = sign(mismatch, true);
  EXPECT_NE(b.err.find("consistency of a private key"), std::string::npos) << b.err;
  EXPECT_NE(b.err.find("tessel build: signing failed: the private key"), std::string::npos) << b.err;

  for (const std::string& f : dir.files()) EXPECT_EQ(f.find("signed.exe"), std::string::npos) << f;
}

TEST(SigningMessages, UnknownFailuresShowOsslsigncodesOwnFirstLine) {
  pe::SigningOptions options;
  options.certificate = "c.pem";
  options.key = "k.pem";
  EXPECT_EQ(pe::explainSigningFailure("Failed to read certificate file: c.pem\nFailed\n", options),
            "cannot read the certificate c.pem");
  EXPECT_EQ(pe::explainSigningFailure("40B0:error:1E08010C:DECODER routines::unsupported\n"
                                      "Something new went wrong\r\nFailed\n", options),
            "osslsigncode: Something new went wrong");
  EXPECT_EQ(pe::explainSigningFailure("", options), "osslsigncode failed");
}

}  // namespace
}  // namespace tessel
