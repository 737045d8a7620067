#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "config/config_access.h"
#include "discovery/runtime_fixture.h"
#include "vm/java_vm.h"
#include "launch/java_vm_launcher.h"

namespace tessel {
namespace {

// Each ctest run is its own process, so the process-wide machine state starts fresh here.
TEST(JavaVm, OtherThreadsAttachAsDaemonsOnlyWhileTheMachineExists) {
  clearConfiguration();
  std::string dir = fixture::makeUniqueDirectory("javavm");
  std::string record = dir + "\\record.txt";
  SetEnvironmentVariableA("TESSEL_JVM_RECORD", record.c_str());
  EXPECT_EQ(currentThreadEnv(), nullptr) << "no machine yet";

  // The recording double, kept loaded for the process's life like a real jvm.dll.
  HMODULE jvm = LoadLibraryA((fixture::doublesDirectory() + "\\jvm_dll\\jvm.dll").c_str());
  ASSERT_NE(jvm, nullptr);
  setCreateJavaVm(reinterpret_cast<CreateJavaVmFunction>(
      reinterpret_cast<void*>(GetProcAddress(jvm, "JNI_CreateJavaVM"))));
  ASSERT_TRUE(createVm({"-Dx=1"}, {L"prog.exe"}));
  EXPECT_EQ(currentThreadEnv(), nullptr) << "created but not yet announced";
  vmCreated.store(true);

  JNIEnv* other = nullptr;
  std::thread([&] {
    other = currentThreadEnv();
    detachCurrentThread();
  }).join();
  EXPECT_NE(other, nullptr);

  // A launcher thread that is still attached when main returns (the splash thread) must not
  // hold the machine: like a real runtime, the double's DestroyJavaVM waits for non-daemons,
  // and would end this process with 98 after the limit.
  SetEnvironmentVariableA("TESSEL_JVM_DESTROY_LIMIT_MS", "5000");
  HANDLE attached = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    currentThreadEnv();
    SetEvent(attached);
    WaitForSingleObject(release, 30000);
    detachCurrentThread();  // the machine is gone by then: nothing happens
  });
  WaitForSingleObject(attached, 30000);
  // A splash poll under way when main returned finishes before the machine is destroyed.
  std::thread polling([] {
    MachineCall call;
    Sleep(300);
  });
  Sleep(50);
  DWORD before = GetTickCount();
  destroyVm();
  polling.join();
  EXPECT_GE(GetTickCount() - before, 200u) << "DestroyJavaVM waited for the call under way";
  EXPECT_FALSE(enterMachineCall()) << "no call into a machine that shuts down";
  EXPECT_TRUE(vmDestroyed.load());
  EXPECT_EQ(currentThreadEnv(), nullptr) << "no machine after DestroyJavaVM";
  SetEvent(release);
  holder.join();
  CloseHandle(attached);
  CloseHandle(release);

  SetEnvironmentVariableA("TESSEL_JVM_DESTROY_LIMIT_MS", nullptr);
  SetEnvironmentVariableA("TESSEL_JVM_RECORD", nullptr);
  std::string text = fixture::readFile(record);
  EXPECT_NE(text.find("option 0: -Dx=1\n"), std::string::npos) << text;
  EXPECT_NE(text.find("AttachCurrentThreadAsDaemon\nDetachCurrentThread\nAttachCurrentThreadAsDaemon\n"
                      "DestroyJavaVM\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.find("after DestroyJavaVM"), std::string::npos) << text;
  fixture::removeTree(dir);
}

// Its own process (ctest runs each test alone): the gate closes once per process.
TEST(JavaVm, GateFinishesCallsUnderWayThenRefusesAll) {
  ASSERT_TRUE(enterMachineCall());
  std::atomic<bool> closed{false};
  std::thread closer([&] {
    closeMachineCalls();
    closed.store(true);
  });
  Sleep(200);
  EXPECT_FALSE(closed.load()) << "closing waits for the call under way";
  leaveMachineCall();
  closer.join();
  EXPECT_TRUE(closed.load());
  MachineCall call;
  EXPECT_FALSE(call);
  EXPECT_FALSE(enterMachineCall());
}

}  // namespace
}  // namespace tessel
