// What `tessel build` gives a desktop application: the scaled splash images beside the
// plain ones, the manifest's DPI awareness and Windows versions, the taskbar identity.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

#include <zlib.h>

#include "build_command.h"
#include "build_test_support.h"
#include "config_keys.h"
#include "inspect_command.h"
#include "pe/identity.h"
#include "pe/identity_options.h"
#include "pe/resources.h"
#include "tool_test_support.h"

namespace tessel {
namespace {

using test::realTemplate;

// A PNG whose chunks are whole (the tool checks them): header, `dataBytes` of image data, end.
std::vector<uint8_t> pngFile(size_t dataBytes) {
  std::vector<uint8_t> f = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  auto chunk = [&f](const char* type, const std::vector<uint8_t>& data) {
    for (int shift = 24; shift >= 0; shift -= 8) f.push_back(static_cast<uint8_t>(data.size() >> shift));
    std::vector<uint8_t> body(type, type + 4);
    body.insert(body.end(), data.begin(), data.end());
    f.insert(f.end(), body.begin(), body.end());
    const uLong crc = crc32(0L, body.data(), static_cast<uInt>(body.size()));
    for (int shift = 24; shift >= 0; shift -= 8) f.push_back(static_cast<uint8_t>(crc >> shift));
  };
  chunk("IHDR", {0, 0, 0, 8, 0, 0, 0, 4, 8, 6, 0, 0, 0});
  chunk("IDAT", std::vector<uint8_t>(dataBytes, 0x5A));
  chunk("IEND", {});
  return f;
}

class DesktopBuild : public ::testing::Test {
 protected:
  void SetUp() override {
    if (test::readFile(realTemplate()).empty()) GTEST_SKIP() << "no launcher template at " << realTemplate();
  }
  int build(const std::string& project, const std::string& exe = "app.exe") {
    const test::Built b =
        test::buildProject(dir, "[java]\nmain_class = \"a.B\"\n" + project, dir.file(exe), realTemplate());
    out = b.out;
    err = b.err;
    return b.rc;
  }
  InspectReport inspect(const std::string& exe = "app.exe") {
    InspectReport report;
    EXPECT_TRUE(inspectImage(test::readFile(dir.file(exe)), report)) << report.error;
    return report;
  }
  std::string inspectText() {
    std::ostringstream o, e;
    runInspect(dir.file("app.exe"), false, o, e);
    return o.str();
  }
  // Splash images of the executable by resource type and scale: the stored size in bytes.
  std::map<std::pair<int32_t, int32_t>, size_t> splashImages(const InspectReport& report) {
    std::map<std::pair<int32_t, int32_t>, size_t> images;
    for (const pe::ResourceSummary& r : report.resources)
      if (r.splashScale) images[{r.typeId, r.splashScale}] = r.size;
    return images;
  }
  // The manifest of `project` built into `exe`, copied out of the report (which ends here).
  bool builtManifest(const std::string& project, const std::string& exe, pe::ResourceSummary& m) {
    if (build(project, exe) != 0) {
      ADD_FAILURE() << err;
      return false;
    }
    const InspectReport report = inspect(exe);
    for (const pe::ResourceSummary& r : report.resources)
      if (r.typeId == pe::kRtManifest) {
        m = r;
        return true;
      }
    ADD_FAILURE() << "no manifest in " << exe;
    return false;
  }
  test::ScratchDir dir;
  std::string out, err;
};

TEST_F(DesktopBuild, ScaledSplashImagesBesideThePlainOnesAreEmbeddedAndListed) {
  dir.write("splash.bmp", test::bmpFile(20, 10));
  dir.write("splash@150pct.bmp", test::bmpFile(30, 15));
  dir.write("splash@2x.bmp", test::bmpFile(40, 20));
  dir.write("splash@200pct.bmp", test::bmpFile(41, 21));  // the same scale again: the first name in order wins
  dir.write("splash@3x.png", std::string("not a bitmap, and not a variant of splash.bmp"));
  dir.write("other@2x.bmp", test::bmpFile(8, 8));
  const std::vector<uint8_t> png = pngFile(3), png125 = pngFile(6);
  dir.write("rt.png", png);
  dir.write("rt@125pct.png", png125);
  ASSERT_EQ(build("[identity]\nsplash_bitmap = \"splash.bmp\"\nruntime_splash_image = \"rt.png\"\n"), 0)
      << err;
  const InspectReport report = inspect();
  const auto images = splashImages(report);
  const int32_t bitmap = pe::kRtBitmap, rcdata = pe::kRtRcData;
  EXPECT_EQ(images.size(), 5u);
  EXPECT_EQ(images.at({bitmap, 100}), test::bmpFile(20, 10).size() - 14);
  EXPECT_EQ(images.at({bitmap, 150}), test::bmpFile(30, 15).size() - 14);
  EXPECT_EQ(images.at({bitmap, 200}), test::bmpFile(41, 21).size() - 14);
  EXPECT_TRUE(images.count({rcdata, 100}));
  EXPECT_EQ(images.at({rcdata, 125}), png125.size());
  std::map<int32_t, std::string> keys;
  for (const auto& r : report.block.strings) keys[r.first] = r.second;
  EXPECT_EQ(keys[key::SplashWidth], "20") << "the window's size at 100 %";
  const std::string text = inspectText();
  EXPECT_NE(text.find("bitmap 10000 (" + std::to_string(test::bmpFile(20, 10).size() - 14) + " bytes), splash image\n"),
            std::string::npos) << text;
  EXPECT_NE(text.find("bitmap 10200 (" + std::to_string(test::bmpFile(41, 21).size() - 14) +
                      " bytes), splash variant for 200 %\n"),
            std::string::npos) << text;
  EXPECT_NE(text.find("rcdata 10125 (" + std::to_string(png125.size()) +
                      " bytes), runtime splash variant for 125 %\n"),
            std::string::npos) << text;
}

TEST_F(DesktopBuild, AVariantThatIsNoBitmapStopsTheBuildNamingIt) {
  dir.write("splash.bmp", test::bmpFile(20, 10));
  dir.write("splash@2x.bmp", std::string("BM but cut short"));
  EXPECT_EQ(build("[identity]\nsplash_bitmap = \"splash.bmp\"\n"), 1);
  EXPECT_NE(err.find("identity.splash_bitmap: " + dir.file("splash@2x.bmp") + ": "), std::string::npos) << err;
  EXPECT_TRUE(test::readFile(dir.file("app.exe")).empty()) << "nothing written";
}

TEST_F(DesktopBuild, GuiManifestIsPerMonitorAwareAndNamesWindows7To11UnlessTheProjectChooses) {
  pe::ResourceSummary m;
  ASSERT_TRUE(builtManifest("", "app.exe", m));
  EXPECT_EQ(m.dpiAware, "true/pm");
  EXPECT_EQ(m.dpiAwareness, "PerMonitorV2, PerMonitor");
  EXPECT_EQ(m.supportedOs,
            (std::vector<std::string>{"Windows 7", "Windows 8", "Windows 8.1", "Windows 10/11"}));
  EXPECT_EQ(m.executionLevel, "asInvoker");
  EXPECT_NE(out.find("  [identity] dpi_awareness = \"permonitorv2\": "), std::string::npos) << out;

  ASSERT_TRUE(builtManifest("[identity]\ndpi_awareness = \"unaware\"\n", "unaware.exe", m));
  EXPECT_EQ(m.dpiAware, "");
  EXPECT_EQ(m.supportedOs.size(), 4u) << "the Windows versions stay";
  EXPECT_EQ(out.find("dpi_awareness"), std::string::npos) << out;

  ASSERT_TRUE(builtManifest("[identity]\ndpi_awareness = \"system\"\n", "system.exe", m));
  EXPECT_EQ(m.dpiAware, "true");
  EXPECT_EQ(m.dpiAwareness, "");

  // A console application keeps the template's manifest, which also names the versions.
  ASSERT_TRUE(builtManifest("[application]\nexecutable_type = 2\n", "console.exe", m));
  EXPECT_EQ(m.dpiAware, "");
  EXPECT_EQ(m.supportedOs.size(), 4u);
}

TEST_F(DesktopBuild, AppUserModelIdGoesIntoTheBlockAndMalformedOnesAreRefused) {
  ASSERT_EQ(build("[identity]\napp_user_model_id = \"Brightmoor.Notes\"\n"), 0) << err;
  std::map<int32_t, std::string> keys;
  for (const auto& r : inspect().block.strings) keys[r.first] = r.second;
  EXPECT_EQ(keys[key::AppUserModelId], "Brightmoor.Notes");
  for (const char* bad : {"\"\"", "\"Bright moor.Notes\"", "\"Br\\u00fcght.Notes\"", "3"}) {
    EXPECT_EQ(build(std::string("[identity]\napp_user_model_id = ") + bad + "\n", "bad.exe"), 1) << bad;
    EXPECT_NE(err.find("app.toml:4: identity.app_user_model_id: "), std::string::npos) << err;
  }
  EXPECT_EQ(build("[identity]\napp_user_model_id = \"" + std::string(129, 'a') + "\"\n", "bad.exe"), 1);
  EXPECT_EQ(build("[identity]\napp_user_model_id = \"A.B\"\n[keys]\n2040 = \"C.D\"\n", "twice.exe"), 1)
      << "one key, two settings";
}

}  // namespace
}  // namespace tessel
