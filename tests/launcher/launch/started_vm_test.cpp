// The virtual-machine launch in the real launcher: an application built from the template
// finds a shipped runtime whose jvm.dll is the recording double, and the test reads the JNI
// calls the launcher made.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "block_writer.h"
#include "discovery/runtime_fixture.h"
#include "test_support.h"

namespace tessel {
namespace {

using namespace fixture;
using Strings = std::vector<std::pair<int32_t, std::string>>;

struct Outcome {
  DWORD exitCode = 0;
  std::string err, log, record;
  bool has(const std::string& text) const { return record.find(text) != std::string::npos; }
  size_t at(const std::string& text) const { return record.find(text); }
};

class StartedVm : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = makeUniqueDirectory("vm");
    makeDirectories(dir + "\\app");
    makeDirectories(dir + "\\tmp");
    RuntimeLayout layout;
    layout.banner = "java version \"1.8.0_60\"";
    makeRuntime(dir + "\\app\\jre", layout);
    ASSERT_TRUE(CopyFileA((doublesDirectory() + "\\jvm_dll\\jvm.dll").c_str(),
                          (dir + "\\app\\jre\\bin\\server\\jvm.dll").c_str(), FALSE));
  }
  void TearDown() override {
    forgetCachedVersion(dir + "\\app\\jre\\bin\\java.exe");
    for (const char* name : {"TMP", "TESSEL_LOG", "TESSEL_JVM_RECORD", "TESSEL_JVM_SCRIPT",
                             "TESSEL_JVM_MISSING", "TESSEL_JVM_THROWS", "TESSEL_JVM_FAIL",
                             "TESSEL_JVM_CREATE_RESULT"})
      SetEnvironmentVariableA(name, nullptr);
    removeTree(dir);
  }

  void buildApp(const Strings& extra) {
    std::string templatePath = "Z:";
    for (const char* p = TESSEL_TEMPLATE_EXE; *p; ++p) templatePath.push_back(*p == '/' ? '\\' : *p);
    std::string bytes = readFile(templatePath);
    ASSERT_FALSE(bytes.empty()) << "no template at " << templatePath;
    BlockContents block;
    block.strings = {{128, "B.\\jre"},
                     {126, "1.6"},
                     {122, "com.example.Main"},
                     {1005, "The Java virtual machine could not be started"},
                     {1006, "File or directory {0} not found or empty"},
                     {1008, "The environment variable {0} has to be defined"},
                     {1009, "Internal error {0}"},
                     {1010, "Couldn't load main class {0}."},
                     {1011, "Main method not found in class {0}."}};
    block.strings.insert(block.strings.end(), extra.begin(), extra.end());
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    std::vector<uint8_t> serialized = serializeBlock(block);
    data.insert(data.end(), serialized.begin(), serialized.end());
    std::vector<uint8_t> trailer = trailerBytes(data.size());
    data.insert(data.end(), trailer.begin(), trailer.end());
    writeFile(dir + "\\app\\app.exe", std::string(data.begin(), data.end()));
  }

  Outcome run(const std::wstring& arguments = L"") {
    Outcome outcome;
    std::string recordPath = dir + "\\record.txt";
    DeleteFileA(recordPath.c_str());
    SetEnvironmentVariableA("TMP", (dir + "\\tmp").c_str());
    SetEnvironmentVariableA("TESSEL_LOG", "yes");
    SetEnvironmentVariableA("TESSEL_JVM_RECORD", recordPath.c_str());
    SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
    // A fresh file per run: a child's handle may outlive the child briefly under Wine.
    std::string errName = dir + "\\stderr" + std::to_string(++runs) + ".txt";
    HANDLE err = CreateFileA(errName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherit, CREATE_ALWAYS, 0, nullptr);
    EXPECT_NE(err, INVALID_HANDLE_VALUE) << GetLastError();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdError = err;
    std::wstring command = L"\"" + std::wstring(dir.begin(), dir.end()) + L"\\app\\app.exe\" " + arguments;
    PROCESS_INFORMATION info{};
    BOOL started = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                  &startup, &info);
    CloseHandle(err);
    EXPECT_TRUE(started);
    if (!started) return outcome;
    outcome.exitCode = test::awaitExit(info);
    outcome.err = readFile(errName);
    outcome.record = readFile(recordPath);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\tmp\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        std::string path = dir + "\\tmp\\" + found.cFileName;
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
          outcome.log += readFile(path);
          DeleteFileA(path.c_str());
        }
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    return outcome;
  }

  std::string dir;
  int runs = 0;
};

TEST_F(StartedVm, OptionsInTheirOrderAndArgumentsReachMain) {
  writeFile(dir + "\\app\\app.vmoptions",
            "# comment\n-Dfrom.file=1\n-include-options app.vmoptions\n-Dfrom.param=again\n");
  makeDirectories(dir + "\\app\\lib");
  writeFile(dir + "\\app\\lib\\app.jar", "");
  buildApp({{123, "-Dfrom.param=1"}, {121, "A1lib\\app.jar;S0lib"}, {124, "configured"}});
  Outcome o = run(L"one caf\u00e9");
  EXPECT_EQ(o.exitCode, 0u) << o.err << o.log;
  std::string app = dir + "\\app\\";
  EXPECT_TRUE(o.has("option 1: -Dtessel.moduleName=" + app + "app.exe\n")) << o.record;
  size_t param = o.at("-Dfrom.param=1\n"), file = o.at("-Dfrom.file=1\n");
  size_t again = o.at("-Dfrom.param=again\n"), classPath = o.at("-Djava.class.path=");
  EXPECT_TRUE(param < file && file < again && again < classPath) << o.record;
  EXPECT_TRUE(o.has("-Djava.class.path=" + app + "lib\\app.jar;" + app + "lib\\app.jar;\n"))
      << o.record;
  EXPECT_NE(o.log.find("skipped: the file is already being read"), std::string::npos) << o.log;
  EXPECT_TRUE(o.has("main arg 1: \"com.example.Main\"\nmain arg 2: \"\"\nmain arg 3: \"\"\n"
                    "main arg 4: \"false\"\n"));
  EXPECT_TRUE(o.has("main arg 6: \"configured\"\nmain arg 7: \"one\"\nmain arg 8: \"caf\xC3\xA9\"\n"))
      << o.record;
  EXPECT_LT(o.at("main called"), o.at("DestroyJavaVM")) << o.record;
  EXPECT_NE(o.log.find("launch done"), std::string::npos);
}

TEST_F(StartedVm, FailuresEndWithTheirMessageAndExitCodeOne) {
  buildApp({});
  struct Case {
    const char* variable;
    const char* value;
    const char* message;
  };
  const Case cases[] = {
      {"TESSEL_JVM_CREATE_RESULT", "-1", "could not be started"},
      {"TESSEL_JVM_MISSING", "com/tessel/runtime/WinLauncher",
       "Couldn't load main class com.tessel.runtime.WinLauncher."},
      {"TESSEL_JVM_MISSING", "com/tessel/runtime/WinLauncher.main",
       "Main method not found in class com.tessel.runtime.WinLauncher."},
      {"TESSEL_JVM_THROWS", "com/tessel/runtime/WinLauncher.main", "could not be started"},
      // Creating the argument array or a string fails: a message, not an assertion stop.
      {"TESSEL_JVM_FAIL", "NewObjectArray", "could not be started"},
      {"TESSEL_JVM_FAIL", "NewString", "could not be started"},
  };
  for (const Case& c : cases) {
    SetEnvironmentVariableA(c.variable, c.value);
    Outcome o = run();
    SetEnvironmentVariableA(c.variable, nullptr);
    SCOPED_TRACE(std::string(c.variable) + "=" + c.value);
    EXPECT_EQ(o.exitCode, 1u);
    EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err << o.log << o.record;
    EXPECT_FALSE(o.has("DestroyJavaVM")) << "a failed launch leaves the machine alone";
  }
  SetEnvironmentVariableA("TESSEL_JVM_THROWS", "com/tessel/runtime/WinLauncher.main");
  Outcome thrown = run();
  EXPECT_NE(thrown.err.find("Exception in thread \"main\""), std::string::npos) << thrown.err;
  EXPECT_NE(thrown.log.find("ERROR: main ended with an exception: java.lang.RuntimeException: "
                            "scripted failure in com/tessel/runtime/WinLauncher.main"),
            std::string::npos)
      << thrown.log;
  EXPECT_NE(thrown.log.find("ERROR: could not call main"), std::string::npos);
  EXPECT_NE(thrown.err.find("\njava.lang.RuntimeException: scripted failure"),
            std::string::npos)
      << thrown.err;
}

// The runtime library says why main failed before the application ran; the messages name the
// application's main class, and an exception of the application is named below 1005.
TEST_F(StartedVm, MessagesNameTheMainClassOrTheException) {
  buildApp({});
  SetEnvironmentVariableA("TESSEL_JVM_THROWS", "com/tessel/runtime/WinLauncher.main");
  struct Case {
    const char* script;
    const char* message;
    const char* logLine;
  };
  const Case cases[] = {
      {"com/tessel/runtime/WinLauncher.startFailure=1", "Couldn't load main class com.example.Main.",
       "ERROR: main class com.example.Main not found in the class path"},
      {"com/tessel/runtime/WinLauncher.startFailure=2",
       "Main method not found in class com.example.Main.",
       "ERROR: main class com.example.Main has no public static main(String[]) method"},
      {"com/tessel/runtime/WinLauncher.startFailure=0",
       "\njava.lang.RuntimeException: scripted failure",
       "ERROR: main ended with an exception: java.lang.RuntimeException"},
  };
  std::string script = dir + "\\script.txt";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    writeFile(script, std::string(c.script) + "\n");
    SetEnvironmentVariableA("TESSEL_JVM_SCRIPT", script.c_str());
    Outcome o = run();
    EXPECT_EQ(o.exitCode, 1u);
    EXPECT_NE(o.err.find(c.message), std::string::npos) << o.err << o.log << o.record;
    EXPECT_NE(o.log.find(c.logLine), std::string::npos) << o.log;
    // The reason is read after the exception was described, never with it pending.
    EXPECT_LT(o.at("ExceptionDescribe"), o.at("GetStaticFieldID com/tessel/runtime/WinLauncher "
                                               "startFailure I")) << o.record;
  }
  // A runtime library without the field: every failure is the application's.
  SetEnvironmentVariableA("TESSEL_JVM_MISSING", "com/tessel/runtime/WinLauncher.startFailure");
  Outcome old = run();
  EXPECT_EQ(old.exitCode, 1u);
  EXPECT_NE(old.err.find("\njava.lang.RuntimeException"), std::string::npos)
      << old.err << old.record;
  EXPECT_TRUE(old.has("ExceptionClear")) << "the NoSuchFieldError is not left pending";
}

TEST_F(StartedVm, RequiredClassPathEntriesMustExist) {
  buildApp({{121, "A1lib\\gone.jar"}});
  Outcome missing = run();
  EXPECT_EQ(missing.exitCode, 1u);
  EXPECT_NE(missing.err.find("File or directory lib\\gone.jar not found or empty"),
            std::string::npos)
      << missing.err;
  EXPECT_FALSE(missing.has("CreateJavaVM"));

  buildApp({{121, "E1TESSEL_UNDEFINED_VARIABLE_X"}});
  Outcome undefined = run();
  EXPECT_EQ(undefined.exitCode, 1u);
  EXPECT_NE(undefined.err.find("The environment variable TESSEL_UNDEFINED_VARIABLE_X has to be defined"),
            std::string::npos)
      << undefined.err;
}

TEST_F(StartedVm, CorvaneFirstRunHook) {
  buildApp({{2001, "c"}, {10003, "."}});
  Outcome plain = run();
  EXPECT_EQ(plain.exitCode, 0u) << plain.err;
  EXPECT_FALSE(plain.has("FirstRun")) << "no marker, no lookup";
  EXPECT_TRUE(plain.has("FindClass com/corvane/runtime/launcher/WinLauncher"));
  EXPECT_TRUE(plain.has("option 1: -Dtessel.isCorvane=true")) << "after the semaphore name";
  EXPECT_TRUE(plain.has("\\.corvane\\cvnruntime.jar;")) << plain.record;

  makeDirectories(dir + "\\app\\.corvane");
  writeFile(dir + "\\app\\.corvane\\firstrun", "");
  writeFile(dir + "\\script.txt", "com/corvane/runtime/launcher/FirstRun.firstRun=false\n");
  SetEnvironmentVariableA("TESSEL_JVM_SCRIPT", (dir + "\\script.txt").c_str());
  Outcome stopped = run();
  EXPECT_EQ(stopped.exitCode, 0u) << stopped.err;
  EXPECT_NE(stopped.log.find("checkFirstRun stopped further execution"), std::string::npos);
  EXPECT_FALSE(stopped.has("main called"));
  EXPECT_TRUE(stopped.has("DestroyJavaVM"));

  // A first-run step that throws is a failed start, reported like one.
  SetEnvironmentVariableA("TESSEL_JVM_THROWS", "com/corvane/runtime/launcher/FirstRun.firstRun");
  Outcome threw = run();
  SetEnvironmentVariableA("TESSEL_JVM_THROWS", nullptr);
  EXPECT_EQ(threw.exitCode, 1u) << threw.err;
  EXPECT_NE(threw.err.find("The Java virtual machine could not be started"), std::string::npos)
      << threw.err;
  EXPECT_NE(threw.err.find("scripted failure in com/corvane/runtime/launcher/FirstRun.firstRun"),
            std::string::npos)
      << "the exception is described: " << threw.err;
  EXPECT_FALSE(threw.has("main called"));
  EXPECT_EQ(threw.log.find("checkFirstRun stopped further execution"), std::string::npos);

  SetEnvironmentVariableA("TESSEL_JVM_MISSING", "com/corvane/runtime/launcher/FirstRun");
  Outcome missing = run();
  EXPECT_EQ(missing.exitCode, 1u);
  EXPECT_NE(missing.err.find("Internal error 14"), std::string::npos) << missing.err;
}

TEST_F(StartedVm, SplashTextsAreWidenedByteByByte) {
  buildApp({{108, "1"}, {10123, "1"}, {10111, "Caf\xE9 l\xE4uft"}, {10114, "0,0,0"},
            {10109, "5"}, {10118, "1.0"}});
  Outcome o = run();
  EXPECT_EQ(o.exitCode, 0u) << o.err;
  EXPECT_FALSE(o.has("NewStringUTF")) << o.record;
  EXPECT_TRUE(o.has("call com/tessel/runtime/WinLauncher.initAwtSplashConfig"
                    "(ZZLjava/lang/String;IILjava/lang/String;IILjava/lang/String;IILjava/lang/"
                    "String;II)V (1, 0, \"Caf\xC3\xA9 l\xC3\xA4uft\", 5, 0, \"0,0,0\", 0, 0, \"1.0\""))
      << o.record;
  EXPECT_LT(o.at("initAwtSplashConfig"), o.at("main called"));

  SetEnvironmentVariableA("TESSEL_JVM_MISSING", "com/tessel/runtime/WinLauncher.initAwtSplashConfig");
  Outcome missing = run();
  EXPECT_EQ(missing.exitCode, 0u) << "a missing splash method is only logged";
  EXPECT_NE(missing.log.find("ERROR: could not find method for splash properties"), std::string::npos);
  EXPECT_LT(missing.at("ExceptionClear"), missing.at("main called"))
      << "the lookup's exception is not left pending for the launcher class";
}

}  // namespace
}  // namespace tessel
