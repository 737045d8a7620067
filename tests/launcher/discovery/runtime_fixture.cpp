#include "discovery/runtime_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "discovery/vendor_keys.h"
#include "discovery/version_cache.h"
#include "test_support.h"

namespace tessel {
namespace fixture {

namespace {
std::string parentOf(std::string path) {
  size_t slash = path.find_last_of('\\');
  return slash == std::string::npos ? path : path.substr(0, slash);
}

void copyOrFail(const std::string& from, const std::string& to) {
  ASSERT_TRUE(CopyFileA(from.c_str(), to.c_str(), FALSE))
      << from << " -> " << to << " error " << GetLastError()
      << " (are the doubles built?)";
}
// The process id and its start time: a name no other process of the prefix has had.
const std::string& processTag() {
  static const std::string tag = [] {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    return std::to_string(GetCurrentProcessId()) + "-" + std::to_string(created.dwLowDateTime);
  }();
  return tag;
}

}  // namespace

std::string doublesDirectory() {
  char module[MAX_PATH * 4];
  GetModuleFileNameA(nullptr, module, sizeof(module));
  return parentOf(parentOf(module)) + "\\doubles";
}

std::string makeUniqueDirectory(const char* tag, const std::string& parent) {
  std::string base = parent;
  if (base.empty()) {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    base = temp;
    if (!base.empty() && base.back() == '\\') base.pop_back();
  }
  static int counter = 0;
  for (;;) {
    std::string dir = base + "\\tsl_disc_" + processTag() + "_" + tag +
                      "_" + std::to_string(++counter);
    if (CreateDirectoryA(dir.c_str(), nullptr)) return dir;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return dir;
  }
}

void removeTree(const std::string& directory) { test::removeTree(directory); }

void writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
  ASSERT_TRUE(out.good()) << path;
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  return content.str();
}

bool exists(const std::string& path) {
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string lowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; });
  return text;
}

void configureJava(const std::string& binDirectory, const RuntimeLayout& layout) {
  std::string cfg = "line=" + layout.banner + "\nline=Runtime Environment (double)\n";
  cfg += "exit=" + std::to_string(layout.exitCode) + "\n";
  cfg += "hang=" + std::to_string(layout.hangSeconds) + "\n";
  writeFile(binDirectory + "\\java.exe.cfg", cfg);
}

void makeDirectories(const std::string& directory) {
  for (size_t slash = directory.find('\\', 3); slash != std::string::npos;
       slash = directory.find('\\', slash + 1))
    CreateDirectoryA(directory.substr(0, slash).c_str(), nullptr);
  CreateDirectoryA(directory.c_str(), nullptr);
}

void makeRuntime(const std::string& home, const RuntimeLayout& layout) {
  std::string bin = home + "\\bin";
  makeDirectories(bin);
  std::string doubles = doublesDirectory();
  if (layout.javaExe) {
    copyOrFail(doubles + "\\java_exe\\java.exe", bin + "\\java.exe");
    if (layout.javaw) copyOrFail(doubles + "\\java_exe\\java.exe", bin + "\\javaw.exe");
    configureJava(bin, layout);
  }
  if (!layout.release.empty()) writeFile(home + "\\release", layout.release);
  if (layout.jvmType) {
    std::string vm = bin + "\\" + layout.jvmType;
    CreateDirectoryA(vm.c_str(), nullptr);
    copyOrFail(doubles + (layout.wrongWordSize ? "\\jvm_dll_minimal\\x86\\jvm.dll"
                                             : "\\jvm_dll_minimal\\jvm.dll"),
               vm + "\\jvm.dll");
  }
}

std::string releaseText(const std::string& version, const std::string& runtimeVersion) {
  std::string text = "IMPLEMENTOR=\"Test\"\r\n";
  if (!runtimeVersion.empty()) text += "JAVA_RUNTIME_VERSION=\"" + runtimeVersion + "\"\r\n";
  text += "JAVA_VERSION=\"" + version + "\"\r\nOS_ARCH=\"x86_64\"\r\nOS_NAME=\"Windows\"\r\n";
  return text;
}

int javaRuns(const std::string& binDirectory) {
  return static_cast<int>(readFile(binDirectory + "\\java.exe.count").size());
}

void forgetCachedVersion(const std::string& executable) {
  forgetCachedVersion(wide(lowerCase(executable)));
}

void forgetCachedVersion(const std::wstring& executable) {
  std::wstring lowered = executable;
  for (wchar_t& c : lowered)
    if (c >= L'A' && c <= L'Z') c = static_cast<wchar_t>(c - L'A' + L'a');
  wchar_t key[8192];
  if (versionCacheKey(key, 8192, lowered.c_str())) RegDeleteKeyW(HKEY_CURRENT_USER, key);
}

void setRegistryStringW(HKEY hive, const std::wstring& key, const wchar_t* name,
                        const std::wstring& value) {
  HKEY opened;
  ASSERT_EQ(RegCreateKeyExW(hive, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                            nullptr),
            ERROR_SUCCESS);
  RegSetValueExW(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(opened);
}

std::wstring wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

std::string narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

void setRegistryString(HKEY hive, const std::string& key, const char* name,
                       const std::string& value) {
  HKEY opened;
  ASSERT_EQ(RegCreateKeyExA(hive, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened,
                            nullptr),
            ERROR_SUCCESS)
      << key;
  RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                 static_cast<DWORD>(value.size() + 1));
  RegCloseKey(opened);
}

void deleteRegistryTree(HKEY hive, const std::string& key) { RegDeleteTreeA(hive, key.c_str()); RegDeleteKeyA(hive, key.c_str()); }

std::string uniqueKey(const char* tag) {
  return "SOFTWARE\\tessel-tests\\" + processTag() + "\\" + tag;
}

NoInstalledRuntimes::NoInstalledRuntimes()
    : savedKeys_(registrySourceKeys), savedPrefix_(vendorKeyPrefix) {
  registrySourceKeys = {L"SOFTWARE\\tessel-tests\\none\\a", L"SOFTWARE\\tessel-tests\\none\\b",
                        L"SOFTWARE\\tessel-tests\\none\\c", L"SOFTWARE\\tessel-tests\\none\\d"};
  vendorKeyPrefix = L"SOFTWARE\\tessel-tests\\none\\e";
  SetEnvironmentVariableA("TESSEL_JAVA_HOME", nullptr);
  SetEnvironmentVariableA("CORVANE_JAVA_HOME", nullptr);
}

NoInstalledRuntimes::~NoInstalledRuntimes() {
  SetEnvironmentVariableA("TESSEL_JAVA_HOME", nullptr);
  SetEnvironmentVariableA("CORVANE_JAVA_HOME", nullptr);
  registrySourceKeys = savedKeys_;
  vendorKeyPrefix = savedPrefix_;
}

void unloadJvmLibraries() {
  for (int i = 0; i < 16; ++i) {
    HMODULE loaded = GetModuleHandleA("jvm.dll");
    if (!loaded || !FreeLibrary(loaded)) break;
  }
}

}  // namespace fixture
}  // namespace tessel
