#include <gtest/gtest.h>

#include "shared_archive.h"

namespace tessel {
namespace {

using Options = std::vector<std::string>;

TEST(ClassDataSharing, FeatureVersionOfEveryVersionForm) {
  EXPECT_EQ(featureVersion("1.8.0_392"), 8);
  EXPECT_EQ(featureVersion("1.7"), 7);
  EXPECT_EQ(featureVersion("13"), 13);
  EXPECT_EQ(featureVersion("17.0.2"), 17);
  EXPECT_EQ(featureVersion("21-ea"), 21);
  EXPECT_EQ(featureVersion("25.0.3+9"), 25);
  EXPECT_EQ(featureVersion(""), 0);
  EXPECT_EQ(featureVersion("openjdk"), 0);
  EXPECT_EQ(featureVersion(nullptr), 0);
}

TEST(ClassDataSharing, EachRuntimeGetsTheOptionsItUnderstands) {
  EXPECT_EQ(archiveModeFor(12, false), ArchiveMode::None);
  EXPECT_EQ(archiveModeFor(13, false), ArchiveMode::DumpAtExit);
  EXPECT_EQ(archiveModeFor(18, true), ArchiveMode::Use);
  EXPECT_EQ(archiveModeFor(19, false), ArchiveMode::AutoCreate);
  EXPECT_EQ(archiveModeFor(25, true), ArchiveMode::AutoCreate);
  EXPECT_TRUE(archiveOptions(ArchiveMode::None, "a.jsa", "a.part").empty());
  EXPECT_EQ(archiveOptions(ArchiveMode::AutoCreate, "C:\\x\\a.jsa", "p"),
            (Options{"-Xlog:cds=off,cds+dynamic=off", "-XX:+AutoCreateSharedArchive",
                     "-XX:SharedArchiveFile=C:\\x\\a.jsa"}));
  // Never both at once: OpenJDK 17 takes the mapped file for the base archive and stops.
  EXPECT_EQ(archiveOptions(ArchiveMode::DumpAtExit, "a.jsa", "a.jsa.part7"),
            (Options{"-Xlog:cds=off,cds+dynamic=off", "-XX:ArchiveClassesAtExit=a.jsa.part7"}));
  EXPECT_EQ(archiveOptions(ArchiveMode::Use, "a.jsa", "a.jsa.part7"),
            (Options{"-Xlog:cds=off,cds+dynamic=off", "-XX:SharedArchiveFile=a.jsa"}));
}

TEST(ClassDataSharing, OptionsThatDecideSharingOrLoseTheBaseArchiveRuleItOut) {
  EXPECT_FALSE(optionsRuleOutArchive({"-Xmx1g", "-Dx=-Xshare:off", "-XX:+UseG1GC"}));
  for (const char* option : {"-Xshare:off", "-Xshare:auto", "-XX:SharedArchiveFile=my.jsa",
                             "-XX:ArchiveClassesAtExit=my.jsa", "-XX:+AutoCreateSharedArchive",
                             "-XX:-UseSharedSpaces", "-XX:-UseCompressedClassPointers"})
    EXPECT_TRUE(optionsRuleOutArchive({"-Xmx1g", option})) << option;
}

TEST(ClassDataSharing, NamesDifferWithTheIdentityAndHoldTheFeature) {
  uint64_t a = hashText(kHashSeed, "C:\\jre|17.0.2", 13);
  uint64_t b = hashText(kHashSeed, "C:\\jre|17.0.3", 13);
  EXPECT_NE(a, b);
  EXPECT_EQ(hashText(hashText(kHashSeed, "ab", 2), "c", 1), hashText(kHashSeed, "abc", 3));
  EXPECT_EQ(archiveFileName(17, 0x0123456789abcdefull), "17-0123456789abcdef.jsa");
  EXPECT_EQ(archiveFileName(21, 1), "21-0000000000000001.jsa");
}

}  // namespace
}  // namespace tessel
