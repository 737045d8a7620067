// Manifest text and what the launcher takes from it: the lines a manifest may have, and the
// class path and VM options that follow from its attributes.
#include <gtest/gtest.h>

#include "jar_launch.h"
#include "manifest.h"

namespace tessel::jar {
namespace {

Manifest parsed(const std::string& text) {
  Manifest m;
  std::string why;
  EXPECT_TRUE(parseManifest(text, m, why)) << why;
  return m;
}

TEST(Manifest, ContinuationLinesAnyLineEndsAndOnlyTheMainSection) {
  Manifest m = parsed(
      "Manifest-Version: 1.0\r\nClass-Path: a.jar b\r\n .jar\nMAIN-CLASS: x.Y\r\n\r\nName: x/Y.class\r\n"
      "Main-Class: not.This\r\n");
  ASSERT_NE(manifestAttribute(m, "Class-Path"), nullptr);
  EXPECT_EQ(*manifestAttribute(m, "class-path"), "a.jar b.jar");
  EXPECT_EQ(*manifestAttribute(m, "Main-Class"), "x.Y");
  EXPECT_EQ(manifestAttribute(m, "Name"), nullptr);
  EXPECT_EQ(*manifestAttribute(parsed("Main-Class: a.B\rX-Y: z"), "X-Y"), "z");
  EXPECT_TRUE(parsed("").attributes.empty());
}

TEST(Manifest, MalformedLinesAreRefusedWithTheirNumber) {
  Manifest m;
  std::string why;
  EXPECT_FALSE(parseManifest("Main-Class: a\r\nno colon here\r\n", m, why));
  EXPECT_EQ(why, "line 2 is not \"Name: value\"");
  EXPECT_FALSE(parseManifest(" continued: nothing\r\n", m, why));
  EXPECT_FALSE(parseManifest("Bad Name: x\r\n", m, why));
  EXPECT_FALSE(parseManifest(std::string("A: b\0c\r\n", 8), m, why));
}

JarLaunch launchOf(const std::string& manifest, const std::string& jar = "lib\\app.jar") {
  JarLaunch launch;
  std::string why;
  EXPECT_TRUE(jarLaunchFromManifest(parsed(manifest), jar, launch, why)) << why;
  return launch;
}

TEST(JarLaunch, ClassPathIsTheJarThenItsEntriesRelativeToIt) {
  JarLaunch l = launchOf("Main-Class: app.Main\nClass-Path: dep.jar  sub/x%20y.jar classes/ ../up.jar\n");
  EXPECT_EQ(l.classPath, "A1lib\\app.jar;A0lib\\dep.jar;A0lib\\sub\\x y.jar;D0lib\\classes\\;A0lib\\..\\up.jar");
  EXPECT_EQ(l.mainClass, "app.Main");
  EXPECT_TRUE(l.warnings.empty());
  EXPECT_EQ(launchOf("Class-Path: a.jar\n", "app.jar").classPath, "A1app.jar;A0a.jar");
}

TEST(JarLaunch, EntriesTheLauncherCannotUseAreLeftOutWithAWarning) {
  JarLaunch l = launchOf("Class-Path: http://example.org/x.jar file:/c:/y.jar /abs.jar semi;colon.jar bad%2.jar ok.jar\n");
  EXPECT_EQ(l.classPath, "A1lib\\app.jar;A0lib\\ok.jar");
  EXPECT_EQ(l.warnings.size(), 5u);
}

TEST(JarLaunch, OpensExportsAndNativeAccessBecomeVmOptions) {
  JarLaunch l = launchOf(
      "Main-Class: a/b/Main \nAdd-Opens: java.base/java.lang java.desktop/sun.awt\nAdd-Exports: "
      "java.base/jdk.internal.misc\nEnable-Native-Access: ALL-UNNAMED\nLauncher-Agent-Class: a.Agent\n");
  EXPECT_EQ(l.vmOptions,
            "--add-opens=java.base/java.lang=ALL-UNNAMED --add-opens=java.desktop/sun.awt=ALL-UNNAMED "
            "--add-exports=java.base/jdk.internal.misc=ALL-UNNAMED --enable-native-access=ALL-UNNAMED");
  EXPECT_EQ(l.mainClass, "a.b.Main");
  ASSERT_EQ(l.warnings.size(), 1u);
  EXPECT_EQ(l.warnings[0], "Launcher-Agent-Class is not started by the launcher");
}

TEST(JarLaunch, ValuesThatWouldInjectOptionsOrThatTheRuntimeRefusesFail) {
  for (const char* manifest :
       {"Add-Opens: java.base\n", "Add-Opens: java.base/java.lang=ALL\n", "Add-Exports: a/b\"c\n",
        "Add-Opens: /java.lang\n", "Enable-Native-Access: java.base\n",
        "Enable-Native-Access: ALL-UNNAMED x\n", "Main-Class: a b\n", "Main-Class: a..b\n"}) {
    JarLaunch launch;
    std::string why;
    EXPECT_FALSE(jarLaunchFromManifest(parsed(manifest), "app.jar", launch, why)) << manifest;
    EXPECT_FALSE(why.empty());
  }
  JarLaunch launch;
  std::string why;
  EXPECT_FALSE(jarLaunchFromManifest(parsed(""), "a;b.jar", launch, why));
}

}  // namespace
}  // namespace tessel::jar
