// The Java side of a "t"-flavour launcher: supplied by the tool (runtime_library = "embed"),
// found in the embedded files or the class path, or refused where the build can see it is
// missing and only warned about where it cannot.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "build_command.h"
#include "build_test_support.h"
#include "installation.h"
#include "project_file.h"
#include "tool_test_support.h"
#include "zip_test_support.h"

namespace tessel {
namespace {

using test::Built;

class RuntimeLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(dir.file("tool"));
    setInstallationDirectory(dir.file("tool"));
    dir.write("launcher.exe", test::makeTemplate());
    dir.write("app.jar", test::zipFile({{"app/Main.class", "cafe", false}}));
  }
  void TearDown() override {
    setInstallationDirectory("");
    std::filesystem::remove_all(dir.path() + "/tool");
    std::filesystem::remove_all(dir.path() + "/lib");
    std::filesystem::remove_all(dir.path() + "/out");
  }
  // A copy of the library as an installation of the tool has it.
  std::string installLibrary() {
    return dir.write("tool/tessel-runtime.jar",
                     test::zipFile({{"com/tessel/runtime/WinLauncher.class", "cafe", true}}));
  }
  Built build(const std::string& project, const std::string& output = "app.exe") {
    return test::buildProject(dir, project, dir.file(output), dir.file("launcher.exe"));
  }
  test::ScratchDir dir;
};

const std::string kApp = "[java]\nmain_class = \"app.Main\"\n";
const std::string kEmbedApp = "[[embed]]\nsource = \"app.jar\"\n";

TEST_F(RuntimeLibrary, EmbedTakesTheToolsOwnCopyUnderItsOwnName) {
  const std::string library = installLibrary();
  Project project;
  std::vector<ProjectError> errors;
  ASSERT_TRUE(loadProject(dir.write("app.toml", kApp + "runtime_library = \"embed\"\n" + kEmbedApp),
                          project, errors));
  ASSERT_EQ(project.embedded.size(), 2u);
  EXPECT_EQ(project.embedded[1].sourcePath, library);
  EXPECT_EQ(project.embedded[1].name, "tessel-runtime.jar");
  const Built b = build(kApp + "runtime_library = \"embed\"\n" + kEmbedApp);
  EXPECT_EQ(b.rc, 0) << b.err;
  EXPECT_EQ(b.err.find("tessel-runtime"), std::string::npos) << b.err;
  EXPECT_NE(b.out.find("2 embedded files"), std::string::npos) << b.out;
}

TEST_F(RuntimeLibrary, EmbedWithoutTheToolsCopyOrTwiceOrMisspeltIsAnError) {
  Built b = build(kApp + "runtime_library = \"embed\"\n");
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("runtime_library: this tool's tessel-runtime.jar is neither at " +
                       dir.file("tool/tessel-runtime.jar")), std::string::npos) << b.err;
  installLibrary();
  b = build(kApp + "runtime_library = \"embed\"\n[[embed]]\nsource = \"tool/tessel-runtime.jar\"\n");
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("already embeds tessel-runtime.jar"), std::string::npos) << b.err;
  b = build(kApp + "runtime_library = \"bundle\"\n");
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("expected \"embed\" or \"external\", not \"bundle\""), std::string::npos) << b.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("app.exe")));
}

TEST_F(RuntimeLibrary, AClassPathTheBuildCanSeeWithoutTheLibraryIsRefused) {
  // What `tessel init` used to write when the tool had no copy beside it.
  Built b = build(kApp + kEmbedApp);
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("neither the embedded files nor the class path hold tessel-runtime.jar"),
            std::string::npos) << b.err;
  EXPECT_NE(b.err.find("runtime_library = \"embed\""), std::string::npos) << b.err;
  EXPECT_NE(b.err.find("or runtime_library = \"external\" when the installation adds it"), std::string::npos)
      << b.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("app.exe")));
  // A lib folder beside the output, readable and without it.
  std::filesystem::create_directories(dir.file("out/lib"));
  dir.write("out/lib/app.jar", test::zipFile({{"app/Main.class", "cafe", false}}));
  b = build(kApp + "class_path = \"S0.\\\\lib;\"\n", "out/app.exe");
  EXPECT_EQ(b.rc, 1) << b.err;
}

TEST_F(RuntimeLibrary, TheLibraryIsFoundByNameOrByItsLauncherClass) {
  std::filesystem::create_directories(dir.file("out/lib"));
  dir.write("out/lib/tessel-runtime-1.0.0.jar", std::string("not even a zip"));
  Built b = build(kApp + "class_path = \"S0.\\\\lib;\"\n", "out/app.exe");
  EXPECT_EQ(b.rc, 0) << b.err;
  EXPECT_EQ(b.err.find("tessel-runtime"), std::string::npos) << b.err;
  // Merged into the application's own jar, embedded under another name.
  dir.write("fat.jar", test::zipFile({{"app/Main.class", "x", false},
                                      {"com/tessel/runtime/WinLauncher.class", "cafe", true}}));
  b = build(kApp + "[[embed]]\nsource = \"fat.jar\"\n");
  EXPECT_EQ(b.rc, 0) << b.err;
  EXPECT_EQ(b.err.find("tessel-runtime"), std::string::npos) << b.err;
  // An A entry naming a classes folder that holds it.
  std::filesystem::create_directories(dir.file("out/classes/com/tessel/runtime"));
  dir.write("out/classes/com/tessel/runtime/WinLauncher.class", std::string("cafe"));
  b = build(kApp + "class_path = \"D1classes\\\\;\"\n" + kEmbedApp, "out/app.exe");
  EXPECT_EQ(b.rc, 0) << b.err;
  std::filesystem::remove_all(dir.file("fat.jar"));
  // In a folder whose name is not ASCII: the stored entry is Latin-1, the folder's name UTF-8.
  std::filesystem::create_directories(dir.file("out/caf\xC3\xA9"));
  dir.write("out/caf\xC3\xA9/tessel-runtime.jar", std::string("not even a zip"));
  b = build(kApp + "class_path = \"A1caf\xC3\xA9\\\\tessel-runtime.jar;\"\n" + kEmbedApp, "out/app.exe");
  EXPECT_EQ(b.rc, 0) << b.err;
  EXPECT_EQ(b.err.find("tessel-runtime"), std::string::npos) << "found, not guessed: " << b.err;
}

TEST_F(RuntimeLibrary, JarsEmbeddedInTheUserFolderJoinTheClassPathLikeThoseAtTheTop) {
  dir.write("tessel-runtime.jar", std::string("not even a zip"));
  Built b = build(kApp + kEmbedApp + "[[embed]]\nsource = \"tessel-runtime.jar\"\nname = \"User\\\\tessel-runtime.jar\"\n");
  EXPECT_EQ(b.rc, 0) << b.err;
  EXPECT_EQ(b.err.find("tessel-runtime"), std::string::npos) << "found in user\\: " << b.err;
  // A readable jar there that lacks it is a class path the build sees whole.
  b = build(kApp + "[[embed]]\nsource = \"app.jar\"\nname = \"user\\\\app.jar\"\n");
  EXPECT_EQ(b.rc, 1) << b.err;
  EXPECT_NE(b.err.find("neither the embedded files nor the class path hold"), std::string::npos) << b.err;
  // Deeper folders are only extracted.
  b = build(kApp + "[[embed]]\nsource = \"tessel-runtime.jar\"\nname = \"lib\\\\tessel-runtime.jar\"\n");
  EXPECT_EQ(b.rc, 0) << b.err;
  EXPECT_NE(b.err.find("names no class path"), std::string::npos) << b.err;
}

TEST_F(RuntimeLibrary, WhatTheBuildCannotSeeIsOnlyWarnedAbout) {
  // The lib folder is filled at installation; a variable; no class path at all.
  for (const std::string& classPath : {"S0.\\\\lib;", "A1${APP_HOME}\\\\lib\\\\x.jar;", "E0APP_JARS;"}) {
    const Built b = build(kApp + "class_path = \"" + classPath + "\"\n" + kEmbedApp, "out/app.exe");
    EXPECT_EQ(b.rc, 0) << b.err;
    EXPECT_NE(b.err.find("warning: no tessel-runtime.jar among the embedded files"), std::string::npos) << b.err;
  }
  // A placeholder jar the build cannot read is no proof either way.
  std::filesystem::create_directories(dir.file("out/lib"));
  dir.write("out/lib/app.jar", std::string());
  Built b = build(kApp + "class_path = \"S0.\\\\lib;\"\n", "out/app.exe");
  EXPECT_EQ(b.rc, 0) << b.err;
  EXPECT_NE(b.err.find("warning: no tessel-runtime.jar"), std::string::npos) << b.err;
  // No class path at all, only data and a jar below lib\ (extracted, never on the class path):
  // only a -classpath line the installation writes can give the launcher its class.
  dir.write("data.bin", std::string("data"));
  b = build(kApp + "[[embed]]\nsource = \"data.bin\"\n[[embed]]\nsource = \"app.jar\"\nname = \"lib\\\\app.jar\"\n");
  EXPECT_EQ(b.rc, 0) << b.err;
  EXPECT_NE(b.err.find("app.toml: the project names no class path"), std::string::npos) << b.err;
  EXPECT_NE(b.err.find("found only where a -classpath line adds it (APP.vmoptions beside the executable"),
            std::string::npos) << b.err;
  // Said to come from elsewhere, or not needed by the corvane flavour: no word.
  b = build(kApp + "runtime_library = \"external\"\n" + kEmbedApp);
  EXPECT_EQ(b.rc, 0) << b.err;
  EXPECT_EQ(b.err.find("tessel-runtime"), std::string::npos) << b.err;
  b = build("[application]\nflavour = \"c\"\n" + kApp + kEmbedApp);
  EXPECT_EQ(b.rc, 0) << b.err;
  EXPECT_EQ(b.err.find("tessel-runtime"), std::string::npos) << b.err;
}

}  // namespace
}  // namespace tessel
