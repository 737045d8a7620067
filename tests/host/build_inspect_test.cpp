#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>

#include "block_layout.h"
#include "block_writer.h"
#include "build_command.h"
#include "build_test_support.h"
#include "byte_order.h"
#include "config_keys.h"
#include "embed_mask.h"
#include "file_io.h"
#include "inspect_command.h"
#include "template_image.h"
#include "tool_test_support.h"

namespace tessel {
namespace {

using test::Built;

Built build(const test::ScratchDir& dir, const std::string& project, const std::string& output) {
  return test::buildProject(dir, project, output, dir.file("launcher.exe"));
}

TEST(BuildInspect, RoundTripKeepsEveryRecordAndTheEmbeddedBytes) {
  test::ScratchDir dir;
  const std::vector<uint8_t> image = test::makeTemplate(3, 700);
  dir.write("launcher.exe", image);
  std::string content(13000, '\0');
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<char>(i * 7);
  dir.write("app.jar", content);
  dir.write("empty.txt", std::string());
  Built b = build(dir,
                  "[application]\nname = \"Demo\"\n[java]\nmain_class = \"a.B\"\n"
                  "[locale.de]\ncaption = \"Fehler\"\n"
                  "[[embed]]\nsource = \"app.jar\"\nname = \"lib\\\\app.jar\"\n"
                  "[[embed]]\nsource = \"empty.txt\"\n",
                  dir.file("app.exe"));
  ASSERT_EQ(b.rc, 0) << b.err;
  const std::vector<uint8_t> exe = test::readFile(dir.file("app.exe"));
  ASSERT_GT(exe.size(), image.size());
  EXPECT_TRUE(std::equal(image.begin(), image.end(), exe.begin()));

  InspectReport report;
  ASSERT_TRUE(inspectImage(exe, report)) << report.error;
  EXPECT_EQ(report.position.blockStart, image.size());
  std::map<int32_t, std::string> s;
  for (const auto& r : report.block.strings) s[r.first] = r.second;
  EXPECT_EQ(s[key::ApplicationName], "Demo");
  EXPECT_EQ(s[key::MainClass], "a.B");
  EXPECT_EQ(s[key::EmbeddedFileCount], "2");
  EXPECT_EQ(s[key::EmbeddedFileNames], "lib\\app.jar;empty.txt");
  EXPECT_EQ(report.block.messages.size(), 21u);
  ASSERT_EQ(report.block.sections.size(), 1u);
  EXPECT_EQ(report.block.sections[0].tag, "de");

  ASSERT_EQ(report.embedded.size(), 2u);
  EXPECT_EQ(report.embedded[0].name, "lib\\app.jar");
  EXPECT_EQ(report.embedded[0].size, 13000);
  EXPECT_EQ(report.embedded[1].size, 0);
  std::vector<uint8_t> stored(exe.begin() + static_cast<long>(report.embedded[0].offset) + 8,
                              exe.begin() + static_cast<long>(report.embedded[0].offset) + 8 + 13000);
  applyEmbeddedMask(stored.data(), stored.size());
  EXPECT_EQ(std::string(stored.begin(), stored.end()), content);

  // The length field counts from its own start to the end of the last embedded record.
  EXPECT_EQ(static_cast<uint64_t>(report.lengthField), report.embeddedEnd - (image.size() + 12));
  EXPECT_TRUE(report.notes.empty()) << report.notes[0];
  // Trailer: the big-endian magic, then zeros up to the end of the file.
  EXPECT_TRUE(report.trailerFound);
  EXPECT_EQ(exe.size() % kTrailerAlignment, 0u);
  EXPECT_LT(exe.size() - report.embeddedEnd, 4u + kTrailerAlignment);
  for (size_t i = report.embeddedEnd + 4; i < exe.size(); ++i) EXPECT_EQ(exe[i], 0);

  std::ostringstream json;
  printInspectJson(report, "app.exe", json);
  EXPECT_NE(json.str().find("\"name\": \"lib\\\\app.jar\",\n        \"size\": 13000"), std::string::npos)
      << json.str();
  EXPECT_NE(json.str().find("\"text\": \"No JVM could be found on your system.\\nPlease"),
            std::string::npos);
}

TEST(BuildInspect, TheDocumentedMinimalBlockReadsBackWithItsEnd) {
  std::vector<uint8_t> exe = test::makeTemplate();
  const size_t start = exe.size();
  BlockContents block;
  block.strings.emplace_back(101, "A");
  std::vector<uint8_t> bytes = serializeBlock(block);
  ASSERT_EQ(bytes.size(), 41u);
  exe.insert(exe.end(), bytes.begin(), bytes.end());
  InspectReport report;
  ASSERT_TRUE(inspectImage(exe, report)) << report.error;
  EXPECT_EQ(report.blockEnd, start + 41);
  EXPECT_EQ(report.lengthField, 29);
  ASSERT_EQ(report.block.strings.size(), 1u);
  EXPECT_EQ(report.block.strings[0].second, "A");
  EXPECT_FALSE(report.trailerFound);
}

TEST(BuildInspect, FailedBuildLeavesNoOutputAndNoTemporaryFile) {
  test::ScratchDir dir;
  dir.write("launcher.exe", test::makeTemplate());
  dir.write("app.exe", std::string("previous"));
  // A project error.
  Built b = build(dir, "[application]\nname = 1\n", dir.file("app.exe"));
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("app.toml:2: application.name: expected a string, found an integer"),
            std::string::npos)
      << b.err;
  // A template that already carries data behind its last section.
  std::vector<uint8_t> unstripped = test::makeTemplate();
  unstripped.resize(unstripped.size() + 100, 0xCC);
  dir.write("launcher.exe", unstripped);
  b = build(dir, "[application]\nname = \"x\"\n[java]\nmain_class = \"a.B\"\n", dir.file("app.exe"));
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("100 bytes after the end of its last section"), std::string::npos) << b.err;
  EXPECT_NE(b.err.find("not stripped"), std::string::npos);
  // A new output below a file that is no directory.
  dir.write("launcher.exe", test::makeTemplate());
  b = build(dir, "[application]\nname = \"x\"\n[java]\nmain_class = \"a.B\"\n", dir.file("app.toml/app.exe"));
  EXPECT_EQ(b.rc, 1);

  EXPECT_EQ(test::readFile(dir.file("app.exe")), std::vector<uint8_t>({'p', 'r', 'e', 'v', 'i', 'o', 'u', 's'}));
  std::vector<std::string> files = dir.files();
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{"app.exe", "app.toml", "launcher.exe"}));
  // A good build replaces the old file whole.
  b = build(dir, "[application]\nname = \"x\"\n[java]\nmain_class = \"a.B\"\n", dir.file("app.exe"));
  EXPECT_EQ(b.rc, 0) << b.err;
  EXPECT_EQ(dir.files().size(), 3u);
}

TEST(BuildInspect, AnOutputThatIsAnInputIsRefusedAndTheInputKept) {
  test::ScratchDir dir;
  dir.write("launcher.exe", test::makeTemplate());
  dir.write("app.jar", std::string("jar bytes"));
  const std::string project = "[java]\nmain_class = \"a.B\"\n[[embed]]\nsource = \"app.jar\"\n";
  Built b = build(dir, project, dir.file("app.toml"));
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("is the project file itself"), std::string::npos) << b.err;
  b = build(dir, project, dir.file("./app.jar"));
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("is an embedded file itself"), std::string::npos) << b.err;
  b = build(dir, project, dir.file("launcher.exe"));
  EXPECT_EQ(b.rc, 1);
  EXPECT_NE(b.err.find("is the template itself"), std::string::npos) << b.err;
  EXPECT_EQ(test::readFile(dir.file("app.jar")).size(), 9u);
  EXPECT_EQ(test::readFile(dir.file("launcher.exe")), test::makeTemplate());
  EXPECT_EQ(dir.files().size(), 3u);
}

// Images, certificate, key and PKCS#12 file are inputs too, and an input is recognised under
// another spelling of its path, through a hard link and through a symbolic link.
TEST(BuildInspect, NoInputIsReplacedUnderAnyNameOrLink) {
  test::ScratchDir dir;
  dir.write("launcher.exe", test::makeTemplate());
  for (const char* name : {"app.ico", "splash.bmp", "splash.png", "cert.pem", "key.pem", "signer.p12"})
    dir.write(name, std::string("input ") + name);
  ASSERT_EQ(link(dir.file("splash.png").c_str(), dir.file("hard.png").c_str()), 0);
  ASSERT_EQ(symlink(dir.file("cert.pem").c_str(), dir.file("soft.pem").c_str()), 0);
  const std::string parent = dir.path().substr(dir.path().rfind('/') + 1);
  const std::string identity =
      "[identity]\nicon = \"app.ico\"\nsplash_bitmap = \"splash.bmp\"\n"
      "runtime_splash_image = \"splash.png\"\n[java]\nmain_class = \"a.B\"\n";
  struct Case {
    std::string project, output, what;
    bool pkcs12OnCommandLine;
  } cases[] = {
      {identity, dir.path() + "/./app.ico", "the icon", false},
      {identity, dir.path() + "/../" + parent + "/splash.bmp", "the splash bitmap", false},
      {identity, dir.file("hard.png"), "the runtime splash image", false},
      {"[signing]\ncertificate = \"cert.pem\"\nkey = \"key.pem\"\n[java]\nmain_class = \"a.B\"\n", dir.file("soft.pem"),
       "the signing certificate", false},
      {"[signing]\ncertificate = \"cert.pem\"\nkey = \"key.pem\"\n[java]\nmain_class = \"a.B\"\n", dir.file("key.pem"),
       "the signing key", false},
      {"[java]\nmain_class = \"a.B\"\n", dir.path() + "//signer.p12", "the PKCS#12 file", true},
  };
  for (const Case& c : cases) {
    BuildOptions options;
    options.projectPath = dir.write("app.toml", c.project);
    options.outputPath = c.output;
    options.templatePath = dir.file("launcher.exe");
    if (c.pkcs12OnCommandLine) options.signing.pkcs12 = dir.file("signer.p12");
    std::ostringstream out, err;
    EXPECT_EQ(runBuild(options, out, err), 1) << c.output;
    EXPECT_NE(err.str().find("is " + c.what + " itself"), std::string::npos) << err.str();
  }
  for (const char* name : {"app.ico", "splash.bmp", "splash.png", "cert.pem", "key.pem", "signer.p12"})
    EXPECT_EQ(test::readFile(dir.file(name)).size(), std::string("input ").size() + strlen(name)) << name;
  EXPECT_EQ(dir.files().size(), 10u);
}

// The last step before the rename (signing, once the build has one) sees the whole file, and
// its failure leaves neither output nor temporary file.
TEST(FileIo, FinishingStepSeesTheWholeFileAndItsFailureLeavesNothing) {
  test::ScratchDir dir;
  const std::vector<uint8_t> a = {1, 2, 3}, b = {4, 5};
  std::string why, seen;
  std::vector<uint8_t> contents;
  auto step = [&](const std::string& temp, std::string&) {
    seen = temp;
    contents = test::readFile(temp);
    return true;
  };
  ASSERT_TRUE(writeFileAtomically(dir.file("out.exe"), {&a, &b}, why, step)) << why;
  EXPECT_EQ(contents, (std::vector<uint8_t>{1, 2, 3, 4, 5}));
  EXPECT_NE(seen, dir.file("out.exe"));
  EXPECT_EQ(test::readFile(dir.file("out.exe")), contents);

  auto failing = [](const std::string&, std::string& reason) {
    reason = "signing failed";
    return false;
  };
  EXPECT_FALSE(writeFileAtomically(dir.file("new.exe"), {&a}, why, failing));
  EXPECT_EQ(why, "signing failed");
  EXPECT_FALSE(writeFileAtomically(dir.file("out.exe"), {&a}, why, failing));
  EXPECT_EQ(test::readFile(dir.file("out.exe")), contents);
  EXPECT_EQ(dir.files(), std::vector<std::string>{"out.exe"});
}

TEST(BuildInspect, TemplateChecks) {
  std::string why;
  std::vector<uint8_t> image = test::makeTemplate();
  EXPECT_TRUE(checkTemplate(image, why)) << why;
  std::vector<uint8_t> noMz = image;
  noMz[0] = 'X';
  EXPECT_FALSE(checkTemplate(noMz, why));
  EXPECT_EQ(why, "not a Windows executable (no MZ header)");
  std::vector<uint8_t> cut(image.begin(), image.end() - 10);
  EXPECT_FALSE(checkTemplate(cut, why));
  EXPECT_NE(why.find("beyond the end of the file"), std::string::npos);
  std::vector<uint8_t> hugeCount = image;
  storeLe16(&hugeCount[0x80 + 6], 0x7FFF);
  EXPECT_FALSE(checkTemplate(hugeCount, why));
  EXPECT_NE(why.find("PE headers are damaged"), std::string::npos);
}

// Damaged blocks are reported with the text the launcher would end with.
class DamagedBlock : public ::testing::Test {
 protected:
  void SetUp() override {
    exe = test::makeTemplate();
    start = exe.size();
    BlockContents block;
    block.strings.emplace_back(101, "AB");
    block.messages.emplace_back(1000, u"E");
    exe = withBlock(serializeBlock(block));
  }
  std::vector<uint8_t> withBlock(const std::vector<uint8_t>& bytes) {
    std::vector<uint8_t> out = test::makeTemplate();
    out.insert(out.end(), bytes.begin(), bytes.end());
    return out;
  }
  std::string errorOf(const std::vector<uint8_t>& image) {
    InspectReport report;
    EXPECT_FALSE(inspectImage(image, report));
    return report.error;
  }
  std::vector<uint8_t> exe;
  size_t start = 0;
  // Offsets inside the block above.
  static constexpr size_t kStringLength = 28, kMessageCount = 34, kMessageLength = 42,
                          kSectionCount = 48;
};

TEST_F(DamagedBlock, EachDamageNamesTheFailingRead) {
  EXPECT_NE(errorOf(test::makeTemplate()).find("no configuration block"), std::string::npos);
  EXPECT_NE(errorOf(test::makeTemplate()).find("\"Internal Error: readInt\""), std::string::npos);

  std::vector<uint8_t> bigEndian = exe;
  std::copy(kTrailerMagic, kTrailerMagic + 4, bigEndian.begin() + static_cast<long>(start));
  EXPECT_NE(errorOf(bigEndian).find("\"Internal Error: magic\""), std::string::npos);

  std::vector<uint8_t> truncated(exe.begin(), exe.begin() + static_cast<long>(start + kStringLength + 5));
  std::string e = errorOf(truncated);
  EXPECT_NE(e.find("\"Internal Error: readString\""), std::string::npos) << e;
  EXPECT_NE(e.find("the read at offset " + std::to_string(start + kStringLength)), std::string::npos) << e;

  std::vector<uint8_t> damaged = exe;
  storeLe32(&damaged[start + kMessageLength], 3);
  EXPECT_NE(errorOf(damaged).find("\"Internal Error: readWString\""), std::string::npos);

  damaged = exe;
  storeLe32(&damaged[start + kStringLength], 0xFFFFFFFFu);  // negative length
  EXPECT_NE(errorOf(damaged).find("\"Internal Error: readString\""), std::string::npos);
  storeLe32(&damaged[start + kStringLength], 0x7FFFFFFFu);  // beyond the end of the file
  EXPECT_NE(errorOf(damaged).find("\"Internal Error: readString\""), std::string::npos);

  damaged = exe;
  storeLe32(&damaged[start + kMessageCount], 0x7FFFFFFFu);  // huge count runs out of data
  EXPECT_NE(errorOf(damaged).find("\"Internal Error: readInt\""), std::string::npos);

  damaged = exe;
  storeLe32(&damaged[start + kSectionCount], 0x80000000u);  // negative count: no sections
  InspectReport report;
  EXPECT_TRUE(inspectImage(damaged, report)) << report.error;
}

TEST_F(DamagedBlock, DamagedPeHeaderAndShortEmbeddedRecords) {
  std::vector<uint8_t> damaged = exe;
  storeLe16(&damaged[0x80 + 6], 0x7FFF);
  EXPECT_NE(errorOf(damaged).find("PE headers are damaged"), std::string::npos);
  storeLe16(&damaged[0x80 + 6], 0x8000);  // negative count
  EXPECT_NE(errorOf(damaged).find("PE headers are damaged"), std::string::npos);
  damaged = exe;
  storeLe32(&damaged[60], 0xFFFFFFF0u);
  EXPECT_NE(errorOf(damaged).find("PE headers are damaged"), std::string::npos);

  BlockContents block;
  block.strings.emplace_back(key::EmbeddedFileCount, "1");
  block.strings.emplace_back(key::EmbeddedFileNames, "a.txt");
  std::vector<uint8_t> bytes = serializeBlock(block, 8 + 100);
  std::vector<uint8_t> image = withBlock(bytes);
  EXPECT_NE(errorOf(image).find("\"Internal Error: readLong\""), std::string::npos);
  appendEmbeddedRecord(image, std::vector<uint8_t>(100, 1));
  image.resize(image.size() - 1);
  EXPECT_NE(errorOf(image).find("100 bytes declared"), std::string::npos);
}

TEST_F(DamagedBlock, RepeatedKeysAreNotedWithTheValueThatCounts) {
  BlockContents block;
  block.strings.emplace_back(101, "first");
  block.strings.emplace_back(122, "Main");
  block.strings.emplace_back(101, "second");
  block.messages.emplace_back(1000, u"a");
  block.messages.emplace_back(1000, u"b");
  InspectReport report;
  ASSERT_TRUE(inspectImage(withBlock(serializeBlock(block)), report)) << report.error;
  std::ostringstream text;
  printInspectText(report, "app.exe", text);
  EXPECT_NE(text.str().find("note: key 101 occurs 2 times; the launcher uses the last value"),
            std::string::npos)
      << text.str();
  EXPECT_NE(text.str().find("note: message 1000 occurs 2 times"), std::string::npos);
  EXPECT_EQ(text.str().find("key 122 occurs"), std::string::npos);
}

TEST(BuildInspect, InspectCommandExitCodes) {
  test::ScratchDir dir;
  std::ostringstream out, err;
  EXPECT_EQ(runInspect(dir.write("plain.exe", test::makeTemplate()), false, out, err), 1);
  EXPECT_NE(err.str().find("no configuration block"), std::string::npos);
  std::ostringstream jout, jerr;
  EXPECT_EQ(runInspect(dir.file("plain.exe"), true, jout, jerr), 1);
  EXPECT_NE(jout.str().find("\"ok\": false"), std::string::npos) << jout.str();
  // Scripts find every top-level field, with null where nothing could be read.
  for (const char* field : {"\"schema_version\": 1", "\"error\": \"no configuration block", "\"signed\": false",
                            "\"block\": null", "\"resources\": []", "\"notes\": []"})
    EXPECT_NE(jout.str().find(field), std::string::npos) << field << "\n" << jout.str();
  std::ostringstream mout, merr;
  EXPECT_EQ(runInspect(dir.file("missing.exe"), false, mout, merr), 1);
  EXPECT_NE(merr.str().find("cannot read"), std::string::npos);
}

}  // namespace
}  // namespace tessel
