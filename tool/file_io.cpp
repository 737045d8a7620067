#include "file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tessel {

bool readWholeFile(const std::string& path, std::vector<uint8_t>& data, std::string& why) {
  data.clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    why = std::strerror(errno);
    return false;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    why = S_ISDIR(st.st_mode) ? "it is a directory" : "not a regular file";
    close(fd);
    return false;
  }
  data.resize(static_cast<size_t>(st.st_size));
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = read(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      why = n < 0 ? std::strerror(errno) : "the file shrank while it was read";
      close(fd);
      return false;
    }
    done += static_cast<size_t>(n);
  }
  close(fd);
  return true;
}

bool writeFileAtomically(const std::string& path,
                         const std::vector<const std::vector<uint8_t>*>& pieces, std::string& why) {
  std::string dir = ".";
  std::string base = path;
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos) {
    dir = slash == 0 ? "/" : path.substr(0, slash);
    base = path.substr(slash + 1);
  }
  std::string temp = dir + "/." + base + ".XXXXXX";
  int fd = mkstemp(&temp[0]);
  if (fd < 0) {
    why = "cannot create a temporary file in " + dir + ": " + std::strerror(errno);
    return false;
  }
  auto fail = [&](const std::string& what) {
    why = what + ": " + std::strerror(errno);
    close(fd);
    unlink(temp.c_str());
    return false;
  };
  for (const std::vector<uint8_t>* piece : pieces) {
    size_t done = 0;
    while (done < piece->size()) {
      ssize_t n = write(fd, piece->data() + done, piece->size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return fail("cannot write " + temp);
      done += static_cast<size_t>(n);
    }
  }
  mode_t mask = umask(0);
  umask(mask);
  if (fchmod(fd, 0755 & ~mask) != 0) return fail("cannot set the mode of " + temp);
  if (fsync(fd) != 0) return fail("cannot write " + temp);
  if (close(fd) != 0) {
    why = "cannot write " + temp + ": " + std::strerror(errno);
    unlink(temp.c_str());
    return false;
  }
  if (rename(temp.c_str(), path.c_str()) != 0) {
    why = "cannot replace " + path + ": " + std::strerror(errno);
    unlink(temp.c_str());
    return false;
  }
  return true;
}

std::string ownExecutableDirectory() {
  char buffer[4096];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return ".";
  std::string path(buffer, static_cast<size_t>(n));
  size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

}  // namespace tessel
