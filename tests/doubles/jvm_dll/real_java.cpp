#include "real_java.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "record.h"

namespace jvmdouble {
namespace {

// The bridge class reports an exception from main with this exit code.
constexpr DWORD kMainThrew = 197;

std::string unixPath(const std::wstring& windowsPath) {
  using Convert = char*(CDECL*)(const wchar_t*);
  static Convert convert = reinterpret_cast<Convert>(
      GetProcAddress(GetModuleHandleA("kernel32"), "wine_get_unix_file_name"));
  if (convert) {
    char* path = convert(windowsPath.c_str());
    if (path) {
      std::string out(path);
      HeapFree(GetProcessHeap(), 0, path);
      // Drive C: comes back through the prefix's dosdevices link, whose ":" would split a
      // Unix class path.
      size_t link = out.find("/dosdevices/c:");
      if (link != std::string::npos) out.replace(link, 14, "/drive_c");
      return out;
    }
  }
  std::u16string text(windowsPath.begin(), windowsPath.end());
  std::string out = toUtf8(text);
  if (out.size() >= 2 && (out[0] == 'Z' || out[0] == 'z') && out[1] == ':') out = out.substr(2);
  for (char& c : out)
    if (c == '\\') c = '/';
  return out;
}

std::wstring fromUtf8(const std::string& text) {
  int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
  std::wstring out(static_cast<size_t>(n > 0 ? n : 1), L'\0');
  if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, &out[0], n);
  out.resize(out.size() - 1);
  return out;
}

bool isWindowsPath(const std::string& text) {
  return text.size() >= 3 && text[1] == ':' && (text[2] == '\\' || text[2] == '/');
}

std::string convertValue(const std::string& utf8) {
  return isWindowsPath(utf8) ? unixPath(fromUtf8(utf8)) : utf8;
}

std::string shellQuoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) out += (c == '\'') ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

std::string unixClassPath(const std::string& list) {
  std::string out;
  for (size_t start = 0; start <= list.size();) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    std::string entry = list.substr(start, end - start);
    if (!entry.empty()) out += (out.empty() ? "" : ":") + convertValue(entry);
    start = end + 1;
  }
  return out;
}

bool writeFile(const std::wstring& path, const std::string& content) {
  FILE* file = _wfopen(path.c_str(), L"wb");
  if (!file) return false;
  std::fwrite(content.data(), 1, content.size(), file);
  std::fclose(file);
  return true;
}

// Copies what the Linux side appended to its output file since the last call.
class OutputRelay {
 public:
  explicit OutputRelay(const std::wstring& path)
      : file_(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~OutputRelay() { close(); }
  void copyNew() {
    if (file_ == INVALID_HANDLE_VALUE) return;
    char buffer[8192];
    DWORD n = 0;
    while (ReadFile(file_, buffer, sizeof buffer, &n, nullptr) && n > 0) {
      DWORD written = 0;
      WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), buffer, n, &written, nullptr);
    }
  }
  void close() {
    if (file_ != INVALID_HANDLE_VALUE) CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
  }

 private:
  HANDLE file_;
};

// The bridge's report of an exception (TesselJvmBridge.java), read into `failure`.
void readFailureReport(const std::wstring& path, RealJavaFailure& failure) {
  FILE* file = _wfopen(path.c_str(), L"rb");
  if (!file) return;
  std::string content;
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) content.append(buffer, n);
  std::fclose(file);
  size_t first = content.find('\n');
  size_t second = first == std::string::npos ? first : content.find('\n', first + 1);
  size_t third = second == std::string::npos ? second : content.find('\n', second + 1);
  if (third == std::string::npos) return;
  failure.startFailure = std::atoi(content.substr(0, first).c_str());
  failure.className = content.substr(first + 1, second - first - 1);
  failure.hasMessage = content.substr(second + 1, third - second - 1) == "1";
  std::wstring message = fromUtf8(content.substr(third + 1));
  failure.message.assign(message.begin(), message.end());
}

}  // namespace

bool runInRealJava(const std::vector<std::string>& vmOptions, const std::string& launcherClass,
                   const std::vector<std::u16string>& arguments, RealJavaFailure& failure) {
  std::string java = environment("TESSEL_JVM_REAL_JAVA");
  if (java.empty()) java = "/usr/lib/jvm/java-17-openjdk-amd64/bin/java";
  std::string command = shellQuoted(java);
  std::string classPath = TESSEL_BRIDGE_CLASSES;
  for (const std::string& option : vmOptions) {
    std::string utf8 = ansiToUtf8(option);
    const std::string cpPrefix = "-Djava.class.path=";
    if (utf8.compare(0, cpPrefix.size(), cpPrefix) == 0) {
      std::string rest = unixClassPath(utf8.substr(cpPrefix.size()));
      if (!rest.empty()) classPath += ":" + rest;
      continue;
    }
    const std::string mpPrefix = "--module-path=";
    if (utf8.compare(0, mpPrefix.size(), mpPrefix) == 0) {
      command += " " + shellQuoted(mpPrefix + unixClassPath(utf8.substr(mpPrefix.size())));
      continue;
    }
    // The Windows PATH means nothing to a Linux runtime; hooks are not options.
    if (utf8.compare(0, 20, "-Djava.library.path=") == 0 || utf8.empty() || utf8[0] != '-') continue;
    size_t eq = utf8.find('=');
    // The archive options name files: Unix paths there.
    if (utf8.compare(0, 4, "-XX:") == 0 && eq != std::string::npos)
      utf8 = utf8.substr(0, eq + 1) + convertValue(utf8.substr(eq + 1));
    if (utf8.compare(0, 2, "-D") == 0 && eq != std::string::npos)
      utf8 = utf8.substr(0, eq + 1) + convertValue(utf8.substr(eq + 1));
    command += " " + shellQuoted(utf8);
  }
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  std::wstring base = std::wstring(temp) + L"tessel-real-java-" + std::to_wstring(GetCurrentProcessId());
  std::wstring reportPath = base + L".failure";
  DeleteFileW(reportPath.c_str());
  // The bridge creates this file when main returned (then the end is not System.exit).
  std::wstring returnedPath = base + L".returned";
  DeleteFileW(returnedPath.c_str());
  command += " -cp " + shellQuoted(classPath) + " TesselJvmBridge " + shellQuoted(unixPath(reportPath)) +
             " " + shellQuoted(unixPath(returnedPath)) +
             " " + shellQuoted(launcherClass);
  // Positions 2 and 3 of the launcher arguments name the output files: Unix paths there.
  for (size_t i = 0; i < arguments.size(); ++i) {
    std::string text = toUtf8(arguments[i]);
    command += " " + shellQuoted((i == 2 || i == 3) ? convertValue(text) : text);
  }

  std::wstring scriptPath = base + L".sh";
  std::wstring statusPath = base + L".status";
  DeleteFileW(statusPath.c_str());
  wchar_t directory[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, directory);
  std::string status = unixPath(statusPath);
  // Wine hands a Linux child of a GUI program no standard output (standard error arrives), so
  // the output goes through a file that the wait loop below copies to our own standard output.
  std::wstring outputPath = base + L".out";
  writeFile(outputPath, "");
  std::string script = "cd " + shellQuoted(unixPath(directory)) + " 2>/dev/null\n" + command +
                       " > " + shellQuoted(unixPath(outputPath)) + "\necho $? > " + shellQuoted(status + ".tmp") + "\nmv " +
                       shellQuoted(status + ".tmp") + " " + shellQuoted(status) + "\n";
  if (!writeFile(scriptPath, script)) {
    record("real java: cannot write %s", unixPath(scriptPath).c_str());
    return false;
  }
  record("real java: %s", command.c_str());

  // Wine splits a Linux program's command line by the Windows rules.
  std::wstring commandLine = L"Z:\\bin\\sh \"" + fromUtf8(unixPath(scriptPath)) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    DWORD error = GetLastError();
    record("real java: CreateProcess failed %lu", error);
    return false;
  }
  // Wine gives no usable handle for a Linux process: wait for the status file instead.
  if (process.hProcess) CloseHandle(process.hProcess);
  if (process.hThread) CloseHandle(process.hThread);
  int limit = std::atoi(environment("TESSEL_JVM_REAL_TIMEOUT_MS").c_str());
  if (limit <= 0) limit = 300000;
  DWORD code = 0;
  bool finished = false;
  OutputRelay relay(outputPath);
  for (int waited = 0; waited < limit; waited += 20) {
    relay.copyNew();
    FILE* file = _wfopen(statusPath.c_str(), L"rb");
    if (file) {
      unsigned value = 0;
      finished = std::fscanf(file, "%u", &value) == 1;
      std::fclose(file);
      code = value;
      if (finished) break;
    }
    Sleep(20);
  }
  relay.copyNew();
  relay.close();
  DeleteFileW(statusPath.c_str());
  DeleteFileW(scriptPath.c_str());
  DeleteFileW(outputPath.c_str());
  if (!finished) {
    record("real java: no result after %d ms", limit);
    return false;
  }
  record("real java: exit %lu", code);
  if (code == kMainThrew) {
    readFailureReport(reportPath, failure);
    DeleteFileW(reportPath.c_str());
    return false;
  }
  bool returned = DeleteFileW(returnedPath.c_str()) != 0;
  // A Linux runtime that crashed ends by a signal: SIGABRT after its error report, SIGSEGV.
  if (code == 134 || code == 139) crashAsRuntime();
  // System.exit of the application, also System.exit(0) (main did not return).
  if (code != 0 || !returned) exitAsRuntime(static_cast<int>(code));
  return true;
}

}  // namespace jvmdouble
