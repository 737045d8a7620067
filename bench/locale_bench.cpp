// Cost of locale detection at start-up: the format locale, the display language (which loads
// Kernel32 by name), and a long argument list.
#include <windows.h>

#include <cstdio>

#include "config/locale.h"

using namespace tessel;

namespace {

double microsecondsPerCall(const ArgumentList* arguments, int calls) {
  LARGE_INTEGER f, a, b;
  QueryPerformanceFrequency(&f);
  char buffer[16];
  QueryPerformanceCounter(&a);
  for (int i = 0; i < calls; ++i) detectLocale(arguments, buffer);
  QueryPerformanceCounter(&b);
  return 1e6 * static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart) /
         calls;
}

}  // namespace

int main() {
  const int calls = 20000;
  ArgumentList plain = {L"app.exe", L"some", L"arguments"};
  ArgumentList display = {L"app.exe", L"-Dsun.locale.formatasdefault=false"};
  ArgumentList many(10000, L"-Dsun.locale.formatasdefault=false");
  char first[16];
  detectLocale(&plain, first);
  std::printf("detected locale             %s\n", first);
  std::printf("format locale               %.2f us per detection\n",
              microsecondsPerCall(&plain, calls));
  std::printf("display language            %.2f us per detection\n",
              microsecondsPerCall(&display, calls));
  std::printf("10000 arguments             %.2f us per detection\n",
              microsecondsPerCall(&many, 200));
  return 0;
}
