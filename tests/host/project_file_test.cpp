#include <gtest/gtest.h>

#include <map>

#include "config_keys.h"
#include "embedded_names.h"
#include "project_file.h"
#include "project_test_support.h"
#include "tool_test_support.h"

namespace tessel {
namespace {

using test::errorsOf;
using test::stringsOf;
using test::messagesOf;

TEST(ProjectFile, SectionedNamesVocabularyNamesAndRawNumbersSetTheirKeys) {
  Project project;
  ASSERT_TRUE(test::parsed(R"(
[application]
name = "Demo"
executable_type = 2
[java]
main_class = "com.example.Main"
min_java_version = "1.8"
[splash]
enabled = true
on_top = false
[splash.status_line]
colour = "255, 128,0"
weight = 700
[splash.version_line]
colour = [1, 2, 3]
[keys]
149 = "raw"
"150" = 7
single_instance = true
)", project));
  auto s = stringsOf(project);
  EXPECT_EQ(s[key::ApplicationName], "Demo");
  EXPECT_EQ(s[key::ExecutableType], "2");
  EXPECT_EQ(s[key::MainClass], "com.example.Main");
  EXPECT_EQ(s[key::MinJavaVersion], "1.8");
  EXPECT_EQ(s[key::SplashScreen], "1");
  EXPECT_EQ(s[key::SplashOnTop], "0");
  EXPECT_EQ(s[key::StatusLineColour], "255,128,0");
  EXPECT_EQ(s[key::StatusLineWeight], "700");
  EXPECT_EQ(s[key::VersionLineColour], "1,2,3");
  EXPECT_EQ(s[149], "raw");
  EXPECT_EQ(s[150], "7");
  EXPECT_EQ(s[key::SingleInstance], "1");
  EXPECT_EQ(s[key::EmbeddedFileCount], "0");
  EXPECT_EQ(s.count(key::EmbeddedFileNames), 0u);
}

TEST(ProjectFile, MessagesDefaultToEnglishAndAreStoredNarrowAndWide) {
  Project project;
  ASSERT_TRUE(test::parsed("[messages]\ncaption = \"Fehler\"\n[keys]\n1009 = \"Intern {0}\"\n122 = \"a.B\"\n",
                           project));
  auto s = stringsOf(project);
  auto m = messagesOf(project);
  for (int32_t k = 1000; k <= 1020; ++k) {
    ASSERT_TRUE(s.count(k)) << k;
    ASSERT_TRUE(m.count(k)) << k;
    EXPECT_EQ(std::u16string(s[k].begin(), s[k].end()), m[k]) << k;
  }
  EXPECT_EQ(s[1000], "Fehler");
  EXPECT_EQ(s[1009], "Intern {0}");
  EXPECT_EQ(s[1005], defaultMessageText(1005));
}

TEST(ProjectFile, NarrowTextIsLatin1AndWiderCharactersAreRefusedOrReplaced) {
  Project project;
  ASSERT_TRUE(test::parsed("[application]\nname = \"Caf\xC3\xA9\"\n[messages]\ncaption = \"\xE2\x9C\x93 ok\"\n[java]\nmain_class = \"a.B\"\n",
                           project));
  auto s = stringsOf(project);
  EXPECT_EQ(s[key::ApplicationName], "Caf\xE9");
  EXPECT_EQ(s[1000], "? ok");
  EXPECT_EQ(messagesOf(project)[1000], u"\u2713 ok");
  // The launcher shows the wide text, so the narrow one's '?' is nothing to warn about.
  EXPECT_TRUE(project.warnings.empty());
  auto e = errorsOf("[application]\nname = \"\xE2\x9C\x93\"\n");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], "app.toml:2: application.name: the text has characters beyond U+00FF, which a "
                  "narrow value cannot hold");
}

TEST(ProjectFile, LocaleSectionsKeepFileOrderSoTheLaterOneWins) {
  Project project;
  ASSERT_TRUE(test::parsed("[locale.de_CH]\ncaption = \"Fähler\"\n[locale.de]\ncaption = \"Fehler\"\n"
                           "1009 = \"Intern\"\n[java]\nmain_class = \"a.B\"\n", project));
  ASSERT_EQ(project.block.sections.size(), 2u);
  EXPECT_EQ(project.block.sections[0].tag, "de_CH");
  EXPECT_EQ(project.block.sections[0].records.at(0).second, u"F\u00e4hler");
  EXPECT_EQ(project.block.sections[1].tag, "de");
  EXPECT_EQ(project.block.sections[1].records.size(), 2u);
}

TEST(ProjectFile, ErrorsNameFileLineAndSettingInFileOrder) {
  auto e = errorsOf(R"([application]
name = "x"
executable_type = "two"
bogus = 1
[java]
main_class = 5
[keys]
application_name = "y"
2002 = 3
[splash.status_line]
colour = "1,2"
size = 3000000000
[instance]
single_instance = 1.5
[locale.toolongtag]
caption = "x"
[nonsense]
)");
  std::vector<std::string> expected = {
      "app.toml:3: application.executable_type: expected an integer, found a string",
      "app.toml:4: `bogus`: unknown setting in [application]",
      "app.toml:6: java.main_class: expected a string, found an integer",
      "app.toml:8: keys.application_name: key 101 is already set by application.name on line 2",
      "app.toml:9: keys.2002: key 2002 is set from the [[embed]] list",
      "app.toml:11: splash.status_line.colour: a colour is \"red,green,blue\" with each from 0 to "
      "255, like \"255,128,0\"",
      "app.toml:12: splash.status_line.size: the number does not fit a 32-bit integer",
      "app.toml:14: instance.single_instance: expected a boolean or an integer, found a "
      "floating-point number",
      "app.toml:15: locale.toolongtag: a locale tag is at most 8 letters, digits or underscores, "
      "like de or de_CH",
      "app.toml:17: `nonsense`: unknown section (expected application, java, instance, restart, "
      "splash, messages, locale, keys, embed, file_association, identity or signing)",
  };
  EXPECT_EQ(e, expected);
}

TEST(ProjectFile, SyntaxErrorNamesTheLine) {
  auto e = errorsOf("[application]\nname = \"x\"\nname2 = [\n");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].rfind("app.toml:3: not a valid TOML file: ", 0), 0u) << e[0];
}

TEST(ProjectFile, IdentityErrorsNameFileLineAndSetting) {
  EXPECT_EQ(errorsOf("[identity]\nicon = \"a.ico\"\nbogus = 1\n"),
            std::vector<std::string>{"app.toml:3: `bogus`: unknown setting in [identity]"});
  EXPECT_EQ(errorsOf("[identity.version]\nfile_version = \"1.x\"\n"),
            std::vector<std::string>{"app.toml:2: identity.version.file_version: expected up to four "
                                     "numbers 0-65535 separated by dots, not \"1.x\""});
  EXPECT_EQ(errorsOf("[identity]\nexecution_level = \"root\"\n"),
            std::vector<std::string>{"app.toml:2: identity.execution_level: execution level must be "
                                     "asInvoker, highestAvailable or requireAdministrator, not \"root\""});
}

TEST(ProjectFile, ColourForms) {
  for (const char* bad : {"\"256,0,0\"", "\"1,2,3,4\"", "\"1,,2\"", "\"1,2,\"", "[1,2]", "\"a,b,c\"", "7"}) {
    auto e = errorsOf(std::string("[splash.status_line]\ncolour = ") + bad + "\n");
    EXPECT_EQ(e.size(), 1u) << bad;
  }
}

TEST(ProjectFile, EmbeddedFilesSetCountAndNames) {
  test::ScratchDir dir;
  dir.write("app.jar", std::string("jar"));
  dir.write("notes.txt", std::string("n"));
  Project project;
  std::vector<ProjectError> errors;
  ASSERT_TRUE(loadProject(dir.write("app.toml", std::string(
                              "[[embed]]\nsource = \"app.jar\"\nname = \"lib\\\\app.jar\"\n"
                              "[[embed]]\nsource = \"notes.txt\"\n[java]\nmain_class = \"a.B\"\n")),
                          project, errors))
      << formatProjectError(errors.at(0));
  auto s = stringsOf(project);
  EXPECT_EQ(s[key::EmbeddedFileCount], "2");
  EXPECT_EQ(s[key::EmbeddedFileNames], "lib\\app.jar;notes.txt");
  ASSERT_EQ(project.embedded.size(), 2u);
  EXPECT_EQ(project.embedded[0].sourcePath, dir.file("app.jar"));
}

TEST(ProjectFile, EmbeddedErrors) {
  test::ScratchDir dir;
  dir.write("a.txt", std::string("a"));
  Project project;
  std::vector<ProjectError> errors;
  EXPECT_FALSE(loadProject(dir.write("app.toml", std::string(
                               "[[embed]]\nsource = \"a.txt\"\nname = \"x.txt\"\n"
                               "[[embed]]\nsource = \"a.txt\"\nname = \"X.TXT\"\n"
                               "[[embed]]\nsource = \"missing.txt\"\n"
                               "[[embed]]\nname = \"y\"\n"
                               "[[embed]]\nsource = \"a.txt\"\nname = \"z\"\nmode = 1\n")),
                           project, errors));
  std::vector<std::string> got;
  for (const ProjectError& e : errors) got.push_back(formatProjectError(e));
  const std::string p = dir.file("app.toml");
  std::vector<std::string> expected = {
      p + ":6: embed[2].name: \"X.TXT\" is already embedded on line 3",
      p + ":8: embed[3].source: cannot read " + dir.path() + "/missing.txt: No such file or directory",
      p + ":9: embed[4].source: each [[embed]] needs source = \"path of the file\"",
      p + ":14: `mode`: unknown setting in [[embed]] (expected source and name)",
  };
  EXPECT_EQ(got, expected);
  auto e = errorsOf("[embed]\nsource = \"a\"\n");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0], "app.toml:1: embed: embedded files are an array of tables: write [[embed]]");
}

TEST(EmbeddedNames, RefusesNamesTheLauncherCannotExtractSafely) {
  std::string why;
  for (const char* ok : {"app.jar", "lib\\app.jar", "a b.txt", "caf\xC3\xA9.txt", "console.txt",
                         "COM10.txt", "nullable.jar", "lib\\tessel-launch.lock",
                         "tessel-launch.lock.txt"})
    EXPECT_TRUE(checkEmbeddedName(ok, why)) << ok << ": " << why;
  for (const char* bad : {"", "\\abs.txt", "/abs.txt", "C:\\x.txt", "c:x.txt", "..", "..\\x",
                          "lib\\..\\x", "a\\b\\c.txt", "lib\\", "lib\\\\x", "a/b", "a;b",
                          "x?.txt", "dir.\\x", "a\\.", "file:stream", "tab\there", "NUL",
                          "nul.txt", "lib\\COM1.jar", "Lpt9", "con .txt", "tessel-launch.lock",
                          "Tessel-Launch.LOCK"})
    EXPECT_FALSE(checkEmbeddedName(bad, why)) << bad;
  checkEmbeddedName("a\\b\\c.txt", why);
  EXPECT_EQ(why, "the name has more than one directory level; the launcher creates only the first");
}

}  // namespace
}  // namespace tessel

namespace tessel {
namespace {

// Letters such as ü and Cyrillic where the TOML reader asks whether a character is white
// space (after a key, behind a line-ending backslash) are read as letters, not as undefined
// behaviour (the sanitizer build checks).
TEST(ProjectFile, NonAsciiLettersWhereTheReaderLooksForWhiteSpace) {
  Project project;
  ASSERT_TRUE(test::parsed("[application]\nname = \"\"\"Grü\\\n  ße\"\"\"\n[java]\nmain_class = \"a.B\"\n",
                           project));
  EXPECT_EQ(stringsOf(project)[101], "Gr\xFC\xDF" "e");
  const std::vector<std::string> e = errorsOf("[application]\nname = \"x\" ü\nжк = 1\n");
  ASSERT_EQ(e.size(), 1u);
  EXPECT_EQ(e[0].rfind("app.toml:2: ", 0), 0u) << e[0];
}

}  // namespace
}  // namespace tessel
