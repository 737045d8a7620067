// The tessel build tool's entry: the command line in UTF-8 on every system, then the commands
// of command_line.cpp.
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

#include "command_line.h"

int main(int argc, char** argv) {
#ifdef _WIN32
  // The narrow arguments are in the ANSI code page, which cannot hold every path: take the
  // wide command line and work in UTF-8, on the console too.
  std::vector<std::string> utf8Arguments;
  std::vector<char*> utf8Pointers;
  int wideCount = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &wideCount)) {
    for (int i = 0; i < wideCount; ++i) {
      const int size = WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, nullptr, 0, nullptr, nullptr);
      std::string text(size > 0 ? static_cast<size_t>(size) : 1, '\0');
      if (size > 0) WideCharToMultiByte(CP_UTF8, 0, wide[i], -1, &text[0], size, nullptr, nullptr);
      text.resize(text.size() - 1);
      utf8Arguments.push_back(text);
    }
    LocalFree(wide);
    for (std::string& text : utf8Arguments) utf8Pointers.push_back(&text[0]);
    utf8Pointers.push_back(nullptr);
    argc = wideCount;
    argv = utf8Pointers.data();
  }
  SetConsoleOutputCP(CP_UTF8);
#endif
  return tessel::runCommandLine(argc, argv, std::cout, std::cerr);
}
