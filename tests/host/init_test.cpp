// `tessel init`: the jar's manifest read from the zip, and a starter project that builds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "build_command.h"
#include "byte_order.h"
#include "init_command.h"
#include "installation.h"
#include "jar_launch.h"
#include "project_file.h"
#include "tool_test_support.h"
#include "zip_test_support.h"

namespace tessel {
namespace {

using test::Entry;
using test::zipFile;

const char* kManifest =
    "Manifest-Version: 1.0\r\nCreated-By: 17 (Debian)\r\nMain-Class: com.example.notes.Applicati\r\n"
    " onMain\r\nImplementation-Title: Notes\r\n\r\nName: com/example/\r\nMain-Class: not.This\r\n";

TEST(JarManifest, StoredAndDeflatedManifestsAreRead) {
  test::ScratchDir dir;
  for (bool deflate : {false, true}) {
    const std::string jar = dir.write("app.jar", zipFile({{"META-INF/", "", false},
                                                          {"META-INF/MANIFEST.MF", kManifest, deflate},
                                                          {"com/example/A.class", "xx", true}},
                                                         "a comment"));
    jar::Manifest manifest;
    std::string why, mainClass;
    ASSERT_TRUE(jar::readJarManifest(jar, manifest, why)) << why;
    ASSERT_TRUE(jar::manifestMainClass(manifest, mainClass, why)) << why;
    EXPECT_EQ(mainClass, "com.example.notes.ApplicationMain");
    EXPECT_EQ(*jar::manifestAttribute(manifest, "implementation-title"), "Notes");
    EXPECT_EQ(jar::manifestAttribute(manifest, "Class-Path"), nullptr);
  }
}

// init and main_jar read one jar alike: the last of a repeated Main-Class, "/" as ".", blanks
// around the name dropped.
TEST(JarManifest, InitTakesTheClassMainJarTakes) {
  test::ScratchDir dir;
  const std::string manifest =
      "Manifest-Version: 1.0\r\nMain-Class: first.One\r\nMain-Class:  com/example/Last \r\n\r\n";
  const std::string jar = dir.write("app.jar", zipFile({{"META-INF/MANIFEST.MF", manifest, true}}));
  jar::Manifest parsed;
  std::string why;
  ASSERT_TRUE(jar::readJarManifest(jar, parsed, why)) << why;
  jar::JarLaunch launch;
  ASSERT_TRUE(jar::jarLaunchFromManifest(parsed, "app.jar", launch, why)) << why;
  EXPECT_EQ(launch.mainClass, "com.example.Last");
  ASSERT_EQ(launch.warnings.size(), 1u);
  EXPECT_EQ(launch.warnings[0], "the manifest names Main-Class more than once; the last one counts, as with java -jar");
  std::ostringstream out, err;
  InitOptions options;
  options.jarPath = jar;
  options.outputPath = dir.file("app.toml");
  ASSERT_EQ(runInit(options, out, err), 0) << err.str();
  std::ifstream text(dir.file("app.toml"));
  std::stringstream written;
  written << text.rdbuf();
  EXPECT_NE(written.str().find("main_class = \"com.example.Last\""), std::string::npos) << written.str();
}

TEST(JarManifest, DamagedArchivesAreRefusedWithTheReason) {
  test::ScratchDir dir;
  jar::Manifest manifest;
  std::string why;
  EXPECT_FALSE(jar::readJarManifest(dir.file("none.jar"), manifest, why));
  EXPECT_EQ(why, "No such file or directory");
  EXPECT_FALSE(jar::readJarManifest(dir.write("text.jar", std::string("not a zip at all, just text")), manifest, why));
  EXPECT_EQ(why, "no zip end-of-directory record");
  EXPECT_FALSE(jar::readJarManifest(dir.write("empty.jar", zipFile({{"a.txt", "a", false}})), manifest, why));
  EXPECT_EQ(why, "no META-INF/MANIFEST.MF in the archive");
  // Every cut of a real archive is refused or read, never read past its end.
  const std::vector<uint8_t> whole = zipFile({{"META-INF/MANIFEST.MF", kManifest, true}});
  for (size_t cut = 0; cut < whole.size(); ++cut) {
    std::vector<uint8_t> part(whole.begin(), whole.begin() + static_cast<long>(cut));
    jar::readJarManifest(dir.write("cut.jar", part), manifest, why);
  }
  // Sizes that lie.
  std::vector<uint8_t> liar = whole;
  storeLe32(&liar[liar.size() - 6], 0x7FFFFFF0);  // directory offset
  EXPECT_FALSE(jar::readJarManifest(dir.write("liar.jar", liar), manifest, why));
  EXPECT_EQ(why, "the central directory runs past its end record");
  std::vector<uint8_t> big = whole;
  const size_t entry = big.size() - 22 - (46 + 20);
  storeLe32(&big[entry + 24], 5);  // claims fewer bytes than the data inflates to
  EXPECT_FALSE(jar::readJarManifest(dir.write("big.jar", big), manifest, why));
}

struct InitRun {
  int rc = -1;
  std::string out, err, text;
};

InitRun init(const std::string& jar, const std::string& name,
             const std::string& output) {
  InitOptions options;
  options.jarPath = jar;
  options.name = name;
  options.outputPath = output;
  std::ostringstream out, err;
  InitRun r;
  r.rc = runInit(options, out, err);
  r.out = out.str();
  r.err = err.str();
  const std::vector<uint8_t> written = test::readFile(output);
  r.text.assign(written.begin(), written.end());
  return r;
}

TEST(Init, StarterFromAJarNamesItsMainClassAndParses) {
  test::ScratchDir dir;
  const std::string jar = dir.write("notes.jar", zipFile({{"META-INF/MANIFEST.MF", kManifest, true}}));
  InitRun r = init(jar, "", dir.file("notes.toml"));
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.text.find("main_class = \"com.example.notes.ApplicationMain\""), std::string::npos) << r.text;
  EXPECT_NE(r.text.find("name = \"Notes\""), std::string::npos) << r.text;
  EXPECT_NE(r.text.find("[[embed]]\nsource = \"notes.jar\"\n"), std::string::npos) << r.text;
  // The runtime library by name, never by a path of this machine; the schema beside it.
  EXPECT_EQ(r.text.rfind("#:schema ./tessel.schema.json\n", 0), 0u) << r.text;
  EXPECT_NE(r.text.find("\nruntime_library = \"embed\""), std::string::npos) << r.text;
  EXPECT_EQ(r.text.find("tessel-runtime.jar\"\n"), std::string::npos) << r.text;
  EXPECT_FALSE(test::readFile(dir.file("tessel.schema.json")).empty());
  EXPECT_NE(r.out.find("next: tessel build " + dir.file("notes.toml") + " -o notes.exe"), std::string::npos)
      << r.out;
  std::filesystem::create_directories(dir.file("tool"));
  dir.write("tool/tessel-runtime.jar", std::string("jar"));
  setInstallationDirectory(dir.file("tool"));
  Project project;
  std::vector<ProjectError> errors;
  EXPECT_TRUE(loadProject(dir.file("notes.toml"), project, errors))
      << (errors.empty() ? "" : formatProjectError(errors[0])) << "\n" << r.text;

  setInstallationDirectory("");
  std::filesystem::remove_all(dir.file("tool"));
  // Not overwritten.
  r = init(jar, "", dir.file("notes.toml"));
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("already exists"), std::string::npos);
}

TEST(Init, StarterWithoutAJarBuildsAsItIs) {
  test::ScratchDir dir;
  InitRun r = init("", "Quote \"Me\" \\ Now", dir.file("starter.toml"));
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_NE(r.text.find("main_class = \"com.example.Main\""), std::string::npos);
  EXPECT_NE(r.text.find("name = \"Quote \\\"Me\\\" \\\\ Now\""), std::string::npos) << r.text;
  BuildOptions options;
  options.projectPath = dir.file("starter.toml");
  options.outputPath = dir.file("starter.exe");
  options.templatePath = dir.write("launcher.exe", test::makeTemplate());
  std::filesystem::create_directories(dir.file("tool"));
  dir.write("tool/tessel-runtime.jar", std::string("jar"));
  setInstallationDirectory(dir.file("tool"));
  std::ostringstream out, err;
  EXPECT_EQ(runBuild(options, out, err), 0) << err.str() << "\n" << r.text;
  setInstallationDirectory("");
  std::filesystem::remove_all(dir.file("tool"));

  r = init(dir.file("missing.jar"), "", dir.file("other.toml"));
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "tessel init: " + dir.file("missing.jar") + ": No such file or directory\n");
  r = init("", "x", dir.file("no-dir/x.toml"));
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("does not exist"), std::string::npos);
}

}  // namespace
}  // namespace tessel
