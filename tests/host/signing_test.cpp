// Signing through osslsigncode: the program comes from an absolute PATH directory only, the
// verbose output names it, and the password file is private and gone on every way out.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "signing.h"
#include "tool_test_support.h"

namespace tessel {
namespace {

TEST(Signing, ProgramCandidatesSkipEmptyAndRelativeDirectories) {
  EXPECT_EQ(pe::programCandidates("::.:bin:/opt/x:./y:/usr/bin/", ':', "osslsigncode"),
            (std::vector<std::string>{"/opt/x/osslsigncode", "/usr/bin/osslsigncode"}));
  EXPECT_TRUE(pe::programCandidates("", ':', "osslsigncode").empty());
}

// A fake osslsigncode: writes what it saw (its own path, the password file's mode and text)
// to REPORT beside it, then does what its extra lines say.
std::string fakeSigner(const test::ScratchDir& bin, const std::string& then) {
  const std::string path = bin.write(
      "osslsigncode",
      "#!/bin/sh\n"
      "report=\"$(dirname \"$0\")/REPORT\"\n"
      "while [ $# -gt 0 ]; do case $1 in -readpass) pass=$2; shift;; -in) in=$2; shift;;\n"
      "  -out) out=$2; shift;; esac; shift; done\n"
      "{ echo \"ran $0\"; stat -c %a \"$pass\"; cat \"$pass\"; echo; } > \"$report\"\n" +
          then);
  chmod(path.c_str(), 0755);
  return path;
}

struct ToolRun {
  int status = -1;
  std::string out, err;
};

// Runs the tool from `cwd` with PATH set to `path`.
ToolRun runTool(const std::string& cwd, const std::string& path, const std::string& arguments) {
  const std::string command = "cd '" + cwd + "' && PATH='" + path + "' TESSEL_SIGN_PASSWORD= '" +
                              TESSEL_TOOL_PATH + "' " + arguments + " > out.txt 2> err.txt";
  ToolRun run;
  run.status = std::system(command.c_str());
  std::ifstream out(cwd + "/out.txt"), err(cwd + "/err.txt");
  std::stringstream o, e;
  o << out.rdbuf();
  e << err.rdbuf();
  run.out = o.str();
  run.err = e.str();
  std::remove((cwd + "/out.txt").c_str());
  std::remove((cwd + "/err.txt").c_str());
  return run;
}

std::string readText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class SigningRun : public ::testing::Test {
 protected:
  void SetUp() override {
    dir.write("launcher.exe", test::makeTemplate());
    dir.write("app.toml", std::string("[application]\nname = \"signed\"\n[java]\nmain_class = \"a.B\"\n"));
    dir.write("signer.p12", std::string("not really"));
  }
  std::string build(const std::string& extra = "") const {
    return "build app.toml -o app.exe --template launcher.exe --sign-pkcs12 signer.p12 "
           "--sign-password s3cret -v " + extra;
  }
  test::ScratchDir dir, bin;
};

TEST_F(SigningRun, OnlyThePathProgramRunsAndVerboseOutputNamesIt) {
  fakeSigner(bin, "cp \"$in\" \"$out\"\n");
  // A decoy in the current directory, reachable through empty and relative PATH entries.
  const std::string decoy = dir.write("osslsigncode", std::string("#!/bin/sh\necho decoy > DECOY\nexit 1\n"));
  chmod(decoy.c_str(), 0755);
  const ToolRun run = runTool(dir.path(), "::.:" + bin.path() + ":/usr/bin:/bin", build());
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("signing with " + bin.file("osslsigncode") + "\n"), std::string::npos)
      << run.out;
  EXPECT_EQ(readText(bin.file("REPORT")), "ran " + bin.file("osslsigncode") + "\n600\ns3cret\n");
  EXPECT_FALSE(std::ifstream(dir.file("DECOY")).good());
  // Inputs, the decoy and the output; no password file, no unsigned copy.
  EXPECT_EQ(dir.files().size(), 5u);
  EXPECT_EQ(test::readFile(dir.file("app.exe")).size() > test::makeTemplate().size(), true);
}

TEST_F(SigningRun, FailedSigningLeavesNothingBehind) {
  fakeSigner(bin, "exit 3\n");
  const ToolRun run = runTool(dir.path(), bin.path() + ":/usr/bin:/bin", build());
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("signing failed: osslsigncode failed"), std::string::npos) << run.err;
  EXPECT_EQ(dir.files().size(), 3u);
}

TEST_F(SigningRun, InterruptedSigningLeavesNoPasswordFile) {
  // The tool is ended by a termination request while osslsigncode runs.
  fakeSigner(bin, "kill -TERM $PPID\nsleep 1\nexit 1\n");
  const ToolRun run = runTool(dir.path(), bin.path() + ":/usr/bin:/bin", build());
  EXPECT_NE(run.status, 0);
  EXPECT_NE(readText(bin.file("REPORT")).find("s3cret"), std::string::npos);
  EXPECT_EQ(dir.files().size(), 3u) << "left: " << ::testing::PrintToString(dir.files());
}

TEST_F(SigningRun, NoSignerOnThePathWritesNothing) {
  const ToolRun run = runTool(dir.path(), bin.path(), build());
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.err.find("signing needs osslsigncode on the PATH"), std::string::npos) << run.err;
  EXPECT_EQ(dir.files().size(), 3u);
}

}  // namespace
}  // namespace tessel
