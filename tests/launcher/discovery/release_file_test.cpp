#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "discovery/release_file.h"
#include "discovery/version_rules.h"
#include "util/bounded_text.h"

namespace tessel {
namespace {

std::string parsed(const std::string& text, size_t capacity = 100) {
  char version[200] = "unchanged";
  if (!parseReleaseVersion(text.data(), text.size(), version, capacity)) return "(none)";
  return version;
}

TEST(ReleaseFile, VersionAsTheBannerWouldShowIt) {
  // As a JDK 17 writes it (CRLF on Windows), with a long MODULES line before the version.
  std::string jdk17 = "IMPLEMENTOR=\"Eclipse Adoptium\"\r\nMODULES=\"java.base " +
                      std::string(5000, 'm') +
                      "\"\r\nJAVA_RUNTIME_VERSION=\"17.0.2+8\"\r\nJAVA_VERSION=\"17.0.2\"\r\n";
  EXPECT_EQ(parsed(jdk17), "17.0.2");
  EXPECT_EQ(parsed("JAVA_VERSION=\"1.8.0_292\"\nOS_NAME=\"Windows\"\n"), "1.8.0_292");
  // Early-access builds drop "-ea" from JAVA_VERSION; the runtime version keeps it.
  EXPECT_EQ(parsed("JAVA_VERSION=\"18\"\nJAVA_RUNTIME_VERSION=\"18-ea+20-1248\"\n"), "18-ea");
  EXPECT_EQ(parsed("JAVA_RUNTIME_VERSION=\"21-beta\"\nJAVA_VERSION=\"21\""), "21-beta");
  // Build numbers and vendor suffixes are not part of the banner's version.
  EXPECT_EQ(parsed("JAVA_VERSION=\"25.0.3\"\nJAVA_RUNTIME_VERSION=\"25.0.3+9-LTS\"\n"), "25.0.3");
  EXPECT_EQ(parsed("JAVA_VERSION=\"17.0.15\"\nJAVA_RUNTIME_VERSION=\"17.0.15+6-Debian-1\"\n"),
            "17.0.15");
  // A runtime version of another number says nothing about this one.
  EXPECT_EQ(parsed("JAVA_VERSION=\"17\"\nJAVA_RUNTIME_VERSION=\"170-ea\"\n"), "17");
}

TEST(ReleaseFile, UnusableFilesGiveNoVersion) {
  EXPECT_EQ(parsed(""), "(none)");
  EXPECT_EQ(parsed("IMPLEMENTOR=\"x\"\n"), "(none)");
  EXPECT_EQ(parsed("JAVA_VERSION=17.0.2\n"), "(none)") << "unquoted";
  EXPECT_EQ(parsed("JAVA_VERSION=\"\"\n"), "(none)");
  EXPECT_EQ(parsed("JAVA_VERSION=\"17.0.2\n"), "(none)") << "no closing quote on its line";
  EXPECT_EQ(parsed(" JAVA_VERSION=\"17\"\nMY_JAVA_VERSION=\"9\"\n"), "(none)")
      << "the key must start the line";
  EXPECT_EQ(parsed("JAVA_VERSION=\"" + std::string(100, '1') + "\"\n"), "(none)")
      << "longer than a banner can carry";
  EXPECT_EQ(parsed("JAVA_VERSION=\"17.0.2\"\n", 6), "(none)") << "does not fit the buffer";
  std::string binary("JAVA_VERSION=\"1\x01\"\n");
  EXPECT_EQ(parsed(binary), "(none)");
}

TEST(ReleaseFile, RuntimeHomeOfAnExecutableInBin) {
  wchar_t home[kPathCapacity];
  ASSERT_TRUE(runtimeHomeOfExecutable(L"c:\\rt\\bin\\java.exe", home));
  EXPECT_STREQ(home, L"c:\\rt");
  EXPECT_TRUE(runtimeHomeOfExecutable(L"c:\\jdk\\jre\\BIN\\javaw.exe", home));
  EXPECT_STREQ(home, L"c:\\jdk\\jre");
  EXPECT_FALSE(runtimeHomeOfExecutable(L"c:\\oracle\\javapath\\java.exe", home));
  EXPECT_FALSE(runtimeHomeOfExecutable(L"java.exe", home));
}

TEST(VersionOrder, NumbersCompareAsNumbers) {
  EXPECT_GT(compareVersions("17.0.2", "9.0.4"), 0);
  EXPECT_GT(compareVersions("17.0.10", "17.0.9"), 0);
  EXPECT_GT(compareVersions("11.0.2", "1.8.0_292"), 0);
  EXPECT_GT(compareVersions("1.8.0_292", "1.8.0_60"), 0);
  EXPECT_LT(compareVersions("1.8.0", "1.8.0_60"), 0);
  EXPECT_EQ(compareVersions("17.0.02", "17.0.2"), 0);
  EXPECT_EQ(compareVersions("21", "21"), 0);
}

}  // namespace
}  // namespace tessel
