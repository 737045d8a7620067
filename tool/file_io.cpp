#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tessel {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
int openExclusive(const std::string& path) {
  return _wopen(toPath(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY,
                _S_IREAD | _S_IWRITE);
}
long writeSome(int fd, const uint8_t* data, size_t size) {
  return _write(fd, data, static_cast<unsigned>(size > 0x40000000u ? 0x40000000u : size));
}
int closeFile(int fd) { return _close(fd); }
int syncFile(int fd) { return _commit(fd); }
bool replaceFile(const std::string& from, const std::string& to, std::string& why) {
  if (MoveFileExW(toPath(from).c_str(), toPath(to).c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    return true;
  const DWORD error = GetLastError();
  why = "system error " + std::to_string(error);
  return false;
}
#else
int openExclusive(const std::string& path) {
  return open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
}
long writeSome(int fd, const uint8_t* data, size_t size) { return write(fd, data, size); }
int closeFile(int fd) { return close(fd); }
int syncFile(int fd) { return fsync(fd); }
bool replaceFile(const std::string& from, const std::string& to, std::string& why) {
  if (std::rename(from.c_str(), to.c_str()) == 0) return true;
  why = std::strerror(errno);
  return false;
}
#endif

// A fresh name beside the target, claimed by an exclusive create so that two builds never
// share one; -1 when none could be claimed.
int createTemporaryBeside(const std::string& path, std::string& temp) {
  const fs::path target = toPath(path);
  std::random_device seed;
  std::mt19937 generator(seed());
  static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string suffix;
    for (int i = 0; i < 8; ++i) suffix += digits[generator() % 36];
    temp = fromPath(target.parent_path() / toPath("." + fromPath(target.filename()) + "." + suffix));
    const int fd = openExclusive(temp);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  return -1;
}

void removeFile(const std::string& path) {
  std::error_code ignored;
  fs::remove(toPath(path), ignored);
}

std::FILE* openForReading(const std::string& path) {
#ifdef _WIN32
  return _wfopen(toPath(path).c_str(), L"rb");
#else
  return std::fopen(path.c_str(), "rb");
#endif
}

}  // namespace

bool readWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string& why) {
  data.clear();
  std::error_code failure;
  const fs::file_status status = fs::status(toPath(path), failure);
  if (failure) {
    why = failure.message();
    return false;
  }
  if (!fs::is_regular_file(status)) {
    why = fs::is_directory(status) ? "it is a directory" : "not a regular file";
    return false;
  }
  std::FILE* file = openForReading(path);
  if (!file) {
    why = std::strerror(errno);
    return false;
  }
  uint8_t chunk[65536];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof(chunk), file)) > 0) data.insert(data.end(), chunk, chunk + n);
  const bool failed = std::ferror(file) != 0;
  std::fclose(file);
  if (failed) why = "read error";
  return !failed;
}

bool writeFileAtomically(const std::string& path,
                         const std::vector<const std::vector<uint8_t>*>& pieces, std::string& why,
                         const FinishingStep& finish) {
  std::string temp;
  const int fd = createTemporaryBeside(path, temp);
  if (fd < 0) {
    why = "cannot create a temporary file beside " + path + ": " + std::strerror(errno);
    return false;
  }
  auto fail = [&](const std::string& what) {
    why = what + ": " + std::strerror(errno);
    closeFile(fd);
    removeFile(temp);
    return false;
  };
  for (const std::vector<uint8_t>* piece : pieces) {
    size_t done = 0;
    while (done < piece->size()) {
      const long n = writeSome(fd, piece->data() + done, piece->size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return fail("cannot write " + temp);
      done += static_cast<size_t>(n);
    }
  }
  if (syncFile(fd) != 0) return fail("cannot write " + temp);
  if (closeFile(fd) != 0) {
    why = "cannot write " + temp + ": " + std::strerror(errno);
    removeFile(temp);
    return false;
  }
  if (finish && !finish(temp, why)) {
    removeFile(temp);
    return false;
  }
#ifndef _WIN32
  // By path and after the last step, which may have replaced the file.
  const mode_t mask = umask(0);
  umask(mask);
  if (chmod(temp.c_str(), 0755 & ~mask) != 0) {
    why = "cannot set the mode of " + temp + ": " + std::strerror(errno);
    removeFile(temp);
    return false;
  }
#endif
  std::string reason;
  if (!replaceFile(temp, path, reason)) {
    why = "cannot replace " + path + ": " + reason;
    removeFile(temp);
    return false;
  }
  return true;
}

std::string ownExecutableDirectory() {
#ifdef _WIN32
  wchar_t buffer[32768];
  const DWORD n = GetModuleFileNameW(nullptr, buffer, 32768);
  if (n == 0 || n >= 32768) return ".";
  const fs::path self(std::wstring(buffer, n));
#else
  std::error_code failure;
  const fs::path self = fs::read_symlink("/proc/self/exe", failure);
  if (failure) return ".";
#endif
  const fs::path dir = self.parent_path();
  return dir.empty() ? "." : fromPath(dir);
}

}  // namespace tessel
