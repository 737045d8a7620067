// The tool's command line: help in every spelling, unknown commands named.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "command_line.h"

namespace tessel {
namespace {

struct ToolRun {
  int rc = -1;
  std::string out, err;
};

ToolRun run(std::vector<std::string> args) {
  args.insert(args.begin(), "tessel");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(&a[0]);
  std::ostringstream out, err;
  ToolRun r;
  r.rc = runCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

TEST(CommandLine, HelpWordWorksLikeTheHelpOption) {
  const ToolRun option = run({"--help"});
  const ToolRun word = run({"help"});
  EXPECT_EQ(option.rc, 0);
  EXPECT_EQ(word.rc, 0);
  EXPECT_EQ(word.out, option.out);
  for (const char* command : {"build", "inspect", "init", "keys", "help"})
    EXPECT_NE(word.out.find(command), std::string::npos) << command;

  const ToolRun buildOption = run({"build", "--help"});
  const ToolRun buildWord = run({"help", "build"});
  EXPECT_EQ(buildWord.rc, 0);
  EXPECT_EQ(buildWord.out, buildOption.out);
  EXPECT_NE(buildWord.out.find("--sign-pkcs12"), std::string::npos);
  EXPECT_NE(buildWord.out.find("--verbose"), std::string::npos);
  EXPECT_NE(buildWord.out.find("Usage: tessel build"), std::string::npos) << buildWord.out;

  // Nothing at all: the help, as a mistake.
  const ToolRun nothing = run({});
  EXPECT_EQ(nothing.rc, 1);
  EXPECT_EQ(nothing.err, option.out);
}

TEST(CommandLine, UnknownCommandsAreNamedWithTheCommandList) {
  ToolRun r = run({"biuld", "app.toml"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err,
            "tessel: unknown command `biuld`; did you mean `build`? The commands are build, inspect, "
            "init, keys, schema, runtime-jar, associate and help (tessel help shows them)\n");
  r = run({"frobnicate"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.err, "tessel: unknown command `frobnicate`; the commands are build, inspect, init, keys, "
                   "schema, runtime-jar, associate and help (tessel help shows them)\n");
  // Options are only - and --, on Windows too: a / names no option.
  r = run({"/help"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("unknown command `/help`"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("; options start with - or --, like --help\n"), std::string::npos) << r.err;
  r = run({"help", "inspekt"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("unknown command `inspekt`; did you mean `inspect`?"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace tessel
