#include "signing.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "private_file.h"
#include "utf8_path.h"

namespace tessel::pe {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
using NativeChar = wchar_t;
const char* const kProgramFile = "osslsigncode.exe";
constexpr char kPathSeparator = ';';
#else
using NativeChar = char;
const char* const kProgramFile = "osslsigncode";
constexpr char kPathSeparator = ':';
#endif

// Files an interruption must not leave behind, where a signal or console handler reaches them
// without allocating: the password file above all.
constexpr size_t kCleanupSlots = 4;
constexpr size_t kSlotLength = 4096;
NativeChar g_cleanup[kCleanupSlots][kSlotLength];

void removeRegistered() {
  for (NativeChar* slot : g_cleanup) {
    if (!slot[0]) continue;
#ifdef _WIN32
    DeleteFileW(slot);
#else
    unlink(slot);
#endif
  }
}

#ifdef _WIN32
BOOL WINAPI onConsoleEvent(DWORD) {
  removeRegistered();
  return FALSE;  // the default handler ends the process
}
#else
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onSignal(int signal) {
  removeRegistered();
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}
#endif

// While it lives, Ctrl+C, closing the console or a termination request remove the files
// before the process ends.
class RemovedOnInterrupt {
 public:
  explicit RemovedOnInterrupt(const std::vector<std::string>& paths) {
    for (size_t i = 0; i < paths.size() && i < kCleanupSlots; ++i) {
      const std::basic_string<NativeChar> native = toPath(paths[i]).native();
      if (native.size() < kSlotLength) std::memcpy(g_cleanup[i], native.c_str(), (native.size() + 1) * sizeof(NativeChar));
    }
#ifdef _WIN32
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
    for (size_t i = 0; i < std::size(kSignals); ++i) {
      struct sigaction action {};
      action.sa_handler = onSignal;
      sigemptyset(&action.sa_mask);
      sigaction(kSignals[i], &action, &previous_[i]);
      // A signal the caller chose to ignore stays ignored.
      if (previous_[i].sa_handler == SIG_IGN) sigaction(kSignals[i], &previous_[i], nullptr);
    }
#endif
  }
  ~RemovedOnInterrupt() {
#ifdef _WIN32
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
#else
    for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &previous_[i], nullptr);
#endif
    for (NativeChar* slot : g_cleanup) slot[0] = 0;
  }
  RemovedOnInterrupt(const RemovedOnInterrupt&) = delete;
  RemovedOnInterrupt& operator=(const RemovedOnInterrupt&) = delete;

 private:
#ifndef _WIN32
  struct sigaction previous_[std::size(kSignals)] {};
#endif
};

void removeQuietly(const std::string& path) {
  std::error_code ignored;
  fs::remove(toPath(path), ignored);
}

// Removes a file this operation created when the operation ends, however it ends.
class OwnedFile {
 public:
  explicit OwnedFile(std::string path) : path_(std::move(path)) {}
  ~OwnedFile() {
    if (created) removeQuietly(path_);
  }
  OwnedFile(const OwnedFile&) = delete;
  OwnedFile& operator=(const OwnedFile&) = delete;
  const std::string& path() const { return path_; }
  bool created = false;

 private:
  std::string path_;
};

#ifdef _WIN32
// One argument in the quoting the C runtime's command-line parser undoes.
std::wstring quoteArgument(const std::wstring& arg) {
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

// Runs `program` by its full path (CreateProcess without one would try the current
// directory first) with its standard input empty and both output streams in `outputFile`,
// whose text ends in `output`; the exit code, or -1 when it could not start. It gets no
// console (a console host would hold the inherited handles a while after it ended), and the
// file goes when its last handle does, however this process ends.
int runProgram(const std::string& program, const std::vector<std::string>& args,
               const std::string& outputFile, std::string& output) {
  const std::wstring path = toPath(program).wstring();
  std::wstring commandLine = quoteArgument(path);
  for (const std::string& a : args) commandLine += L' ' + quoteArgument(toPath(a).wstring());
  SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE outputHandle = CreateFileW(
      toPath(outputFile).c_str(), GENERIC_READ | GENERIC_WRITE,
      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit, CREATE_ALWAYS,
      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = outputHandle;
  startup.hStdError = outputHandle;
  PROCESS_INFORMATION process = {};
  int rc = -1;
  if (outputHandle != INVALID_HANDLE_VALUE && input != INVALID_HANDLE_VALUE &&
      CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, TRUE, DETACHED_PROCESS,
                     nullptr, nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) rc = static_cast<int>(code & 0xFF);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    char buffer[4096];
    DWORD n = 0;
    SetFilePointer(outputHandle, 0, nullptr, FILE_BEGIN);
    while (output.size() < 1000000 && ReadFile(outputHandle, buffer, sizeof(buffer), &n, nullptr) && n > 0)
      output.append(buffer, n);
  }
  if (outputHandle != INVALID_HANDLE_VALUE) CloseHandle(outputHandle);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  return rc;
}

std::string pathVariable() {
  const wchar_t* value = _wgetenv(L"PATH");
  return value ? fromPath(fs::path(value)) : std::string();
}

bool isProgramFile(const std::string& path) {
  std::error_code failure;
  return fs::is_regular_file(toPath(path), failure);
}
#else
std::string readWholeText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// Runs `program` by its full path with its standard input empty and both output streams in
// `outputFile`, whose text ends in `output`; the exit code, or -1 when it could not start.
int runProgram(const std::string& program, const std::vector<std::string>& args,
               const std::string& outputFile, std::string& output) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  const int fd = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return -1;
  const pid_t pid = fork();
  if (pid < 0) {
    ::close(fd);
    return -1;
  }
  if (pid == 0) {
    // An empty input keeps osslsigncode from asking for a pass phrase on the terminal.
    const int nothing = ::open("/dev/null", O_RDONLY);
    if (nothing >= 0) dup2(nothing, 0);
    dup2(fd, 1);
    dup2(fd, 2);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  ::close(fd);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  output = readWholeText(outputFile);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string pathVariable() {
  const char* value = std::getenv("PATH");
  return value ? value : "";
}

bool isProgramFile(const std::string& path) {
  std::error_code failure;
  return fs::is_regular_file(path, failure) && access(path.c_str(), X_OK) == 0;
}
#endif

bool mentions(const std::string& text, const char* what) { return text.find(what) != std::string::npos; }

}  // namespace

bool isSigned(const Image& image) {
  uint32_t rva = 0, size = 0;
  return dataDirectory(image, kSecurityDirectory, rva, size) && rva != 0 && size != 0;
}

std::vector<std::string> programCandidates(const std::string& pathValue, char separator,
                                           const std::string& fileName) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= pathValue.size()) {
    size_t end = pathValue.find(separator, start);
    if (end == std::string::npos) end = pathValue.size();
    std::string dir = pathValue.substr(start, end - start);
    start = end + 1;
    // Windows lets an entry quote a directory that holds the separator; quotes are no part of it.
    if (separator == ';') dir.erase(std::remove(dir.begin(), dir.end(), '"'), dir.end());
    if (dir.empty() || !toPath(dir).is_absolute()) continue;
    out.push_back(fromPath(toPath(dir) / toPath(fileName)));
  }
  return out;
}

bool findSigningTool(std::string& program, std::string& why) {
  for (const std::string& candidate : programCandidates(pathVariable(), kPathSeparator, kProgramFile)) {
    if (isProgramFile(candidate)) {
      program = candidate;
      return true;
    }
  }
  why = "signing needs osslsigncode on the PATH";
  return false;
}

std::string explainSigningFailure(const std::string& output, const SigningOptions& options) {
  const std::string keyFile = options.pkcs12.empty() ? options.key : options.pkcs12;
  if (mentions(output, "Wrong password?") || mentions(output, "mac verify failure") ||
      mentions(output, "bad decrypt"))
    return options.password.empty()
               ? keyFile + " needs its password (--sign-password, [signing] password or "
                           "TESSEL_SIGN_PASSWORD)"
               : "wrong password for " + keyFile;
  if (mentions(output, "consistency of a private key") || mentions(output, "key values mismatch"))
    return "the private key " + options.key + " does not match the certificate " + options.certificate;
  if (mentions(output, "timestamping failed") || mentions(output, "HTTP failure") ||
      mentions(output, "Failed to send timestamp"))
    return "the timestamp server " + options.timestampUrl + " could not be reached or did not answer";
  if (mentions(output, "Failed to read certificate file"))
    return "cannot read the certificate " + options.certificate;
  if (mentions(output, "No certificate found"))
    return (options.pkcs12.empty() ? options.certificate : options.pkcs12) + " holds no certificate";
  if (mentions(output, "Failed to read private key") || mentions(output, "Failed to decode private key"))
    return "cannot read the private key " + options.key;
  if (mentions(output, "Failed to read PKCS#12 file") || mentions(output, "Failed to parse PKCS#12"))
    return "cannot read the PKCS#12 file " + options.pkcs12;
  // Otherwise osslsigncode's first own line (not one of OpenSSL's numbered error lines).
  size_t start = 0;
  while (start < output.size()) {
    size_t end = output.find('\n', start);
    if (end == std::string::npos) end = output.size();
    std::string line = output.substr(start, end - start);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
    const bool openssl = line.find(":error:") != std::string::npos;
    if (!line.empty() && !openssl && line != "Failed") return "osslsigncode: " + line;
    start = end + 1;
  }
  return "osslsigncode failed";
}

bool signExecutable(const std::string& program, const std::string& path,
                    const SigningOptions& options, std::string& why, std::string* toolOutput) {
  OwnedFile unsignedCopy(path + ".unsigned");
  OwnedFile passwordFile(path + ".pass");
  OwnedFile outputFile(path + ".sign-output");
  RemovedOnInterrupt cleanup({passwordFile.path(), unsignedCopy.path(), outputFile.path(), path});
  std::error_code ec;
  fs::rename(toPath(path), toPath(unsignedCopy.path()), ec);
  if (ec) {
    why = path + ": cannot prepare for signing: " + ec.message();
    return false;
  }
  unsignedCopy.created = true;
  std::vector<std::string> args = {"sign"};
  if (!options.pkcs12.empty()) {
    args.insert(args.end(), {"-pkcs12", options.pkcs12});
  } else {
    args.insert(args.end(), {"-certs", options.certificate, "-key", options.key});
  }
  if (!options.password.empty()) {
    if (!writePrivateFile(passwordFile.path(), options.password, passwordFile.created)) {
      why = passwordFile.path() + ": cannot hand the password to osslsigncode";
      return false;
    }
    args.insert(args.end(), {"-readpass", passwordFile.path()});
  }
  if (!options.timestampUrl.empty()) args.insert(args.end(), {"-t", options.timestampUrl});
  args.insert(args.end(), {"-h", "sha256", "-in", unsignedCopy.path(), "-out", path});
  outputFile.created = true;
  std::string output;
  const int rc = runProgram(program, args, outputFile.path(), output);
  if (toolOutput) *toolOutput = output;
  if (rc != 0) {
    removeQuietly(path);
    why = rc == 127 || rc == -1 ? program + " could not be started"
                                : "signing failed: " + explainSigningFailure(output, options);
    return false;
  }
  return true;
}

}  // namespace tessel::pe
