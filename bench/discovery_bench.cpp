// Runtime discovery in a started application, under Wine:
//  - how often java.exe runs on a first and a second start with three candidate runtimes
//    (two outside the version range, the third accepted): the version cache should spare all
//    runs of the second start;
//  - the warm time of a start up to JNI_CreateJavaVM against a trivial program that only loads
//    the same jvm.dll and calls it (same Wine session, medians, alternating runs).
//   discovery_bench.exe TEMPLATE.exe DOUBLES-DIR PROBE.exe [runs]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "block_writer.h"
#include "discovery/version_cache.h"
#include "util/bounded_text.h"

using namespace tessel;

namespace {

constexpr DWORD kExitAtCreate = 42;

double seconds() {
  LARGE_INTEGER f, c;
  QueryPerformanceFrequency(&f);
  QueryPerformanceCounter(&c);
  return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

bool writeFile(const std::string& path, const std::string& content) {
  std::ofstream out(path, std::ios::binary);
  out << content;
  return out.good();
}

bool copy(const std::string& from, const std::string& to) {
  if (CopyFileA(from.c_str(), to.c_str(), FALSE)) return true;
  std::fprintf(stderr, "cannot copy %s to %s (error %lu)\n", from.c_str(), to.c_str(),
               GetLastError());
  return false;
}

bool makeRuntime(const std::string& home, const std::string& version, const std::string& doubles) {
  CreateDirectoryA(home.c_str(), nullptr);
  CreateDirectoryA((home + "\\bin").c_str(), nullptr);
  CreateDirectoryA((home + "\\bin\\server").c_str(), nullptr);
  return copy(doubles + "\\java_exe\\java.exe", home + "\\bin\\java.exe") &&
         copy(doubles + "\\jvm_dll_minimal\\jvm.dll", home + "\\bin\\server\\jvm.dll") &&
         writeFile(home + "\\bin\\java.exe.cfg",
                   "line=java version \"" + version + "\"\nexit=0\nhang=0\n");
}

bool buildApp(const std::string& templatePath, const std::string& app,
              const std::string& sequence = "B.\\jre16;B.\\jre17;B.\\jre18",
              const std::string& minimum = "1.8") {
  std::string image = readFile(templatePath);
  if (image.empty()) {
    std::fprintf(stderr, "no template at %s\n", templatePath.c_str());
    return false;
  }
  BlockContents block;
  block.strings = {{128, sequence}, {126, minimum}};
  std::vector<uint8_t> data(image.begin(), image.end());
  std::vector<uint8_t> serialized = serializeBlock(block);
  data.insert(data.end(), serialized.begin(), serialized.end());
  std::vector<uint8_t> trailer = trailerBytes(data.size());
  data.insert(data.end(), trailer.begin(), trailer.end());
  return writeFile(app, std::string(data.begin(), data.end()));
}

// Runs a command line to its end (at most a minute); returns its exit code, or -1.
long run(std::string commandLine, const std::string& directory) {
  // The launcher's messages (to standard error with -q_cvn_internal) go nowhere.
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE nul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           &inherit, OPEN_EXISTING, 0, nullptr);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
  PROCESS_INFORMATION info{};
  BOOL started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                directory.c_str(), &startup, &info);
  if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
  if (!started) return -1;
  DWORD code = static_cast<DWORD>(-1);
  if (WaitForSingleObject(info.hProcess, 60000) == WAIT_OBJECT_0)
    GetExitCodeProcess(info.hProcess, &code);
  else
    TerminateProcess(info.hProcess, 99);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return static_cast<long>(code);
}

int runsOf(const std::string& home) {
  return static_cast<int>(readFile(home + "\\bin\\java.exe.count").size());
}

std::string lowerCase(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

void removeTree(const std::string& directory) {
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA((directory + "\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::string name = found.cFileName;
      if (name == "." || name == "..") continue;
      std::string path = directory + "\\" + name;
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) removeTree(path);
      else DeleteFileA(path.c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
  }
  RemoveDirectoryA(directory.c_str());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: discovery_bench TEMPLATE.exe DOUBLES-DIR PROBE.exe [runs]\n");
    return 2;
  }
  const std::string templatePath = argv[1], doubles = argv[2], probe = argv[3];
  const int runs = argc > 4 ? std::max(1, std::atoi(argv[4])) : 15;
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  const std::string dir = std::string(temp) + "tessel_discovery_bench_" +
                          std::to_string(GetCurrentProcessId());
  CreateDirectoryA(dir.c_str(), nullptr);
  const std::string homes[] = {dir + "\\jre16", dir + "\\jre17", dir + "\\jre18"};
  const char* versions[] = {"1.6.0_45", "1.7.0_80", "1.8.0_60"};
  bool ready = buildApp(templatePath, dir + "\\app.exe");
  for (int i = 0; i < 3 && ready; ++i) ready = makeRuntime(homes[i], versions[i], doubles);
  if (!ready) {
    removeTree(dir);
    return 1;
  }
  SetEnvironmentVariableA("TESSEL_JVM_EXIT_AT_CREATE", std::to_string(kExitAtCreate).c_str());
  const std::string app = "\"" + dir + "\\app.exe\" -q_cvn_internal";
  const std::string probeLine = "\"" + probe + "\" \"" + homes[2] + "\\bin\\server\\jvm.dll\"";

  auto totalRuns = [&] { return runsOf(homes[0]) + runsOf(homes[1]) + runsOf(homes[2]); };
  long firstExit = run(app, dir);
  int firstRuns = totalRuns();
  long secondExit = run(app, dir);
  int secondRuns = totalRuns() - firstRuns;
  std::printf("java.exe runs, three candidates (1.6, 1.7 out of range, 1.8 accepted):\n");
  std::printf("  first start:  %d (exit %ld)\n", firstRuns, firstExit);
  std::printf("  second start: %d (exit %ld)\n", secondRuns, secondExit);
  // Without the machine's creation wired in, the start ends right after loading jvm.dll.
  if (secondExit != static_cast<long>(kExitAtCreate))
    std::printf("  note: the start did not reach JNI_CreateJavaVM (exit %ld); the times below "
                "end after discovery\n", secondExit);

  // A bundled runtime (.\bundled) with and without the release file that runtimes since 9
  // carry: the file names the version, so not even the first start runs java.exe.
  for (bool release : {false, true}) {
    const std::string bundled = dir + (release ? "\\bundled" : "\\bundled-norelease");
    const std::string bundledApp = dir + (release ? "\\bundled.exe" : "\\bundled-norelease.exe");
    if (!makeRuntime(bundled, "17.0.2", doubles) ||
        (release && !writeFile(bundled + "\\release", "JAVA_VERSION=\"17.0.2\"\r\n")) ||
        !buildApp(templatePath, bundledApp,
                  release ? "B.\\bundled" : "B.\\bundled-norelease", "11"))
      break;
    const std::string line = "\"" + bundledApp + "\" -q_cvn_internal";
    run(line, dir);
    int first = runsOf(bundled);
    run(line, dir);
    std::printf("java.exe runs, bundled runtime %s a release file: first start %d, second "
                "start %d\n", release ? "with" : "without", first, runsOf(bundled) - first);
    char key[kPathCapacity + 64];
    if (versionCacheKey(key, sizeof(key), lowerCase(bundled + "\\bin\\java.exe").c_str()))
      RegDeleteKeyA(HKEY_CURRENT_USER, key);
  }

  // The template without a block ends at its first step: the cost of the process alone.
  const std::string bare = "\"" + dir + "\\bare.exe\" -q_cvn_internal";
  copy(templatePath, dir + "\\bare.exe");
  run(app, dir);  // warm all three once more
  run(probeLine, dir);
  run(bare, dir);
  std::vector<double> appTimes, probeTimes, bareTimes;
  for (int i = 0; i < runs; ++i) {
    double start = seconds();
    run(app, dir);
    appTimes.push_back(seconds() - start);
    start = seconds();
    run(bare, dir);
    bareTimes.push_back(seconds() - start);
    start = seconds();
    long probeExit = run(probeLine, dir);
    probeTimes.push_back(seconds() - start);
    if (probeExit != static_cast<long>(kExitAtCreate)) {
      std::fprintf(stderr, "the probe did not reach JNI_CreateJavaVM (exit %ld)\n", probeExit);
      break;
    }
  }
  double a = median(appTimes), p = median(probeTimes);
  std::printf("warm start to JNI_CreateJavaVM, median of %zu: launcher %.1f ms, trivial loader "
              "%.1f ms, ratio %.2f\n",
              appTimes.size(), a * 1000, p * 1000, a / p);
  std::printf("  the launcher without a block (ends before discovery): %.1f ms\n",
              median(bareTimes) * 1000);

  for (const std::string& home : homes) {
    char key[kPathCapacity + 64];
    if (versionCacheKey(key, sizeof(key), lowerCase(home + "\\bin\\java.exe").c_str()))
      RegDeleteKeyA(HKEY_CURRENT_USER, key);
  }
  removeTree(dir);
  return firstRuns == 3 && secondRuns == 0 ? 0 : 1;
}
