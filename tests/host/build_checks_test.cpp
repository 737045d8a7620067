// Projects the launcher could not carry out: the build refuses them with the setting, the
// file and line and what is allowed, and writes nothing; where the project cannot know, it
// warns.
#include <gtest/gtest.h>

#include <sstream>

#include "build_command.h"
#include "build_test_support.h"
#include "config_keys.h"
#include "inspect_command.h"
#include "project_file.h"
#include "project_test_support.h"
#include "tool_test_support.h"
#include "value_rules.h"

namespace tessel {
namespace {

using test::Built;
using test::realTemplate;

using test::errorsOf;

constexpr const char* kMain = "[java]\nmain_class = \"a.B\"\n";

// The one error of a project that must not parse, as "FILE:LINE: SETTING: message".
std::string onlyError(const std::string& text) {
  std::vector<std::string> errors = errorsOf(text);
  EXPECT_EQ(errors.size(), 1u);
  return errors.empty() ? std::string() : errors[0];
}

std::vector<std::string> warningsOf(const std::string& text) {
  Project project;
  EXPECT_TRUE(test::parsed(text, project));
  return project.warnings;
}

TEST(BuildChecks, AProjectWithoutAnEntryPointIsRefused) {
  EXPECT_EQ(onlyError("[application]\nname = \"x\"\n[java]\nvm_parameters = \"-Xmx1g\"\n"),
            "app.toml:3: java.main_class: the project names no entry point: set main_class, "
            "main_jar or main_module in [java]");
  EXPECT_EQ(onlyError("[application]\nname = \"x\"\n"),
            "app.toml: java.main_class: the project names no entry point: set main_class, "
            "main_jar or main_module in [java]");
  EXPECT_NE(onlyError("[java]\nmain_class = \"\"\n").find("app.toml:2: java.main_class: the entry point is empty"),
            std::string::npos);
  // Any one of the three, also as a raw key, is an entry point.
  EXPECT_TRUE(warningsOf("[keys]\n122 = \"a.B\"\n").empty());
}

TEST(BuildChecks, ClassPathAndModulePathEntriesNeedTypeAndRequiredFlag) {
  const std::string untyped = onlyError(std::string(kMain) + "class_path = '.\\lib\\app.jar;'\n");
  EXPECT_EQ(untyped.find("app.toml:3: java.class_path: entry \".\\lib\\app.jar\" has no type"), 0u)
      << untyped;
  EXPECT_NE(untyped.find("A1.\\lib\\app.jar;"), std::string::npos);  // what is allowed
  // A type letter without 0/1 would lose the path's first character to the flag.
  EXPECT_NE(onlyError(std::string(kMain) + "class_path = 'A.\\lib\\app.jar'\n").find("has no type"),
            std::string::npos);
  EXPECT_NE(onlyError(std::string(kMain) + "class_path = 'A1x.jar;E1'\n").find("names no environment variable"),
            std::string::npos);
  EXPECT_NE(onlyError("[java]\nmain_module = \"m\"\nmodule_path = 'X1mods'\n").find("java.module_path"),
            std::string::npos);
  EXPECT_TRUE(warningsOf(std::string(kMain) +
                         "class_path = 'A1lib\\a.jar;;D0classes;E0APP_CP;E1CP;S0.\\lib;'\n")
                  .empty());
}

TEST(BuildChecks, SearchSequenceEntriesNeedAKnownType) {
  const std::string unknown = onlyError(std::string(kMain) + "search_sequence = 'Q.\\jre;Y;'\n");
  EXPECT_EQ(unknown.find("app.toml:3: java.search_sequence: entry \"Q.\\jre\" has no known type"), 0u)
      << unknown;
  EXPECT_NE(onlyError(std::string(kMain) + "search_sequence = 'E;Y'\n").find("variable name"),
            std::string::npos);
  EXPECT_NE(onlyError(std::string(kMain) + "[keys]\n128 = 'B'\n").find("keys.128"), std::string::npos);
  EXPECT_TRUE(warningsOf(std::string(kMain) + "search_sequence = 'B.\\jre;A C:\\j;R.\\r;EJAVA_HOME;Y;S;'\n")
                  .empty());
}

TEST(BuildChecks, OnlyTheTwoFlavoursAreAccepted) {
  EXPECT_EQ(onlyError(std::string(kMain) + "[application]\nflavour = \"custom\"\n"),
            "app.toml:4: application.flavour: \"custom\" is not a flavour: give \"t\" (tessel) or "
            "\"c\" (corvane)");
  EXPECT_FALSE(errorsOf(std::string(kMain) + "[keys]\nlauncher_flavour = \"\"\n").empty());
  EXPECT_TRUE(warningsOf(std::string(kMain) + "[application]\nflavour = \"c\"\n").empty());
  EXPECT_TRUE(warningsOf(std::string(kMain) + "[application]\nflavour = \"t\"\n").empty());
}

TEST(BuildChecks, ValuesLongerThanTheLauncherReadsAreRefusedAtEachKeysOwnLimit) {
  struct Case {
    std::string setting;  // section and name
    int32_t key;
  };
  const Case cases[] = {{"java\narguments", key::ApplicationArguments},
                        {"java\nvm_parameters", key::VmParameters},
                        {"java\nmin_version", key::MinJavaVersion},
                        {"splash.status_line\nfont", key::StatusLineFont},
                        {"splash.version_line\ntext", key::VersionLineText},
                        {"application\ninstallation_directory", key::InstallationDirectory},
                        {"java\nmax_version", key::MaxJavaVersion},
                        {"keys\npreferred_jvm_type", key::PreferredJvmType}};
  for (const Case& c : cases) {
    const size_t limit = valueRule(c.key).capacity - 1;
    const std::string section = c.setting.substr(0, c.setting.find('\n'));
    const std::string name = c.setting.substr(c.setting.find('\n') + 1);
    auto project = [&](size_t length) {
      return "[" + section + "]\n" + name + " = \"" + std::string(length, 'x') + "\"\n" +
             (section == "java" ? "main_class = \"a.B\"\n" : kMain);
    };
    EXPECT_TRUE(warningsOf(project(limit)).empty()) << c.setting;
    const std::string refused = onlyError(project(limit + 1));
    EXPECT_NE(refused.find("app.toml:2: " + section + "." + name + ": the value has " +
                           std::to_string(limit + 1) + " characters; the launcher reads at most " +
                           std::to_string(limit)),
              std::string::npos)
        << refused;
  }
  // Arguments of 2,400 characters used to lose their tail at start-up without a word.
  EXPECT_NE(onlyError(std::string(kMain) + "arguments = \"" + std::string(2400, 'a') + "\"\n")
                .find("reads at most 1999"),
            std::string::npos);
  // Message texts are wide: the limit counts UTF-16 units.
  EXPECT_NE(onlyError(std::string(kMain) + "[messages]\ncaption = \"" + std::string(6000, 'x') + "\"\n")
                .find("the launcher shows at most 5999"),
            std::string::npos);
}

TEST(BuildChecks, LocaleSectionsHoldOnlyMessageTextsWithoutNul) {
  EXPECT_EQ(onlyError(std::string(kMain) + "[locale.de]\n101 = \"Anwendung\"\n"),
            "app.toml:4: locale.de.101: key 101 is not a message text: a locale section holds the "
            "texts of keys 1000-1020 (caption, jvm_not_started, ...)");
  EXPECT_NE(onlyError(std::string(kMain) + "[locale.de]\ncaption = \"a\\u0000b\"\n").find("NUL"),
            std::string::npos);
  EXPECT_NE(onlyError(std::string(kMain) + "[messages]\ncaption = \"a\\u0000b\"\n").find("NUL"),
            std::string::npos);
  EXPECT_TRUE(warningsOf(std::string(kMain) + "[locale.de]\n1000 = \"Fehler\"\njvm_not_started = \"x\"\n").empty());
}

TEST(BuildChecks, AnEmbeddedNameCannotBeAFileAndAFolder) {
  test::ScratchDir dir;
  dir.write("a.jar", std::string("x"));
  const std::string text = std::string(kMain) + "[[embed]]\nsource = \"" + dir.file("a.jar") +
                           "\"\nname = \"lib\"\n[[embed]]\nsource = \"" + dir.file("a.jar") +
                           "\"\nname = \"LIB\\\\x.jar\"\n";
  EXPECT_EQ(onlyError(text),
            "app.toml:8: embed: \"lib\" is embedded as a file on line 5 and as the folder of "
            "\"lib\\x.jar\" on line 8; a name cannot be both");
}

TEST(BuildChecks, AnApostropheInsideAWordOfTheConfiguredArgumentsIsWarnedAbout) {
  std::vector<std::string> w = warningsOf(std::string(kMain) + "arguments = \"--user O'Brien --mode fast\"\n");
  ASSERT_EQ(w.size(), 1u);
  EXPECT_EQ(w[0].find("app.toml:3: java.arguments: an apostrophe inside a word"), 0u) << w[0];
  EXPECT_NE(w[0].find("\"O'Brien\""), std::string::npos);
  EXPECT_EQ(warningsOf(std::string(kMain) + "vm_parameters = \"-Dname='it is'\"\n").size(), 1u);
  EXPECT_EQ(warningsOf(std::string(kMain) + "vm_parameters = \"-Xmx1g 'lone\"\n").size(), 1u);
  // Quoting that means what it says stays quiet.
  EXPECT_TRUE(warningsOf(std::string(kMain) + "arguments = \"--user \\\"O'Brien\\\" 'a b' c\"\n").empty());
}

Built build(const test::ScratchDir& dir, const std::string& project, const std::string& templatePath) {
  return test::buildProject(dir, project, dir.file("app.exe"), templatePath);
}

TEST(BuildChecks, ARefusedProjectWritesNothingAndSaysSo) {
  test::ScratchDir dir;
  const std::string templatePath = dir.write("launcher.exe", test::makeTemplate());
  Built b = build(dir, "[application]\nflavour = \"custom\"\n[java]\nmain_class = \"a.B\"\nclass_path = \"lib\"\n",
                  templatePath);
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("app.toml:2: application.flavour"), std::string::npos) << b.err;
  EXPECT_NE(b.err.find("app.toml:5: java.class_path"), std::string::npos) << b.err;
  EXPECT_NE(b.err.find("2 errors, nothing written"), std::string::npos) << b.err;
  EXPECT_EQ(dir.files().size(), 2u);  // the project and the template only
}

TEST(BuildChecks, AnEnabledSplashWithoutSizeTakesTheTemplatePicturesSize) {
  test::ScratchDir dir;
  Built b = build(dir, std::string(kMain) + "[splash]\nenabled = true\n", realTemplate());
  ASSERT_EQ(b.rc, 0) << b.err;
  InspectReport report;
  ASSERT_TRUE(inspectImage(test::readFile(dir.file("app.exe")), report)) << report.error;
  std::map<int32_t, std::string> keys;
  for (const auto& r : report.block.strings) keys[r.first] = r.second;
  EXPECT_GT(std::atoi(keys[key::SplashWidth].c_str()), 0);
  EXPECT_GT(std::atoi(keys[key::SplashHeight].c_str()), 0);
  EXPECT_NE(b.out.find("[splash] width/height"), std::string::npos) << b.out;
}

TEST(BuildChecks, ASplashThatCannotShowIsRefused) {
  test::ScratchDir dir;
  // A template without a picture to take the size from.
  Built b = build(dir, std::string(kMain) + "[splash]\nenabled = true\n",
                  dir.write("launcher.exe", test::makeTemplate()));
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("app.toml:4: splash.enabled: the launcher template"), std::string::npos) << b.err;
  EXPECT_NE(b.err.find("splash_bitmap or [splash] width and height"), std::string::npos) << b.err;
  EXPECT_FALSE(test::readFile(dir.file("app.exe")).size());
  // A size of zero is no size.
  b = build(dir, std::string(kMain) + "[splash]\nenabled = true\nwidth = 0\nheight = 10\n", realTemplate());
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("must both be positive"), std::string::npos) << b.err;
  // The runtime's splash shows its own image and needs no size.
  b = build(dir, std::string(kMain) + "[splash]\nenabled = true\nruntime_splash = true\n",
            dir.file("launcher.exe"));
  EXPECT_EQ(b.rc, 0) << b.err;
}

TEST(BuildChecks, ATruncatedPngIconEndsTheBuild) {
  test::ScratchDir dir;
  // The signature and a header, no image data.
  const std::vector<uint8_t> header = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13,
                                       'I', 'H', 'D', 'R', 0, 0, 0, 16, 0, 0, 0, 16, 8, 6, 0, 0, 0,
                                       0x6D, 0x38, 0x71, 0xCA};
  dir.write("icon.png", header);
  Built b = build(dir, std::string(kMain) + "[identity]\nicon = \"icon.png\"\n", realTemplate());
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("app.toml:4: identity.icon: "), std::string::npos) << b.err;
  EXPECT_NE(b.err.find("PNG"), std::string::npos) << b.err;
  EXPECT_FALSE(test::readFile(dir.file("app.exe")).size());
}

TEST(BuildChecks, VersionTextsBeyondTheResourcesSixteenBitLengthsAreRefused) {
  const std::string refused = onlyError(std::string(kMain) + "[identity.version]\nfile_version = \"1.0\"\n"
                                        "description = \"" + std::string(33000, 'd') + "\"\n");
  EXPECT_EQ(refused.find("app.toml:5: identity.version.description: the version texts make a resource of"), 0u)
      << refused.substr(0, 200);
  EXPECT_NE(refused.find("this one has 33000 characters"), std::string::npos);
  EXPECT_TRUE(warningsOf(std::string(kMain) + "[identity.version]\nfile_version = \"1.0\"\n"
                         "description = \"" + std::string(30000, 'd') + "\"\n")
                  .empty());
}

}  // namespace
}  // namespace tessel
