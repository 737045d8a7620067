// Cost of variable expansion against a plain copy of the same buffer: a 6000-character value
// holding 50 references (45 environment, 5 fixed) in an environment of 200 variables.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>

#include "util/bounded_text.h"
#include "files/expansion.h"

using namespace tessel;

namespace {

constexpr int kVariables = 200;
constexpr int kEnvironmentReferences = 45;
constexpr int kFixedReferences = 5;

int environmentSize() {
  wchar_t* block = GetEnvironmentStringsW();
  int n = 0;
  for (const wchar_t* e = block; *e; e += wcslen(e) + 1) ++n;
  FreeEnvironmentStringsW(block);
  return n;
}

double seconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER f;
  QueryPerformanceFrequency(&f);
  return static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(f.QuadPart);
}

// Values as long as their references, so the text keeps its length.
std::wstring makeText(int created) {
  std::wstring text;
  for (int i = 0; i < kEnvironmentReferences; ++i) {
    wchar_t ref[32];
    swprintf(ref, 32, L"${BENCHVAR_%03d}", i * created / kEnvironmentReferences);
    text += ref;
    text += std::wstring(100, L'a');
    if (i % 9 == 0 && i / 9 < kFixedReferences) text += L"${launcher:sys.pathlistSeparator}";
  }
  text.resize(kPathCapacity - 1, L'z');
  return text;
}

}  // namespace

int main() {
  int existing = environmentSize();
  int created = 0;
  for (; existing + created < kVariables; ++created) {
    wchar_t name[32];
    swprintf(name, 32, L"BENCHVAR_%03d", created);
    SetEnvironmentVariableW(name, L"value-length-15");
  }
  if (created < kEnvironmentReferences) {
    std::fprintf(stderr, "the environment already holds %d variables\n", existing);
    return 1;
  }
  const std::wstring wideText = makeText(created);
  const std::string narrowText(wideText.begin(), wideText.end());

  static wchar_t source[kPathCapacity], wide[kPathCapacity];
  static char narrowSource[kPathCapacity], narrow[kPathCapacity];
  std::wmemcpy(source, wideText.c_str(), wideText.size() + 1);
  std::memcpy(narrowSource, narrowText.c_str(), narrowText.size() + 1);

  // Check once that every reference was expanded and the length held.
  std::wmemcpy(wide, source, kPathCapacity);
  bool whole = expandVariables(wide, kPathCapacity, PathForm::NarrowSafe);
  if (!whole || std::wcsstr(wide, L"${") || wcslen(wide) == 0) {
    const wchar_t* left = std::wcsstr(wide, L"${");
    std::fprintf(stderr, "expansion incomplete (%d): %.40ls\n", whole, left ? left : L"");
    return 1;
  }

  const int copies = 200000, expansions = 300;
  LARGE_INTEGER a, b;
  QueryPerformanceCounter(&a);
  for (int i = 0; i < copies; ++i) {
    std::wmemcpy(wide, source, kPathCapacity);
    asm volatile("" : : "r"(wide) : "memory");
  }
  QueryPerformanceCounter(&b);
  double copy = seconds(a, b) / copies;

  auto timeWide = [&](PathForm form) {
    QueryPerformanceCounter(&a);
    for (int i = 0; i < expansions; ++i) {
      std::wmemcpy(wide, source, kPathCapacity);
      expandVariables(wide, kPathCapacity, form);
    }
    QueryPerformanceCounter(&b);
    return seconds(a, b) / expansions;
  };
  double wideSafe = timeWide(PathForm::NarrowSafe);
  double wideLong = timeWide(PathForm::Long);
  QueryPerformanceCounter(&a);
  for (int i = 0; i < expansions; ++i) {
    std::memcpy(narrow, narrowSource, kPathCapacity);
    expandVariablesNarrow(narrow, kPathCapacity);
  }
  QueryPerformanceCounter(&b);
  double narrowTime = seconds(a, b) / expansions;

  std::printf("environment: %d variables; text: %zu characters, %d references\n",
              environmentSize(), wideText.size(), kEnvironmentReferences + kFixedReferences);
  std::printf("plain copy (wide, 6000 units):   %10.2f us\n", copy * 1e6);
  std::printf("expandVariables (narrow-safe):   %10.2f us  (%.0fx copy)\n", wideSafe * 1e6,
              wideSafe / copy);
  std::printf("expandVariables (long form):     %10.2f us  (%.0fx copy)\n", wideLong * 1e6,
              wideLong / copy);
  std::printf("expandVariablesNarrow:           %10.2f us  (%.0fx copy)\n", narrowTime * 1e6,
              narrowTime / copy);
  return 0;
}
