// Reliability of the single-instance hand-over between real processes: bursts of starts at one
// moment (exactly one first instance, every later start's text delivered once and whole) and
// a soak of sequential hand-overs with the first instance's handle count before and after.
//   instance_bench.exe [burst sizes...] [--soak N]      (default: 10 50 --soak 1000)
// Each start runs the launcher's own guard; the first instance listens with a recording
// stand-in of the Java machine.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

#include "util/handles.h"
#include "instance/fake_jni.h"
#include "instance/instance_guard.h"
#include "vm/java_vm.h"

using namespace tessel;

namespace {

constexpr int kFirstInstanceExit = 3;

struct Usage {
  DWORD handles = 0;
  unsigned long long privateBytes = 0;
};

// Wine reports no handle count; there every handle value that answers is counted.
DWORD openHandles() {
  DWORD count = 0;
  if (GetProcessHandleCount(GetCurrentProcess(), &count) && count) return count;
  for (ULONG_PTR value = 4; value < 0x10000; value += 4) {
    DWORD flags;
    if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++count;
  }
  return count;
}

Usage usage() {
  Usage u;
  u.handles = openHandles();
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                       sizeof memory);
  u.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
  return u;
}

std::wstring directoryOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\')); }

std::wstring ownPath() {
  wchar_t path[MAX_PATH * 2];
  GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  return path;
}

// A started instance: "member <expected> <tag> <index>". The one that passes the guard waits
// for the others' texts and writes its verdict beside the executable.
int member(const wchar_t* text) {
  std::wstring own = text;
  singleInstanceGuard(InstanceMode::Single, HandOver::Arguments);  // later starts end inside
  unsigned long expected = std::wcstoul(text + 7, nullptr, 10);
  javaVm = test::fakeVm();
  vmCreated.store(true, std::memory_order_release);

  test::FakeJava& java = test::fakeJava();
  java.waitForCalls(1, 60000);
  Usage afterFirst = usage();
  java.waitForCalls(expected, 1800000);
  Sleep(500);  // anything beyond the expected count would show now
  Usage afterLast = usage();

  std::vector<std::string> calls = java.snapshot();
  std::set<std::string> distinct(calls.begin(), calls.end());
  std::string prefix(own.begin(), own.begin() + static_cast<long>(own.rfind(L' ') + 1));
  int malformed = 0;
  for (const std::string& call : calls)
    if (call.compare(0, prefix.size(), prefix) != 0 ||
        call.find_first_not_of("0123456789", prefix.size()) != std::string::npos)
      ++malformed;
  std::string ownText(own.begin(), own.end());
  FILE* out = _wfopen((directoryOf(ownPath()) + L"\\result.txt").c_str(), L"w");
  if (out) {
    std::fprintf(out,
                 "received %u distinct %u malformed %d own-text-received %d\n"
                 "handles after first %lu after last %lu\n"
                 "private bytes after first %llu after last %llu\n",
                 static_cast<unsigned>(calls.size()), static_cast<unsigned>(distinct.size()),
                 malformed, distinct.count(ownText) ? 1 : 0, afterFirst.handles,
                 afterLast.handles, afterFirst.privateBytes, afterLast.privateBytes);
    std::fclose(out);
  }
  if (FILE* list = _wfopen((directoryOf(ownPath()) + L"\\received.txt").c_str(), L"w")) {
    for (const std::string& call : calls) std::fprintf(list, "%s\n", call.c_str());
    std::fclose(list);
  }
  return kFirstInstanceExit;
}

struct Started {
  unique_handle process;
  unique_handle thread;
};

bool startMember(const std::wstring& exe, const std::wstring& text, bool suspended, Started& s) {
  std::wstring line = L"\"" + exe + L"\" " + text;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE,
                      suspended ? CREATE_SUSPENDED : 0, nullptr, nullptr, &startup, &info))
    return false;
  s.process.reset(info.hProcess);
  s.thread.reset(info.hThread);
  return true;
}

DWORD exitCodeWithin(HANDLE process, DWORD timeoutMs) {
  if (WaitForSingleObject(process, timeoutMs) != WAIT_OBJECT_0) {
    TerminateProcess(process, 99);
    return 99;
  }
  DWORD code = 0;
  GetExitCodeProcess(process, &code);
  return code;
}

std::vector<std::wstring> scenarioDirs;

// A private copy of this executable per scenario, so that no scenario meets another's
// semaphore or recorded process id.
std::wstring scenarioExe(const std::wstring& base, const std::wstring& name) {
  std::wstring dir = base + L"\\" + name;
  CreateDirectoryW(dir.c_str(), nullptr);
  scenarioDirs.push_back(dir);
  std::wstring exe = dir + L"\\app.exe";
  CopyFileW(ownPath().c_str(), exe.c_str(), FALSE);
  DeleteFileW((dir + L"\\result.txt").c_str());
  return exe;
}

void printResult(const std::wstring& exe) {
  FILE* in = _wfopen((directoryOf(exe) + L"\\result.txt").c_str(), L"r");
  if (!in) {
    std::printf("  no result from a first instance\n");
    return;
  }
  char line[256];
  while (std::fgets(line, sizeof line, in)) std::printf("  %s", line);
  std::fclose(in);
}

void burst(const std::wstring& base, unsigned count) {
  std::wstring exe = scenarioExe(base, L"burst" + std::to_wstring(count));
  // count later starts plus the one that becomes the first instance, released together
  std::vector<Started> starts(count + 1);
  for (unsigned i = 0; i <= count; ++i)
    if (!startMember(exe, L"member " + std::to_wstring(count) + L" burst " + std::to_wstring(i),
                     true, starts[i])) {
      std::printf("burst %u: could not start process %u\n", count, i);
      return;
    }
  DWORD begin = GetTickCount();
  for (Started& s : starts) ResumeThread(s.thread.get());
  unsigned first = 0, handedOver = 0, other = 0;
  for (Started& s : starts) {
    DWORD code = exitCodeWithin(s.process.get(), 300000);
    if (code == kFirstInstanceExit) ++first;
    else if (code == 0) ++handedOver;
    else ++other;
  }
  std::printf("burst of %u later starts: first instances %u, handed over %u, other exits %u, "
              "%.1f s\n",
              count, first, handedOver, other, (GetTickCount() - begin) / 1000.0);
  printResult(exe);
}

void soak(const std::wstring& base, unsigned count) {
  std::wstring exe = scenarioExe(base, L"soak");
  Started first;
  if (!startMember(exe, L"member " + std::to_wstring(count) + L" soak first", false, first)) return;
  DWORD begin = GetTickCount();
  std::vector<std::pair<unsigned, DWORD>> failed;  // index, exit code
  DWORD slowest = 0;
  for (unsigned i = 0; i < count; ++i) {
    Started later;
    DWORD started = GetTickCount();
    DWORD code = 98;
    if (startMember(exe, L"member " + std::to_wstring(count) + L" soak " + std::to_wstring(i),
                    false, later))
      code = exitCodeWithin(later.process.get(), 60000);
    if (code != 0) failed.emplace_back(i, code);
    else if (GetTickCount() - started > slowest) slowest = GetTickCount() - started;
  }
  DWORD firstCode = exitCodeWithin(first.process.get(), 300000);
  std::printf("soak of %u sequential later starts: %u failed, slowest handed-over start %lu ms, "
              "first instance exit %lu, %.1f s\n",
              count, static_cast<unsigned>(failed.size()), slowest, firstCode,
              (GetTickCount() - begin) / 1000.0);
  printResult(exe);
  // Whether a failed start (99: killed after 60 s) still got its text through.
  std::string received;
  if (FILE* list = _wfopen((directoryOf(exe) + L"\\received.txt").c_str(), L"r")) {
    char line[256];
    while (std::fgets(line, sizeof line, list)) received += line;
    std::fclose(list);
  }
  for (const auto& [index, code] : failed) {
    std::string text = "member " + std::to_string(count) + " soak " + std::to_string(index) + "\n";
    std::printf("  failed start %u: exit %lu, text %s\n", index, code,
                received.find(text) != std::string::npos ? "delivered" : "not delivered");
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const wchar_t* text = secondStartArguments(GetCommandLineW());
  if (std::wcsncmp(text, L"member ", 7) == 0) return member(text);

  std::vector<unsigned> bursts;
  unsigned soakCount = 1000;
  for (int i = 1; i < argc; ++i) {
    if (std::wcscmp(argv[i], L"--soak") == 0 && i + 1 < argc)
      soakCount = static_cast<unsigned>(std::wcstoul(argv[++i], nullptr, 10));
    else
      bursts.push_back(static_cast<unsigned>(std::wcstoul(argv[i], nullptr, 10)));
  }
  if (argc == 1) bursts = {10, 50};
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring base = std::wstring(temp) + L"tessel_instance_bench_" +
                      std::to_wstring(GetCurrentProcessId());
  CreateDirectoryW(base.c_str(), nullptr);
  for (unsigned count : bursts) burst(base, count);
  if (soakCount) soak(base, soakCount);
  for (const std::wstring& dir : scenarioDirs) {
    DeleteFileW((dir + L"\\app.exe").c_str());
    DeleteFileW((dir + L"\\result.txt").c_str());
    DeleteFileW((dir + L"\\received.txt").c_str());
    RemoveDirectoryW(dir.c_str());
  }
  RemoveDirectoryW(base.c_str());
  return 0;
}
