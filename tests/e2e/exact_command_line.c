/* exact_command_line FILE: starts the command line written in FILE (UTF-8) exactly as it is
   there, waits for it and ends with its exit code; standard streams are inherited. Wine makes
   a Windows command line from Unix arguments by its own quoting, so a test that needs one
   particular command line (quotes, backslashes, apostrophes) writes it into a file. */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) return 120;
  FILE* file = _wfopen(argv[1], L"rb");
  if (!file) return 121;
  static char text[65536];
  size_t n = fread(text, 1, sizeof(text) - 1, file);
  fclose(file);
  while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r')) --n;
  text[n] = 0;
  static wchar_t line[65536];
  if (MultiByteToWideChar(CP_UTF8, 0, text, -1, line, 65536) == 0) return 122;
  STARTUPINFOW startup = {sizeof(startup)};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION info;
  if (!CreateProcessW(NULL, line, NULL, NULL, TRUE, 0, NULL, NULL, &startup, &info)) return 123;
  WaitForSingleObject(info.hProcess, INFINITE);
  DWORD code = 124;
  GetExitCodeProcess(info.hProcess, &code);
  return (int)code;
}
