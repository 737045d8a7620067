#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <thread>

#include "config/config_access.h"
#include "discovery/runtime_fixture.h"
#include "vm/java_vm.h"
#include "launch/java_vm_launcher.h"

namespace tessel {
namespace {

// Each ctest run is its own process, so the process-wide machine state starts fresh here.
TEST(JavaVm, OtherThreadsAttachOnlyOnceTheMachineExists) {
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
  SetEnvironmentVariableA("TESSEL_JVM_RECORD", nullptr);
  std::string text = fixture::readFile(record);
  EXPECT_NE(text.find("option 0: -Dx=1\n"), std::string::npos) << text;
  EXPECT_NE(text.find("AttachCurrentThread\nDetachCurrentThread\n"), std::string::npos) << text;
  fixture::removeTree(dir);
}

}  // namespace
}  // namespace tessel
