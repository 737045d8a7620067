#include <gtest/gtest.h>

#include <string>

#include "launch/vm_options_file.h"
#include "scratch_dir.h"

namespace tessel {
namespace {

VmOptionState readFile(const std::wstring& path) {
  VmOptionState state;
  state.openFiles.push_back(path);
  readVmOptionsFile(path.c_str(), unique_file(_wfopen(path.c_str(), L"rt")), state);
  return state;
}

using Options = std::vector<std::string>;

TEST(VmOptionsFile, LinesAreTrimmedCommentsSkippedAndDirectivesNeedTheirBlank) {
  ScratchDir dir;
  std::wstring file = dir.write(L"a.vmoptions",
                                "  -Xmx64m  \r\n"
                                "   \n"
                                "  # a comment\n"
                                "-Dhash=a#b\n"
                                "\t-Dtab\n"
                                "-classpath\n"
                                "-classpath  two.jar\n"
                                "-classpath/p first.jar\n"
                                "-classpath/a old.jar\n"
                                "-classpath/a last.jar\n"
                                "-include-optionsX\n");
  VmOptionState state = readFile(file);
  EXPECT_EQ(state.options, (Options{"-Xmx64m", "-Dhash=a#b", "\t-Dtab", "-classpath", "-include-optionsX"}));
  EXPECT_EQ(state.slots.classPathReplace.value_or("unset"), " two.jar");
  EXPECT_EQ(state.slots.classPathPrepend.value_or("unset"), "first.jar");
  EXPECT_EQ(state.slots.classPathAppend.value_or("unset"), "last.jar") << "a later line replaces";
}

TEST(VmOptionsFile, IncludesTakeThePlaceOfTheirLineAndResolveAgainstTheIncludingFile) {
  ScratchDir dir;
  dir.makeDir(L"sub");
  dir.write(L"sub\\inner.vmoptions", "-Dinner\n-include-options deeper.vmoptions\n");
  dir.write(L"sub\\deeper.vmoptions", "-Ddeeper\n");
  std::wstring outer = dir.write(L"outer.vmoptions",
                                 "-Dbefore\n-include-options sub\\inner.vmoptions\n"
                                 "-include-options missing.vmoptions\n-Dafter\n");
  VmOptionState state = readFile(outer);
  EXPECT_EQ(state.options, (Options{"-Dbefore", "-Dinner", "-Ddeeper", "-Dafter"}));
  EXPECT_EQ(state.openFiles.size(), 1u) << "the chain unwinds";
}

TEST(VmOptionsFile, SelfAndMutualIncludesAreSkippedInsteadOfLooping) {
  ScratchDir dir;
  std::wstring self = dir.write(L"self.vmoptions", "-Done\n-include-options self.vmoptions\n-Dtwo\n");
  EXPECT_EQ(readFile(self).options, (Options{"-Done", "-Dtwo"}));
  dir.write(L"b.vmoptions", "-Db\n-include-options A.VMOPTIONS\n");
  std::wstring a = dir.write(L"a.vmoptions", "-Da\n-include-options .\\b.vmoptions\n");
  EXPECT_EQ(readFile(a).options, (Options{"-Da", "-Db"})) << "names compare without case";
}

TEST(VmOptionsFile, IncludeNestingIsBounded) {
  ScratchDir dir;
  for (int i = 0; i < 30; ++i)
    dir.write(L"n" + std::to_wstring(i) + L".vmoptions",
              "-Dlevel" + std::to_string(i) + "\n-include-options n" + std::to_string(i + 1) + ".vmoptions\n");
  VmOptionState state = readFile(dir.file(L"n0.vmoptions"));
  ASSERT_EQ(state.options.size(), kMaxIncludeDepth);
  EXPECT_EQ(state.options.back(), "-Dlevel" + std::to_string(kMaxIncludeDepth - 1));
}

TEST(VmOptionsFile, IncludesAreBoundedInTotal) {
  // Each file includes the next six times: 6^11 reads without a bound on the total.
  ScratchDir dir;
  for (int i = 0; i < 12; ++i) {
    std::string text = "-Dlevel" + std::to_string(i) + "\n";
    for (int k = 0; k < 6 && i < 11; ++k) text += "-include-options m" + std::to_string(i + 1) + ".vmoptions\n";
    dir.write(L"m" + std::to_wstring(i) + L".vmoptions", text);
  }
  VmOptionState state = readFile(dir.file(L"m0.vmoptions"));
  ASSERT_EQ(state.options.size(), 1 + kMaxIncludesTried);
  EXPECT_EQ(state.options[1], "-Dlevel1");
  EXPECT_EQ(state.options[2], "-Dlevel2") << "depth first";
}

TEST(VmOptionsFile, OverlongLinesArriveInPiecesAndAByteOrderMarkStays) {
  ScratchDir dir;
  std::string longLine = "-Dlong=" + std::string(20000 - 7, 'x');
  std::wstring file = dir.write(L"long.vmoptions", "\xEF\xBB\xBF-Xss1m\n" + longLine + "\n-Dnext\n");
  VmOptionState state = readFile(file);
  ASSERT_EQ(state.options.size(), 1u + 4u + 1u);
  EXPECT_EQ(state.options[0], "\xEF\xBB\xBF-Xss1m") << "no byte-order mark handling";
  EXPECT_EQ(state.options[1], longLine.substr(0, 5999));
  EXPECT_EQ(state.options[2].size(), 5999u);
  EXPECT_EQ(state.options[3].size(), 5999u);
  EXPECT_EQ(state.options[4].size(), 20000u - 3 * 5999u);
  EXPECT_EQ(state.options[5], "-Dnext");
}

TEST(VmOptionsFile, ADirectoryOrMissingFileAddsNothing) {
  ScratchDir dir;
  dir.makeDir(L"folder.vmoptions");
  std::wstring file = dir.write(L"main.vmoptions",
                                "-Dx\n-include-options folder.vmoptions\n-include-options nope\n-Dy\n");
  EXPECT_EQ(readFile(file).options, (Options{"-Dx", "-Dy"}));
  VmOptionState state;
  readVmOptionsFile(nullptr, unique_file(), state);
  EXPECT_TRUE(state.options.empty());
}

TEST(VmOptionsFile, HighBytesComeThroughTheCodePage) {
  ScratchDir dir;
  std::wstring file = dir.write(L"latin.vmoptions", "-Dname=caf\xE9\n");
  EXPECT_EQ(readFile(file).options, (Options{"-Dname=caf\xE9"}));
}

}  // namespace
}  // namespace tessel
