// Opens a document the way the shell does for a per-user association (Wine's own `start`
// reads only HKLM\Software\Classes): the extension's ProgId, its shell\open\command with the
// document's path for %1, started and waited for. Usage: shell_open DOCUMENT [ROOT]
// (ROOT "hklm" reads HKLM instead of HKCU). Exit code: the started program's, or 90 + a step
// that failed (no ProgId, no command, no start, no end within a minute).
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

bool readDefault(HKEY root, const std::wstring& key, std::wstring& value) {
  wchar_t data[4096] = {};
  DWORD size = sizeof(data) - sizeof(wchar_t);
  if (RegGetValueW(root, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
    return false;
  value = data;
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 2) return 2;
  const std::wstring document = argv[1];
  HKEY root = argc > 2 && std::wstring(argv[2]) == L"hklm" ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
  const size_t dot = document.find_last_of(L'.');
  const std::wstring extension = dot == std::wstring::npos ? L"" : document.substr(dot);
  std::wstring progId, command;
  if (!readDefault(root, L"Software\\Classes\\" + extension, progId)) return 91;
  if (!readDefault(root, L"Software\\Classes\\" + progId + L"\\shell\\open\\command", command))
    return 92;
  const size_t at = command.find(L"%1");
  if (at != std::wstring::npos) command.replace(at, 2, document);
  std::fwprintf(stderr, L"shell_open: %ls\n", command.c_str());
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return 93;
  CloseHandle(process.hThread);
  DWORD code = 94;
  if (WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &code);
  else
    TerminateProcess(process.hProcess, 94);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}
