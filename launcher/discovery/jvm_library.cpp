#include "discovery/jvm_library.h"

#include <cstring>
#include <cwchar>
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

const wchar_t* const kJvmTypes[] = {L"hotspot", L"client", L"server", L"classic", L"jrockit"};

JvmLoadFailure loadFailure;

// Key 152: a folder name below bin; false when not configured.
bool preferredJvmType(wchar_t (&type)[limit::kJvmTypeCapacity]) {
  configStringW(key::PreferredJvmType, type, limit::kJvmTypeCapacity);
  return type[0] != 0;
}

// True when the file is a PE image for 32-bit x86: such a library can never load into this
// 64-bit process, whatever error the loader reports.
bool isX86Library(const wchar_t* path) {
  unique_hfile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
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

void noteLoadFailure(const wchar_t* library, DWORD error) {
  if (!loadFailure.anyExisted) {
    loadFailure.anyExisted = true;
    loadFailure.error = error;
    copyText(loadFailure.library, sizeof(loadFailure.library), library);
  }
  if (isX86Library(library)) loadFailure.wrongWordSize = true;
}

}  // namespace

const JvmLoadFailure& lastJvmLoadFailure() { return loadFailure; }

bool hasJvmLibrary(const wchar_t* executable) {
  wchar_t directory[kPathCapacity];
  if (!copyWhole(directory, kPathCapacity, executable)) return false;
  wchar_t* slash = std::wcsrchr(directory, L'\\');
  if (slash) *slash = 0;
  wchar_t library[kPathCapacity];
  wchar_t preferred[limit::kJvmTypeCapacity];
  if (preferredJvmType(preferred) &&
      formatText(library, kPathCapacity, L"%ls\\%ls\\jvm.dll", directory, preferred) &&
      fileExistsW(library))
    return true;
  for (const wchar_t* type : kJvmTypes)
    if (formatText(library, kPathCapacity, L"%ls\\%ls\\jvm.dll", directory, type) &&
        fileExistsW(library))
      return true;
  return false;
}

HMODULE tryJvmDll(const wchar_t* directory, const wchar_t* type) {
  wchar_t library[kPathCapacity];
  if (!formatText(library, kPathCapacity, L"%ls\\%ls\\jvm.dll", directory, type)) return nullptr;
  bool exists = fileExistsW(library);
  logLine("Trying %S (exists %d)", library, exists ? 1 : 0);
  // The library's own folder first for its imports, then the folder that setDllSearchFolder
  // put in the current directory's place (the bin folder), never the current directory.
  HMODULE module = LoadLibraryExW(library, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  if (!module && exists) {
    DWORD error = GetLastError();
    logLine("Failed with error code %d", static_cast<int>(error));
    noteLoadFailure(library, error);
  }
  return module;
}

HMODULE loadJvmFromBinDirectory(const wchar_t* executable) {
  wchar_t directory[kPathCapacity];
  if (!copyWhole(directory, kPathCapacity, executable)) return nullptr;
  wchar_t* slash = std::wcsrchr(directory, L'\\');
  if (slash) *slash = 0;

  bool pathPresent = false;
  const std::wstring oldPath = environmentValueW(L"PATH", &pathPresent);
  writePath(oldPath + L";" + directory, true);
  auto restorePath = runAtEndOfScope([&] { writePath(oldPath, pathPresent); });
  // The runtime's libraries (its C runtime above all) come from its bin folder, for jvm.dll
  // and for what the machine loads later; a failed candidate gives the place back.
  if (!setDllSearchFolder(directory)) {
    DWORD error = GetLastError();
    logLine("SetDllDirectory %S failed with error %d", directory, static_cast<int>(error));
  }
  auto restoreSearch = runAtEndOfScope([] { keepCurrentDirectoryOutOfDllSearch(); });

  HMODULE module = nullptr;
  wchar_t preferred[limit::kJvmTypeCapacity];
  if (preferredJvmType(preferred)) module = tryJvmDll(directory, preferred);
  for (const wchar_t* type : kJvmTypes) {
    if (module) break;
    module = tryJvmDll(directory, type);
  }
  if (module) {
    restorePath.dismiss();
    restoreSearch.dismiss();
  }
  return module;
}

HMODULE loadJvmLibrary(const wchar_t* executable) {
  logLine("Trying to load JVM-DLL from %S", executable);
  loadFailure = JvmLoadFailure{};
  if (HMODULE module = loadJvmFromBinDirectory(executable)) return module;
  wchar_t fallback[kPathCapacity];
  if (!copyWhole(fallback, kPathCapacity, executable)) return nullptr;
  wchar_t* slash = std::wcsrchr(fallback, L'\\');
  if (slash) slash[1] = 0;
  else fallback[0] = 0;
  if (!appendWhole(fallback, kPathCapacity, L"..\\jre\\bin\\java.exe")) return nullptr;
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
