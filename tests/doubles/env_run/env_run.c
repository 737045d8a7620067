/* env_run NAME=VALUE... -- PROGRAM ARGUMENTS...
   Sets the variables, starts the rest of its own command line as typed (quoting kept), waits
   for it and ends with its exit code; standard streams are inherited. */
#include <windows.h>
#include <wchar.h>

int wmain(int argc, wchar_t** argv) {
  int i = 1;
  for (; i < argc && wcscmp(argv[i], L"--") != 0; ++i) {
    wchar_t* eq = wcschr(argv[i], L'=');
    if (!eq) return 120;
    *eq = 0;
    SetEnvironmentVariableW(argv[i], eq + 1);
  }
  if (i >= argc - 1) return 121;
  /* The rest of the raw command line after the first " -- ". */
  wchar_t* rest = wcsstr(GetCommandLineW(), L" -- ");
  if (!rest) return 122;
  rest += 4;
  STARTUPINFOW startup = {sizeof(startup)};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info;
  if (!CreateProcessW(NULL, rest, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &info)) return 123;
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 124;
  GetExitCodeProcess(info.hProcess, &code);
  return (int)code;
}
