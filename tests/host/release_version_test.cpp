#include <gtest/gtest.h>

#include <sstream>

#include "block_writer.h"
#include "build_command.h"
#include "build_test_support.h"
#include "config_keys.h"
#include "inspect_command.h"
#include "installation.h"
#include "product_version.h"
#include "tool_test_support.h"

namespace tessel {
namespace {

TEST(ReleaseVersion, TemplateWithoutVersionIsRecordedAsUnknownWithAWarning) {
  test::ScratchDir dir;
  const test::Built b = test::buildProject(dir, "[java]\nmain_class = \"a.B\"\n", dir.file("app.exe"),
                                           dir.write("launcher.exe", test::makeTemplate()));
  ASSERT_EQ(b.rc, 0) << b.err;
  EXPECT_NE(b.err.find("is version unknown, this tool is version " TESSEL_VERSION), std::string::npos)
      << b.err;

  InspectReport report;
  ASSERT_TRUE(inspectImage(test::readFile(dir.file("app.exe")), report)) << report.error;
  EXPECT_EQ(report.templateVersion, "unknown");
  std::ostringstream text;
  printInspectText(report, "app.exe", text);
  EXPECT_NE(text.str().find("\ntemplate: unknown\n"), std::string::npos) << text.str();
}

TEST(ReleaseVersion, BlockOfAnOlderToolAndAProjectThatSetsTheKey) {
  // A block written before the template version was recorded.
  BlockContents block;
  block.strings = {{key::MainClass, "a.B"}};
  std::vector<uint8_t> exe = test::makeTemplate();
  const std::vector<uint8_t> appended = serializeBlock(block, 0);
  exe.insert(exe.end(), appended.begin(), appended.end());
  InspectReport report;
  ASSERT_TRUE(inspectImage(exe, report)) << report.error;
  EXPECT_EQ(report.templateVersion, "unknown");

  test::ScratchDir dir;
  const test::Built b = test::buildProject(dir, "[keys]\n2004 = \"9.9\"\n", dir.file("app.exe"),
                                           dir.write("launcher.exe", test::makeTemplate()));
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("set from the launcher template"), std::string::npos) << b.err;
}

TEST(ReleaseVersion, InstallationLooksBesideTheToolThenInShareTessel) {
  const std::vector<std::string> places = installationCandidates("launcher.exe");
  ASSERT_EQ(places.size(), 2u);
  EXPECT_EQ(places[0].substr(places[0].size() - 13), "/launcher.exe");
  EXPECT_NE(places[1].find("/share/tessel/launcher.exe"), std::string::npos) << places[1];
  EXPECT_EQ(places[1].find("/../"), std::string::npos) << places[1];
}

}  // namespace
}  // namespace tessel
