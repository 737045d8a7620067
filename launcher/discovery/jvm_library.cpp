#include "discovery/jvm_library.h"

#include <cstring>
#include <string>

#include "config/config_access.h"
#include "config_keys.h"
#include "diagnostics/log.h"
#include "util/bounded_text.h"
#include "util/handles.h"
#include "util/dll_search.h"
#include "util/environment.h"
#include "util/paths.h"
#include "vm/java_vm.h"

namespace tessel {

namespace {

// PATH may hold names that no narrow code page can: it is read and written wide.
void writePath(const std::wstring& value, bool present) {
  unsigned long error = 0;
  if (setEnvironmentValueW(L"PATH", value, present, &error))
    logLine("Setting PATH %S", value.c_str());
  else
    logLine("Setting PATH %S failed with error %d", value.c_str(), static_cast<int>(error));
}

const char* const kJvmTypes[] = {"hotspot", "client", "server", "classic", "jrockit"};

JvmLoadFailure loadFailure;

// True when the file is a PE image for 32-bit x86: such a library can never load into this
// 64-bit process, whatever error the loader reports.
bool isX86Library(const char* path) {
  unique_hfile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  unsigned char head[1024];
  DWORD read = 0;
  if (!ReadFile(file.get(), head, sizeof(head), &read, nullptr) || read < 64 || head[0] != 'M' ||
      head[1] != 'Z')
    return false;
  DWORD peOffset = head[60] | (head[61] << 8) | (head[62] << 16) | (static_cast<DWORD>(head[63]) << 24);
  if (peOffset > read - 6 || std::memcmp(head + peOffset, "PE\0\0", 4) != 0) return false;
  unsigned machine = head[peOffset + 4] | (head[peOffset + 5] << 8);
  return machine == 0x014c;
}

void noteLoadFailure(const char* library, DWORD error) {
  if (!loadFailure.anyExisted) {
    loadFailure.anyExisted = true;
    loadFailure.error = error;
    copyText(loadFailure.library, sizeof(loadFailure.library), library);
  }
  if (isX86Library(library)) loadFailure.wrongWordSize = true;
}

}  // namespace

const JvmLoadFailure& lastJvmLoadFailure() { return loadFailure; }

bool hasJvmLibrary(const char* executable) {
  char directory[kPathCapacity];
  if (!copyWhole(directory, kPathCapacity, executable)) return false;
  char* slash = std::strrchr(directory, '\\');
  if (slash) *slash = 0;
  char library[kPathCapacity];
  char preferred[limit::kJvmTypeCapacity];
  if (configString(key::PreferredJvmType, preferred, sizeof(preferred)) > 0 &&
      formatText(library, kPathCapacity, "%s\\%s\\jvm.dll", directory, preferred) &&
      fileExists(library))
    return true;
  for (const char* type : kJvmTypes)
    if (formatText(library, kPathCapacity, "%s\\%s\\jvm.dll", directory, type) &&
        fileExists(library))
      return true;
  return false;
}

HMODULE tryJvmDll(const char* directory, const char* type) {
  char library[kPathCapacity];
  if (!formatText(library, kPathCapacity, "%s\\%s\\jvm.dll", directory, type)) return nullptr;
  bool exists = fileExists(library);
  logLine("Trying %s (exists %d)", library, exists ? 1 : 0);
  // The library's own folder first for its imports, then the folder that setDllSearchFolder
  // put in the current directory's place (the bin folder), never the current directory.
  HMODULE module = LoadLibraryExW(wideText(library).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module && exists) {
    DWORD error = GetLastError();
    logLine("Failed with error code %d", static_cast<int>(error));
    noteLoadFailure(library, error);
  }
  return module;
}

HMODULE loadJvmFromBinDirectory(const char* executable) {
  char directory[kPathCapacity];
  if (!copyWhole(directory, kPathCapacity, executable)) return nullptr;
  char* slash = std::strrchr(directory, '\\');
  if (slash) *slash = 0;

  bool pathPresent = false;
  const std::wstring oldPath = environmentValueW(L"PATH", &pathPresent);
  writePath(oldPath + L";" + wideText(directory), true);
  auto restorePath = runAtEndOfScope([&] { writePath(oldPath, pathPresent); });
  // The runtime's libraries (its C runtime above all) come from its bin folder, for jvm.dll
  // and for what the machine loads later; a failed candidate gives the place back.
  if (!setDllSearchFolder(wideText(directory).c_str())) {
    DWORD error = GetLastError();
    logLine("SetDllDirectory %s failed with error %d", directory, static_cast<int>(error));
  }
  auto restoreSearch = runAtEndOfScope([] { keepCurrentDirectoryOutOfDllSearch(); });

  HMODULE module = nullptr;
  char preferred[limit::kJvmTypeCapacity];
  if (configString(key::PreferredJvmType, preferred, sizeof(preferred)) > 0)
    module = tryJvmDll(directory, preferred);
  for (const char* type : kJvmTypes) {
    if (module) break;
    module = tryJvmDll(directory, type);
  }
  if (module) {
    restorePath.dismiss();
    restoreSearch.dismiss();
  }
  return module;
}

HMODULE loadJvmLibrary(const char* executable) {
  logLine("Trying to load JVM-DLL from %s", executable);
  loadFailure = JvmLoadFailure{};
  if (HMODULE module = loadJvmFromBinDirectory(executable)) return module;
  char fallback[kPathCapacity];
  if (!copyWhole(fallback, kPathCapacity, executable)) return nullptr;
  char* slash = std::strrchr(fallback, '\\');
  if (slash) slash[1] = 0;
  else fallback[0] = 0;
  if (!appendWhole(fallback, kPathCapacity, "..\\jre\\bin\\java.exe")) return nullptr;
  return loadJvmFromBinDirectory(fallback);
}

bool bindCreateJavaVM(HMODULE library) {
  if (!library) return false;
  FARPROC entry = GetProcAddress(library, "JNI_CreateJavaVM");
  if (!entry) return false;
  setCreateJavaVm(reinterpret_cast<CreateJavaVmFunction>(reinterpret_cast<void*>(entry)));
  return true;
}

}  // namespace tessel
