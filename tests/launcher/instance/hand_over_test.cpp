// Later starts of a real application executable, built from the template, against this test
// process as the running first instance.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "block_writer.h"
#include "config_keys.h"
#include "instance/fake_jni.h"
#include "instance/first_instance.h"
#include "instance/instance_names.h"
#include "instance/instance_pid.h"
#include "instance/instance_semaphore.h"
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

class HandOver : public ::testing::Test {
 protected:
  void SetUp() override {
    fakeJava().reset();
    CreateDirectoryA((scratch_.path() + "\\App Dir").c_str(), nullptr);
    CreateDirectoryA((scratch_.path() + "\\tmp").c_str(), nullptr);
    exe_ = widen(scratch_.path()) + L"\\App Dir\\App.exe";
  }

  void buildApp(std::vector<std::pair<int32_t, std::string>> keys) {
    std::string bytes = test::readFile(narrow(windowsPath(TESSEL_TEMPLATE_EXE)));
    ASSERT_FALSE(bytes.empty()) << "no template at " << TESSEL_TEMPLATE_EXE;
    BlockContents block;
    block.strings = std::move(keys);
    std::vector<uint8_t> data(bytes.begin(), bytes.end());
    std::vector<uint8_t> serialized = serializeBlock(block);
    data.insert(data.end(), serialized.begin(), serialized.end());
    std::vector<uint8_t> trailer = trailerBytes(data.size());
    data.insert(data.end(), trailer.begin(), trailer.end());
    std::ofstream out(narrow(exe_), std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    ASSERT_TRUE(out.good());
  }

  // Starts the application as `spelling` (the executable's path by default) with the raw
  // argument text; its log goes to the scratch directory.
  int start(const std::wstring& arguments, std::wstring spelling = L"") {
    if (spelling.empty()) spelling = exe_;
    std::wstring line = L"\"" + spelling + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    return test::runProcess(line, {L"TMP=" + widen(scratch_.path()) + L"\\tmp", L"TESSEL_LOG=yes"});
  }

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
  std::wstring exe_;
};

TEST_F(HandOver, ArgumentTextArrivesAsTypedAndNoneAsNull) {
  buildApp({{key::SingleInstance, "1"}});
  test::FakeFirstInstance first(exe_, false);
  ASSERT_TRUE(first.holdsSemaphore());
  ASSERT_TRUE(test::startOwnListener());
  EXPECT_EQ(0, start(L"  -x \"a b\"  c\\\"d\" "));
  EXPECT_EQ(0, start(L""));
  EXPECT_EQ(0, start(L"__cvn_empty_command_line"));
  EXPECT_EQ(0, start(L"\x00e4\x00df \x4e2d"));
  EXPECT_TRUE(fakeJava().waitForCalls(4, 10000));
  EXPECT_EQ((std::vector<std::string>{"-x \"a b\"  c\\\"d\" ", "<null>", "<null>",
                                      "\xc3\xa4\xc3\x9f \xe4\xb8\xad"}),
            fakeJava().snapshot());
  std::string log = logs();
  EXPECT_NE(log.find("single instance mode"), std::string::npos) << log;
  EXPECT_NE(log.find("other pid " + std::to_string(GetCurrentProcessId())), std::string::npos);
  EXPECT_NE(log.find("exiting"), std::string::npos);
}

// A later start that reads an earlier run's id (the first instance has its semaphore but has
// not yet recorded its own id) still reaches the running instance once the id is written.
TEST_F(HandOver, StaleRecordedIdGivesWayToTheRunningInstance) {
  buildApp({{key::SingleInstance, "1"}});
  test::FakeFirstInstance first(exe_, false);
  ASSERT_TRUE(test::startOwnListener());
  first.recordId(GetCurrentProcessId() + 4000000);  // no such process, no such mailslot
  std::thread recorder([&first] {
    Sleep(800);
    writeInstancePid(first.valueName().c_str());
  });
  int code = start(L"after the stale id");
  recorder.join();
  EXPECT_EQ(0, code);
  EXPECT_TRUE(fakeJava().waitForCalls(1, 10000));
  EXPECT_EQ((std::vector<std::string>{"after the stale id"}), fakeJava().snapshot());
  EXPECT_EQ(std::string::npos, logs().find("error mailslot CreateFile")) << logs();
}

// Case, doubled backslashes and the short form all name the same executable.
TEST_F(HandOver, PathSpellingsOfOneExecutableShareTheInstance) {
  buildApp({{key::SingleInstance, "1"}});
  test::FakeFirstInstance first(exe_, false);
  ASSERT_TRUE(test::startOwnListener());
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
  EXPECT_TRUE(fakeJava().waitForCalls(3, 10000));
  EXPECT_EQ((std::vector<std::string>{"upper", "doubled", "short"}), fakeJava().snapshot());
}

TEST_F(HandOver, GlobalNamespaceKeyMovesTheInstanceToGlobalNames) {
  buildApp({{key::SingleInstance, "1"}, {key::GlobalInstanceNamespace, "1"}});
  test::FakeFirstInstance local(exe_, false);
  test::FakeFirstInstance first(exe_, true);
  EXPECT_EQ(0u, first.semaphoreName().rfind("Global\\", 0)) << first.semaphoreName();
  ASSERT_TRUE(test::startOwnListener());
  EXPECT_EQ(0, start(L"global"));
  EXPECT_TRUE(fakeJava().waitForCalls(1, 10000));
  EXPECT_EQ((std::vector<std::string>{"global"}), fakeJava().snapshot());
  EXPECT_NE(logs().find("semaphore name " + first.semaphoreName() + ", code 183"),
            std::string::npos)
      << logs();
}

// Counting mode across processes: the started application takes the lowest number that no
// running instance holds (it then ends for want of a runtime).
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
  HWND window = CreateWindowExA(0, "STATIC", "tessel hand-over window",
                                WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100, nullptr,
                                nullptr, nullptr, nullptr);
  if (!window) {
    const char* required = std::getenv("TESSEL_REQUIRE_DISPLAY");
    EXPECT_FALSE(required && *required == '1') << "no window could be created";
    GTEST_SKIP() << "no display";
  }
  ShowWindow(window, SW_MINIMIZE);
  ASSERT_TRUE(IsIconic(window));
  buildApp({{key::SingleInstance, "1"}, {key::ActivateRunningInstance, "1"}});
  test::FakeFirstInstance first(exe_, false);
  ASSERT_TRUE(test::startOwnListener());
  EXPECT_EQ(0, start(L"wake"));
  EXPECT_FALSE(IsIconic(window));
  EXPECT_TRUE(fakeJava().waitForCalls(1, 10000));
  std::string log = logs();
  EXPECT_NE(log.find("restore"), std::string::npos) << log;
  EXPECT_NE(log.find("foreground"), std::string::npos) << log;
  DestroyWindow(window);
}

}  // namespace
}  // namespace tessel
