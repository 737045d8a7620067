#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "discovery/jvm_library.h"
#include "discovery/runtime_fixture.h"
#include "test_support.h"
#include "files/runtime_home.h"
#include "vm/java_vm.h"

namespace tessel {
namespace {

using namespace fixture;

class JvmLibrary : public ::testing::Test {
 protected:
  void SetUp() override {
    clearConfiguration();
    root = makeUniqueDirectory("lib");
    savedPath = test::currentPath();
  }
  void TearDown() override {
    if (module) FreeLibrary(module);
    SetEnvironmentVariableA("PATH", savedPath.c_str());
    clearConfiguration();
    removeTree(root);
  }
  std::string root, savedPath;
  HMODULE module = nullptr;
};

TEST_F(JvmLibrary, FindsServerAfterTheEarlierTypesAndKeepsPathExtended) {
  makeRuntime(root, {"java version \"1.8.0_60\"", 0, 0, "server"});
  module = loadJvmLibrary(wide(root + "\\bin\\java.exe").c_str());
  ASSERT_NE(module, nullptr);
  EXPECT_NE(GetProcAddress(module, "JNI_CreateJavaVM"), nullptr);
  EXPECT_EQ(test::currentPath(), savedPath + ";" + root + "\\bin");
  const char* crtPath = std::getenv("PATH");
  ASSERT_NE(crtPath, nullptr);
  EXPECT_EQ(std::string(crtPath), savedPath + ";" + root + "\\bin") << "both views agree";
}

TEST_F(JvmLibrary, PreferredTypeGoesFirstAndTheListStillFollows) {
  makeRuntime(root, {"java version \"1.8.0_60\"", 0, 0, "classic"});
  LauncherConfig[key::PreferredJvmType] = "classic";
  module = loadJvmLibrary(wide(root + "\\bin\\javaw.exe").c_str());
  ASSERT_NE(module, nullptr);
  FreeLibrary(module);
  module = nullptr;
  LauncherConfig[key::PreferredJvmType] = "nonesuch";
  SetEnvironmentVariableA("PATH", savedPath.c_str());
  module = loadJvmLibrary(wide(root + "\\bin\\java.exe").c_str());
  EXPECT_NE(module, nullptr) << "a failed preferred type falls back to the fixed list";
}

TEST_F(JvmLibrary, JdkLoadsItsPrivateRuntimeThroughTheFallbackPath) {
  makeRuntime(root, {"java version \"1.8.0_60\"", 0, 0, nullptr});
  makeRuntime(root + "\\jre", {"java version \"1.8.0_60\"", 0, 0, "server"});
  module = loadJvmLibrary(wide(root + "\\bin\\java.exe").c_str());
  ASSERT_NE(module, nullptr);
  EXPECT_EQ(test::currentPath(), savedPath + ";" + root + "\\bin\\..\\jre\\bin")
      << "only the successful directory stays on PATH";
}

// PATH is longer than any fixed buffer and names a folder no ANSI code page can hold: a failed
// load gives it back as it was, a successful one only appends.
TEST_F(JvmLibrary, PathComesBackWhole) {
  std::wstring longPath = L"C:\\\u03a9mega\\\u65e5\\bin";
  while (longPath.size() < 20000) longPath += L";C:\\some\\long\\directory\\name";
  ASSERT_TRUE(SetEnvironmentVariableW(L"PATH", longPath.c_str()));
  makeRuntime(root, {"java version \"1.8.0_60\"", 0, 0, nullptr});
  EXPECT_EQ(loadJvmLibrary(wide(root + "\\bin\\java.exe").c_str()), nullptr);
  EXPECT_TRUE(test::currentPathW() == longPath);
  const wchar_t* crtPath = _wgetenv(L"PATH");
  ASSERT_NE(crtPath, nullptr);
  EXPECT_TRUE(std::wstring(crtPath) == longPath) << "the C runtime's copy too";

  makeRuntime(root, {"java version \"1.8.0_60\"", 0, 0, "server"});
  module = loadJvmLibrary(wide(root + "\\bin\\java.exe").c_str());
  ASSERT_NE(module, nullptr);
  std::wstring extended = test::currentPathW();
  EXPECT_EQ(extended.rfind(longPath + L";", 0), 0u) << "the old value stays in front, unchanged";
}

TEST_F(JvmLibrary, WrongWordSizeExistsButDoesNotLoad) {
  makeRuntime(root, {"java version \"1.8.0_60\"", 0, 0, "server", true});
  EXPECT_EQ(tryJvmDll(wide(root + "\\bin").c_str(), L"server"), nullptr);
  EXPECT_EQ(loadJvmLibrary(wide(root + "\\bin\\java.exe").c_str()), nullptr);
  EXPECT_EQ(test::currentPath(), savedPath);
}

TEST_F(JvmLibrary, BindingNeedsTheExport) {
  EXPECT_FALSE(bindCreateJavaVM(nullptr));
  EXPECT_FALSE(bindCreateJavaVM(GetModuleHandleA("kernel32.dll")));
  makeRuntime(root, {"java version \"1.8.0_60\""});
  module = LoadLibraryA((root + "\\bin\\server\\jvm.dll").c_str());
  ASSERT_NE(module, nullptr);
  ASSERT_TRUE(bindCreateJavaVM(module));
  EXPECT_EQ(reinterpret_cast<void*>(createJavaVmFunction()),
            reinterpret_cast<void*>(GetProcAddress(module, "JNI_CreateJavaVM")));
}

TEST_F(JvmLibrary, RuntimeHomeIsTheSameForJavaAndJavaw) {
  setRuntimeHome(L"c:\\jre\\bin\\javaw.exe");
  EXPECT_STREQ(runtimeHome, "c:\\jre\\bin\\..");
  setRuntimeHome(L"c:\\jre\\bin\\java.exe");
  EXPECT_STREQ(runtimeHome, "c:\\jre\\bin\\..");
}

// The runtime is told its home narrow: a folder the code page cannot name goes by its short
// name, which still leads there (never a "?" that names nothing).
TEST_F(JvmLibrary, RuntimeHomeOfAFolderBeyondTheCodePageIsItsShortName) {
  std::wstring bin = wide(root) + L"\\\u042f\u0432\u0430 \u03a9\\bin";
  ASSERT_TRUE(CreateDirectoryW((wide(root) + L"\\\u042f\u0432\u0430 \u03a9").c_str(), nullptr));
  ASSERT_TRUE(CreateDirectoryW(bin.c_str(), nullptr));
  setRuntimeHome((bin + L"\\java.exe").c_str());
  EXPECT_EQ(std::string(runtimeHome).find('?'), std::string::npos) << runtimeHome;
  EXPECT_NE(GetFileAttributesA(runtimeHome), INVALID_FILE_ATTRIBUTES) << runtimeHome;
}

}  // namespace
}  // namespace tessel
