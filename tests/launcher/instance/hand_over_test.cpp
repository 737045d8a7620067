// Later starts of a real application executable, built from the template, against a running
// first instance of the same executable (whose mailslot listener delivers to the recording
// jvm.dll double), and against this test process posing as one.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "block_writer.h"
#include "config_keys.h"
#include "discovery/runtime_fixture.h"
#include "instance/fake_jni.h"
#include "instance/first_instance.h"
#include "instance/instance_names.h"
#include "instance/instance_pid.h"
#include "instance/instance_semaphore.h"
#include "instance/instance_guard.h"
#include "instance/mailslot.h"
#include "test_support.h"

namespace tessel {
namespace {

using test::fakeJava;

std::wstring widen(const std::string& s) { return std::wstring(s.begin(), s.end()); }
std::string narrow(const std::wstring& s) { return std::string(s.begin(), s.end()); }

std::wstring windowsPath(const char* unixPath) {
  std::wstring out = L"Z:";
  for (const char* p = unixPath; *p; ++p) out.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(*p));
  return out;
}

void recordId(const std::string& valueName, DWORD processId) {
  HKEY key;
  if (RegCreateKeyExA(HKEY_CURRENT_USER, kInstancePidKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                      &key, nullptr) != 0)
    return;
  RegSetValueExA(key, valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&processId),
                 sizeof processId);
  RegCloseKey(key);
}

bool waitFor(const std::function<bool()>& condition, DWORD milliseconds) {
  for (DWORD start = GetTickCount(); !condition();) {
    if (GetTickCount() - start > milliseconds) return false;
    Sleep(50);
  }
  return true;
}

class HandOver : public ::testing::Test {
 protected:
  void SetUp() override {
    fakeJava().reset();
    app_ = scratch_.path() + "\\App Dir";
    CreateDirectoryA(app_.c_str(), nullptr);
    CreateDirectoryA((scratch_.path() + "\\tmp").c_str(), nullptr);
    // The application's own runtime: the java.exe double and the recording jvm.dll double.
    fixture::RuntimeLayout layout;
    layout.banner = "java version \"1.8.0_60\"";
    fixture::makeRuntime(app_ + "\\jre", layout);
    ASSERT_TRUE(CopyFileA((fixture::doublesDirectory() + "\\jvm_dll\\jvm.dll").c_str(),
                          (app_ + "\\jre\\bin\\server\\jvm.dll").c_str(), FALSE));
    exe_ = widen(app_) + L"\\App.exe";
  }
  void TearDown() override {
    if (first_.hProcess) {
      TerminateProcess(first_.hProcess, 0);
      WaitForSingleObject(first_.hProcess, 10000);
      CloseHandle(first_.hProcess);
      CloseHandle(first_.hThread);
    }
    fixture::forgetCachedVersion(app_ + "\\jre\\bin\\java.exe");
  }

  void buildApp(std::vector<std::pair<int32_t, std::string>> keys) {
    std::string bytes = test::readFile(narrow(windowsPath(TESSEL_TEMPLATE_EXE)));
    ASSERT_FALSE(bytes.empty()) << "no template at " << TESSEL_TEMPLATE_EXE;
    BlockContents block;
    block.strings = {{128, "B.\\jre"}, {126, "1.6"}, {122, "demo.Main"}};
    block.strings.insert(block.strings.end(), keys.begin(), keys.end());
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    std::vector<uint8_t> serialized = serializeBlock(block);
    data.insert(data.end(), serialized.begin(), serialized.end());
    std::vector<uint8_t> trailer = trailerBytes(data.size());
    data.insert(data.end(), trailer.begin(), trailer.end());
    std::ofstream out(narrow(exe_), std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    ASSERT_TRUE(out.good());
  }

  std::vector<std::wstring> logVariables() const {
    return {L"TMP=" + widen(scratch_.path()) + L"\\tmp", L"TESSEL_LOG=yes"};
  }

  // Starts the executable as the running first instance. Its main sleeps for a minute, and
  // meanwhile its mailslot listener hands each text to the recording machine.
  bool startFirstInstance(std::vector<std::wstring> variables = {}) {
    for (const std::wstring& v : logVariables()) variables.push_back(v);
    variables.push_back(L"TESSEL_JVM_RECORD=" + widen(record()));
    variables.push_back(L"TESSEL_JVM_MAIN_SLEEP_MS=60000");
    if (!test::startProcess(L"\"" + exe_ + L"\"", variables, first_)) return false;
    return waitFor([this] { return test::readFile(record()).find("main called") != std::string::npos; },
                   60000);
  }

  // The texts the first instance's listener delivered, in order ("<null>" for none); waits
  // until `count` arrived (or 10 s passed).
  std::vector<std::string> delivered(size_t count) const {
    const std::string call = "call com/tessel/Controller.startupPerformed(Ljava/lang/String;)V (";
    std::vector<std::string> texts;
    waitFor([&] {
      texts.clear();
      std::string text = test::readFile(record());
      for (size_t at = text.find(call); at != std::string::npos; at = text.find(call, at + 1)) {
        size_t begin = at + call.size();
        size_t end = text.find(")\n", begin);
        std::string argument = text.substr(begin, end - begin);
        texts.push_back(argument == "null" ? "<null>" : argument.substr(1, argument.size() - 2));
      }
      return texts.size() >= count;
    }, 10000);
    return texts;
  }

  // Starts the application as `spelling` (the executable's path by default) with the raw
  // argument text; its log goes to the scratch directory.
  int start(const std::wstring& arguments, std::wstring spelling = L"") {
    if (spelling.empty()) spelling = exe_;
    std::wstring line = L"\"" + spelling + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    return test::runProcess(line, logVariables());
  }

  std::string record() const { return scratch_.path() + "\\first-record.txt"; }

  // The logs of all runs so far.
  std::string logs() const {
    std::string all;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((scratch_.path() + "\\tmp\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return all;
    do {
      if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        all += test::readFile(scratch_.path() + "\\tmp\\" + data.cFileName);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return all;
  }

  test::ScratchDir scratch_;
  std::string app_;
  std::wstring exe_;
  PROCESS_INFORMATION first_{};
};

TEST_F(HandOver, ArgumentTextArrivesAsTypedAndNoneAsNull) {
  buildApp({{key::SingleInstance, "1"}});
  ASSERT_TRUE(startFirstInstance()) << test::readFile(record());
  EXPECT_EQ(0, start(L"  -x \"a b\"  c\\\"d\" "));
  EXPECT_EQ(0, start(L""));
  EXPECT_EQ(0, start(L"__cvn_empty_command_line"));
  EXPECT_EQ(0, start(L"\x00e4\x00df \x4e2d"));
  EXPECT_EQ((std::vector<std::string>{"-x \"a b\"  c\\\"d\" ", "<null>", "<null>",
                                      "\xc3\xa4\xc3\x9f \xe4\xb8\xad"}),
            delivered(4));
  std::string log = logs();
  EXPECT_NE(log.find("single instance mode"), std::string::npos) << log;
  EXPECT_NE(log.find("other pid " + std::to_string(first_.dwProcessId)), std::string::npos);
  EXPECT_NE(log.find("exiting"), std::string::npos);
}

// A later start that reads an earlier run's id (the first instance has its semaphore but has
// not yet recorded its own id) still reaches the running instance once the id is written.
TEST_F(HandOver, StaleRecordedIdGivesWayToTheRunningInstance) {
  buildApp({{key::SingleInstance, "1"}});
  ASSERT_TRUE(startFirstInstance()) << test::readFile(record());
  const std::string valueName = test::instanceValueName(exe_);
  const DWORD stale = GetCurrentProcessId() + 4000000;  // no such process, no such mailslot
  recordId(valueName, stale);
  std::thread recorder([&] {
    Sleep(800);
    recordId(valueName, first_.dwProcessId);
  });
  int code = start(L"after the stale id");
  recorder.join();
  EXPECT_EQ(0, code);
  EXPECT_EQ((std::vector<std::string>{"after the stale id"}), delivered(1));
  std::string log = logs();
  EXPECT_EQ(std::string::npos, log.find("error mailslot CreateFile")) << log;
  EXPECT_NE(log.find("recorded process " + std::to_string(stale) +
                     " is not a running instance of this executable"),
            std::string::npos)
      << log;
}

// The recorded id belongs to another program (here: this test process, which even holds the
// semaphore and listens on a mailslot of that id). It gets neither the text nor activation.
TEST_F(HandOver, AnotherProgramUnderTheRecordedIdGetsNothing) {
  buildApp({{key::SingleInstance, "1"}, {key::ActivateRunningInstance, "1"}});
  test::FakeFirstInstance impostor(exe_, false);
  ASSERT_TRUE(impostor.holdsSemaphore());
  ASSERT_TRUE(test::startOwnListener());
  HWND window = CreateWindowExA(0, "STATIC", "tessel impostor window",
                                WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100, nullptr,
                                nullptr, nullptr, nullptr);
  if (window) ShowWindow(window, SW_MINIMIZE);
  EXPECT_EQ(kHandOverFailedExitCode, start(L"not for you"));
  Sleep(500);
  EXPECT_EQ(0u, fakeJava().callCount()) << "the text went to another program";
  std::string log = logs();
  EXPECT_NE(log.find("recorded process " + std::to_string(GetCurrentProcessId()) +
                     " is not a running instance of this executable"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("other pid 0"), std::string::npos) << log;
  EXPECT_NE(log.find("ERROR: the arguments were not handed to a running instance"),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("found window"), std::string::npos) << log;
  if (window) {
    EXPECT_TRUE(IsIconic(window)) << "another program's window was restored";
    DestroyWindow(window);
  }
}

// A program that took the mailslot names of every process id before the first instance
// started gets nothing: the first instance listens under a random name only the user's own
// record knows, and the later start writes only there.
TEST_F(HandOver, SquatterOfThePlainMailslotNamesGetsNothing) {
  buildApp({{key::SingleInstance, "1"}});
  std::vector<HANDLE> squatted;
  for (DWORD id = 4; id <= 8191 * 4; id += 4) {
    char name[kMailslotNameCapacity];
    std::snprintf(name, sizeof name, "%s%lu", kMailslotPrefix, static_cast<unsigned long>(id));
    HANDLE slot = CreateMailslotA(name, 0, 0, nullptr);
    if (slot != INVALID_HANDLE_VALUE) squatted.push_back(slot);
  }
  ASSERT_GT(squatted.size(), 8000u);
  ASSERT_TRUE(startFirstInstance()) << test::readFile(record());
  EXPECT_EQ(0, start(L"--open secret-token-123"));
  EXPECT_EQ((std::vector<std::string>{"--open secret-token-123"}), delivered(1));
  size_t received = 0;
  for (HANDLE slot : squatted) {
    DWORD next = 0, count = 0;
    if (GetMailslotInfo(slot, nullptr, &next, &count, nullptr) && count > 0) ++received;
    CloseHandle(slot);
  }
  EXPECT_EQ(0u, received) << "a squatted name received the arguments";
  char channel[kMailslotNameCapacity];
  ASSERT_TRUE(readInstanceChannel(test::instanceValueName(exe_).c_str(), channel, sizeof channel));
  EXPECT_TRUE(isChannelOf(channel, first_.dwProcessId)) << channel;
}

// A running, verified first instance whose mailslot cannot be reached (its record names a
// mailslot nobody listens on): the later start waits, then fails visibly, never with 0.
TEST_F(HandOver, SilentFirstInstanceIsReportedAsAFailure) {
  buildApp({{key::SingleInstance, "1"}});
  ASSERT_TRUE(startFirstInstance()) << test::readFile(record());
  const std::string valueName = test::instanceValueName(exe_);
  char token[kChannelTokenLength + 1];
  ASSERT_TRUE(makeChannelToken(token, sizeof token));
  writeInstanceChannel(valueName.c_str(),
                       (std::to_string(first_.dwProcessId) + "_" + token).c_str());
  EXPECT_EQ(kHandOverFailedExitCode, start(L"lost"));
  std::string log = logs();
  EXPECT_NE(log.find("error mailslot CreateFile"), std::string::npos) << log;
  EXPECT_NE(log.find("ERROR: the arguments were not handed to a running instance"),
            std::string::npos)
      << log;
  EXPECT_EQ(0u, delivered(0).size());
}

// Case, doubled backslashes and the short form all name the same executable.
TEST_F(HandOver, PathSpellingsOfOneExecutableShareTheInstance) {
  buildApp({{key::SingleInstance, "1"}});
  ASSERT_TRUE(startFirstInstance()) << test::readFile(record());
  std::wstring upper = exe_;
  for (wchar_t& c : upper)
    if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  std::wstring doubled = exe_;
  doubled.insert(doubled.rfind(L'\\'), L"\\");
  wchar_t shortForm[MAX_PATH * 2];
  ASSERT_NE(0u, GetShortPathNameW(exe_.c_str(), shortForm, MAX_PATH * 2));
  ASSERT_NE(exe_, shortForm);
  EXPECT_EQ(0, start(L"upper", upper));
  EXPECT_EQ(0, start(L"doubled", doubled));
  EXPECT_EQ(0, start(L"short", shortForm));
  EXPECT_EQ((std::vector<std::string>{"upper", "doubled", "short"}), delivered(3));
}

TEST_F(HandOver, GlobalNamespaceKeyMovesTheInstanceToGlobalNames) {
  buildApp({{key::SingleInstance, "1"}, {key::GlobalInstanceNamespace, "1"}});
  test::FakeFirstInstance local(exe_, false);  // a local semaphore that must not count
  ASSERT_TRUE(startFirstInstance()) << test::readFile(record());
  char global[kInstanceNameCapacity];
  ASSERT_TRUE(instanceSemaphoreNameFor(global, sizeof global, true,
                                       test::instanceValueName(exe_).c_str(), -1));
  EXPECT_EQ(0, start(L"global"));
  EXPECT_EQ((std::vector<std::string>{"global"}), delivered(1));
  EXPECT_NE(logs().find("semaphore name " + std::string(global) + ", code 183"), std::string::npos)
      << logs();
}

// Counting mode across processes: the started application takes the lowest number that no
// running instance holds.
TEST_F(HandOver, CountingModeTakesTheLowestFreeNumber) {
  buildApp({});
  std::string valueName = test::instanceValueName(exe_);
  char name[kInstanceNameCapacity];
  unique_handle zero(createNumberedInstanceSemaphore(name, sizeof name, false, valueName.c_str()));
  unique_handle one(createNumberedInstanceSemaphore(name, sizeof name, false, valueName.c_str()));
  unique_handle two(createNumberedInstanceSemaphore(name, sizeof name, false, valueName.c_str()));
  ASSERT_TRUE(zero && one && two);
  char base[kInstanceNameCapacity];
  ASSERT_TRUE(instanceSemaphoreNameFor(base, sizeof base, false, valueName.c_str(), -1));
  one.reset();
  start(L"");
  EXPECT_NE(logs().find("semaphore name " + std::string(base) + "1, code 0"), std::string::npos)
      << logs();
}

// The running instance's minimised window comes back when the configuration asks for it.
// Needs a display (the Xvfb run of the window tests).
TEST_F(HandOver, ActivationRestoresTheRunningInstancesWindow) {
  HWND probe = CreateWindowExA(0, "STATIC", "probe", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10, nullptr,
                               nullptr, nullptr, nullptr);
  if (!probe) {
    const char* required = std::getenv("TESSEL_REQUIRE_DISPLAY");
    EXPECT_FALSE(required && *required == '1') << "no window could be created";
    GTEST_SKIP() << "no display";
  }
  DestroyWindow(probe);
  buildApp({{key::SingleInstance, "1"}, {key::ActivateRunningInstance, "1"}});
  ASSERT_TRUE(startFirstInstance({L"TESSEL_JVM_MAIN_WINDOW_MS=0", L"TESSEL_JVM_MAIN_WINDOW_MINIMISED=1"}))
      << test::readFile(record());
  HWND window = nullptr;
  ASSERT_TRUE(waitFor([&] {
    window = FindWindowA(nullptr, "double application");
    return window && IsIconic(window);
  }, 20000));
  EXPECT_EQ(0, start(L"wake"));
  EXPECT_FALSE(IsIconic(window));
  EXPECT_EQ((std::vector<std::string>{"wake"}), delivered(1));
  std::string log = logs();
  EXPECT_NE(log.find("restore"), std::string::npos) << log;
  EXPECT_NE(log.find("foreground"), std::string::npos) << log;
}

}  // namespace
}  // namespace tessel
