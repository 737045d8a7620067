#include "signing.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "block_writer.h"

namespace tessel::pe {
namespace {

// Paths arrive as UTF-8 on every system; Windows needs them wide to open any name.
std::filesystem::path nativePath(const std::string& utf8) {
#ifdef _WIN32
  std::u16string wide;
  if (utf8ToUtf16(utf8, wide)) return std::filesystem::path(std::wstring(wide.begin(), wide.end()));
#endif
  return std::filesystem::path(utf8);
}

}  // namespace

bool isSigned(const Image& image) {
  uint32_t rva = 0, size = 0;
  return dataDirectory(image, kSecurityDirectory, rva, size) && rva != 0 && size != 0;
}

namespace {

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
#endif

// Runs a program found on the search path with its standard input empty and both output
// streams in `outputFile`; the exit code, or -1 (127 on POSIX) when it could not start.
int runProgram(const std::vector<std::string>& args, const std::string& outputFile) {
#ifdef _WIN32
  std::wstring commandLine;
  for (const std::string& a : args) {
    if (!commandLine.empty()) commandLine += L' ';
    commandLine += quoteArgument(nativePath(a).wstring());
  }
  SECURITY_ATTRIBUTES inherit = {sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE output = CreateFileW(nativePath(outputFile).c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = output;
  startup.hStdError = output;
  PROCESS_INFORMATION process = {};
  int rc = -1;
  if (output != INVALID_HANDLE_VALUE && input != INVALID_HANDLE_VALUE &&
      CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                     nullptr, &startup, &process)) {
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) rc = static_cast<int>(code & 0xFF);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  if (output != INVALID_HANDLE_VALUE) CloseHandle(output);
  if (input != INVALID_HANDLE_VALUE) CloseHandle(input);
  return rc;
#else
  const int output = ::open(outputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (output < 0) return -1;
  pid_t pid = fork();
  if (pid < 0) {
    ::close(output);
    return -1;
  }
  if (pid == 0) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    // An empty input keeps osslsigncode from asking for a pass phrase on the terminal.
    const int nothing = ::open("/dev/null", O_RDONLY);
    if (nothing >= 0) dup2(nothing, 0);
    dup2(output, 1);
    dup2(output, 2);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  ::close(output);
  int status = 0;
  if (waitpid(pid, &status, 0) < 0) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

void removeQuietly(const std::string& path) {
  std::error_code ignored;
  std::filesystem::remove(nativePath(path), ignored);
}

// The password goes to osslsigncode in a file only the user can read, not on its command
// line where every process list shows it.
bool writePasswordFile(const std::string& path, const std::string& password) {
#ifdef _WIN32
  std::ofstream out(nativePath(path), std::ios::binary | std::ios::trunc);
#else
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0600);
  if (fd < 0) return false;
  ::close(fd);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
#endif
  out << password;
  return static_cast<bool>(out.flush());
}

std::string readWholeText(const std::string& path) {
  std::ifstream in(nativePath(path), std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  return text;
}

bool mentions(const std::string& text, const char* what) { return text.find(what) != std::string::npos; }

}  // namespace

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

bool signExecutable(const std::string& path, const SigningOptions& options, std::string& error,
                    std::string* toolOutput) {
  const std::string unsignedCopy = path + ".unsigned";
  const std::string passwordFile = path + ".pass";
  const std::string outputFile = path + ".sign-output";
  std::error_code ec;
  std::filesystem::rename(nativePath(path), nativePath(unsignedCopy), ec);
  if (ec) {
    error = path + ": cannot prepare for signing: " + ec.message();
    return false;
  }
  std::vector<std::string> args = {"osslsigncode", "sign"};
  if (!options.pkcs12.empty()) {
    args.insert(args.end(), {"-pkcs12", options.pkcs12});
  } else {
    args.insert(args.end(), {"-certs", options.certificate, "-key", options.key});
  }
  if (!options.password.empty()) {
    if (!writePasswordFile(passwordFile, options.password)) {
      removeQuietly(passwordFile);
      removeQuietly(unsignedCopy);
      error = passwordFile + ": cannot hand the password to osslsigncode";
      return false;
    }
    args.insert(args.end(), {"-readpass", passwordFile});
  }
  if (!options.timestampUrl.empty()) args.insert(args.end(), {"-t", options.timestampUrl});
  args.insert(args.end(), {"-h", "sha256", "-in", unsignedCopy, "-out", path});
  const int rc = runProgram(args, outputFile);
  const std::string output = readWholeText(outputFile);
  if (toolOutput) *toolOutput = output;
  removeQuietly(outputFile);
  removeQuietly(passwordFile);
  removeQuietly(unsignedCopy);
  if (rc != 0) {
    removeQuietly(path);
    error = rc == 127 || rc == -1 ? "signing needs osslsigncode on the PATH"
                                  : "signing failed: " + explainSigningFailure(output, options);
    return false;
  }
  return true;
}

}  // namespace tessel::pe
