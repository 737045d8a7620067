#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "config/config_access.h"
#include "discovery/runtime_fixture.h"
#include "instance/mailslot.h"
#include "instance/sender_process.h"
#include "launch/java_vm_launcher.h"
#include "util/handles.h"
#include "vm/java_vm.h"

namespace tessel {
namespace {

bool recordHolds(const std::string& record, const std::string& text, DWORD timeoutMs) {
  for (DWORD waited = 0;; waited += 50) {
    if (fixture::readFile(record).find(text) != std::string::npos) return true;
    if (waited >= timeoutMs) return false;
    Sleep(50);
  }
}

// A windowed application's main returns at once and the application goes on in its own
// threads: later starts reach it until it ends, and nothing reaches the machine after that.
// Its own process (ctest runs each test alone): the machine exists once per process.
TEST(HandOverAtTheEnd, ReachesTheApplicationUntilItEndsAndTheMachineNeverAfter) {
  clearConfiguration();
  std::string dir = fixture::makeUniqueDirectory("handover-end");
  std::string record = dir + "\\record.txt";
  SetEnvironmentVariableA("TESSEL_JVM_RECORD", record.c_str());
  SetEnvironmentVariableA("TESSEL_JVM_DESTROY_LIMIT_MS", "20000");
  HMODULE jvm = LoadLibraryA((fixture::doublesDirectory() + "\\jvm_dll\\jvm.dll").c_str());
  ASSERT_NE(jvm, nullptr);
  setCreateJavaVm(reinterpret_cast<CreateJavaVmFunction>(
      reinterpret_cast<void*>(GetProcAddress(jvm, "JNI_CreateJavaVM"))));
  ASSERT_TRUE(createVm({"-Dx=1"}, {L"prog.exe"}));
  vmCreated.store(true);

  char name[kMailslotNameCapacity];
  mailslotName(GetCurrentProcessId(), name, sizeof name);
  HANDLE mailslot = createPrivateMailslot(name);
  ASSERT_NE(mailslot, INVALID_HANDLE_VALUE);
  unique_handle listener(CreateThread(nullptr, 0, mailslotListener, mailslot, 0, nullptr));
  ASSERT_TRUE(listener);

  // The application's thread that outlives main (an event thread): attached as a non-daemon.
  HANDLE attached = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread application([&] {
    JNIEnv* env = nullptr;
    javaVm->AttachCurrentThread(reinterpret_cast<void**>(&env), nullptr);
    SetEvent(attached);
    WaitForSingleObject(release, 30000);
    javaVm->DetachCurrentThread();
  });
  WaitForSingleObject(attached, 30000);
  bool destroyedEarly = true;
  int sent = -1;
  bool delivered = false;
  std::thread laterStart([&] {
    Sleep(300);
    destroyedEarly = vmDestroyed.load();
    sent = test::runSender(GetCurrentProcessId(), 1, L"while it runs");
    delivered = recordHolds(record, "\"while it runs\"", 10000);
    SetEvent(release);  // the application ends
  });
  destroyVmAfterApplication();  // on the thread that created the machine, as after main
  laterStart.join();
  application.join();
  EXPECT_FALSE(destroyedEarly);
  EXPECT_EQ(0, sent);
  EXPECT_TRUE(delivered) << "a later start reaches the application while it runs";
  EXPECT_TRUE(vmDestroyed.load());
  EXPECT_EQ(0, test::runSender(GetCurrentProcessId(), 1, L"after the end"));
  EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(listener.get(), 10000))
      << "the listener ends instead of calling into the machine";
  Sleep(200);
  const std::string text = fixture::readFile(record);
  EXPECT_EQ(text.find("after the end"), std::string::npos) << text;
  EXPECT_EQ(text.find("after DestroyJavaVM"), std::string::npos) << text;
  size_t waited = text.find("WinLauncher.awaitApplicationThreads");
  EXPECT_NE(waited, std::string::npos) << text;
  EXPECT_LT(waited, text.find("DestroyJavaVM")) << "the wait comes first";
  CloseHandle(attached);
  CloseHandle(release);
  fixture::removeTree(dir);
}

}  // namespace
}  // namespace tessel
