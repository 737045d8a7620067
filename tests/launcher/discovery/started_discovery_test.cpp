// The runtime search in the real launcher: an application built from the template is started
// as its own process with runtimes made of the doubles beside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "block_writer.h"
#include "discovery/runtime_fixture.h"
#include "test_support.h"

namespace tessel {
namespace {

using namespace fixture;

std::string templatePath() {
  std::string path = "Z:";
  for (const char* p = TESSEL_TEMPLATE_EXE; *p; ++p) path.push_back(*p == '/' ? '\\' : *p);
  return path;
}

struct Outcome {
  DWORD exitCode = 0;
  std::string out, err, log;
};

class StartedDiscovery : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = makeUniqueDirectory("started");
    makeDirectories(dir + "\\app");
    makeDirectories(dir + "\\tmp");
  }
  void TearDown() override {
    forgetCachedVersion(dir + "\\app\\jre\\bin\\java.exe");
    SetEnvironmentVariableA("TMP", nullptr);
    SetEnvironmentVariableA("TESSEL_LOG", nullptr);
    removeTree(dir);
  }

  void buildApp(const std::string& sequence) {
    std::string bytes = readFile(templatePath());
    ASSERT_FALSE(bytes.empty()) << "no template at " << templatePath();
    BlockContents block;
    block.strings = {{128, sequence},
                     {126, "1.6"},
                     {1016, "No Java runtime with {0} bits found"},
                     {1020, "The runtime at {0} is damaged"},
                     {1005, "The Java virtual machine could not be started"}};
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    std::vector<uint8_t> serialized = serializeBlock(block);
    data.insert(data.end(), serialized.begin(), serialized.end());
    std::vector<uint8_t> trailer = trailerBytes(data.size());
    data.insert(data.end(), trailer.begin(), trailer.end());
    writeFile(dir + "\\app\\app.exe", std::string(data.begin(), data.end()));
  }

  // Starts the application with errors on standard error and the log in our tmp folder.
  Outcome run() {
    Outcome outcome;
    SetEnvironmentVariableA("TMP", (dir + "\\tmp").c_str());
    SetEnvironmentVariableA("TESSEL_LOG", "yes");
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    std::string outName = dir + "\\stdout.txt", errName = dir + "\\stderr.txt";
    HANDLE out = CreateFileA(outName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    HANDLE err = CreateFileA(errName.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                             CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = out;
    startup.hStdError = err;
    std::string command = "\"" + dir + "\\app\\app.exe\" -q_cvn_internal";
    PROCESS_INFORMATION info{};
    BOOL started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr,
                                  dir.c_str(), &startup, &info);
    CloseHandle(out);
    CloseHandle(err);
    EXPECT_TRUE(started);
    if (!started) return outcome;
    outcome.exitCode = test::awaitExit(info);
    outcome.out = readFile(outName);
    outcome.err = readFile(errName);
    outcome.log = takeLogs();
    return outcome;
  }

  std::string takeLogs() {
    std::string text;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\tmp\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return text;
    do {
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
      std::string path = dir + "\\tmp\\" + found.cFileName;
      std::string content = readFile(path);
      if (content.rfind("Started executable", 0) == 0) {
        text += content;
        DeleteFileA(path.c_str());
      }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return text;
  }

  std::string dir;
};

TEST_F(StartedDiscovery, NothingFoundEndsWith83AndTheNoRuntimeMessage) {
  buildApp("B.\\jre;EJAVA_HOME_NOT_SET_HERE;");
  Outcome outcome = run();
  EXPECT_EQ(outcome.exitCode, 83u);
  EXPECT_NE(outcome.err.find("No Java runtime with 64 bits found"), std::string::npos)
      << outcome.err;
  EXPECT_EQ(outcome.err.find("could not be started"), std::string::npos) << outcome.err;
  EXPECT_NE(outcome.log.find("ERROR: No JVM found"), std::string::npos) << outcome.log;
}

TEST_F(StartedDiscovery, ShippedJreIsLoadedAndTheCacheSparesTheSecondRun) {
  buildApp("B.\\jre;Y;");
  makeRuntime(dir + "\\app\\jre", {"java version \"1.8.0_60\""});
  Outcome first = run();
  EXPECT_NE(first.exitCode, 83u);
  EXPECT_NE(first.log.find("got version from execution 1.8.0_60"), std::string::npos)
      << first.log;
  EXPECT_NE(first.log.find("Loading of JVM-DLL successful"), std::string::npos) << first.log;
  EXPECT_EQ(javaRuns(dir + "\\app\\jre\\bin"), 1);

  Outcome second = run();
  EXPECT_NE(second.log.find("got version from registry 1.8.0_60"), std::string::npos)
      << second.log;
  EXPECT_NE(second.log.find("Loading of JVM-DLL successful"), std::string::npos);
  EXPECT_EQ(javaRuns(dir + "\\app\\jre\\bin"), 1) << "the second start runs java.exe zero times";
}

TEST_F(StartedDiscovery, DamagedShippedRuntimeNamesItsDirectory) {
  buildApp("B.\\jre");
  makeRuntime(dir + "\\app\\jre", {"java version \"1.8.0_60\"", 0, 0, "server", true});
  Outcome outcome = run();
  EXPECT_EQ(outcome.exitCode, 83u);
  EXPECT_NE(outcome.err.find("The runtime at .\\jre is damaged"), std::string::npos)
      << outcome.err;
  EXPECT_NE(outcome.err.find("could not be started"), std::string::npos) << outcome.err;
  EXPECT_NE(outcome.log.find("Failed with error code"), std::string::npos) << outcome.log;
}

TEST_F(StartedDiscovery, PackedShippedRuntimeIsPreparedOnce) {
  buildApp("B.\\jre");
  std::string jre = dir + "\\app\\jre";
  makeRuntime(jre, {"java version \"1.8.0_60\""});
  makeDirectories(jre + "\\lib\\ext");
  writeFile(jre + "\\lib\\rt.jar.pack", "classes");
  writeFile(jre + "\\lib\\ext\\localedata.jar.pack", "locales");
  ASSERT_TRUE(CopyFileA((doublesDirectory() + "\\unpack200\\unpack200.exe").c_str(),
                        (jre + "\\bin\\unpack200.exe").c_str(), FALSE));
  Outcome first = run();
  EXPECT_EQ(first.out, "Preparing JRE ...\r\n");
  EXPECT_EQ(readFile(jre + "\\lib\\rt.jar"), "classes");
  EXPECT_EQ(readFile(jre + "\\lib\\ext\\localedata.jar"), "locales");
  EXPECT_FALSE(exists(jre + "\\lib\\rt.jar.pack"));
  Outcome second = run();
  EXPECT_EQ(second.out, "");
}

TEST_F(StartedDiscovery, PackedRuntimeWithoutUnpackToolIsAnInternalError) {
  buildApp("B.\\jre");
  std::string jre = dir + "\\app\\jre";
  makeRuntime(jre, {"java version \"1.8.0_60\""});
  makeDirectories(jre + "\\lib");
  writeFile(jre + "\\lib\\rt.jar.pack", "classes");
  Outcome outcome = run();
  EXPECT_EQ(outcome.exitCode, 1u);
  // The system's reason, not one left behind by the log's own file calls.
  EXPECT_NE(outcome.log.find("could not create unpack process (last error 2)"), std::string::npos)
      << outcome.log;
  EXPECT_TRUE(exists(jre + "\\lib\\rt.jar.pack"));
}

}  // namespace
}  // namespace tessel
